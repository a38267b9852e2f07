# The walk-through of the Windows program under wine: real keys and clicks on a
# private X display, a stand-in for the system-information tool that the About
# window finds through the registry, and the status bar read back by OCR.
find_program(TESSERACT tesseract)
find_program(IMPORT import)
if(NOT (XVFB AND XDOTOOL AND TESSERACT AND IMPORT))
  message(WARNING "Xvfb, xdotool, ImageMagick or tesseract is missing: the walk-through "
                  "under wine is left out (scripts/setup-windows-qt installs them)")
  return()
endif()

# A window program, as the real tool is: a console one would get a console window
# of its own that takes the focus from the About window.
add_executable(brennic_sys_info_stand_in WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/sys_info_stand_in.cpp)
target_link_libraries(brennic_sys_info_stand_in PRIVATE brennic_warnings)

add_test(NAME EndToEnd.WindowsProgramUnderWine
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wine_walkthrough.sh $<TARGET_FILE:brennic>
                 $<TARGET_FILE:brennic_sys_info_stand_in> ${CMAKE_BINARY_DIR}/wineprefix)
# Its own wine server on a copy of the test prefix: it must not share the one the
# other tests keep running, which has no display.
set_tests_properties(EndToEnd.WindowsProgramUnderWine PROPERTIES LABELS e2e TIMEOUT 300
                     RUN_SERIAL TRUE)

# The floor that scripts/measure-wine times the program's start-up against.
add_executable(brennic_minimal_window WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/minimal_window.cpp)
target_link_libraries(brennic_minimal_window PRIVATE brennic_warnings Qt6::Widgets)

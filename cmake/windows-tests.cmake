# The tests of the Windows cross build: GoogleTest built from Debian's source
# package for this target, and the private wine prefix the tests run on.

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The prefix is made once, here, so that it is ready before CTest first lists the
# tests of a program (which already runs the program under wine). Making it takes
# about ten seconds; delete the folder to start afresh.
if(NOT EXISTS ${CMAKE_BINARY_DIR}/wineprefix/system.reg)
  message(STATUS "Making the wine prefix ${CMAKE_BINARY_DIR}/wineprefix")
  execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "wineboot could not make the prefix ${CMAKE_BINARY_DIR}/wineprefix")
  endif()
  # wineboot returns before the wine server has written the registry files.
  execute_process(COMMAND ${BRENNIC_WINE_ENVIRONMENT} wineserver --wait)
endif()

# One wine server for the whole test run (see wine-session): every test requires
# the fixture that starts it before the first test and stops it after the last.
foreach(step start stop)
  add_test(NAME wine_session_${step}
           COMMAND ${BRENNIC_WINE_ENVIRONMENT} ${PROJECT_SOURCE_DIR}/cmake/wine-session ${step})
endforeach()
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session)
set(BRENNIC_TEST_PROPERTIES FIXTURES_REQUIRED wine_session)

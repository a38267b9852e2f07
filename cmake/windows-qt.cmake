# The window program for Windows: Qt comes from the static MinGW-w64 build that
# scripts/setup-windows-qt makes once per machine, with Debian's own Qt as the
# host tools (moc, rcc, uic) that the build runs here.

if(DEFINED ENV{BRENNIC_WINDOWS_QT})
  set(default_qt "$ENV{BRENNIC_WINDOWS_QT}")
else()
  set(default_qt "/var/cache/brennic/qt-6.4.2-mingw-static")
endif()
set(BRENNIC_WINDOWS_QT "${default_qt}"
    CACHE PATH "The static Qt for Windows made by scripts/setup-windows-qt")
if(NOT EXISTS "${BRENNIC_WINDOWS_QT}/brennic-qt.stamp")
  message(FATAL_ERROR "No static Qt for Windows in ${BRENNIC_WINDOWS_QT}: run "
                      "scripts/setup-windows-qt (once, 45 to 90 minutes), or build "
                      "without the windows with the preset windows-cross")
endif()

# The toolchain looks for packages only under its root paths, so Qt's folder
# becomes one of them.
list(PREPEND CMAKE_FIND_ROOT_PATH "${BRENNIC_WINDOWS_QT}")
list(PREPEND CMAKE_PREFIX_PATH "${BRENNIC_WINDOWS_QT}")
set(QT_HOST_PATH /usr CACHE PATH "Debian's Qt, whose tools run during the build")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

# Called once every target exists and the tests' wine prefix is made.
function(brennic_windows_qt_finish)
  # A static Qt links only the platform plugin of Windows into a program by
  # itself; the window tests run on the offscreen platform, so theirs link that
  # one too.
  foreach(tests brennic_ui_tests brennic_startup_tests)
    if(TARGET ${tests})
      qt_import_plugins(${tests} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    endif()
  endforeach()

  # The faces of the windows (in the prefix for the Windows platform and as the
  # font folder of the offscreen one, see the windows test preset), and the rest
  # of a Windows-like desktop in the prefix. The marker names the script's version, so that a changed script runs again.
  file(SHA1 ${PROJECT_SOURCE_DIR}/cmake/wine-desktop desktop_version)
  set(marker ${CMAKE_BINARY_DIR}/wineprefix/brennic-desktop-${desktop_version})
  if(NOT EXISTS ${marker})
    execute_process(COMMAND ${BRENNIC_WINE_ENVIRONMENT} ${PROJECT_SOURCE_DIR}/cmake/wine-desktop
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Could not give the wine prefix its desktop settings")
    endif()
    file(TOUCH ${marker})
  endif()
endfunction()

# The installed program is one self-contained folder: the program writes its
# Result.txt beside itself, so the folder must be one its user can write (the
# user's own data folder, or wherever the portable archive is unpacked).
install(TARGETS brennic-kappa RUNTIME DESTINATION .)
# brennic-kappa starts its companion for --map from its own folder.
if(TARGET brennic-kappa-maps)
  install(TARGETS brennic-kappa-maps RUNTIME DESTINATION .)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/resources/BrennicHelp.html DESTINATION .)
if(BRENNIC_BUILD_GUI)
  install(TARGETS brennic RUNTIME DESTINATION .)
endif()
# On Windows the icon is inside brennic.exe and there is no desktop entry.
if(BRENNIC_BUILD_GUI AND NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/brennic.png DESTINATION .)
  # The desktop entry names the folder it was installed to. An archive does not
  # know where it will be unpacked, so it has none: ./brennic starts it there.
  install(CODE "
    set(BRENNIC_DIR \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    if(NOT BRENNIC_DIR MATCHES \"/_CPack_Packages/\")
      configure_file(\"${PROJECT_SOURCE_DIR}/resources/brennic.desktop.in\"
                     \"\${BRENNIC_DIR}/brennic.desktop\" @ONLY)
    endif()
  ")
endif()

if(NOT WIN32)
  # A portable archive of the same folder: unpack it anywhere writable and run
  # ./brennic there.
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_NAME brennic)
  set(CPACK_PACKAGE_VENDOR "The Brennic Project")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Cohen's kappa from an error matrix")
  set(CPACK_PACKAGE_FILE_NAME "brennic-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
  include(CPack)
endif()

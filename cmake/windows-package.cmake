# The Windows archive: brennic.exe (when the windows are built), brennic-kappa.exe
# and the help page in one folder of a .zip, to unpack anywhere writable (the
# program writes beside itself).
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME brennic)
set(CPACK_PACKAGE_VENDOR "The Brennic Project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Cohen's kappa from an error matrix")
if(BRENNIC_BUILD_GUI)
  set(CPACK_PACKAGE_FILE_NAME "brennic-${PROJECT_VERSION}-windows-x86_64")
  # The static Qt makes brennic.exe large; its symbol table is no use to a user.
  set(CPACK_STRIP_FILES ON)
else()
  set(CPACK_PACKAGE_FILE_NAME "brennic-kappa-${PROJECT_VERSION}-windows-x86_64")
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)

# The Windows archive: brennic-kappa.exe and its help page in one folder of a
# .zip, to unpack anywhere writable (the program writes beside itself).
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME brennic)
set(CPACK_PACKAGE_VENDOR "The Brennic Project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Cohen's kappa from an error matrix")
set(CPACK_PACKAGE_FILE_NAME "brennic-kappa-${PROJECT_VERSION}-windows-x86_64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)

# The packages of the shipped program (make package): a Debian package of the
# native build, whose dependencies dpkg-shlibdeps finds, and a ZIP of the Windows
# build's .exe with the README. Installing never builds anything: the Makefile
# builds the program before it packs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME stringchurn)
set(CPACK_PACKAGE_VENDOR stringchurn)
set(CPACK_PACKAGE_CONTACT "stringchurn maintainers <maintainers@stringchurn.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "console benchmark of the memory and time of a string array's churn")
set(CPACK_PACKAGE_DESCRIPTION
    "stringchurn copies a text of spaces into one element after another of a\n\
dynamic string array and empties each element again, printing the working set\n\
of the process and the time of every so many passes, then the total time.")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME stringchurn-${PROJECT_VERSION}-win64)
  install(TARGETS stringchurn RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION .)
  install(FILES docs/run.png DESTINATION docs)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  install(TARGETS stringchurn RUNTIME DESTINATION bin)
  install(FILES README.md DESTINATION share/doc/stringchurn)
  install(FILES docs/run.png DESTINATION share/doc/stringchurn/docs)
endif()

include(CPack)

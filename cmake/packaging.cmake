# The packages of the shipped program (make package): a Debian package of the
# native build, whose dependencies dpkg-shlibdeps finds, and a ZIP of the Windows
# build's .exe with the README and the licence. Installing never builds anything:
# the Makefile builds the program, and the Debian package's manual page and
# changelog (target package_docs), before it packs.
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
set(CPACK_STRIP_FILES ON)  # programs ship without their symbols and debugging sections

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME stringchurn-${PROJECT_VERSION}-win64)
  install(TARGETS stringchurn RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
  install(FILES docs/run.png docs/runs.png DESTINATION docs)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The chart tool, /usr/bin/stringchurn-report, is Python that runs gnuplot.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS python3)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnuplot-nox | gnuplot")
  install(TARGETS stringchurn RUNTIME DESTINATION bin)
  # strip leaves the compilers' names that every object file brings (.comment).
  install(CODE "execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/stringchurn\" COMMAND_ERROR_IS_FATAL ANY)")
  install(FILES README.md DESTINATION share/doc/stringchurn)
  install(FILES docs/run.png docs/runs.png DESTINATION share/doc/stringchurn/docs)

  # What Debian asks of every package: the licence in a machine-readable
  # copyright file (the MIT licence is "Expat" there), a changelog, and a manual
  # page, which help2man makes from the built program's --help and --version.
  set(docs ${CMAKE_BINARY_DIR}/package_docs)
  file(READ LICENSE licence)
  string(REGEX REPLACE "^.*\n(Permission is hereby granted)" "\\1" licence "${licence}")
  string(REGEX REPLACE "\n+$" "" licence "${licence}")
  string(REPLACE "\n\n" "\n.\n" licence "${licence}")
  string(REPLACE "\n" "\n " licence "${licence}")
  file(WRITE ${docs}/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: stringchurn\n"
    "Upstream-Contact: ${CPACK_PACKAGE_CONTACT}\n\n"
    "Files: *\n"
    "Copyright: 2026 stringchurn developers\n"
    "License: Expat\n ${licence}\n")
  configure_file(cmake/changelog.in ${docs}/changelog @ONLY)
  configure_file(tools/report ${docs}/stringchurn-report @ONLY)
  set(pages ${docs}/stringchurn.1 ${docs}/stringchurn-report.1)
  find_program(HELP2MAN help2man)
  if(HELP2MAN)
    # help2man runs the program through the shell without quotes: paths relative to
    # the build folder keep a blank in the folder's own path out of the command.
    add_custom_command(OUTPUT ${docs}/stringchurn.1.gz ${docs}/stringchurn-report.1.gz
                              ${docs}/changelog.gz
      COMMAND ${HELP2MAN} --no-info --include=${PROJECT_SOURCE_DIR}/cmake/stringchurn.h2m
              --output=${docs}/stringchurn.1 "--name=${CPACK_PACKAGE_DESCRIPTION_SUMMARY}"
              ./$<PATH:RELATIVE_PATH,$<TARGET_FILE:stringchurn>,${CMAKE_BINARY_DIR}>
      COMMAND ${HELP2MAN} --no-info --include=${PROJECT_SOURCE_DIR}/cmake/stringchurn-report.h2m
              --output=${docs}/stringchurn-report.1
              "--name=draw runs of stringchurn on one chart"
              ./$<PATH:RELATIVE_PATH,${docs}/stringchurn-report,${CMAKE_BINARY_DIR}>
      COMMAND gzip -9nf ${pages}
      COMMAND gzip -9nkf ${docs}/changelog
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
      DEPENDS stringchurn ${docs}/changelog ${docs}/stringchurn-report cmake/stringchurn.h2m
              cmake/stringchurn-report.h2m
      COMMENT "Making the manual pages from stringchurn --help and stringchurn-report --help"
      VERBATIM)
    # Built with everything where the package test runs.
    if(STRINGCHURN_SANITIZE OR STRINGCHURN_FUZZ)
      add_custom_target(package_docs DEPENDS ${docs}/stringchurn.1.gz ${docs}/changelog.gz)
    else()
      add_custom_target(package_docs ALL DEPENDS ${docs}/stringchurn.1.gz ${docs}/changelog.gz)
    endif()
  else()
    add_custom_target(package_docs
      COMMAND ${CMAKE_COMMAND} -E echo "help2man is missing; tools/bootstrap all installs it"
      COMMAND ${CMAKE_COMMAND} -E false)
  endif()
  install(FILES ${docs}/copyright ${docs}/changelog.gz DESTINATION share/doc/stringchurn)
  install(FILES ${docs}/stringchurn.1.gz ${docs}/stringchurn-report.1.gz DESTINATION share/man/man1)
  install(PROGRAMS ${docs}/stringchurn-report DESTINATION bin)
endif()

include(CPack)

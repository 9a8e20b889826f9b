# The packages that make package makes, made by CPack into a scratch folder, and a
# row of DEB or ZIP for each check: a command run in that folder, "@" standing for
# the package | what its output must match, no "|" in it (and it must exit with 0). lintian's
# silence, down to its informational hints, covers the hardening flags and the
# sections that Debian asks of the program.
#   -DCONFIG=CPackConfig.cmake -DGENERATOR=DEB|ZIP -DWORK=scratch folder
#   -DOBJDUMP=objdump -DVERSION=the project's version
set(DEB
  "dpkg-deb -x @ root|^$"
  "dpkg-deb -f @ Package Depends|^Package: stringchurn\nDepends: python3, .*libmimalloc"
  "dpkg-deb -f @ Recommends|^gnuplot-nox . gnuplot\n$"
  "root/usr/bin/stringchurn --version|^stringchurn 0\\."
  "root/usr/bin/stringchurn-report --help|^Usage: stringchurn-report \\[-o PNG\\] RECORD"
  "gzip -dc root/usr/share/man/man1/stringchurn-report.1.gz|SH NAME\nstringchurn-report "
  "gzip -dc root/usr/share/man/man1/stringchurn.1.gz|EXIT STATUS.*OUTPUT.*FILES.*EXAMPLES.*SEE ALSO"
  "lintian -I --allow-root @|^$")
# The ZIP's program is a console program that imports from KERNEL32 and msvcrt
# alone and carries the application manifest and a version record (in UTF-16).
set(exe stringchurn-${VERSION}-win64/stringchurn.exe)
set(ZIP
  "${CMAKE_COMMAND} -E tar xf @|^$"
  "${CMAKE_COMMAND} -E tar tf @|-win64/README.md\n"
  "${CMAKE_COMMAND} -E tar tf @|-win64/LICENSE\n"
  "${CMAKE_COMMAND} -E tar tf @|-win64/docs/run.png\n"
  "${OBJDUMP} -p ${exe}|Subsystem[ \t]+0+3[ \t]+\\(Windows CUI\\)"
  "sh -c \"${OBJDUMP} -p ${exe} | grep 'DLL Name'\"|^\tDLL Name: KERNEL32.dll\n\tDLL Name: msvcrt.dll\n$"
  "strings ${exe}|Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"amd64\""
  "strings -el ${exe}|\nProductName\nstringchurn\n"
  "strings -el ${exe}|\nFileVersion\n${VERSION}\n"
  "strings -el ${exe}|\nProductVersion\n${VERSION}\n"
  "strings -el ${exe}|\nFileDescription\nstringchurn string-array benchmark\n")

file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND cpack --config "${CONFIG}" -G ${GENERATOR} -B "${WORK}"
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB package "${WORK}/stringchurn*")
list(LENGTH package count)
if(failed OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack -G ${GENERATOR} made no one package: ${output}")
endif()
foreach(row IN LISTS ${GENERATOR})
  string(REGEX MATCH "^(.*)\\|([^|]*)$" row "${row}")
  set(expected "${CMAKE_MATCH_2}")
  string(REPLACE "@" "${package}" command "${CMAKE_MATCH_1}")
  separate_arguments(command UNIX_COMMAND "${command}")
  execute_process(COMMAND ${command} WORKING_DIRECTORY "${WORK}" INPUT_FILE /dev/null
                  RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(failed OR NOT output MATCHES "${expected}")
    message(FATAL_ERROR "${command}: exit ${failed}, expected a match of ${expected}: ${output}")
  endif()
endforeach()

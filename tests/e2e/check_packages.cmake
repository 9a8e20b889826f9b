# The packages that make package makes, made by CPack into a scratch folder:
# the Debian package installs a stringchurn that runs, declares what it links,
# has its manual page and passes lintian without a word; the ZIP holds the
# Windows program, the README and the licence.
#   -DCONFIG=CPackConfig.cmake -DGENERATOR=DEB|ZIP -DWORK=scratch folder
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND cpack --config "${CONFIG}" -G ${GENERATOR} -B "${WORK}"
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB package "${WORK}/stringchurn*")
list(FILTER package EXCLUDE REGEX "_CPack_Packages")
list(LENGTH package count)
if(failed OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack -G ${GENERATOR} made no one package: ${output}")
endif()

if(GENERATOR STREQUAL "DEB")
  execute_process(COMMAND dpkg-deb -f "${package}" Package Depends OUTPUT_VARIABLE fields)
  if(NOT fields MATCHES "Package: stringchurn\n" OR NOT fields MATCHES "Depends: .*libmimalloc")
    message(FATAL_ERROR "the package's fields are ${fields}")
  endif()
  execute_process(COMMAND dpkg-deb -x "${package}" "${WORK}/root")
  execute_process(
    COMMAND "${WORK}/root/usr/bin/stringchurn" --passes 20000 --length 1000 --interval 10000
    INPUT_FILE /dev/null OUTPUT_FILE "${WORK}/output" RESULT_VARIABLE failed)
  file(READ "${WORK}/output" output HEX)
  # The first line's start in UTF-16LE: "   Loops".
  if(failed OR NOT output MATCHES "^2000200020004c006f006f0070007300")
    message(FATAL_ERROR "the installed program ${failed}: ${output}")
  endif()
  execute_process(COMMAND lintian -I --allow-root --fail-on error,warning,info "${package}"
                  RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(failed OR NOT output STREQUAL "" OR NOT EXISTS "${WORK}/root/usr/share/man/man1/stringchurn.1.gz")
    message(FATAL_ERROR "lintian ${failed}: ${output} (or no manual page)")
  endif()
else()
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf "${package}" OUTPUT_VARIABLE listing)
  foreach(file stringchurn.exe README.md LICENSE docs/run.png)
    if(NOT listing MATCHES "(^|\n)stringchurn-[^/\n]+-win64/${file}\n")
      message(FATAL_ERROR "the ZIP lacks ${file}: ${listing}")
    endif()
  endforeach()
endif()

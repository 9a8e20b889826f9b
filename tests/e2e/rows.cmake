# The runner of the end-to-end tables: each row is "EXIT COMMAND|PATTERN", run in
# WORK after the program PREFIX (if any), with "@" in COMMAND standing for
# `package`; it must end with exit code EXIT, and PATTERN match what it prints on
# both streams (no "|" in it). Paths go in quoted: they may hold blanks.
function(check_rows prefix)
  if(prefix)
    set(prefix "'${prefix}'")
  endif()
  foreach(row IN LISTS ARGN)
    string(REGEX MATCH "^([0-9]+) (.*)\\|([^|]*)$" row "${row}")
    string(REPLACE "@" "'${package}'" command "${prefix} ${CMAKE_MATCH_2}")
    separate_arguments(command UNIX_COMMAND "${command}")
    execute_process(COMMAND ${command} WORKING_DIRECTORY "${WORK}" INPUT_FILE /dev/null
                    RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT failed STREQUAL CMAKE_MATCH_1 OR NOT output MATCHES "${CMAKE_MATCH_3}")
      message(FATAL_ERROR "${prefix} ${row}: exit ${failed}: ${output}")
    endif()
  endforeach()
endfunction()

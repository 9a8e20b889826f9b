# tools/report on the CSV of a run gives a PNG; on a CSV that is empty, cut off in
# a row, of another layout or out of order it names the file and line, and makes
# none. (That a run writes such a CSV is the end-to-end cases'.)
#   -DREPORT=tools/report -DWORK=scratch folder
file(REMOVE_RECURSE "${WORK}")
set(layout "pass,working_set_kib,duration_ms\n")
set(good "${layout}0,2048,0\n10000,2100,310\n20000,2100,305\n30000,2101,300\n")
file(WRITE "${WORK}/run.csv" "${good}")
execute_process(COMMAND "${REPORT}" "${WORK}/run.csv" RESULT_VARIABLE failed ERROR_VARIABLE error)
if(EXISTS "${WORK}/run.png")
  file(READ "${WORK}/run.png" signature LIMIT 8 HEX)
endif()
if(failed OR NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "no PNG from the CSV of a run (${failed}): ${error}")
endif()

# The run's CSV is the header and the rows of passes 0 to 30000: five lines.
file(WRITE "${WORK}/empty.csv" "")
file(WRITE "${WORK}/cut.csv" "${layout}0,2048,0\n10000,2100,310\n20000,2100,305\n30000,21")
file(WRITE "${WORK}/header.csv" "pass,working_set_kib,duration\n0,2048,0\n")
file(WRITE "${WORK}/columns.csv" "${good}40000,12\n")
file(WRITE "${WORK}/order.csv" "${layout}9007199254740993,1,1\n9007199254740992,1,1\n")
foreach(case empty:1 cut:5 header:1 columns:6 order:3)
  string(REPLACE ":" ";" case "${case}")
  list(GET case 0 name)
  list(GET case 1 line)
  execute_process(COMMAND "${REPORT}" "${WORK}/${name}.csv" RESULT_VARIABLE failed
                  OUTPUT_QUIET ERROR_VARIABLE error)
  if(NOT failed OR NOT error MATCHES "${name}\\.csv:${line}: " OR EXISTS "${WORK}/${name}.png")
    message(FATAL_ERROR "${name}.csv: expected an error naming line ${line} and no PNG: ${error}")
  endif()
endforeach()

# CSVs that are easy to get wrong: names that start with "-", one row (a run
# shorter than an interval), passes beyond 2^53 one apart. Each gives its PNG
# and a sound title, and leaves nothing else behind.
set(odd "${WORK}/odd")
file(MAKE_DIRECTORY "${odd}/tmp")
file(WRITE "${odd}/-one.csv" "${layout}0,2048,0\n")
file(WRITE "${odd}/big.csv" "${layout}9007199254740992,2048,3\n9007199254740993,2048,4\n")
foreach(case "-one.csv|pass 0 .one progress line."
             "big.csv|-big.png|passes 9,007,199,254,740,992 to 9,007,199,254,740,993, a line every 1 ")
  string(REPLACE "|" ";" case "${case}")
  list(POP_BACK case title)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TMPDIR=${odd}/tmp "${REPORT}" ${case}
                  WORKING_DIRECTORY "${odd}" RESULT_VARIABLE failed OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(failed OR NOT output MATCHES "^report: [^:]+: stringchurn: ${title}")
    message(FATAL_ERROR "tools/report ${case}: ${output}")
  endif()
endforeach()
file(GLOB left RELATIVE "${odd}" "${odd}/*" "${odd}/tmp/*")
if(NOT left STREQUAL "-big.png;-one.csv;-one.png;big.csv;tmp")
  message(FATAL_ERROR "tools/report left ${left}")
endif()

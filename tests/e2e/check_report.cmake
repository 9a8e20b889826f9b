# tools/report in a folder of records (with the members it reads), one row of cases
# per command line (rows.cmake). After the rows the folder holds the records and the charts of the
# rows that drew one, and nothing else. (That a run writes such records is the
# end-to-end cases'.)
#   -DREPORT=tools/report -DWORK=scratch folder
file(REMOVE_RECURSE "${WORK}")
set(layout "pass,working_set_kib,duration_ms\n")
set(rows "0,2048,0\n10000,2100,310\n20000,2100,305\n30000,2101,300\n")
file(WRITE "${WORK}/run.csv" "${layout}${rows}")
file(WRITE "${WORK}/empty.csv" "")
file(WRITE "${WORK}/cut.csv" "${layout}${rows}40000,21")
file(WRITE "${WORK}/header.csv" "pass\n0\n")
file(WRITE "${WORK}/columns.csv" "${layout}${rows}40000,12\n")
file(WRITE "${WORK}/order.csv" "${layout}1,1,1\n0,1,1\n")
file(WRITE "${WORK}/-one.csv" "${layout}0,2048,0\n")
file(WRITE "${WORK}/big.csv" "${layout}9007199254740992,2048,3\n9007199254740993,2048,4\n")
file(WRITE "${WORK}/huge.csv" "${layout}0,1,1\n9223372036854775808,1,1\n")
execute_process(COMMAND mkfifo "${WORK}/pipe.png")
# A gnuplot that sends the tool the signal SIG, then reads its input to the end.
file(WRITE "${WORK}/gnuplot" "#!/bin/sh\nkill -$SIG $PPID\nexec cat >/dev/null\n")
file(CHMOD "${WORK}/gnuplot" PERMISSIONS OWNER_READ OWNER_EXECUTE)
# A name with a C1 control, a byte that is not UTF-8 and a command in backquotes,
# which gnuplot would run in a string it reads; a comparison without the copy
# limit, the processor and memory unknown, and a length of its own.
set(limit 2.9)
set(length 1000)
set(memory 1073741824)
string(ASCII 255 byte)
set(processor "CPU a\\u0084${byte}`touch pwned`")
foreach(run a b)
  string(CONFIGURE [=[{"program": {"name": "stringchurn", "version": "0.1.0"},
 "machine": {"processor": "@processor@", "logical_processors": 2, "memory_bytes": @memory@,
             "system": "OS @run@"},
 "settings": {"passes": 20000, "length": @length@, "interval": 10000},
 "progress": [{"pass": 0, "working_set_kib": 2048, "duration_ms": 0},
              {"pass": 10000, "working_set_kib": 2100, "duration_ms": 31},
              {"pass": 20000, "working_set_kib": 2101, "duration_ms": 30}],
 "total_ms": 62, "compare": {"limit_us": 2.9}}
]=] record @ONLY)
  string(REPLACE "2.9" "${limit}" record "${record}")
  set(limit null)
  set(memory 0)
  set(length 2000)
  set(processor "")
  file(WRITE "${WORK}/${run}.json" "${record}")
endforeach()
string(REPLACE "\"OS b\"" "7" record "${record}")
file(WRITE "${WORK}/bad.json" "${record}")

file(GLOB inputs RELATIVE "${WORK}" "${WORK}/*")
# A picture's name of 255 bytes, the most a folder takes.
string(REPEAT "x" 251 long)
set(cases
  "1 -o run.csv run.csv|^report: run.csv: the chart would replace its input run.csv"
  "0 run.csv|^report: run.png: stringchurn: passes 0 to 30,000, a line every 10,000\n$"
  "0 -o two.png a.json b.json|^report: two.png: stringchurn: passes 0 to 20,000, a line every 10,000 on CPU a�\\?`touch pwned` .2 logical processors, 1 GiB. and an unknown processor .2 logical processors.\n$"
  "0 -o mixed.png a.json run.csv|, 1 GiB. and an unknown machine\n$"
  "0 -- -one.csv|^report: -one.png: stringchurn: pass 0 .one progress line.\n$"
  "0 -o-big.png big.csv|: passes 9,007,199,254,740,992 to 9,007,199,254,740,993, a line every 1\n$"
  "1 empty.csv|empty.csv:1: "
  "1 cut.csv|cut.csv:6: "
  "1 header.csv|header.csv:1: "
  "1 columns.csv|columns.csv:6: "
  "1 order.csv|order.csv:3: "
  "1 huge.csv|huge.csv:3: "
  "1 -o pipe.png run.csv|^report: pipe.png: cannot write the chart: not a file\n$"
  "2 --output= run.csv|takes the chart's file name"
  "1 bad.json|bad.json: expected machine.system as a string"
  "1 -o none/x.png run.csv|^report: none/x.png: cannot write the chart: No such file or directory\n$"
  "0 --help|^Usage: report \\[-o PNG\\] RECORD\\.\\.\\.\n"
  "0 -o ${long}.png run.csv|^report: ${long}.png: ")
include(${CMAKE_CURRENT_LIST_DIR}/rows.cmake)
check_rows("${REPORT}" ${cases})
# Standard output that cannot be written, or closed; Ctrl-C and a shutdown while
# gnuplot draws, which end the tool as the signal does.
check_rows(""
  "1 sh -c \"'${REPORT}' --version >/dev/full\"|^report: cannot write standard output: No space left on device\n$"
  "1 sh -c \"'${REPORT}' --version >&-\"|^report: cannot write standard output: Bad file descriptor\n$"
  "0 sh -c \"SIG=INT PATH=.:$PATH '${REPORT}' run.csv || echo $?\"|^130\n$"
  "0 sh -c \"SIG=TERM PATH=.:$PATH '${REPORT}' run.csv || echo $?\"|^(Terminated\n)?143\n$")
file(GLOB left RELATIVE "${WORK}" "${WORK}/*")
list(APPEND inputs -big.png -one.png mixed.png run.png two.png ${long}.png)
list(SORT inputs)
if(NOT left STREQUAL inputs)
  message(FATAL_ERROR "tools/report left ${left}")
endif()

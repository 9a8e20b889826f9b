# Checks the Windows executable itself: a console-subsystem program that imports
# only from KERNEL32 and msvcrt and carries the application manifest and a
# version record.
#   -DIMAGE=stringchurn.exe -DOBJDUMP=objdump -DVERSION=the project's version
file(STRINGS "${IMAGE}" manifest REGEX "Microsoft\\.Windows\\.Common-Controls")
if(NOT manifest MATCHES "version=\"6\\.0\\.0\\.0\"" OR NOT manifest MATCHES "processorArchitecture=\"amd64\"")
  message(FATAL_ERROR "${IMAGE} has no manifest dependency on Common-Controls 6.0.0.0 for amd64: ${manifest}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${IMAGE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed OR NOT headers MATCHES "Subsystem[ \t]+0+3[ \t]+\\(Windows CUI\\)")
  message(FATAL_ERROR "${IMAGE} is not a console-subsystem program (${OBJDUMP}: ${failed})")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
string(TOLOWER "${imports}" imports)
list(FILTER imports EXCLUDE REGEX "^dll name: (kernel32|msvcrt)\\.dll$")
if(imports)
  message(FATAL_ERROR "${IMAGE} imports from DLLs it should not need: ${imports}")
endif()

# The version record: each name of it in UTF-16, its NUL, up to one unit of
# padding, and its value in UTF-16.
file(READ "${IMAGE}" image HEX)
foreach(field "ProductName=stringchurn" "FileVersion=${VERSION}" "ProductVersion=${VERSION}"
              "FileDescription=stringchurn string-array benchmark")
  string(HEX "${field}" hex)
  string(REGEX REPLACE "(..)" "\\100" utf16 "${hex}")
  string(REPLACE "3d00" "0000(0000)?" pattern "${utf16}0000")
  if(NOT image MATCHES "${pattern}")
    message(FATAL_ERROR "${IMAGE} carries no version text ${field}")
  endif()
endforeach()

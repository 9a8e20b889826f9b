# The packages that make package makes, made by CPack into a scratch folder, and a
# row of DEB or ZIP for each check (rows.cmake), "@" standing for the package.
# lintian's silence, down to its informational hints, covers the hardening flags
# and the sections that Debian asks of the program.
#   -DCONFIG=CPackConfig.cmake -DGENERATOR=DEB|ZIP -DWORK=scratch folder
#   -DOBJDUMP=objdump -DVERSION=the project's version
set(DEB
  "0 dpkg-deb -x @ root|^$"
  "0 dpkg-deb -f @ Package Depends Recommends|^Package: stringchurn\nDepends: python3, .*libmimalloc.*\nRecommends: gnuplot-nox . gnuplot\n$"
  "0 root/usr/bin/stringchurn --version|^stringchurn 0\\."
  "0 root/usr/bin/stringchurn-report --version|^stringchurn-report ${VERSION}\n"
  "0 gzip -dc root/usr/share/man/man1/stringchurn-report.1.gz|SH NAME\nstringchurn-report "
  "0 gzip -dc root/usr/share/man/man1/stringchurn.1.gz|SYNOPSIS\n.B stringchurn\n[^\n]*OPTION[^\n]*\n.SH DESCRIPTION\nCopies .*TP\n[^\n]*-version.fR\nprint .*EXIT STATUS.*OUTPUT.*FILES.*EXAMPLES.*SEE ALSO"
  "0 lintian -I --allow-root @|^$")
# The ZIP's program is a console program without debugging sections that imports
# from KERNEL32 and msvcrt alone and carries the application manifest and a
# version record (in UTF-16).
set(exe stringchurn-${VERSION}-win64/stringchurn.exe)
set(ZIP
  "0 ${CMAKE_COMMAND} -E tar xvf @|/README.md\n.*/LICENSE\n.*/docs/run.png\n.*/docs/runs.png\n"
  "0 sh -c \"${OBJDUMP} -p -h ${exe} | grep -E '^Subsystem|DLL Name|debug_'\"|^Subsystem[ \t]+0+3[ \t]+\\(Windows CUI\\)\n\tDLL Name: KERNEL32.dll\n\tDLL Name: msvcrt.dll\n$"
  "0 strings ${exe}|Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"amd64\""
  "0 strings -el ${exe}|\nFileDescription\nstringchurn string-array benchmark\nFileVersion\n${VERSION}\n.*\nProductName\nstringchurn\nProductVersion\n${VERSION}\n")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
include(${CMAKE_CURRENT_LIST_DIR}/rows.cmake)
check_rows("" "0 cpack --config '${CONFIG}' -G ${GENERATOR} -B .|")
file(GLOB package "${WORK}/stringchurn*")
check_rows("" ${${GENERATOR}})

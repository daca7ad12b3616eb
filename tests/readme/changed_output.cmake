# The README with three of its examples changed must fail the check, which
# names each of those commands and no other: the quick start's first shown
# line (the image's name), a failing verify without the "$ echo $?" that
# shows its status, and a line of a varying output beyond its "…".
#
#   cmake -DCHECK=check-readme.sh -DREADME=README.md -DBIN=dir -DWORK=dir -P changed_output.cmake

file(READ ${README} text)

# `text` with the first `old` after `after` made `new`.
function(change after old new)
  string(FIND "${text}" "${after}" at)
  string(LENGTH "${after}" length)
  math(EXPR at "${at} + ${length}")
  string(SUBSTRING "${text}" ${at} -1 rest)
  string(FIND "${rest}" "${old}" from)
  if(length EQUAL at OR from EQUAL -1)
    message(FATAL_ERROR "not in ${README}: ${after}...${old}")
  endif()
  math(EXPR at "${at} + ${from}")
  string(LENGTH "${old}" length)
  math(EXPR end "${at} + ${length}")
  string(SUBSTRING "${text}" 0 ${at} before)
  string(SUBSTRING "${text}" ${end} -1 rest)
  set(text "${before}${new}${rest}" PARENT_SCOPE)
endfunction()

set(merge "$ zadodaziderav-cli merge -o out/flash -f 4K -i res/\n")
change("${merge}" "out/flash.bin\n" "out/flash.BIN\n")
set(verify "$ zadodaziderav-cli verify out/dump.bin -l out/flash.h\n")
change("${verify}" "zadodaziderav-cli: out/dump.bin: 1 file does not match\n$ echo $?\n1\n"
       "zadodaziderav-cli: out/dump.bin: 1 file does not match\n")
set(dryRun "$ zadodaziderav-cli merge --dry-run -f 4096 res/\n")
change("${dryRun}" "1\t…/res/font16.dot" "1\t…/res/font17.dot")
file(WRITE ${WORK}/changed.md "${text}")

execute_process(COMMAND ${CHECK} ${WORK}/changed.md ${BIN}
                RESULT_VARIABLE status OUTPUT_VARIABLE printed ERROR_VARIABLE printed)
message("${printed}")
if(NOT status EQUAL 1)
  message(FATAL_ERROR "the check exited with ${status}, not 1")
endif()
foreach(seen
    "changed.md:[0-9]+: \\${merge}  printed otherwise:\n.*\n  -out/flash.BIN\n  \\+out/flash.bin\n"
    "changed.md:[0-9]+: \\${verify}  exited with 1: "
    "changed.md:[0-9]+: \\${dryRun}  printed otherwise:\n.*\n  -1\t…/res/font17.dot\t5000\t4096\t.dot\n  \\+1\t/"
    " commands run, 3 of them wrong;")
  if(NOT printed MATCHES "${seen}")
    message(FATAL_ERROR "the check did not say: ${seen}")
  endif()
endforeach()

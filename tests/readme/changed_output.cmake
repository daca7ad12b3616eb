# The README with one line of an example's shown output changed (the quick
# start's first, the image's name) must fail the check, which names that
# command and that line, and only that command.
#
#   cmake -DCHECK=check-readme.sh -DREADME=README.md -DBIN=dir -DWORK=dir -P changed_output.cmake

file(READ ${README} text)
set(command "$ zadodaziderav-cli merge -o out/flash -f 4K -i res/\n")
string(FIND "${text}" "${command}out/flash.bin\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the quick start's merge and its first line are not in ${README}")
endif()
string(LENGTH "${command}" length)
math(EXPR at "${at} + ${length}")
string(SUBSTRING "${text}" 0 ${at} before)
string(SUBSTRING "${text}" ${at} -1 after)
string(REGEX REPLACE "^out/flash.bin" "out/flash.BIN" after "${after}")
file(WRITE ${WORK}/changed.md "${before}${after}")

execute_process(COMMAND ${CHECK} ${WORK}/changed.md ${BIN}
                RESULT_VARIABLE status OUTPUT_VARIABLE printed ERROR_VARIABLE printed)
message("${printed}")
if(NOT status EQUAL 1)
  message(FATAL_ERROR "the check exited with ${status}, not 1")
endif()
if(NOT printed MATCHES "changed.md:[0-9]+: \\$ zadodaziderav-cli merge -o out/flash -f 4K -i res/\n"
   OR NOT printed MATCHES "\n  -out/flash.BIN\n  \\+out/flash.bin\n"
   OR NOT printed MATCHES " commands run, 1 of them wrong;")
  message(FATAL_ERROR "the check did not name the changed line alone")
endif()

# Writes a help2man include file with one section per command of the command
# line (the commands its --help lists under "Subcommands:"), each holding that
# command's own --help, so that the manual page lists every command's options
# as the program prints them.
#
#   cmake -DPROGRAM=path/to/zadodaziderav-cli -DOUTPUT=commands.h2m -P command_help.cmake

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${PROGRAM} --help failed")
endif()

# The command names: the first word of each line after "Subcommands:" up to
# the first line that does not start with two blanks and a name.
string(REPLACE "\n" ";" lines "${help}")
set(commands)
set(listing OFF)
foreach(line IN LISTS lines)
  if(line MATCHES "^Subcommands:")
    set(listing ON)
  elseif(listing AND line MATCHES "^  ([a-z][a-z0-9-]*)( |$)")
    list(APPEND commands ${CMAKE_MATCH_1})
  elseif(listing)
    set(listing OFF)
  endif()
endforeach()

set(text "")
foreach(command IN LISTS commands)
  execute_process(COMMAND ${PROGRAM} ${command} --help
                  OUTPUT_VARIABLE command_help RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${PROGRAM} ${command} --help failed")
  endif()
  # Plain text into roff: backslashes and minus signs escaped, lines that
  # would start a request guarded; kept as laid out (.nf).
  string(REPLACE "\\" "\\e" command_help "${command_help}")
  string(REPLACE "-" "\\-" command_help "${command_help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" command_help "${command_help}")
  string(TOUPPER "${command}" title)
  string(APPEND text "[COMMAND ${title}]\n.nf\n${command_help}.fi\n\n")
endforeach()
file(WRITE ${OUTPUT} "${text}")

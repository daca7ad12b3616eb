# Builds the firmware project as its developers would, with this build
# tree's CMake package and program, and checks what each later build does:
#   cmake -DPROJECT=<project> -DWORK=<scratch> -DGENERATOR=<generator>
#         -DPACKAGE=<build>/lib/cmake/zadodaziderav -P rebuilds.cmake
set(source ${WORK}/source)
set(build ${WORK}/build)
set(fonts ${source}/res/fonts)
file(REMOVE_RECURSE ${WORK})
file(COPY ${PROJECT}/ DESTINATION ${source})
file(WRITE ${source}/res/logo.bin "logo")
file(WRITE ${fonts}/font16.dot "font 16")
file(WRITE ${fonts}/font24.dot "font 24")

function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${step}: exit ${code}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# Builds, and checks which of the image, the program that includes its
# header and the program that does not were made again.
function(build step image show_layout unrelated)
  run("${step}" ${CMAKE_COMMAND} --build ${build})
  foreach(check "Merging image:${image}" "show_layout.c:${show_layout}" "unrelated.c:${unrelated}")
    string(REGEX MATCH "^(.*):(.*)$" ignored ${check})
    string(FIND "${output}" "${CMAKE_MATCH_1}" found)
    set(made 1)
    if(found EQUAL -1)
      set(made 0)
    endif()
    if(NOT made EQUAL CMAKE_MATCH_2)
      message(FATAL_ERROR "${step}: '${CMAKE_MATCH_1}' expected ${CMAKE_MATCH_2}, got:\n${output}")
    endif()
  endforeach()
endfunction()

# The program built against the header says what the image holds.
function(expect_layout step text)
  run("${step}" ${build}/show_layout)
  if(NOT output STREQUAL "${text}\n")
    message(FATAL_ERROR "${step}: expected '${text}', got '${output}'")
  endif()
endfunction()

run(configure ${CMAKE_COMMAND} -S ${source} -B ${build} -G ${GENERATOR}
    -Dzadodaziderav_DIR=${PACKAGE})
build("first build" 1 1 1)
expect_layout("first build" "3 files, logo at 256")
build("second build" 0 0 0)
file(TOUCH ${fonts}/font16.dot)
build("input touched" 1 1 0)
file(WRITE ${fonts}/font32.dot "font 32")
build("file added to the folder" 1 1 0)
expect_layout("file added to the folder" "4 files, logo at 256")
file(REMOVE ${fonts}/font24.dot)
build("file removed from the folder" 1 1 0)
expect_layout("file removed from the folder" "3 files, logo at 256")
build("nothing changed" 0 0 0)

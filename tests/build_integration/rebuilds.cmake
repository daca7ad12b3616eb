# Builds the firmware project as its developers would, with a CMake package
# of zadodaziderav and its program, and checks what each later build does:
#   cmake -DPROJECT=<project> -DWORK=<scratch> -DGENERATOR=<generator>
#         -DPACKAGE=<folder of zadodaziderav-config.cmake> -P rebuilds.cmake
cmake_minimum_required(VERSION 3.20)
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

# Builds; what is named in `made` must be built again (the image, the
# program that includes its header, the one that does not), the rest not.
# With `layout`, the program built against the header must print it.
function(build step made layout)
  run("${step}" ${CMAKE_COMMAND} --build ${build})
  foreach(name "Merging image" show_layout.c unrelated.c)
    string(FIND "${output}" "${name}" found)
    if((found EQUAL -1 AND name IN_LIST made) OR (found GREATER -1 AND NOT name IN_LIST made))
      message(FATAL_ERROR "${step}: '${name}' built: ${found}, expected: ${made}\n${output}")
    endif()
  endforeach()
  run("${step}" ${build}/show_layout)
  if(NOT output STREQUAL "${layout} files, logo at 256\n")
    message(FATAL_ERROR "${step}: expected ${layout} files, got '${output}'")
  endif()
endfunction()

# Make and Ninja take an input as changed only when it is strictly newer than
# what was built from it, and the file system's clock moves in ticks: a change
# made right after a build could carry the build's own time.
function(past_the_build)
  file(TOUCH ${WORK}/tick)
  while(${build}/show_layout IS_NEWER_THAN ${WORK}/tick)
    file(TOUCH ${WORK}/tick)
  endwhile()
endfunction()

run(configure ${CMAKE_COMMAND} -S ${source} -B ${build} -G ${GENERATOR}
    -Dzadodaziderav_DIR=${PACKAGE})
build("first build" "Merging image;show_layout.c;unrelated.c" 3)
build("second build" "" 3)
past_the_build()
file(TOUCH ${fonts}/font16.dot)
build("input touched" "Merging image;show_layout.c" 3)
past_the_build()
file(WRITE ${fonts}/font32.dot "font 32")
build("file added to the folder" "Merging image;show_layout.c" 4)
past_the_build()
file(REMOVE ${fonts}/font24.dot)
build("file removed from the folder" "Merging image;show_layout.c" 3)
build("nothing changed" "" 3)

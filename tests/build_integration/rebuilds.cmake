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
file(WRITE ${source}/sounds/beep.wav "beep")
# Names the build tools read only as quoted.
set(odd "${fonts}/font #16$.dot")
file(WRITE ${odd} "font 16")
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
  foreach(name "Merging image flash" "Merging image sounds" show_layout.c unrelated.c)
    string(FIND "${output}" "${name}" found)
    if((found EQUAL -1 AND name IN_LIST made) OR (found GREATER -1 AND NOT name IN_LIST made))
      message(FATAL_ERROR "${step}: '${name}' built: ${found}, expected: ${made}\n${output}")
    endif()
  endforeach()
  run("${step}" ${build}/show_layout)
  if(NOT output STREQUAL "${layout} files, logo at 256; 1 sound of 4 bytes\n")
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
if(output MATCHES "Warning")
  message(FATAL_ERROR "configure: ${output}")
endif()
build("first build" "Merging image flash;Merging image sounds;show_layout.c;unrelated.c" 3)
build("second build" "" 3)
# The second image: at its base in the HEX records, its files named from
# its list file's folder.
file(READ ${build}/sounds/sounds.hex hex)
file(READ ${build}/sounds/sounds.h list)
if(NOT hex MATCHES "^:020000040800F2\r?\n" OR NOT list MATCHES "\"../../source/sounds/beep.wav\"")
  message(FATAL_ERROR "the second image's records or list file:\n${hex}\n${list}")
endif()
past_the_build()
file(TOUCH ${odd})
build("input touched" "Merging image flash;show_layout.c" 3)
past_the_build()
file(WRITE ${fonts}/font32.dot "font 32")
build("file added to the folder" "Merging image flash;show_layout.c" 4)
past_the_build()
file(REMOVE ${fonts}/font24.dot)
build("file removed from the folder" "Merging image flash;show_layout.c" 3)
build("nothing changed" "" 3)

# A ':' in a name: Ninja reads it from the dependency file, while CMake's
# Makefiles cannot name the file, which the configure step, run again for the
# folder's new file, says.
past_the_build()
file(WRITE "${fonts}/font:48.dot" "font 48")
if(GENERATOR MATCHES "Ninja")
  build("a ':' in a name" "Merging image flash;show_layout.c" 4)
  build("nothing changed" "" 4)
else()
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${build} RESULT_VARIABLE code
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(REGEX REPLACE "[ \n]+" " " out "${out}") # as CMake wraps its messages
  if(code EQUAL 0 OR NOT out MATCHES "${GENERATOR} cannot name [^ ]*/font:48.dot, whose name holds ':'")
    message(FATAL_ERROR "a ':' in a name: exit ${code}\n${out}")
  endif()
endif()

# Two images whose headers share a prefix are warned about, naming both.
file(WRITE ${WORK}/twice/CMakeLists.txt [[
cmake_minimum_required(VERSION 3.20)
project(twice NONE)
find_package(zadodaziderav 1 REQUIRED)
file(WRITE ${CMAKE_BINARY_DIR}/a.bin a)
foreach(image one two)
  zadodaziderav_add_image(${image} OUTPUT ${image}.bin FILES ${CMAKE_BINARY_DIR}/a.bin
                          C_HEADER ${image}.h)
endforeach()
zadodaziderav_add_image(three OUTPUT three.bin FILES ${CMAKE_BINARY_DIR}/a.bin
                        C_HEADER three.h PREFIX THREE_)
]])
run("two images, one prefix" ${CMAKE_COMMAND} -S ${WORK}/twice -B ${WORK}/twice/build
    -G ${GENERATOR} -Dzadodaziderav_DIR=${PACKAGE})
string(REGEX REPLACE "[ \n]+" " " output "${output}")
if(NOT output MATCHES "image\\(two\\): the header [^ ]*/two.h uses the prefix ZD_, as the header of one"
   OR output MATCHES "image\\((one|three)\\)")
  message(FATAL_ERROR "two images, one prefix:\n${output}")
endif()

# zadodaziderav_add_image(NAME OUTPUT path FILES ... [FOLDERS ...] [LISTS ...]
#     [FRONT_OFFSET n] [INFO_TABLE] [ALIGN n] [FILL b] [FLASH_SIZE n] [PAD]
#     [C_HEADER path] [MANIFEST path] [IHEX path] [SREC path])
#
# One custom command merges FILES, the files of each of FOLDERS and the rows
# of LISTS into the image OUTPUT (ending in .bin; its list file ends in .h),
# and target NAME builds it. Relative input paths are taken from the current
# source folder, relative output paths from the current build folder. With
# C_HEADER, the interface library NAME_header puts the header's folder on
# the include path of whatever links it, and builds the image first.
#
# The merge writes a dependency file, which the generator reads where it
# can (Ninja; Xcode and Visual Studio from CMake 3.21): then a file touched,
# added to a folder or removed from it rebuilds the image. Elsewhere the
# files are listed instead, the folders' again at each build.
function(zadodaziderav_add_image name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "INFO_TABLE;PAD"
    "OUTPUT;FRONT_OFFSET;ALIGN;FILL;FLASH_SIZE;C_HEADER;MANIFEST;IHEX;SREC"
    "FILES;FOLDERS;LISTS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "zadodaziderav_add_image: unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_OUTPUT MATCHES "\\.bin$")
    message(FATAL_ERROR "zadodaziderav_add_image: OUTPUT must name the image, ending in .bin")
  endif()
  set(here ${CMAKE_CURRENT_BINARY_DIR})
  get_filename_component(image ${arg_OUTPUT} ABSOLUTE BASE_DIR ${here})
  string(REGEX REPLACE "\\.bin$" ".h" list_file ${image})
  set(outputs ${image} ${list_file})
  set(command zadodaziderav::zadodaziderav-cli merge -q -o ${image})

  if(arg_INFO_TABLE)
    list(APPEND command -i)
  endif()
  # A value keyword is the option of its name in lower case, "_" as "-".
  foreach(option FRONT_OFFSET ALIGN FILL FLASH_SIZE C_HEADER MANIFEST IHEX SREC)
    if(NOT DEFINED arg_${option})
      continue()
    endif()
    set(value ${arg_${option}})
    if(option MATCHES "C_HEADER|MANIFEST|IHEX|SREC")
      get_filename_component(value ${value} ABSOLUTE BASE_DIR ${here})
      set(${option}_path ${value})
      list(APPEND outputs ${value})
    endif()
    string(TOLOWER ${option} flag)
    string(REPLACE "_" "-" flag ${flag})
    list(APPEND command --${flag} ${value})
  endforeach()
  if(arg_PAD)
    list(APPEND command --pad)
  endif()
  _zadodaziderav_absolute(listed ${arg_LISTS})
  foreach(path ${listed})
    list(APPEND command -l ${path})
  endforeach()
  _zadodaziderav_absolute(folders ${arg_FOLDERS})
  _zadodaziderav_absolute(inputs ${arg_FILES} ${arg_FOLDERS})

  set(depfile ${here}/${name}.d)
  if(CMAKE_GENERATOR MATCHES "Ninja"
     OR (CMAKE_GENERATOR MATCHES "Xcode|Visual Studio" AND CMAKE_VERSION VERSION_GREATER_EQUAL 3.21))
    set(dependencies DEPFILE ${depfile})
  else()
    # The files are listed instead, and the folders listed again at each
    # build; a folder's own time marks a file added or removed. (Makefiles
    # read a depfile too, but CMake 3.25 keeps every prerequisite one ever
    # named, so a file removed would merge again at every build.)
    set(dependencies DEPENDS ${listed} ${inputs})
    foreach(folder ${folders})
      file(GLOB found LIST_DIRECTORIES false CONFIGURE_DEPENDS ${folder}/* ${folder}/.*)
      list(APPEND dependencies ${found})
    endforeach()
  endif()
  # The merge writes into folders that exist; Make does not make them.
  set(made)
  foreach(path ${outputs})
    get_filename_component(folder ${path} DIRECTORY)
    list(APPEND made ${folder})
  endforeach()
  list(REMOVE_DUPLICATES made)
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${made}
    COMMAND ${command} --depfile ${depfile} ${inputs}
    ${dependencies}
    DEPENDS $<TARGET_FILE:zadodaziderav::zadodaziderav-cli>
    COMMENT "Merging image ${arg_OUTPUT}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${outputs})

  if(DEFINED C_HEADER_path)
    get_filename_component(folder ${C_HEADER_path} DIRECTORY)
    add_library(${name}_header INTERFACE)
    target_include_directories(${name}_header INTERFACE ${folder})
    add_dependencies(${name}_header ${name})
  endif()
endfunction()

# `out`: every path of ARGN made absolute from the current source folder.
function(_zadodaziderav_absolute out)
  set(paths)
  foreach(path ${ARGN})
    get_filename_component(path ${path} ABSOLUTE)
    list(APPEND paths ${path})
  endforeach()
  set(${out} ${paths} PARENT_SCOPE)
endfunction()

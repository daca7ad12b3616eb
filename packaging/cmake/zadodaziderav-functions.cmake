# zadodaziderav_add_image(NAME OUTPUT path FILES ... [FOLDERS ...] [LISTS ...]
#     [FRONT_OFFSET n] [INFO_TABLE] [ALIGN n] [FILL b] [FLASH_SIZE n] [PAD]
#     [C_HEADER path] [PREFIX name] [C_TABLE] [MANIFEST path]
#     [IHEX path] [SREC path] [BASE addr] [RELATIVE] [NO_SYNC])
#
# One custom command merges FILES, the files of each of FOLDERS and the rows
# of LISTS into the image OUTPUT (ending in .bin; its list file ends in .h),
# and target NAME builds it. Relative input paths are taken from the current
# source folder, relative output paths from the current build folder. With
# C_HEADER, the interface library NAME_header puts the header's folder on
# the include path of whatever links it, and builds the image first. Two
# images whose headers share a prefix (ZD_ unless PREFIX gives another) are
# warned about: a file including both headers would see only the first.
#
# The merge writes a dependency file, which the generator reads where it
# can (Ninja; Xcode and Visual Studio from CMake 3.21): then a file touched,
# added to a folder or removed from it rebuilds the image. Elsewhere the
# files are listed instead, the folders' again at each build.
function(zadodaziderav_add_image name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "INFO_TABLE;PAD;C_TABLE;RELATIVE;NO_SYNC"
    "OUTPUT;FRONT_OFFSET;ALIGN;FILL;FLASH_SIZE;C_HEADER;PREFIX;MANIFEST;IHEX;SREC;BASE"
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
  set(reads_depfile FALSE)
  if(CMAKE_GENERATOR MATCHES "Ninja"
     OR (CMAKE_GENERATOR MATCHES "Xcode|Visual Studio" AND CMAKE_VERSION VERSION_GREATER_EQUAL 3.21))
    set(reads_depfile TRUE)
  endif()
  _zadodaziderav_as_built(named ${image})
  set(command zadodaziderav::zadodaziderav-cli merge -q -o ${named})

  if(arg_INFO_TABLE)
    list(APPEND command --info)
  endif()
  # Any other keyword is the option of its name in lower case, "_" as "-".
  foreach(flag PAD C_TABLE RELATIVE NO_SYNC)
    if(arg_${flag})
      string(TOLOWER --${flag} option)
      string(REPLACE "_" "-" option ${option})
      list(APPEND command ${option})
    endif()
  endforeach()
  foreach(option FRONT_OFFSET ALIGN FILL FLASH_SIZE C_HEADER PREFIX MANIFEST IHEX SREC BASE)
    if(NOT DEFINED arg_${option})
      continue()
    endif()
    set(value ${arg_${option}})
    if(option MATCHES "C_HEADER|MANIFEST|IHEX|SREC")
      get_filename_component(value ${value} ABSOLUTE BASE_DIR ${here})
      set(${option}_path ${value})
      list(APPEND outputs ${value})
      _zadodaziderav_as_built(value ${value})
    endif()
    string(TOLOWER --${option} flag)
    string(REPLACE "_" "-" flag ${flag})
    list(APPEND command ${flag} ${value})
  endforeach()
  _zadodaziderav_absolute(listed ${arg_LISTS})
  foreach(path ${listed})
    list(APPEND command -l ${path})
  endforeach()
  _zadodaziderav_absolute(folders ${arg_FOLDERS})
  _zadodaziderav_absolute(inputs ${arg_FILES} ${arg_FOLDERS})

  if(reads_depfile)
    set(depfile ${here}/${name}.d)
    list(APPEND command --depfile ${depfile})
    set(dependencies DEPFILE ${depfile})
  else()
    # The files are listed instead, and the folders listed again at each
    # build; a folder's own time marks a file added or removed. (Makefiles
    # read a depfile too, but CMake 3.25 keeps every prerequisite one ever
    # named, so a file removed would merge again at every build.)
    set(dependencies DEPENDS ${listed} ${inputs})
    set(names ${outputs} ${listed} ${inputs})
    foreach(folder ${folders})
      file(GLOB found LIST_DIRECTORIES false CONFIGURE_DEPENDS ${folder}/* ${folder}/.*)
      list(APPEND dependencies ${found})
      list(APPEND names ${found})
      # A ";" in a name splits it in a CMake list: found whole here.
      file(GLOB split LIST_DIRECTORIES false "${folder}/*[;]*")
      if(split)
        _zadodaziderav_refuse(${name} "${split}" "holds ';'")
      endif()
    endforeach()
    _zadodaziderav_check_rule_names(${name} ${names})
  endif()
  # The merge writes into folders that exist; Make does not make them.
  set(made)
  foreach(path ${outputs})
    get_filename_component(folder ${path} DIRECTORY)
    list(APPEND made ${folder})
  endforeach()
  list(REMOVE_DUPLICATES made)
  # Ninja reads the dependency file as the merge writes it: CMake's own
  # rewriting of it (policy CMP0116) drops the quoting of "#", "$" and ":".
  # The merge runs in the top build folder, so that the outputs it names are
  # those of the build's rule (_zadodaziderav_as_built).
  set(workdir ${here})
  if(CMAKE_GENERATOR MATCHES "Ninja")
    set(workdir ${CMAKE_BINARY_DIR})
  endif()
  cmake_policy(PUSH)
  if(POLICY CMP0116)
    cmake_policy(SET CMP0116 OLD)
  endif()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${made}
    COMMAND ${command} ${inputs}
    ${dependencies}
    DEPENDS $<TARGET_FILE:zadodaziderav::zadodaziderav-cli>
    WORKING_DIRECTORY ${workdir}
    COMMENT "Merging image ${arg_OUTPUT}"
    VERBATIM)
  cmake_policy(POP)
  add_custom_target(${name} ALL DEPENDS ${outputs})

  if(DEFINED C_HEADER_path)
    get_filename_component(folder ${C_HEADER_path} DIRECTORY)
    add_library(${name}_header INTERFACE)
    target_include_directories(${name}_header INTERFACE ${folder})
    add_dependencies(${name}_header ${name})
    _zadodaziderav_claim_prefix(${name} ${C_HEADER_path} "${arg_PREFIX}")
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

# `out`: the output `path` as Ninja's rules name it, relative to the top
# build folder when inside it, which Ninja matches the dependency file's
# outputs against; elsewhere `path` as it is.
function(_zadodaziderav_as_built out path)
  if(CMAKE_GENERATOR MATCHES "Ninja")
    cmake_path(IS_PREFIX CMAKE_BINARY_DIR ${path} NORMALIZE inside)
    if(inside)
      cmake_path(RELATIVE_PATH path BASE_DIRECTORY ${CMAKE_BINARY_DIR})
    endif()
  endif()
  set(${out} ${path} PARENT_SCOPE)
endfunction()

# CMake's rules for Makefiles cannot name some files, so that every build
# would fail: refused when the project is configured, naming the file. (A
# ';' is found before a CMake list splits the name at it.)
function(_zadodaziderav_check_rule_names image)
  foreach(path ${ARGN})
    string(REGEX REPLACE "^[A-Za-z]:/" "/" rest "${path}") # a drive's ':'
    if(rest MATCHES "[\t\":|\\]")
      _zadodaziderav_refuse(${image} "${path}" "holds '${CMAKE_MATCH_0}'")
    elseif(rest MATCHES " $")
      _zadodaziderav_refuse(${image} "${path}" "ends in a space")
    elseif(rest MATCHES ".\\(.+\\)$")
      _zadodaziderav_refuse(${image} "${path}" "reads as NAME(MEMBER), an archive's member to Make")
    endif()
  endforeach()
endfunction()

function(_zadodaziderav_refuse image path why)
  message(FATAL_ERROR "zadodaziderav_add_image(${image}): ${CMAKE_GENERATOR} cannot name "
    "${path}, whose name ${why}; rename the file, or build with Ninja")
endfunction()

# Headers of one prefix have the same guard and macro names: a file that
# includes two of them sees only the first.
function(_zadodaziderav_claim_prefix image header prefix)
  if(NOT prefix)
    set(prefix ZD_)
  endif()
  get_property(owner GLOBAL PROPERTY _zadodaziderav_prefix_${prefix})
  if(owner)
    message(WARNING "zadodaziderav_add_image(${image}): the header ${header} uses the "
      "prefix ${prefix}, as the header of ${owner} does: a file that includes both sees "
      "only the first one's macros. Give one of them another PREFIX.")
  else()
    set_property(GLOBAL PROPERTY _zadodaziderav_prefix_${prefix} ${image})
  endif()
endfunction()

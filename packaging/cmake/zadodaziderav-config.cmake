# find_package(zadodaziderav): the command line as the imported program
# zadodaziderav::zadodaziderav-cli, and zadodaziderav_add_image to merge
# files into an image as part of a build.
include(${CMAKE_CURRENT_LIST_DIR}/zadodaziderav-targets.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/zadodaziderav-functions.cmake)

# The C++ sources of src/ are in the house style (.clang-format at the top):
#   cmake -DCLANG_FORMAT=<program or empty> -DROOT=<source dir> -P format_test.cmake
# Skipped (the test's skip text) when no clang-format of the version the
# style was set with is at hand: other versions format some lines otherwise.
set(_version_wanted 14)
if(NOT CLANG_FORMAT)
  message("format check skipped: clang-format not found")
  return()
endif()
execute_process(COMMAND ${CLANG_FORMAT} --version OUTPUT_VARIABLE _version)
if(NOT _version MATCHES "version ${_version_wanted}\\.")
  message("format check skipped: clang-format ${_version_wanted} wanted, found ${_version}")
  return()
endif()
file(GLOB_RECURSE _files RELATIVE ${ROOT} ${ROOT}/src/*.cpp ${ROOT}/src/*.h)
list(SORT _files)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror --style=file ${_files}
                WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE _rc ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "not in the house style (run clang-format -i on these files):\n${_err}")
endif()
list(LENGTH _files _count)
message(STATUS "${_count} files in the house style")

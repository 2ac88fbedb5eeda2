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
# Files reformatted when the branches that change them have landed.
set(_pending
  src/app/main_window.cpp src/app/main_window.h src/app/process_page.cpp src/app/process_page.h src/app/start_up.cpp
  src/build/definitions.cpp src/build/definitions.h src/build/union_builder.cpp src/build/union_builder.h
  src/cli/folder_watch.cpp src/cli/folder_watch.h src/cli/watch.cpp src/cli/watch.h src/cli/watch_schedule.cpp
  src/cli/watch_schedule.h src/editors/definition_navigator.cpp src/editors/definition_navigator.h
  src/editors/playlist_page.cpp src/editors/playlist_page.h src/editors/union_page.cpp src/editors/union_page.h
  src/platform/file_write.cpp src/platform/file_write.h src/platform/named_temporaries.cpp
  src/platform/named_temporaries.h src/platform/path_walk.cpp src/platform/path_walk.h src/settings/ini_text.cpp
  src/settings/ini_text.h src/settings/settings_file.cpp src/settings/settings_file.h)
list(REMOVE_ITEM _files ${_pending})
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror --style=file ${_files}
                WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE _rc ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "not in the house style (run clang-format -i on these files):\n${_err}")
endif()
list(LENGTH _files _count)
message(STATUS "${_count} files in the house style")

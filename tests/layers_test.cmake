# The build refuses an include that points up a layer: each probe includes a
# header of one layer, and must compile with that layer's view of the source
# and fail with the view of the layer below it.
#   cmake -DCXX=... -DLAYERS=<build>/layers -DWORK=<dir> -P layers_test.cmake
set(_cases
  "settings/settings_lock.h|settings|platform"
  "cli/command_line.h|cli|engine"
  "app/endpoints.h|app|editors")
file(MAKE_DIRECTORY ${WORK})
foreach(_case IN LISTS _cases)
  string(REPLACE "|" ";" _parts "${_case}")
  list(GET _parts 0 _header)
  list(GET _parts 1 _own)
  list(GET _parts 2 _below)
  string(MAKE_C_IDENTIFIER "${_header}" _id)
  set(_probe ${WORK}/${_id}.cpp)
  file(WRITE ${_probe} "#include \"${_header}\"\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${LAYERS}/${_own} ${_probe}
                  RESULT_VARIABLE _own_rc ERROR_VARIABLE _own_err)
  if(NOT _own_rc EQUAL 0)
    message(FATAL_ERROR "${_header} does not compile in its own layer ${_own}:\n${_own_err}")
  endif()
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${LAYERS}/${_below} ${_probe}
                  RESULT_VARIABLE _below_rc ERROR_VARIABLE _below_err)
  if(_below_rc EQUAL 0 OR NOT _below_err MATCHES "No such file")
    message(FATAL_ERROR "${_header} was reachable from layer ${_below}:\n${_below_err}")
  endif()
endforeach()
message(STATUS "no layer reaches up")

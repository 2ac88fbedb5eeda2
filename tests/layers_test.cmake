# The build refuses an include that points up a layer: each probe includes a
# header of one layer, and must compile with that layer's view of the source
# and fail with the view of the layer below it.
# An include that climbs out of the view with ".." compiles, so the build
# checks every layer's includes first (GUARD): it must refuse both ways of
# climbing, and this build must have run it over every layer.
#   cmake -DCXX=... -DLAYERS=<build>/layers -DWORK=<dir> -DSOURCES=<src> -DGUARD=<script> -P layers_test.cmake
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

# From a file of src/platform, relative to itself, and through the view.
set(_climb ${WORK}/climb)
file(REMOVE_RECURSE ${_climb})
file(MAKE_DIRECTORY ${_climb}/platform)
file(CREATE_LINK ${SOURCES}/cli ${_climb}/cli SYMBOLIC)
foreach(_include IN ITEMS "../cli/watch_schedule.h" "platform/../cli/watch_schedule.h")
  file(WRITE ${_climb}/platform/probe.cpp "#include \"${_include}\"\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${LAYERS}/platform ${_climb}/platform/probe.cpp
                  RESULT_VARIABLE _rc ERROR_VARIABLE _err)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "the probe for ${_include} no longer reaches cli, so proves nothing:\n${_err}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -DDIR=${_climb}/platform -P ${GUARD}
                  RESULT_VARIABLE _rc ERROR_VARIABLE _err)
  if(_rc EQUAL 0 OR NOT _err MATCHES "probe.cpp: #include \"${_include}\"")
    message(FATAL_ERROR "the include check let ${_include} through:\n${_err}")
  endif()
endforeach()
file(GLOB _views LIST_DIRECTORIES true ${LAYERS}/*)
list(FILTER _views EXCLUDE REGEX "\\.stamp$")
foreach(_view IN LISTS _views)
  if(NOT EXISTS ${_view}_includes.stamp)
    message(FATAL_ERROR "the build did not check the includes of ${_view}")
  endif()
endforeach()
message(STATUS "no layer reaches up")

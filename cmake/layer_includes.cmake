# No source of a layer climbs out of its view: an include whose path holds
# ".." (or is absolute) reaches any folder of src/, past the links zx_layer
# makes, so the build refuses it before the layer compiles.
#   cmake -DDIR=<a folder of src/> -DSTAMP=<file made when all is well> -P layer_includes.cmake
file(GLOB _files ${DIR}/*.cpp ${DIR}/*.h)
set(_refused "")
foreach(_file IN LISTS _files)
  file(STRINGS ${_file} _lines REGEX "^[ \t]*#[ \t]*include")
  foreach(_line IN LISTS _lines)
    if(_line MATCHES "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">]")
      if(CMAKE_MATCH_1 MATCHES "(^|/)\\.\\.(/|$)" OR CMAKE_MATCH_1 MATCHES "^/")
        string(APPEND _refused "\n  ${_file}: ${_line}")
      endif()
    endif()
  endforeach()
endforeach()
if(_refused)
  message(FATAL_ERROR "An include climbs out of its layer; name a header by its layer's folder instead:${_refused}")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()

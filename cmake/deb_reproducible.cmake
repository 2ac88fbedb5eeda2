# Run by CPack after it made the .deb: the archive made again by dpkg-deb,
# its members sorted and owned by root, every time set to SOURCE_DATE_EPOCH
# (from the environment, else the time of the source's last commit, else,
# outside a clone or without git, the date of the changelog's last entry),
# so two builds of one commit give the same bytes.
set(_epoch "$ENV{SOURCE_DATE_EPOCH}")
if(_epoch STREQUAL "")
  execute_process(COMMAND git -C "${CPACK_ZORBEX_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE _epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _git ERROR_QUIET)
  if(NOT _git EQUAL 0 OR _epoch STREQUAL "")
    execute_process(COMMAND dpkg-parsechangelog -l "${CPACK_ZORBEX_CHANGELOG}" -STimestamp
                    OUTPUT_VARIABLE _epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endif()
endif()
foreach(_deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT _deb MATCHES "\\.deb$")
    continue()
  endif()
  set(_tree "${_deb}.tree")
  file(REMOVE_RECURSE "${_tree}")
  execute_process(COMMAND dpkg-deb -R "${_deb}" "${_tree}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND find "${_tree}" -exec touch -h -d "@${_epoch}" {} + COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${_epoch}
                          dpkg-deb --root-owner-group -Zxz --build "${_tree}" "${_deb}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${_tree}")
endforeach()

# Debian's hardening flags, as dpkg-buildflags gives them with every feature
# on (fortified functions, stack protector, read-only relocations bound at
# start): for the package and every other build alike, so that what is
# tested is what is shipped. Asked from the source folder, so the
# -ffile-prefix-map it adds makes the build's paths relative to it.
option(ZORBEX_HARDENING "Build with the flags of dpkg-buildflags" ON)
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(ZORBEX_HARDENING AND DPKG_BUILDFLAGS)
  foreach(_kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS}
                            --get ${_kind}
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(_flags UNIX_COMMAND "${_flags}")
    # The build type chooses optimisation and debugging information.
    list(FILTER _flags EXCLUDE REGEX "^-(O[0-3s]?|g)$")
    set(_hardening_${_kind} ${_flags})
  endforeach()
  add_compile_options(${_hardening_CPPFLAGS} ${_hardening_CXXFLAGS})
  add_link_options(${_hardening_LDFLAGS})
endif()

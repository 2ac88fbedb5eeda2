# `scripts/package` (cpack) makes out/zorbex_<version>_<arch>.deb from this
# build: the program folder /usr/lib/zorbex (executable, help file and the
# mark that keeps the program from ever writing there, root's runs
# included), so each user keeps the settings file in ~/.config/zorbex/;
# /usr/bin/zorbex leading to it; the desktop entry, icons, AppStream
# metainfo, the manual pages (English and Russian), bash completion, the
# systemd user units (installed, not enabled) and copyright. These files form the component
# "deb", left out of a plain `cmake --install`, which still gives a program
# folder of one's own (cmake/install.cmake).

set(_pkg ${CMAKE_BINARY_DIR}/package)
set(_id org.example.zorbex)
file(MAKE_DIRECTORY ${_pkg})
# The files that name the version, made with it (ZORBEX_VERSION_TEXT).
foreach(_f zorbex.1 zorbex.ru.1 changelog ${_id}.metainfo.xml)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/${_f}.in ${_pkg}/${_f} @ONLY)
endforeach()
file(CREATE_LINK ../lib/zorbex/zorbex ${_pkg}/zorbex SYMBOLIC)

# The copyright file in the machine-readable form, the licence's text indented.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE _license)
string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" _license "${_license}")
string(REGEX REPLACE "\n$" "" _license "${_license}")
string(REGEX REPLACE "\n\n" "\n.\n" _license "${_license}")
string(REGEX REPLACE "\n" "\n " _license "${_license}")
file(WRITE ${_pkg}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Zorbex
Source: https://zorbex.example.org/

Files: *
Copyright: 2026 The Zorbex authors
License: Expat

License: Expat
 ${_license}
")

# Manual page and changelog compressed the way Debian wants them (no name or
# time stamp inside, so the package is the same from one build to the next).
find_program(GZIP_EXECUTABLE gzip REQUIRED)
foreach(_f zorbex.1 zorbex.ru.1 changelog)
  add_custom_command(OUTPUT ${_pkg}/${_f}.gz
                     COMMAND ${GZIP_EXECUTABLE} -9nc ${_pkg}/${_f} > ${_pkg}/${_f}.gz
                     DEPENDS ${_pkg}/${_f} VERBATIM)
endforeach()
add_custom_target(zorbex_package_files ALL DEPENDS ${_pkg}/zorbex.1.gz ${_pkg}/zorbex.ru.1.gz ${_pkg}/changelog.gz)

set(_c COMPONENT deb EXCLUDE_FROM_ALL)
install(TARGETS zorbex RUNTIME DESTINATION lib/zorbex ${_c})
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/zorbhelp.hlp DESTINATION lib/zorbex ${_c})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zorbex.package DESTINATION lib/zorbex ${_c})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/systemd/zorbex.service ${CMAKE_SOURCE_DIR}/packaging/systemd/zorbex.timer
              ${CMAKE_SOURCE_DIR}/packaging/systemd/zorbex-watch.service DESTINATION lib/systemd/user ${_c})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/zorbex.bash-completion DESTINATION share/bash-completion/completions
        RENAME zorbex ${_c})
install(FILES ${_pkg}/zorbex DESTINATION bin ${_c})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${_id}.desktop DESTINATION share/applications ${_c})
install(FILES ${_pkg}/${_id}.metainfo.xml DESTINATION share/metainfo ${_c})
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/zorbex.svg DESTINATION share/icons/hicolor/scalable/apps ${_c})
foreach(_size 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/hicolor/${_size}x${_size}/apps/zorbex.png
          DESTINATION share/icons/hicolor/${_size}x${_size}/apps ${_c})
endforeach()
install(FILES ${_pkg}/zorbex.1.gz DESTINATION share/man/man1 ${_c})
install(FILES ${_pkg}/zorbex.ru.1.gz DESTINATION share/man/ru/man1 RENAME zorbex.1.gz ${_c})
install(FILES ${_pkg}/copyright DESTINATION share/doc/zorbex ${_c})
install(FILES ${_pkg}/changelog.gz DESTINATION share/doc/zorbex ${_c})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorbex)
set(CPACK_PACKAGE_VERSION ${ZORBEX_VERSION_TEXT})
set(CPACK_PACKAGE_VENDOR "The Zorbex authors")
set(CPACK_PACKAGE_CONTACT "The Zorbex authors <mail@zorbex.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "build .m3u playlists from folders of media files")
set(CPACK_PACKAGE_DESCRIPTION
    "Zorbex keeps numbered playlist definitions (a folder, a file mask, subfolders,
hidden files, full paths or bare names, names to leave out, the output file)
and unions that join several playlists into one file, and builds them from a
window or unattended with `zorbex /start` (cron, systemd timers).
The interface is in Russian.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only the package's own component, all of it in the one package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Zorbex;deb;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://zorbex.example.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its platform plugins and its Russian texts in packages of their own.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The same commit gives the same package, byte for byte: the archive is made
# again with every time at the commit's (cmake/deb_reproducible.cmake).
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/deb_reproducible.cmake)
set(CPACK_ZORBEX_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_ZORBEX_CHANGELOG ${_pkg}/changelog)
include(CPack)

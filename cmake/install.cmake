# `cmake --install BUILD --prefix DIR` makes DIR a program folder of its own:
# the executable, the help file and the icon side by side, because the
# program finds its settings file and help file beside the executable, and a
# freedesktop entry that starts it from there.
install(TARGETS zorbex RUNTIME DESTINATION .)
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/zorbhelp.hlp DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/resources/zorbex.xpm DESTINATION .)

# The entry names absolute paths, known only when installing (--prefix).
install(CODE [[
  set(_dir "${CMAKE_INSTALL_PREFIX}")
  # Exec takes a quoted argument: \ " ` $ escaped inside the quotes, then
  # every \ doubled for the string value, and % doubled for field codes.
  set(_exec "${_dir}/zorbex")
  string(REPLACE "\\" "\\\\" _exec "${_exec}")
  string(REPLACE "\"" "\\\"" _exec "${_exec}")
  string(REPLACE "`" "\\`" _exec "${_exec}")
  string(REPLACE "$" "\\$" _exec "${_exec}")
  string(REPLACE "\\" "\\\\" _exec "${_exec}")
  string(REPLACE "%" "%%" _exec "${_exec}")
  set(_icon "${_dir}/zorbex.xpm")
  string(REPLACE "\\" "\\\\" _icon "${_icon}")
  file(WRITE "$ENV{DESTDIR}${_dir}/zorbex.desktop"
"[Desktop Entry]
Type=Application
Version=1.4
Name=Zorbex
GenericName=Playlist builder
GenericName[ru]=Создание плейлистов
Comment=Builds .m3u playlists from folders of media files
Comment[ru]=Создаёт плейлисты .m3u из папок с медиафайлами
Exec=\"${_exec}\"
Icon=${_icon}
Terminal=false
Categories=AudioVideo;Audio;
Keywords=playlist;m3u;music;
")
  message(STATUS "Installing: $ENV{DESTDIR}${_dir}/zorbex.desktop")
]])

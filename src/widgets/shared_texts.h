#pragma once
// Texts and file filters that more than one page shows.
namespace zorbex {

// When an option, a tick or a definition could not be saved.
inline constexpr const char* kOptionWriteFailedMessage =
    "Произошла ошибка во время записи параметров в файл настроек.\n"
    "Возможно отсутствует разрешение на запись в файл «Zorbl.Zrf»";

// The save dialogs of both editors' output files.
inline constexpr const char* kPlaylistFilter = "Плейлисты WinAmp®|*.m3u|Плейлисты|*.m3u;*.pls;*.lst|Все файлы|*.*";

}  // namespace zorbex

#pragma once
// Texts, file filters and dialogs that more than one page shows.
#include "widgets/dialogs.h"

namespace zorbex {

// When an option, a tick or a definition could not be saved.
inline constexpr const char* kOptionWriteFailedMessage =
    "Произошла ошибка во время записи параметров в файл настроек.\n"
    "Возможно отсутствует разрешение на запись в файл «Zorbl.Zrf»";

// The save dialogs of both editors' output files.
inline constexpr const char* kPlaylistFilter = "Плейлисты WinAmp®|*.m3u|Плейлисты|*.m3u;*.pls;*.lst|Все файлы|*.*";

// The save dialog of an output file, under its editor's title.
inline FileDialogOptions OutputFileDialog(const QString& title) {
    return {.title = title,
            .filter = QString::fromUtf8(kPlaylistFilter),
            .defaultExt = QStringLiteral("m3u"),
            .overwritePrompt = true,
            .pathMustExist = true,
            .hideReadOnly = true};
}

}  // namespace zorbex

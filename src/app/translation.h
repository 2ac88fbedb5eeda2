#pragma once
// Qt's own texts (message box buttons, file and folder dialogs, the context
// menu of edit fields) in Russian whatever the system's locale, as the rest
// of the interface is.
#include <QLibraryInfo>
#include <QString>

class QCoreApplication;
class QTranslator;

namespace zorbex {

// Installs Qt's Russian translation qtbase_ru.qm from folder. Returns the
// installed translator (owned by app), or nullptr when the file is missing
// or unreadable: Qt's texts then stay English and nothing else changes.
QTranslator* InstallQtRussian(QCoreApplication& app,
                              const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

}  // namespace zorbex

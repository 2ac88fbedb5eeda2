#include "app/translation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace zorbex {

QTranslator* InstallQtRussian(QCoreApplication& app, const QString& folder) {
    auto* translator = new QTranslator(&app);
    // By file name, not by locale: a system set to English still gets Russian.
    if (!translator->load(QStringLiteral("qtbase_ru"), folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace zorbex

#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace common {

bool installRussianTranslations(QCoreApplication& app) {
    // "qt_ru" pulls in qtbase_ru and the other modules' Russian catalogues.
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const bool loaded = translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qt"),
                                         QStringLiteral("_"), folder) ||
                        translator->load(QStringLiteral("qtbase_ru"), folder);
    if (!loaded) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace common

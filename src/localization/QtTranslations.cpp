#include "localization/QtTranslations.h"

#include "localization/RunTexts.h"
#include "support/PathUtils.h"

#include <QCoreApplication>
#include <QLibraryInfo>

TQtTranslations::~TQtTranslations()
{
    RemoveAll();
}

void TQtTranslations::RemoveAll()
{
    for (const std::unique_ptr<QTranslator> &translator : FInstalled)
        QCoreApplication::removeTranslator(translator.get());
    FInstalled.clear();
}

bool TQtTranslations::Switch(const QString &_languageName, const QString &_programDir)
{
    RemoveAll();
    const QLocale locale = LanguageLocale(_languageName);
    // English is what Qt's texts are written in.
    if (locale.language() == QLocale::C || locale.language() == QLocale::English)
        return false;
    const QStringList folders = {JoinPath(_programDir, QStringLiteral("translations")),
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString &catalog : Catalogs()) {
        for (const QString &folder : folders) {
            auto translator = std::make_unique<QTranslator>();
            if (translator->load(locale, catalog, QStringLiteral("_"), folder) &&
                QCoreApplication::installTranslator(translator.get())) {
                FInstalled.push_back(std::move(translator));
                break;
            }
        }
    }
    return !FInstalled.empty();
}

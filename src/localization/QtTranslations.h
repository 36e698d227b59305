#pragma once

#include <QString>
#include <QTranslator>

#include <memory>
#include <vector>

// Qt's own texts (file dialogs, the folder picker, message-box buttons) in
// the interface language. The catalogs come from the program folder's
// "translations" folder (a copy shipped with the program) or from Qt's own
// translations folder (Debian's qt6-translations-l10n).
class TQtTranslations
{
public:
    TQtTranslations() = default;
    TQtTranslations(const TQtTranslations &) = delete;
    TQtTranslations &operator=(const TQtTranslations &) = delete;
    ~TQtTranslations();

    // Replaces the installed catalogs by those of the named language ("Russian");
    // false when it has none, which leaves Qt's texts in English.
    bool Switch(const QString &_languageName, const QString &_programDir);

    static QStringList Catalogs() { return {QStringLiteral("qtbase")}; }

private:
    void RemoveAll();

    std::vector<std::unique_ptr<QTranslator>> FInstalled;
};

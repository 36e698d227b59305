#pragma once

#include "localization/TextIds.h"
#include "update/CheckUpdate.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>

// What the update routines need of the main window.
struct TUpdateHost
{
    // A message text of the current language (the window's LNGA).
    std::function<QString(TMessageIndex _index)> MessageText;
    // An information box with an OK button.
    std::function<void(const QString &_text)> ShowInformation;
    // A Yes/No confirmation, Yes being the default; true for Yes.
    std::function<bool(const QString &_text)> ConfirmYesNo;
    // The shell-open routine of the window.
    std::function<void(const QString &_target, const QString &_parameters)> ShellOpen;
    // Today's local date; empty for the clock's.
    std::function<QDate()> Today;
};

// The update check as the main window runs it: the checker it owns, whether
// the quiet check is still due, and the routines of its menu entry and of the
// conversion run. Values are kept in the program's own settings store.
class TUpdateFlow
{
public:
    // Start-up, before the checker exists: the update URL of the language
    // (or FROBNIK_UPDATE_URL when set and not empty), with "?i=<n>" when the
    // start counter runs; advances that counter.
    static QString StartupUpdateUrl(const QString &_UPDATE_URL);

    // Creates the checker for _updateInfoUrl with the program's version and
    // no cookie.
    TUpdateFlow(const QString &_updateInfoUrl, TUpdateHost _host);
    ~TUpdateFlow();

    // Start-up: whether the quiet check is due ("LastFUDate" three or more
    // days back, or none).
    void DecideQuietCheck();

    // A conversion begins.
    void StartQuietUpdateCheck();
    // The Help menu's check-for-updates entry.
    void CheckUpdateActionExecute();
    // The answer of a menu check has been parsed.
    void ManualUpdateReceived(const QString &_tmpStr);
    // A conversion has ended, or a menu check was answered: records the date
    // and offers a newer version once.
    void OfferUpdate();

    TMyCheckUpdate *MyCheckUpdate() const { return Checker.get(); }
    bool NeedStartFastUpdate() const { return NeedStartFast; }

private:
    int Today() const;
    QString Text(TMessageIndex _index) const;

    TUpdateHost Host;
    std::unique_ptr<TMyCheckUpdate> Checker;
    bool NeedStartFast = false;
};

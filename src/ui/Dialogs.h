#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

// Thin wrappers of the modal file dialogs and message boxes. Every modal
// dialog of the program goes through here, so a test can queue the next file
// name or answer and never meets a blocking window.

// What a file dialog was asked to show. Filters are written as "description|
// mask;mask|description|mask", the form the program's filter texts are kept in.
struct TFileDialogRequest
{
    QString fdTitle;
    QString fdFolder;      // initial folder; empty = the dialog's own choice
    QString fdFileName;    // initial file name
    QString fdFilter;      // "description|masks|..." (may be empty)
    int fdFilterIndex = 1; // selected filter entry, counted from 1
    QString fdDefaultExt;  // appended to a name typed without extension
    bool fdMustExist = true;
    bool fdPickFolder = false;
};

// A message box as it was asked for.
struct TMessageRequest
{
    enum TKind
    {
        mkInformation,
        mkWarning,
        mkConfirmation
    };
    TKind mrKind = mkInformation;
    QString mrTitle;
    QString mrText;
};

class TDialogs
{
public:
    // The chosen path, or empty when the user cancelled.
    static QString OpenFile(QWidget *_parent, const TFileDialogRequest &_request);
    // The chosen existing folder, or empty when the user cancelled. The
    // request's filter names the files the folders are meant to hold.
    static QString PickFolder(QWidget *_parent, const TFileDialogRequest &_request);

    // How the two kinds of dialog are set up from a request, without showing them.
    static void SetUpFileDialog(QFileDialog &_dialog, const TFileDialogRequest &_request);
    static void SetUpFolderDialog(QFileDialog &_dialog, const TFileDialogRequest &_request);

    static void Information(QWidget *_parent, const QString &_title, const QString &_text);
    static void Warning(QWidget *_parent, const QString &_title, const QString &_text);
    // Yes / No question; true for Yes.
    static bool Confirm(QWidget *_parent, const QString &_title, const QString &_text);

    // True when the program runs without any display (Qt's offscreen or
    // minimal platform) outside tests: no one could ever answer a dialog.
    static bool Headless();

    // --- test seam ---
    // Queued answers are used first-in first-out, one per dialog; an empty
    // file name stands for Cancel.
    static void SetNextFileName(const QString &_fileName);
    static void SetNextAnswer(QMessageBox::StandardButton _answer);
    // In test mode a dialog with nothing queued is not shown: a file dialog
    // gives Cancel, a confirmation gives No.
    static void SetTestMode(bool _on);
    static bool TestMode();
    // Real boxes even without a display, for tests that answer them by hand.
    static void SetShowBoxesHeadless(bool _on);
    // What was asked for since the last reset, oldest first.
    static QList<TFileDialogRequest> FileRequests();
    static QList<TMessageRequest> Messages();
    static void ResetForTest();
};

// "desc|*.a;*.b|desc2|*.c" -> {"desc (*.a *.b)", "desc2 (*.c)"}: Qt's name
// filters. "*.*" matches every file, as it does on Windows.
QStringList DialogFilterToNameFilters(const QString &_filter);

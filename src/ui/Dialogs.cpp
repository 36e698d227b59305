#include "ui/Dialogs.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QQueue>

#include <cstdio>

namespace {

struct TDialogSeam
{
    bool dsTestMode = false;
    bool dsShowHeadless = false;
    QQueue<QString> dsFileNames;
    QQueue<QMessageBox::StandardButton> dsAnswers;
    QList<TFileDialogRequest> dsFileRequests;
    QList<TMessageRequest> dsMessages;
};

TDialogSeam &Seam()
{
    static TDialogSeam seam;
    return seam;
}

// A queued file name, if any; false when the dialog must really be decided.
bool TakeQueuedFileName(const TFileDialogRequest &_request, QString &_fileName)
{
    TDialogSeam &seam = Seam();
    seam.dsFileRequests.append(_request);
    if (!seam.dsFileNames.isEmpty()) {
        _fileName = seam.dsFileNames.dequeue();
        return true;
    }
    if (seam.dsTestMode) {
        _fileName.clear();
        return true;
    }
    return false;
}

bool TakeQueuedAnswer(const TMessageRequest &_request, QMessageBox::StandardButton _fallback,
                      QMessageBox::StandardButton &_answer)
{
    TDialogSeam &seam = Seam();
    seam.dsMessages.append(_request);
    if (!seam.dsAnswers.isEmpty()) {
        _answer = seam.dsAnswers.dequeue();
        return true;
    }
    if (seam.dsTestMode) {
        _answer = _fallback;
        return true;
    }
    return false;
}

// What a box says, made safe for a terminal: a text from the update
// service or a file name may carry escape sequences that would move the
// cursor, retitle the window or hide what went before. Control characters
// go, line breaks and tabs stay.
QString TerminalSafeText(const QString &_text)
{
    QString safe;
    safe.reserve(_text.size());
    for (const QChar c : _text) {
        if (c == u'\n' || c == u'\t' || c.category() != QChar::Other_Control)
            safe += c;
    }
    return safe;
}

QMessageBox::StandardButton ShowBox(QWidget *_parent, const TMessageRequest &_request,
                                    QMessageBox::StandardButtons _buttons,
                                    QMessageBox::StandardButton _default)
{
    QMessageBox::StandardButton answer = _default;
    if (TakeQueuedAnswer(_request, _default == QMessageBox::Ok ? QMessageBox::Ok : QMessageBox::No,
                         answer))
        return answer;
    if (TDialogs::Headless()) {
        // Nobody can see or answer a box without a display: the text goes to
        // the error stream and the safe answer is taken.
        std::fprintf(stderr, "frobnik: %s\n", qUtf8Printable(TerminalSafeText(_request.mrText)));
        return _buttons.testFlag(QMessageBox::No) ? QMessageBox::No : _default;
    }
    QMessageBox::Icon icon = QMessageBox::Information;
    if (_request.mrKind == TMessageRequest::mkWarning)
        icon = QMessageBox::Warning;
    else if (_request.mrKind == TMessageRequest::mkConfirmation)
        icon = QMessageBox::Question;
    QMessageBox box(icon, _request.mrTitle, _request.mrText, _buttons, _parent);
    // Texts come from language files, file names and the update service;
    // none of them may be taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(_default);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void TDialogs::SetShowBoxesHeadless(bool _on)
{
    Seam().dsShowHeadless = _on;
}

bool TDialogs::Headless()
{
    if (Seam().dsTestMode || Seam().dsShowHeadless)
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

QStringList DialogFilterToNameFilters(const QString &_filter)
{
    QStringList result;
    const QStringList parts = _filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList masks;
        for (const QString &mask : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
            const QString m = mask.trimmed();
            if (m.isEmpty())
                continue;
            masks.append(m == QLatin1String("*.*") ? QStringLiteral("*") : m);
        }
        if (masks.isEmpty())
            masks.append(QStringLiteral("*"));
        // Qt reads the patterns from the last bracket of a filter; the
        // description's own bracket (a list of formats) stays visible.
        result.append(parts.at(i) + QStringLiteral(" (") + masks.join(u' ') + u')');
    }
    return result;
}

void TDialogs::SetUpFileDialog(QFileDialog &_dialog, const TFileDialogRequest &_request)
{
    _dialog.setWindowTitle(_request.fdTitle);
    if (!_request.fdFolder.isEmpty())
        _dialog.setDirectory(_request.fdFolder);
    _dialog.setAcceptMode(QFileDialog::AcceptOpen);
    _dialog.setFileMode(_request.fdMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    _dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    const QStringList filters = DialogFilterToNameFilters(_request.fdFilter);
    if (!filters.isEmpty()) {
        _dialog.setNameFilters(filters);
        const int index = _request.fdFilterIndex - 1;
        if (index >= 0 && index < filters.size())
            _dialog.selectNameFilter(filters.at(index));
    }
    if (!_request.fdDefaultExt.isEmpty())
        _dialog.setDefaultSuffix(_request.fdDefaultExt);
    if (!_request.fdFileName.isEmpty())
        _dialog.selectFile(_request.fdFileName);
}

void TDialogs::SetUpFolderDialog(QFileDialog &_dialog, const TFileDialogRequest &_request)
{
    _dialog.setWindowTitle(_request.fdTitle);
    if (!_request.fdFolder.isEmpty())
        _dialog.setDirectory(_request.fdFolder);
    _dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Folders are picked; the media files they hold are shown, greyed, so
    // the user sees which folder has any. Without a filter Qt would offer
    // its own "Directories" type.
    _dialog.setFileMode(QFileDialog::Directory);
    _dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    const QStringList filters = DialogFilterToNameFilters(_request.fdFilter);
    if (!filters.isEmpty())
        _dialog.setNameFilters(filters);
}

QString TDialogs::OpenFile(QWidget *_parent, const TFileDialogRequest &_request)
{
    QString queued;
    if (TakeQueuedFileName(_request, queued))
        return queued;

    QFileDialog dialog(_parent);
    SetUpFileDialog(dialog, _request);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.constFirst();
}

QString TDialogs::PickFolder(QWidget *_parent, const TFileDialogRequest &_request)
{
    TFileDialogRequest request = _request;
    request.fdPickFolder = true;
    QString queued;
    if (TakeQueuedFileName(request, queued))
        return queued;

    QFileDialog dialog(_parent);
    SetUpFolderDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.constFirst();
}

void TDialogs::Information(QWidget *_parent, const QString &_title, const QString &_text)
{
    ShowBox(_parent, {TMessageRequest::mkInformation, _title, _text}, QMessageBox::Ok,
            QMessageBox::Ok);
}

void TDialogs::Warning(QWidget *_parent, const QString &_title, const QString &_text)
{
    ShowBox(_parent, {TMessageRequest::mkWarning, _title, _text}, QMessageBox::Ok, QMessageBox::Ok);
}

bool TDialogs::Confirm(QWidget *_parent, const QString &_title, const QString &_text)
{
    return ShowBox(_parent, {TMessageRequest::mkConfirmation, _title, _text},
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void TDialogs::SetNextFileName(const QString &_fileName)
{
    Seam().dsFileNames.enqueue(_fileName);
}

void TDialogs::SetNextAnswer(QMessageBox::StandardButton _answer)
{
    Seam().dsAnswers.enqueue(_answer);
}

void TDialogs::SetTestMode(bool _on)
{
    Seam().dsTestMode = _on;
}

bool TDialogs::TestMode()
{
    return Seam().dsTestMode;
}

QList<TFileDialogRequest> TDialogs::FileRequests()
{
    return Seam().dsFileRequests;
}

QList<TMessageRequest> TDialogs::Messages()
{
    return Seam().dsMessages;
}

void TDialogs::ResetForTest()
{
    const bool testMode = Seam().dsTestMode;
    Seam() = TDialogSeam();
    Seam().dsTestMode = testMode;
}

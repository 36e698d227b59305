#include "ui/widgets/DropFileEdit.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

TssDropFileEdit::TssDropFileEdit(QWidget *_parent) : QLineEdit(_parent)
{
    SetAcceptFile(true);
}

void TssDropFileEdit::SetAcceptFile(bool _value)
{
    FAcceptFile = _value;
    setAcceptDrops(_value);
}

QString TssDropFileEdit::SingleDroppedPath(const QMimeData *_data)
{
    if (!_data || !_data->hasUrls())
        return QString();
    const QList<QUrl> urls = _data->urls();
    if (urls.size() != 1 || !urls.constFirst().isLocalFile())
        return QString();
    QString path = QDir::toNativeSeparators(urls.constFirst().toLocalFile());
    // A file manager may hand a folder over with a trailing separator; the
    // owner expects a folder path as a plain path.
    while (path.size() > 1 && path.endsWith(QDir::separator()))
        path.chop(1);
    return path;
}

// Text drags are refused as well: the box's text changes only through its owner.
void TssDropFileEdit::AnswerDrag(QDragMoveEvent *_event)
{
    if (FAcceptFile && !SingleDroppedPath(_event->mimeData()).isEmpty())
        _event->acceptProposedAction();
    else
        _event->ignore();
}

void TssDropFileEdit::dragEnterEvent(QDragEnterEvent *_event)
{
    AnswerDrag(_event);
}

void TssDropFileEdit::dragMoveEvent(QDragMoveEvent *_event)
{
    AnswerDrag(_event);
}

void TssDropFileEdit::dragLeaveEvent(QDragLeaveEvent *_event)
{
    _event->accept();
}

void TssDropFileEdit::dropEvent(QDropEvent *_event)
{
    const QString path = FAcceptFile ? SingleDroppedPath(_event->mimeData()) : QString();
    if (path.isEmpty()) {
        _event->ignore();
        return;
    }
    _event->acceptProposedAction();
    emit OnDropFile(this, path, _event->position().toPoint());
}

void TssDropFileEdit::focusOutEvent(QFocusEvent *_event)
{
    QLineEdit::focusOutEvent(_event);
    // A box that loses the focus because it was disabled or hidden has not
    // been left by the user.
    if (isEnabled() && isVisible() && _event->reason() != Qt::ActiveWindowFocusReason &&
        _event->reason() != Qt::PopupFocusReason)
        emit OnExit();
}

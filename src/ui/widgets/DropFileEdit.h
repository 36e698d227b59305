#pragma once

#include <QLineEdit>
#include <QPoint>

class QMimeData;

// A single-line edit box that takes one file or folder dropped from a file
// manager. It never changes its own text for a drop: it reports the path and
// the drop point (in its own coordinates) and its owner decides.
class TssDropFileEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(bool AcceptFile READ AcceptFile WRITE SetAcceptFile)

public:
    explicit TssDropFileEdit(QWidget *_parent = nullptr);

    bool AcceptFile() const { return FAcceptFile; }
    void SetAcceptFile(bool _value);

    // The one local path a drag carries; empty when it carries none, several,
    // or something that is not a local file.
    static QString SingleDroppedPath(const QMimeData *_data);

signals:
    void OnDropFile(QObject *_sender, const QString &_fileName, const QPoint &_dropPoint);
    // The focus went to another control of the window (not to a pop-up menu
    // and not away with the whole window).
    void OnExit();

protected:
    void dragEnterEvent(QDragEnterEvent *_event) override;
    void dragMoveEvent(QDragMoveEvent *_event) override;
    void dragLeaveEvent(QDragLeaveEvent *_event) override;
    void dropEvent(QDropEvent *_event) override;
    void focusOutEvent(QFocusEvent *_event) override;

private:
    void AnswerDrag(QDragMoveEvent *_event);

    bool FAcceptFile = true;
};

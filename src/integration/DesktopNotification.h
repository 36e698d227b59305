#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

// What one desktop notification says.
struct TNotice
{
    QString nSummary;
    QString nBody;
    // Pairs of action key and label, in the order shown. Offered only where
    // the notification server shows actions.
    QList<QPair<QString, QString>> nActions;
    // Handed back with an invoked action, so the action works on what the
    // notice was about even after the window has moved on.
    QString nTag;
    // "transfer.complete" or "transfer.error" and the like; may be empty.
    QString nCategory;
};

// Notifications through the desktop's notification server on the session
// bus. Nothing here waits for the server: without a bus or a server a notice
// is silently dropped.
class TDesktopNotifier : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *Service = "org.freedesktop.Notifications";
    static constexpr const char *ObjectPath = "/org/freedesktop/Notifications";
    static constexpr const char *Interface = "org.freedesktop.Notifications";
    // How long a server may take to answer before the notice is given up.
    static constexpr int ReplyTimeoutMs = 3000;

    explicit TDesktopNotifier(QObject *_parent = nullptr);

    void Show(const TNotice &_notice);

    // Notices sent and not yet closed, by the server's id.
    int OpenNotices() const { return int(FTags.size()); }

signals:
    // The user chose an action of a notice this object showed.
    void ActionInvoked(const QString &_action, const QString &_tag);
    // The server answered a notice with its id (for tests and callers that wait).
    void Shown(uint _id);

private slots:
    void OnActionInvoked(uint _id, const QString &_action);
    void OnNotificationClosed(uint _id, uint _reason);

private:
    void Send(const TNotice &_notice);

    bool FListening = false;
    QMap<uint, QString> FTags;
};

#include "integration/DesktopNotification.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

QDBusMessage ServerCall(const QString &_method)
{
    return QDBusMessage::createMethodCall(QLatin1String(TDesktopNotifier::Service),
                                          QLatin1String(TDesktopNotifier::ObjectPath),
                                          QLatin1String(TDesktopNotifier::Interface), _method);
}

} // namespace

TDesktopNotifier::TDesktopNotifier(QObject *_parent) : QObject(_parent) {}

void TDesktopNotifier::Show(const TNotice &_notice)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!FListening) {
        FListening = true;
        bus.connect(QLatin1String(Service), QLatin1String(ObjectPath), QLatin1String(Interface),
                    QStringLiteral("ActionInvoked"), this, SLOT(OnActionInvoked(uint, QString)));
        bus.connect(QLatin1String(Service), QLatin1String(ObjectPath), QLatin1String(Interface),
                    QStringLiteral("NotificationClosed"), this,
                    SLOT(OnNotificationClosed(uint, uint)));
    }
    // Actions are offered only to servers that show them. A server that reads
    // markup in the body would take a file name such as "a<b>.mp4" for it.
    auto *watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(ServerCall(QStringLiteral("GetCapabilities")), ReplyTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, _notice](QDBusPendingCallWatcher *_call) {
                _call->deleteLater();
                const QDBusPendingReply<QStringList> reply = *_call;
                if (reply.isError())
                    return;
                const QStringList capabilities = reply.value();
                TNotice notice = _notice;
                if (!capabilities.contains(QLatin1String("actions")))
                    notice.nActions.clear();
                if (capabilities.contains(QLatin1String("body-markup")))
                    notice.nBody = notice.nBody.toHtmlEscaped();
                Send(notice);
            });
}

void TDesktopNotifier::Send(const TNotice &_notice)
{
    QStringList actions;
    for (const auto &[key, label] : _notice.nActions)
        actions << key << label;
    QVariantMap hints;
    // Lets the server find the program's name and icon in its desktop entry.
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("frobnik"));
    if (!_notice.nCategory.isEmpty())
        hints.insert(QStringLiteral("category"), _notice.nCategory);
    QDBusMessage notify = ServerCall(QStringLiteral("Notify"));
    notify << QCoreApplication::applicationName() << uint(0) << QStringLiteral("frobnik")
           << _notice.nSummary << _notice.nBody << actions << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(notify, ReplyTimeoutMs), this);
    const QString tag = _notice.nTag;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, tag](QDBusPendingCallWatcher *_call) {
                _call->deleteLater();
                const QDBusPendingReply<uint> reply = *_call;
                if (reply.isError())
                    return;
                FTags.insert(reply.value(), tag);
                emit Shown(reply.value());
            });
}

void TDesktopNotifier::OnActionInvoked(uint _id, const QString &_action)
{
    // The server tells every program about every notice; only ours count.
    const auto it = FTags.constFind(_id);
    if (it != FTags.constEnd())
        emit ActionInvoked(_action, it.value());
}

void TDesktopNotifier::OnNotificationClosed(uint _id, uint)
{
    FTags.remove(_id);
}

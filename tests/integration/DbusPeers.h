#pragma once

// Stand-ins for the programs on the session bus that Frobnik talks to.

#include "app/settings/QBXRegistry.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// Plays the running download manager: it owns its bus name and listens for
// the notice, noting what its settings held when the notice came.
class TFakeDownloadManager : public QObject
{
    Q_OBJECT
public:
    QList<int> Jobs;
    QStringList PathsSeen;
    QString AppName;
public slots:
    void ConversionComplete(int _job)
    {
        Jobs << _job;
        PathsSeen << TQBXRegistry(AppName).ReadStringPar(QStringLiteral("conv_for_") +
                                                         QString::number(_job));
    }
};

class TFakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList Shown;
public slots:
    void ShowItems(const QStringList &uris, const QString &) { Shown << uris; }
};

// Plays the desktop's notification server: it notes every notice and can
// tell its clients that the user chose an action.
class TFakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct TReceived
    {
        QString AppName;
        QString Icon;
        QString Summary;
        QString Body;
        QStringList Actions;
        QVariantMap Hints;
    };
    QStringList Capabilities{QStringLiteral("actions"), QStringLiteral("body")};
    QList<TReceived> Received;
    QString BusName;

    // Sends the server's signal, as a user's click on an action would.
    void Invoke(uint _id, const QString &_action)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        signal << _id << _action;
        QDBusConnection(BusName).send(signal);
    }
    void Close(uint _id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("NotificationClosed"));
        signal << _id << uint(2);
        QDBusConnection(BusName).send(signal);
    }

public slots:
    QStringList GetCapabilities() { return Capabilities; }
    uint Notify(const QString &app_name, uint, const QString &app_icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int)
    {
        Received.append({app_name, app_icon, summary, body, actions, hints});
        return uint(100 + Received.size());
    }
};

#include "integration/TaskbarProgress.h"

#include "support/BuildInfo.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

TTaskbarProgress::TTaskbarProgress(const QString &_AppUri) : AppUri(_AppUri)
{
    if (AppUri.isEmpty())
        AppUri = QLatin1String("application://") + FrobnikDesktopId + QLatin1String(".desktop");
}

void TTaskbarProgress::SetProgress(TState _state, int _value)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QVariantMap properties;
    if (_state == tbsNormal) {
        properties.insert(QStringLiteral("progress"), qBound(0, _value, 100) / 100.0);
        properties.insert(QStringLiteral("progress-visible"), true);
    } else {
        properties.insert(QStringLiteral("progress-visible"), false);
    }
    QDBusMessage update = QDBusMessage::createSignal(
        QLatin1String(ObjectPath), QLatin1String(Interface), QStringLiteral("Update"));
    update << AppUri << properties;
    bus.send(update);
}

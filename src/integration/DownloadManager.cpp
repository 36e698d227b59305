#include "integration/DownloadManager.h"

#include "app/settings/QBXRegistry.h"
#include "app/settings/SettingNames.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>

namespace {

// The bus daemon answers at once; a wedged one must not hold up the end of a
// conversion for D-Bus's default 25 seconds.
constexpr int NameQueryTimeoutMs = 1000;

bool BusNameHasOwner(QDBusConnection &_bus, const QString &_name)
{
    QDBusMessage query = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    query << _name;
    const QDBusMessage reply = _bus.call(query, QDBus::Block, NameQueryTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().toBool();
}

bool SignalRunningManager(const QString &_AppName, int _JobId)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !BusNameHasOwner(bus, QLatin1String("com.qbx.") + _AppName))
        return false;
    QDBusMessage notice = QDBusMessage::createSignal(QLatin1String(ConversionCompletePath),
                                                     QLatin1String(ConversionCompleteInterface),
                                                     QLatin1String(ConversionCompleteSignal));
    notice << _JobId;
    return bus.send(notice);
}

} // namespace

bool NotifyDownloadManager(const QString &_AppName, int _JobId, const QString &_OutputPath)
{
    if (_JobId <= 0 || _AppName.isEmpty() || !FileExists(_OutputPath))
        return false;
    TQBXRegistry reg(_AppName);
    const int handle = StrToIntDef(reg.ReadStringPar(Settings::ApplicationHandle), 0);
    const QString job = QString::number(_JobId);
    // Written before any notice, so the manager finds the path when it
    // arrives; absolute, because the manager runs in a folder of its own.
    const QString canonical = QFileInfo(_OutputPath).canonicalFilePath();
    if (!reg.WriteStringPar(Settings::ConvForPrefix + job,
                            canonical.isEmpty() ? AbsolutePath(_OutputPath) : canonical))
        return false;
    if (handle > 0 && SignalRunningManager(_AppName, _JobId))
        return true;
    const QString exe = reg.ReadStringPar(Settings::ExeFile);
    if (!FileExists(exe))
        return false;
    return QProcess::startDetached(exe, {QLatin1String("-convcomplete=") + job});
}

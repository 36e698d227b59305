#include "integration/HostLinks.h"

#include "integration/ShellOpen.h"
#include "localization/LanguageDefaults.h"
#include "support/PathUtils.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QUrl>

namespace HostLinks {

namespace {

// A file manager that does not answer this soon gets the plain folder instead.
constexpr int ShowItemsTimeoutMs = 5000;

void OpenFolderOf(const QString &_Path)
{
    ShellOpen(ExtractFileDir(_Path));
}

} // namespace

QString SupportEmailAddress()
{
    QString host = WebHost;
    if (host.startsWith(QLatin1String("www.")))
        host.remove(0, 4);
    return QLatin1String("support@") + host;
}

void ShowHtmlHelp(const QString &_ProgramDir, const QString &_helpName)
{
    const qsizetype mark = _helpName.indexOf(QLatin1String("::/"));
    const QString fileName = mark < 0 ? _helpName : _helpName.left(mark);
    QString topic = mark < 0 ? QString() : _helpName.mid(mark + 3);
    if (topic.isEmpty())
        topic = QStringLiteral("index.htm");
    const QString folder = JoinPath(JoinPath(_ProgramDir, QStringLiteral("help")),
                                    ChangeFileExt(ExtractFileName(fileName), QString()));
    ShellOpen(JoinPath(folder, topic));
}

void ContentsActionExecute(const QString &_ProgramDir, const QString &_HELP_FILENAME)
{
    ShowHtmlHelp(_ProgramDir, _HELP_FILENAME + QLatin1String("::/index.htm"));
}

void HomePageActionExecute(const QString &_HOMEPAGE_LINK)
{
    ShellOpen(_HOMEPAGE_LINK);
}

void EmailActionExecute()
{
    ShellOpen(QLatin1String("mailto:") + SupportEmailAddress());
}

void OpenFileBitBtnClick(const QString &_OutputPath)
{
    ShellOpen(_OutputPath);
}

void OpenFolderBitBtnClick(const QString &_OutputPath)
{
    if (!FileExists(_OutputPath)) {
        OpenFolderOf(_OutputPath);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        OpenFolderOf(_OutputPath);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    const QString uri =
        QUrl::fromLocalFile(QFileInfo(_OutputPath).absoluteFilePath()).toString(QUrl::FullyEncoded);
    call << QStringList{uri} << QString();
    // Asynchronous, so a slow or starting file manager never freezes the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, ShowItemsTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, _OutputPath] {
        if (watcher->isError())
            OpenFolderOf(_OutputPath);
        watcher->deleteLater();
    });
}

} // namespace HostLinks

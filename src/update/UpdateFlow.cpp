#include "update/UpdateFlow.h"

#include "app/settings/QBXRegistry.h"
#include "app/settings/SettingNames.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <limits>

namespace {

#ifdef Q_OS_WIN
const QString LineBreak = QStringLiteral("\r\n");
#else
const QString LineBreak = QStringLiteral("\n");
#endif

TQBXRegistry OwnStore()
{
    return TQBXRegistry(Settings::ProgramName);
}

// "ExeFile" of a download manager's store, when that file exists.
QString DownloadManagerProgram(QLatin1StringView _programName)
{
    const QString exe = TQBXRegistry(_programName).ReadStringPar(Settings::ExeFile);
    return FileExists(exe) ? exe : QString();
}

} // namespace

QString TUpdateFlow::StartupUpdateUrl(const QString &_UPDATE_URL)
{
    QString url = _UPDATE_URL;
    const QString mirror = qEnvironmentVariable("FROBNIK_UPDATE_URL");
    if (!mirror.isEmpty())
        url = mirror;

    TQBXRegistry reg = OwnStore();
    if (reg.ReadStringPar(Settings::AtInMb) != QLatin1String("1"))
        return url;
    const int count = reg.ReadIntPar(Settings::InMb, Settings::InMbDefault);
    // A counter at its limit cannot grow; the URL then goes without it.
    if (count == std::numeric_limits<int>::max())
        return url;
    const QString next = QString::number(count + 1);
    reg.WriteStringPar(Settings::InMb, next);
    return url + QLatin1String("?i=") + next;
}

TUpdateFlow::TUpdateFlow(const QString &_updateInfoUrl, TUpdateHost _host)
    : Host(std::move(_host)),
      Checker(std::make_unique<TMyCheckUpdate>(_updateInfoUrl, FrobnikVersion, QString()))
{
}

TUpdateFlow::~TUpdateFlow() = default;

int TUpdateFlow::Today() const
{
    return DayNumber(Host.Today ? Host.Today() : QDate::currentDate());
}

QString TUpdateFlow::Text(TMessageIndex _index) const
{
    return Host.MessageText ? Host.MessageText(_index) : QString();
}

void TUpdateFlow::DecideQuietCheck()
{
    NeedStartFast = true;
    const QString last = OwnStore().ReadStringPar(Settings::LastFUDate);
    if (!last.isEmpty() && qint64(Today()) < qint64(StrToIntDef(last, 0)) + 3)
        NeedStartFast = false;
}

void TUpdateFlow::StartQuietUpdateCheck()
{
    if (!NeedStartFast)
        return;
    NeedStartFast = false;
    Checker->Start();
}

void TUpdateFlow::CheckUpdateActionExecute()
{
    NeedStartFast = false;
    Checker->Start([this](const QString &tmpStr) { ManualUpdateReceived(tmpStr); });
}

void TUpdateFlow::ManualUpdateReceived(const QString &)
{
    switch (Checker->GetNeedUpdate()) {
    case -1:
        if (Host.ShowInformation)
            Host.ShowInformation(Text(miUpdateInfoUnavailable));
        break;
    case 0:
        if (Host.ShowInformation)
            Host.ShowInformation(Text(miNoNewVersion));
        OfferUpdate();
        break;
    case 1:
        OfferUpdate();
        break;
    default:
        break;
    }
}

void TUpdateFlow::OfferUpdate()
{
    TQBXRegistry reg = OwnStore();
    reg.WriteStringPar(Settings::LastFUDate, QString::number(Today()));
    const int flag = Checker->GetNeedUpdate();
    if (reg.ReadStringPar(Settings::AtInMb) != QLatin1String("1") && (flag == 0 || flag == 1))
        reg.WriteStringPar(Settings::AtInMb, QStringLiteral("1"));
    if (flag != 1)
        return;
    Checker->ResetNeedUpdateFlag();

    // Copied: the box below lets further answers in, which overwrite the checker's record.
    const TNewVersionInfo info = Checker->NewVersionInfo();
    // The document is checked when it is read; this guards the hand-over itself.
    if (!IsWebDownloadUrl(info.downloadUrl))
        return;
    const QString offer = SubstituteParams(Text(miNewVersion), info.version) + LineBreak +
                          info.changes + QLatin1String(".") + LineBreak + Text(miDownloadQuestion);
    if (!Host.ConfirmYesNo || !Host.ConfirmYesNo(offer))
        return;
    if (!Host.ShellOpen)
        return;

    QString manager = DownloadManagerProgram(Settings::PelmoraProgramName);
    if (manager.isEmpty())
        manager = DownloadManagerProgram(Settings::QuillaraxProgramName);
    if (!manager.isEmpty())
        Host.ShellOpen(manager, QLatin1String("\"") + info.downloadUrl + QLatin1String("\""));
    else
        Host.ShellOpen(info.downloadUrl, QString());
}

#include "update/CheckUpdate.h"

#include "support/TextUtils.h"
#include "update/HTTPThread.h"

#include <QUrl>

TMyCheckUpdate *ActiveUpdateChecker = nullptr;

namespace {

// The text before the first "." of Rest, which then keeps what follows that
// dot. Without a dot the part is empty, and so cannot be read as a number.
QString TakePart(QString &Rest)
{
    const qsizetype dot = Rest.indexOf(u'.');
    if (dot < 0)
        return QString();
    const QString part = Rest.left(dot);
    Rest = Rest.mid(dot + 1);
    return part;
}

void SkipPart(QString &Rest)
{
    const qsizetype dot = Rest.indexOf(u'.');
    if (dot >= 0)
        Rest = Rest.mid(dot + 1);
}

} // namespace

TVersionOrder CompareVersions(const QString &_newVersion, const QString &_currVersion)
{
    QString newRest = _newVersion;
    QString currRest = _currVersion;
    for (int step = 0; step < 3; ++step) {
        QString newPart;
        QString currPart;
        if (step < 2) {
            newPart = TakePart(newRest);
            currPart = TakePart(currRest);
            if (step == 1) {
                SkipPart(newRest);
                SkipPart(currRest);
            }
        } else {
            newPart = newRest;
            currPart = currRest;
        }
        int newNumber = 0;
        int currNumber = 0;
        if (!TryStrToInt(newPart, newNumber) || !TryStrToInt(currPart, currNumber))
            return TVersionOrder::Incomparable;
        if (newNumber > currNumber)
            return TVersionOrder::Newer;
        if (newNumber < currNumber)
            return TVersionOrder::NotNewer;
    }
    return TVersionOrder::NotNewer;
}

bool IsWebDownloadUrl(const QString &_Url)
{
    for (const QChar c : _Url) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c == u'"' || c == u'\'')
            return false;
    }
    const QUrl url(_Url, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

TUpdateParseResult ParseUpdateDocument(const QString &_Reply, const QString &_currVersion)
{
    TUpdateParseResult r;
    QString reply = _Reply;
    if (ExtractTagValue(reply, QStringLiteral("newversioninfo"), false).isEmpty())
        return r;
    r.needUpdateFlag = 0;
    r.info.version = ExtractTagValue(reply, QStringLiteral("version"), false);
    r.info.changes = ExtractTagValue(reply, QStringLiteral("changes"), false);
    r.info.moreInfoUrl = ExtractTagValue(reply, QStringLiteral("moreinfourl"), false);
    r.info.downloadUrl = ExtractTagValue(reply, QStringLiteral("downloadurl"), false);
    if (r.info.version.isEmpty())
        return r;
    switch (CompareVersions(r.info.version, _currVersion)) {
    case TVersionOrder::Newer:
        if (IsWebDownloadUrl(r.info.downloadUrl))
            r.needUpdateFlag = 1;
        break;
    case TVersionOrder::NotNewer:
        break;
    case TVersionOrder::Incomparable:
        r.comparable = false;
        break;
    }
    return r;
}

TMyCheckUpdate::TMyCheckUpdate(const QString &_updateInfoUrl, const QString &_currVersion,
                               const QString &_CookieStr)
    : updateInfoURL(_updateInfoUrl), currVersion(_currVersion), CookieStr(_CookieStr)
{
    ActiveUpdateChecker = this;
}

TMyCheckUpdate::~TMyCheckUpdate()
{
    if (ActiveUpdateChecker == this)
        ActiveUpdateChecker = nullptr;
}

void TMyCheckUpdate::Start(TOnReceivedUpdate _OnReceivedUpdate)
{
    ServerReply.clear();
    OnReceivedUpdate = std::move(_OnReceivedUpdate);
    auto *request = new THTTPThread;
    request->Get(updateInfoURL, &TMyCheckUpdate::UpdateReplyReceived, CookieStr);
    const qsizetype query = updateInfoURL.indexOf(u'?');
    if (query >= 0)
        updateInfoURL.truncate(query);
}

void TMyCheckUpdate::UpdateReplyReceived(const QString &, const QString &_ResultString,
                                         const QString &)
{
    TMyCheckUpdate *checker = ActiveUpdateChecker;
    if (!checker)
        return;
    checker->ServerReply = _ResultString;
    // A version that cannot be compared ends the check without a word.
    if (!checker->ParseUpdateInfo())
        return;
    if (checker->OnReceivedUpdate) {
        // The routine may show a modal box, during which another answer can
        // replace it; keep our own copy alive for the call.
        const TOnReceivedUpdate routine = checker->OnReceivedUpdate;
        routine(QString());
    }
}

bool TMyCheckUpdate::ParseUpdateInfo()
{
    const TUpdateParseResult r = ParseUpdateDocument(ServerReply, currVersion);
    needUpdateFlag = r.needUpdateFlag;
    if (r.needUpdateFlag >= 0)
        newVInfo = r.info;
    return r.comparable;
}

int DayNumber(const QDate &_Date)
{
    return int(QDate(1899, 12, 30).daysTo(_Date));
}

#pragma once

#include "support/BuildInfo.h"

#include <QDate>
#include <QString>
#include <functional>

// The fields of the last update document.
struct TNewVersionInfo
{
    QString version;
    QString changes;
    QString downloadUrl;
    QString moreInfoUrl;
};

// Called once an answer has been parsed; the text is always empty.
using TOnReceivedUpdate = std::function<void(const QString &tmpStr)>;

// How a document's version compares with the running one.
enum class TVersionOrder
{
    Newer,
    NotNewer,
    Incomparable // a compared part is empty or not a whole number
};

// Compares the first, second and last parts of dot-separated versions (the
// third of a four-part version is skipped).
TVersionOrder CompareVersions(const QString &_newVersion, const QString &_currVersion);

// True for an absolute http:// or https:// URL with a host and nothing in it
// that could split it into several arguments.
bool IsWebDownloadUrl(const QString &_Url);

struct TUpdateParseResult
{
    int needUpdateFlag = -1; // -1 no document, 0 nothing newer, 1 newer version
    bool comparable = true;  // false: the version could not be compared
    TNewVersionInfo info;    // filled whenever the document element was there
};

// Reads an update document. A newer version whose download URL is not a web
// URL counts as nothing newer, so a forged answer cannot make us open a local
// program or file.
TUpdateParseResult ParseUpdateDocument(const QString &_Reply, const QString &_currVersion);

// The update checker: one per process, reached by its reply handler through
// ActiveUpdateChecker.
class TMyCheckUpdate
{
public:
    TMyCheckUpdate(const QString &_updateInfoUrl, const QString &_currVersion,
                   const QString &_CookieStr);
    ~TMyCheckUpdate();
    TMyCheckUpdate(const TMyCheckUpdate &) = delete;
    TMyCheckUpdate &operator=(const TMyCheckUpdate &) = delete;

    // Starts one request and returns at once; only the first request carries
    // the URL's query.
    void Start(TOnReceivedUpdate _OnReceivedUpdate = TOnReceivedUpdate());
    int GetNeedUpdate() const { return needUpdateFlag; }
    void ResetNeedUpdateFlag() { needUpdateFlag = 0; }

    const TNewVersionInfo &NewVersionInfo() const { return newVInfo; }
    QString UpdateInfoURL() const { return updateInfoURL; }
    QString LastServerError() const { return ServerError; }

    // The reply handler handed to the request thread; answers that arrive
    // when no checker exists are dropped.
    static void UpdateReplyReceived(const QString &_URL, const QString &_ResultString,
                                    const QString &_ErrorString);

private:
    bool ParseUpdateInfo();

    QString updateInfoURL;
    QString currVersion;
    int needUpdateFlag = 0;
    QString CookieStr;
    QString ServerReply;
    QString ServerError;
    TOnReceivedUpdate OnReceivedUpdate;
    TNewVersionInfo newVInfo;
};

// The newest checker, or none once it has been destroyed.
extern TMyCheckUpdate *ActiveUpdateChecker;

// Whole days since 30 December 1899.
int DayNumber(const QDate &_Date);

#include "update/HTTPThread.h"

#include "support/TextUtils.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>
#include <curl/curl.h>
#include <mutex>

namespace {

const char *const UserAgent = "Kvmo Desktop 1.0 (Win)";
constexpr int DefaultConnectSeconds = 15;
constexpr int DefaultStallSeconds = 30;
// The update document is a few hundred bytes; a reply far beyond that is not
// one we want to hold in memory.
constexpr qsizetype MaxReplyBytes = 16 * 1024 * 1024;
// How often a waiting worker looks at its abort flag.
constexpr int PollMilliseconds = 100;

std::atomic<int> ConnectSeconds{DefaultConnectSeconds};
std::atomic<int> StallSeconds{DefaultStallSeconds};

QMutex LiveLock;
QSet<THTTPThread *> &LiveThreads()
{
    static QSet<THTTPThread *> threads;
    return threads;
}

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void StopOnQuitOnce()
{
    static bool connected = false;
    if (connected || !QCoreApplication::instance())
        return;
    connected = true;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                     QCoreApplication::instance(), [] { THTTPThread::StopAllRequests(); });
}

struct TTransfer
{
    QByteArray Body;
    QByteArray StatusLine;
    bool TooLarge = false;
    std::atomic<bool> *Abort = nullptr;
};

size_t WriteBody(char *data, size_t size, size_t count, void *userData)
{
    auto *t = static_cast<TTransfer *>(userData);
    const size_t bytes = size * count;
    if (t->Body.size() + qsizetype(bytes) > MaxReplyBytes) {
        t->TooLarge = true;
        return 0;
    }
    t->Body.append(data, qsizetype(bytes));
    return bytes;
}

size_t ReadHeader(char *data, size_t size, size_t count, void *userData)
{
    auto *t = static_cast<TTransfer *>(userData);
    const size_t bytes = size * count;
    const QByteArray line(data, qsizetype(bytes));
    // Interim replies (100 Continue) come first; the last status line counts.
    if (line.startsWith("HTTP/"))
        t->StatusLine = line.trimmed();
    return bytes;
}

int TransferInfo(void *userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<TTransfer *>(userData)->Abort->load() ? 1 : 0;
}

QByteArray CharsetOf(const QByteArray &contentType)
{
    const QList<QByteArray> params = contentType.split(';');
    for (qsizetype i = 1; i < params.size(); ++i) {
        const QByteArray p = params[i].trimmed();
        const qsizetype eq = p.indexOf('=');
        if (eq <= 0 || p.left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = p.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value.trimmed();
    }
    return QByteArray();
}

} // namespace

QString DecodeHttpBody(const QByteArray &_Body, const QByteArray &_ContentType)
{
    const QByteArray charset = CharsetOf(_ContentType);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(_Body);
    }
    return DecodeLocalText(_Body);
}

THTTPThread::THTTPThread()
{
    QMutexLocker lock(&LiveLock);
    LiveThreads().insert(this);
}

THTTPThread::~THTTPThread()
{
    {
        QMutexLocker lock(&LiveLock);
        LiveThreads().remove(this);
    }
    wait();
}

void THTTPThread::Arm(const QString &_URL, const QString &_CookieStr, QObject *_Receiver)
{
    URL = _URL;
    CookieStr = _CookieStr;
    Receiver = _Receiver;
    HasReceiver = _Receiver != nullptr;
    InitCurlOnce();
    StopOnQuitOnce();
    // finished is emitted by the worker; this object lives on the creating
    // thread, so the hand-over is a queued call there.
    connect(this, &QThread::finished, this, &THTTPThread::Deliver, Qt::QueuedConnection);
    start();
}

void THTTPThread::Get(const QString &_URL, TOnGetSuccess _GetSuccess, const QString &_CookieStr,
                      QObject *_Receiver)
{
    GetSuccess = std::move(_GetSuccess);
    isPost = false;
    Arm(_URL, _CookieStr, _Receiver);
}

void THTTPThread::Post(const QString &_URL, const TMultipartFormData &ASource,
                       TOnPostSuccess _PostSuccess, const QString &_CookieStr, QObject *_Receiver)
{
    PostDataSource = ASource;
    PostSuccess = std::move(_PostSuccess);
    isPost = true;
    Arm(_URL, _CookieStr, _Receiver);
}

void THTTPThread::run()
{
    Perform();
}

void THTTPThread::Perform()
{
    const QUrl url(URL, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        ServerErrorStr = QStringLiteral("Malformed URL: %1").arg(URL);
        return;
    }
    CURL *curl = curl_easy_init();
    CURLM *multi = curl_multi_init();
    if (!curl || !multi) {
        curl_easy_cleanup(curl);
        curl_multi_cleanup(multi);
        ServerErrorStr = QStringLiteral("The HTTP client could not be started");
        return;
    }

    TTransfer transfer;
    transfer.Abort = &AbortFlag;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray encodedUrl = url.toEncoded();

    curl_easy_setopt(curl, CURLOPT_URL, encodedUrl.constData());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, UserAgent);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    // An empty proxy also keeps the proxy variables of the environment out.
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(ConnectSeconds.load()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, long(StallSeconds.load()));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, TransferInfo);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, ReadHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);

    curl_slist *headers = nullptr;
    if (!CookieStr.isEmpty()) {
        // A line break would start a header of its own.
        QString cookie = CookieStr;
        cookie.remove(u'\r').remove(u'\n');
        headers = curl_slist_append(headers, QByteArray("Cookie:" + cookie.toUtf8()).constData());
    }
    curl_mime *mime = nullptr;
    if (isPost) {
        headers = curl_slist_append(headers, "Expect:");
        mime = curl_mime_init(curl);
        for (const TFormPart &part : PostDataSource) {
            curl_mimepart *p = curl_mime_addpart(mime);
            curl_mime_name(p, part.fpName.toUtf8().constData());
            curl_mime_data(p, part.fpData.constData(), size_t(part.fpData.size()));
            if (!part.fpFileName.isEmpty())
                curl_mime_filename(p, part.fpFileName.toUtf8().constData());
            if (!part.fpContentType.isEmpty())
                curl_mime_type(p, part.fpContentType.toUtf8().constData());
        }
        curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
    }
    if (headers)
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    // The multi loop instead of curl_easy_perform: it wakes often enough to
    // see the abort flag while a server says nothing at all.
    CURLcode result = CURLE_OK;
    bool done = false;
    curl_multi_add_handle(multi, curl);
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        while (CURLMsg *msg = curl_multi_info_read(multi, &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        if (AbortFlag.load()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, PollMilliseconds, nullptr);
    }

    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    char *contentType = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
    const QByteArray contentTypeText(contentType);

    if (AbortFlag.load() || result == CURLE_ABORTED_BY_CALLBACK) {
        ServerErrorStr = QStringLiteral("The request was cancelled");
    } else if (transfer.TooLarge) {
        ServerErrorStr = QStringLiteral("The reply is too large");
    } else if (result != CURLE_OK) {
        ServerErrorStr =
            QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(result));
    } else if (status < 200 || status > 299) {
        ServerErrorStr = transfer.StatusLine.isEmpty()
                             ? QStringLiteral("HTTP status %1").arg(status)
                             : QString::fromLatin1(transfer.StatusLine);
    } else {
        ServerReplyStr = DecodeHttpBody(transfer.Body, contentTypeText);
    }

    curl_multi_remove_handle(multi, curl);
    curl_easy_cleanup(curl);
    curl_multi_cleanup(multi);
    curl_mime_free(mime);
    curl_slist_free_all(headers);
}

void THTTPThread::Deliver()
{
    if (Delivered)
        return;
    Delivered = true;
    wait();
    if (!HasReceiver || Receiver) {
        const TOnGetSuccess &callback = isPost ? PostSuccess : GetSuccess;
        if (callback) {
            // A failing callback must not keep the thread object alive.
            try {
                callback(URL, ServerReplyStr, ServerErrorStr);
            } catch (...) {
            }
        }
    }
    deleteLater();
}

void THTTPThread::AbortAll()
{
    QMutexLocker lock(&LiveLock);
    for (THTTPThread *t : std::as_const(LiveThreads()))
        t->AbortFlag.store(true);
}

bool THTTPThread::StopAllRequests(int _WaitMs)
{
    AbortAll();
    QList<THTTPThread *> threads;
    {
        QMutexLocker lock(&LiveLock);
        threads = LiveThreads().values();
    }
    const QDeadlineTimer deadline(_WaitMs);
    bool allEnded = true;
    for (THTTPThread *t : threads) {
        // One that is handing over (or has handed over) its answer is
        // already on its way out; deleting it here could pull it from under
        // its own callback.
        if (t->Delivered)
            continue;
        if (t->wait(deadline))
            delete t; // its queued hand-over goes with it
        else
            allEnded = false;
    }
    return allEnded;
}

int THTTPThread::LiveCount()
{
    QMutexLocker lock(&LiveLock);
    return int(LiveThreads().size());
}

void THTTPThread::SetTimeouts(int _ConnectSeconds, int _StallSeconds)
{
    ConnectSeconds.store(_ConnectSeconds > 0 ? _ConnectSeconds : DefaultConnectSeconds);
    StallSeconds.store(_StallSeconds > 0 ? _StallSeconds : DefaultStallSeconds);
}

#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>

// Completion callbacks: the requested URL, the reply text and the error text.
// Exactly one of the last two is meaningful; a successful request with an
// empty body gives two empty texts.
using TOnGetSuccess = std::function<void(const QString &_URL, const QString &_ResultString,
                                         const QString &_ErrorString)>;
using TOnPostSuccess = TOnGetSuccess;

// One part of a multipart/form-data body.
struct TFormPart
{
    QString fpName;
    QByteArray fpData;
    QString fpFileName;    // not empty: sent as a file part of that name
    QString fpContentType; // empty: left to the HTTP client
};
using TMultipartFormData = QList<TFormPart>;

// One HTTP request on a worker thread of its own. Create it with new, then
// call exactly one of Get or Post; after that the caller must not touch the
// object again: it frees itself once its callback has run on the thread that
// created it (the user-interface thread).
//
// With a _Receiver, the callback is dropped when the receiver has been
// destroyed before the answer arrives.
class THTTPThread : public QThread
{
    Q_OBJECT
public:
    THTTPThread();
    ~THTTPThread() override;

    void Get(const QString &_URL, TOnGetSuccess _GetSuccess, const QString &_CookieStr = QString(),
             QObject *_Receiver = nullptr);
    // The form is copied: the caller keeps its own.
    void Post(const QString &_URL, const TMultipartFormData &ASource, TOnPostSuccess _PostSuccess,
              const QString &_CookieStr = QString(), QObject *_Receiver = nullptr);

    // Asks every running request to give up; their callbacks report the
    // cancellation. Returns at once.
    static void AbortAll();
    // For closing the program: aborts every request, waits up to _WaitMs for
    // the workers, and frees the ended ones without running their callbacks.
    // True when none is left running. Runs by itself when the application quits.
    static bool StopAllRequests(int _WaitMs = 1000);
    // Requests created and not yet freed.
    static int LiveCount();

    // Seconds allowed for connecting, and for a reply that stalls below one
    // byte a second. Values below 1 restore the defaults.
    static void SetTimeouts(int _ConnectSeconds, int _StallSeconds);

protected:
    void run() override;

private:
    void Arm(const QString &_URL, const QString &_CookieStr, QObject *_Receiver);
    void Deliver();
    void Perform();

    bool isPost = false;
    QString URL;
    TMultipartFormData PostDataSource;
    TOnGetSuccess GetSuccess;
    TOnPostSuccess PostSuccess;
    QString ServerReplyStr;
    QString ServerErrorStr;
    QString CookieStr;

    QPointer<QObject> Receiver;
    bool HasReceiver = false;
    bool Delivered = false;
    std::atomic<bool> AbortFlag{false};
};

// The body as text, by the charset that the Content-Type names; UTF-8 (with
// Latin-1 for bytes that are not UTF-8) when it names none or one we do not know.
QString DecodeHttpBody(const QByteArray &_Body, const QByteArray &_ContentType);

#include "update/HTTPThread.h"

#include "TestHttpServer.h"

#include <QtTest>

namespace {

struct TAnswer
{
    int Calls = 0;
    bool OnUiThread = false;
    QString Url;
    QString Reply;
    QString Error;
};

TOnGetSuccess Recorder(TAnswer &_answer)
{
    return [&_answer](const QString &u, const QString &r, const QString &e) {
        ++_answer.Calls;
        _answer.OnUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        _answer.Url = u;
        _answer.Reply = r;
        _answer.Error = e;
    };
}

QByteArray HeaderLine(const QByteArray &_head, const QByteArray &_name)
{
    for (const QByteArray &line : _head.split('\n')) {
        if (line.toLower().startsWith(_name.toLower() + ':'))
            return line.trimmed();
    }
    return QByteArray();
}

} // namespace

class TestHttpThread : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void getOutcome_data();
    void getOutcome();
    void redirectIsNotFollowed();
    void refusedPort();
    void unusableUrl_data();
    void unusableUrl();
    void userAgentAndCookie_data();
    void userAgentAndCookie();
    void callbackOnceOnUiThreadThenFreed();
    void throwingCallbackStillFreesThread();
    void goneReceiverDropsAnswer();
    void abortEndsHangingRequest();
    void stopAllRequestsEndsHangingRequestsWithoutCallback();
    void quittingTheApplicationEndsHangingRequest();
    void stalledServerTimesOut();
    void multipartPost();
    void decodeHttpBody_data();
    void decodeHttpBody();

private:
    std::unique_ptr<TTestHttpServer> Server;
};

void TestHttpThread::init()
{
    Server = std::make_unique<TTestHttpServer>();
    QVERIFY(Server->Listen());
}

void TestHttpThread::cleanup()
{
    THTTPThread::StopAllRequests(5000);
    THTTPThread::SetTimeouts(0, 0);
    QTRY_COMPARE(THTTPThread::LiveCount(), 0);
    Server.reset();
}

void TestHttpThread::getOutcome_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("errorPart"); // empty: no error expected

    const QByteArray doc = "<newversioninfo><version>0.8.1.44</version></newversioninfo>";
    QTest::newRow("success") << TTestHttpServer::Response(200, "OK", doc)
                             << QString::fromLatin1(doc) << QString();
    QTest::newRow("empty body") << TTestHttpServer::Response(200, "OK", "") << QString()
                                << QString();
    QTest::newRow("204") << TTestHttpServer::Response(204, "No Content", "", "") << QString()
                         << QString();
    QTest::newRow("not found") << TTestHttpServer::Response(404, "Not Found", "missing")
                               << QString() << "404";
    QTest::newRow("server error") << TTestHttpServer::Response(500, "Oops", "<newversioninfo>")
                                  << QString() << "500";
    QTest::newRow("utf-8 without charset")
        << TTestHttpServer::Response(200, "OK", "\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xb0\xd1\x8f")
        << QString::fromUtf8("Новая") << QString();
    QTest::newRow("windows-1251") << TTestHttpServer::Response(200, "OK", "\xcd\xee\xe2\xe0\xff",
                                                               "text/xml; charset=windows-1251")
                                  << QString::fromUtf8("Новая") << QString();
    QTest::newRow("latin-1 quoted")
        << TTestHttpServer::Response(200, "OK", "caf\xe9", "text/plain; charset=\"ISO-8859-1\"")
        << QString::fromUtf8("café") << QString();
}

void TestHttpThread::getOutcome()
{
    QFETCH(QByteArray, response);
    QFETCH(QString, reply);
    QFETCH(QString, errorPart);
    Server->Route("/u", response);
    TAnswer answer;
    const QString url = Server->Url(QStringLiteral("/u?i=3"));
    (new THTTPThread)->Get(url, Recorder(answer));
    QTRY_COMPARE(answer.Calls, 1);
    QCOMPARE(answer.Url, url);
    QCOMPARE(answer.Reply, reply);
    if (errorPart.isEmpty()) {
        QCOMPARE(answer.Error, QString());
    } else {
        QVERIFY2(answer.Error.contains(errorPart), qPrintable(answer.Error));
    }
    QCOMPARE(Server->Requests.size(), 1);
    QCOMPARE(Server->Requests[0].Method, QByteArray("GET"));
    QCOMPARE(Server->Requests[0].Target, QByteArray("/u?i=3"));
}

void TestHttpThread::redirectIsNotFollowed()
{
    Server->Route("/moved", "HTTP/1.1 302 Found\r\nLocation: /u\r\nContent-Length: 0\r\n"
                            "Connection: close\r\n\r\n");
    Server->Route("/u", TTestHttpServer::Response(200, "OK", "<newversioninfo>x</newversioninfo>"));
    TAnswer answer;
    (new THTTPThread)->Get(Server->Url(QStringLiteral("/moved")), Recorder(answer));
    QTRY_COMPARE(answer.Calls, 1);
    QCOMPARE(answer.Reply, QString());
    QVERIFY(answer.Error.contains(QLatin1String("302")));
    QCOMPARE(Server->Requests.size(), 1);
}

void TestHttpThread::refusedPort()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    TAnswer answer;
    (new THTTPThread)->Get(QStringLiteral("http://127.0.0.1:%1/u").arg(port), Recorder(answer));
    QTRY_COMPARE(answer.Calls, 1);
    QCOMPARE(answer.Reply, QString());
    QVERIFY(!answer.Error.isEmpty());
}

void TestHttpThread::unusableUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("empty") << QString();
    QTest::newRow("no scheme") << "not a url";
    QTest::newRow("local file") << "file:///etc/passwd";
    QTest::newRow("other protocol") << "ftp://127.0.0.1:1/u";
}

void TestHttpThread::unusableUrl()
{
    QFETCH(QString, url);
    TAnswer answer;
    (new THTTPThread)->Get(url, Recorder(answer));
    QTRY_COMPARE(answer.Calls, 1);
    QCOMPARE(answer.Reply, QString());
    QVERIFY(!answer.Error.isEmpty());
}

void TestHttpThread::userAgentAndCookie_data()
{
    QTest::addColumn<QString>("cookie");
    QTest::addColumn<QByteArray>("cookieLine"); // empty: no Cookie header at all
    QTest::newRow("no cookie") << QString() << QByteArray();
    QTest::newRow("cookie as given") << "sid=42; lang=ru" << QByteArray("Cookie:sid=42; lang=ru");
    QTest::newRow("line break cannot add a header")
        << "a=1\r\nX-Evil: 1" << QByteArray("Cookie:a=1X-Evil: 1");
}

void TestHttpThread::userAgentAndCookie()
{
    QFETCH(QString, cookie);
    QFETCH(QByteArray, cookieLine);
    Server->Route("/u", TTestHttpServer::Response(200, "OK", "x"));
    TAnswer answer;
    (new THTTPThread)->Get(Server->Url(QStringLiteral("/u")), Recorder(answer), cookie);
    QTRY_COMPARE(answer.Calls, 1);
    QCOMPARE(Server->Requests.size(), 1);
    const QByteArray head = Server->Requests[0].Head;
    QCOMPARE(HeaderLine(head, "User-Agent"), QByteArray("User-Agent: Kvmo Desktop 1.0 (Win)"));
    QCOMPARE(HeaderLine(head, "Cookie"), cookieLine);
    QCOMPARE(HeaderLine(head, "X-Evil"), QByteArray());
    QVERIFY(head.startsWith("GET /u HTTP/1.1\r\n"));
}

void TestHttpThread::callbackOnceOnUiThreadThenFreed()
{
    Server->Route("/u", TTestHttpServer::Response(200, "OK", "x"));
    TAnswer first;
    TAnswer second;
    (new THTTPThread)->Get(Server->Url(QStringLiteral("/u")), Recorder(first));
    (new THTTPThread)->Get(Server->Url(QStringLiteral("/missing")), Recorder(second));
    QTRY_COMPARE(THTTPThread::LiveCount(), 0);
    // Whatever was still queued has had its chance to run.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(first.Calls, 1);
    QCOMPARE(second.Calls, 1);
    QVERIFY(first.OnUiThread);
    QVERIFY(second.OnUiThread);
    QCOMPARE(first.Reply, QStringLiteral("x"));
    QVERIFY(second.Error.contains(QLatin1String("404")));
}

void TestHttpThread::throwingCallbackStillFreesThread()
{
    Server->Route("/u", TTestHttpServer::Response(200, "OK", "x"));
    int calls = 0;
    (new THTTPThread)
        ->Get(Server->Url(QStringLiteral("/u")),
              [&calls](const QString &, const QString &, const QString &) {
                  ++calls;
                  throw std::runtime_error("callback failed");
              });
    QTRY_COMPARE(calls, 1);
    QTRY_COMPARE(THTTPThread::LiveCount(), 0);
}

void TestHttpThread::goneReceiverDropsAnswer()
{
    Server->Hold("/u");
    auto *receiver = new QObject;
    TAnswer answer;
    (new THTTPThread)
        ->Get(Server->Url(QStringLiteral("/u")), Recorder(answer), QString(), receiver);
    QTRY_COMPARE(Server->HeldCount(), 1);
    delete receiver;
    Server->ReleaseHeld(TTestHttpServer::Response(200, "OK", "late"));
    QTRY_COMPARE(THTTPThread::LiveCount(), 0);
    QCOMPARE(answer.Calls, 0);
}

void TestHttpThread::abortEndsHangingRequest()
{
    Server->Hold("/u");
    TAnswer answer;
    (new THTTPThread)->Get(Server->Url(QStringLiteral("/u")), Recorder(answer));
    QTRY_COMPARE(Server->HeldCount(), 1);
    THTTPThread::AbortAll();
    // Far below the stall time-out: only the abort can end it this soon.
    QTRY_COMPARE(answer.Calls, 1);
    QCOMPARE(answer.Reply, QString());
    QVERIFY(!answer.Error.isEmpty());
    QTRY_COMPARE(THTTPThread::LiveCount(), 0);
}

void TestHttpThread::stopAllRequestsEndsHangingRequestsWithoutCallback()
{
    Server->Hold("/u");
    TAnswer answer;
    (new THTTPThread)->Get(Server->Url(QStringLiteral("/u")), Recorder(answer));
    (new THTTPThread)->Get(Server->Url(QStringLiteral("/u")), Recorder(answer));
    QTRY_COMPARE(Server->HeldCount(), 2);
    QVERIFY(THTTPThread::StopAllRequests(1000));
    QCOMPARE(THTTPThread::LiveCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(answer.Calls, 0);
}

void TestHttpThread::quittingTheApplicationEndsHangingRequest()
{
    Server->Hold("/u");
    TAnswer answer;
    (new THTTPThread)->Get(Server->Url(QStringLiteral("/u")), Recorder(answer));
    QTRY_COMPARE(Server->HeldCount(), 1);
    // The program's own message loop ends as a closed window ends it.
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    QCOMPARE(THTTPThread::LiveCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(answer.Calls, 0);
}

void TestHttpThread::stalledServerTimesOut()
{
    THTTPThread::SetTimeouts(5, 1);
    Server->Hold("/u");
    TAnswer answer;
    (new THTTPThread)->Get(Server->Url(QStringLiteral("/u")), Recorder(answer));
    QTRY_COMPARE_WITH_TIMEOUT(answer.Calls, 1, 20000);
    QCOMPARE(answer.Reply, QString());
    QVERIFY(!answer.Error.isEmpty());
}

void TestHttpThread::multipartPost()
{
    Server->Route("/post", TTestHttpServer::Response(200, "OK", "stored"));
    TMultipartFormData form;
    form.append({QStringLiteral("field"), QByteArray("value 1"), QString(), QString()});
    form.append({QStringLiteral("file"), QByteArray("\x00\x01\x02", 3), QStringLiteral("a.bin"),
                 QStringLiteral("application/octet-stream")});
    TAnswer answer;
    (new THTTPThread)->Post(Server->Url(QStringLiteral("/post")), form, Recorder(answer));
    QTRY_COMPARE(answer.Calls, 1);
    QCOMPARE(answer.Reply, QStringLiteral("stored"));
    QCOMPARE(Server->Requests.size(), 1);
    const TTestHttpServer::TRequest &r = Server->Requests[0];
    QCOMPARE(r.Method, QByteArray("POST"));
    QVERIFY(HeaderLine(r.Head, "Content-Type").contains("multipart/form-data; boundary="));
    QCOMPARE(HeaderLine(r.Head, "Expect"), QByteArray());
    QVERIFY(r.Body.contains("Content-Disposition: form-data; name=\"field\"\r\n\r\nvalue 1\r\n"));
    QVERIFY(r.Body.contains("name=\"file\"; filename=\"a.bin\"\r\n"
                            "Content-Type: application/octet-stream\r\n\r\n" +
                            QByteArray("\x00\x01\x02", 3)));
}

void TestHttpThread::decodeHttpBody_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("text");
    QTest::newRow("no content type") << QByteArray("a\xc3\xa9") << QByteArray() << "aé";
    QTest::newRow("invalid utf-8 keeps markers")
        << QByteArray("<v>\xff</v>") << QByteArray("text/xml")
        << QString::fromLatin1("<v>\xff</v>");
    QTest::newRow("unknown charset")
        << QByteArray("<v>1</v>") << QByteArray("text/xml; charset=no-such-set") << "<v>1</v>";
    QTest::newRow("charset case and blanks")
        << QByteArray("\xe9") << QByteArray("text/plain ;CharSet = latin1") << "é";
    QTest::newRow("empty charset") << QByteArray("x") << QByteArray("text/plain; charset=") << "x";
    QTest::newRow("utf-16") << QByteArray("\xff\xfe<\x00v\x00>\x00", 8)
                            << QByteArray("text/xml; charset=utf-16") << "<v>";
}

void TestHttpThread::decodeHttpBody()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, text);
    QCOMPARE(DecodeHttpBody(body, contentType), text);
}

QTEST_GUILESS_MAIN(TestHttpThread)
#include "tst_httpthread.moc"

#include "app/settings/QBXRegistry.h"
#include "update/CheckUpdate.h"
#include "update/HTTPThread.h"
#include "update/UpdateFlow.h"

#include "TestHttpServer.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(TVersionOrder)

namespace {

const QDate Today(2023, 3, 27); // day 45012
const QString OfferTemplate = QStringLiteral("Version %1 is out");

QByteArray Document(const QByteArray &_version, const QByteArray &_downloadUrl)
{
    return "<?xml version=\"1.0\"?>\n<newversioninfo>\n<version>" + _version +
           "</version>\n<changes>Faster MP4</changes>\n<moreinfourl>http://m/</moreinfourl>\n"
           "<downloadurl>" +
           _downloadUrl + "</downloadurl>\n</newversioninfo>\n";
}

void ClearStore(const QString &_name)
{
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qbx"), _name).clear();
}

QString Own(const char *_name)
{
    return TQBXRegistry(QStringLiteral("Frobnik")).ReadStringPar(QString::fromLatin1(_name));
}

} // namespace

class TestCheckUpdate : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void compareVersions_data();
    void compareVersions();
    void parseUpdateDocument_data();
    void parseUpdateDocument();
    void dayNumber();
    void startupUrl_data();
    void startupUrl();
    void mirrorUrlReplacesLanguageUrl();
    void onlyFirstRequestCarriesQuery();
    void checkerRegistersAndUnregisters();
    void menuCheckOutcome_data();
    void menuCheckOutcome();
    void declinedOfferIsNotRepeated();
    void acceptedOfferGoesToDownloadManager_data();
    void acceptedOfferGoesToDownloadManager();
    void quietCheckDue_data();
    void quietCheckDue();
    void quietCheckRunsOnceAndStaysQuiet();
    void answerAfterCheckerIsGoneIsDropped();

private:
    std::unique_ptr<TUpdateFlow> MakeFlow(const QString &_url);

    std::unique_ptr<TTestHttpServer> Server;
    QStringList Infos;
    QStringList Confirms;
    QList<bool> Answers;
    QList<QPair<QString, QString>> Opened;
};

void TestCheckUpdate::init()
{
    for (const char *name : {"Frobnik", "Pelmora", "Quillarax"})
        ClearStore(QString::fromLatin1(name));
    qunsetenv("FROBNIK_UPDATE_URL");
    Server = std::make_unique<TTestHttpServer>();
    QVERIFY(Server->Listen());
    Infos.clear();
    Confirms.clear();
    Answers.clear();
    Opened.clear();
}

void TestCheckUpdate::cleanup()
{
    THTTPThread::StopAllRequests(5000);
    QTRY_COMPARE(THTTPThread::LiveCount(), 0);
    Server.reset();
}

std::unique_ptr<TUpdateFlow> TestCheckUpdate::MakeFlow(const QString &_url)
{
    TUpdateHost host;
    host.MessageText = [](TMessageIndex i) {
        switch (i) {
        case miNewVersion:
            return OfferTemplate;
        case miDownloadQuestion:
            return QStringLiteral("Download?");
        case miNoNewVersion:
            return QStringLiteral("13032");
        case miUpdateInfoUnavailable:
            return QStringLiteral("13033");
        default:
            return QStringLiteral("wrong text");
        }
    };
    host.ShowInformation = [this](const QString &t) { Infos << t; };
    host.ConfirmYesNo = [this](const QString &t) {
        Confirms << t;
        return Answers.isEmpty() ? false : Answers.takeFirst();
    };
    host.ShellOpen = [this](const QString &t, const QString &p) { Opened.append({t, p}); };
    host.Today = [] { return Today; };
    return std::make_unique<TUpdateFlow>(_url, host);
}

void TestCheckUpdate::compareVersions_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<TVersionOrder>("order");
    const auto newer = TVersionOrder::Newer;
    const auto notNewer = TVersionOrder::NotNewer;
    const auto incomparable = TVersionOrder::Incomparable;
    QTest::newRow("last part up") << "0.8.1.44" << newer;
    QTest::newRow("second part up") << "0.9.0.1" << newer;
    QTest::newRow("three parts, second up") << "0.9.1" << newer;
    QTest::newRow("first part up") << "1.0.0.0" << newer;
    QTest::newRow("first part decides before the rest") << "1.0" << newer;
    QTest::newRow("same") << "0.8.1.43" << notNewer;
    QTest::newRow("third part is not compared") << "0.8.2.1" << notNewer;
    QTest::newRow("three parts keep the third") << "0.8.5" << notNewer;
    QTest::newRow("three parts, last part up") << "0.8.44" << newer;
    QTest::newRow("older first part") << "0.7.9.99" << notNewer;
    QTest::newRow("second part down ends it") << "0.7.99.99" << notNewer;
    QTest::newRow("two parts") << "0.9" << incomparable;
    QTest::newRow("one part") << "1" << incomparable;
    QTest::newRow("letters") << "0.8.1.x" << incomparable;
    QTest::newRow("five parts") << "0.8.1.43.1" << incomparable;
    QTest::newRow("empty part") << "0..1.44" << incomparable;
    QTest::newRow("blank inside") << "0.8.1.4 4" << incomparable;
    QTest::newRow("huge number") << "0.8.1.99999999999999999999" << incomparable;
    QTest::newRow("negative first part") << "-1.9.9.99" << notNewer;
}

void TestCheckUpdate::compareVersions()
{
    QFETCH(QString, version);
    QFETCH(TVersionOrder, order);
    QCOMPARE(CompareVersions(version, QStringLiteral("0.8.1.43")), order);
}

void TestCheckUpdate::parseUpdateDocument_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("flag");
    QTest::addColumn<bool>("comparable");
    QTest::addColumn<QString>("version");

    QTest::newRow("empty body") << QString() << -1 << true << QString();
    QTest::newRow("empty element")
        << "<newversioninfo></newversioninfo>" << -1 << true << QString();
    QTest::newRow("foreign page") << "<html><body>503</body></html>" << -1 << true << QString();
    QTest::newRow("binary") << QString::fromLatin1("\x01\xff<newversion\x00info>", 19) << -1 << true
                            << QString();
    QTest::newRow("unbalanced") << "<newversioninfo>x" << -1 << true << QString();
    QTest::newRow("no version") << "<newversioninfo>x</newversioninfo>" << 0 << true << QString();
    QTest::newRow("newer over http")
        << QString::fromLatin1(Document("0.8.1.44", "http://dl.example.org/f.exe")) << 1 << true
        << "0.8.1.44";
    QTest::newRow("newer over https, any case")
        << QString::fromLatin1(Document("0.9.1", "HTTPS://dl.example.org/f.exe")) << 1 << true
        << "0.9.1";
    QTest::newRow("same version") << QString::fromLatin1(Document("0.8.1.43", "http://d/f")) << 0
                                  << true << "0.8.1.43";
    QTest::newRow("incomparable") << QString::fromLatin1(Document("0.9", "http://d/f")) << 0
                                  << false << "0.9";
    QTest::newRow("newer, local file url")
        << QString::fromLatin1(Document("1.0.0.0", "file:///bin/sh")) << 0 << true << "1.0.0.0";
    QTest::newRow("newer, plain path")
        << QString::fromLatin1(Document("1.0.0.0", "/usr/bin/xterm")) << 0 << true << "1.0.0.0";
    QTest::newRow("newer, script url")
        << QString::fromLatin1(Document("1.0.0.0", "javascript:alert(1)")) << 0 << true
        << "1.0.0.0";
    QTest::newRow("newer, no download url")
        << QString::fromLatin1(Document("1.0.0.0", "")) << 0 << true << "1.0.0.0";
    QTest::newRow("newer, url with a quote")
        << QString::fromLatin1(Document("1.0.0.0", "http://d/f\" --exec=x")) << 0 << true
        << "1.0.0.0";
    QTest::newRow("newer, url with a blank")
        << QString::fromLatin1(Document("1.0.0.0", "http://d/f -x")) << 0 << true << "1.0.0.0";
    QTest::newRow("newer, no host")
        << QString::fromLatin1(Document("1.0.0.0", "http:///f")) << 0 << true << "1.0.0.0";
}

void TestCheckUpdate::parseUpdateDocument()
{
    QFETCH(QString, reply);
    QFETCH(int, flag);
    QFETCH(bool, comparable);
    QFETCH(QString, version);
    const TUpdateParseResult r = ParseUpdateDocument(reply, QStringLiteral("0.8.1.43"));
    QCOMPARE(r.needUpdateFlag, flag);
    QCOMPARE(r.comparable, comparable);
    QCOMPARE(r.info.version, version);
    if (flag == 1) {
        QCOMPARE(r.info.changes, QStringLiteral("Faster MP4"));
        QCOMPARE(r.info.moreInfoUrl, QStringLiteral("http://m/"));
    }
}

void TestCheckUpdate::dayNumber()
{
    QCOMPARE(DayNumber(Today), 45012);
    QCOMPARE(DayNumber(QDate(1899, 12, 30)), 0);
}

void TestCheckUpdate::startupUrl_data()
{
    QTest::addColumn<QString>("atinmb");
    QTest::addColumn<QString>("inmb");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("inmbAfter");
    QTest::newRow("counter runs") << "1"
                                  << "4"
                                  << "?i=5"
                                  << "5";
    QTest::newRow("no counter yet") << "1" << QString() << "?i=1"
                                    << "1";
    QTest::newRow("counter not a number") << "1"
                                          << "x"
                                          << "?i=1"
                                          << "1";
    QTest::newRow("counter at its limit") << "1"
                                          << "2147483647" << QString() << "2147483647";
    QTest::newRow("not yet counting") << QString() << "4" << QString() << "4";
    QTest::newRow("only exactly 1 counts") << "01"
                                           << "4" << QString() << "4";
}

void TestCheckUpdate::startupUrl()
{
    QFETCH(QString, atinmb);
    QFETCH(QString, inmb);
    QFETCH(QString, query);
    QFETCH(QString, inmbAfter);
    TQBXRegistry reg(QStringLiteral("Frobnik"));
    if (!atinmb.isEmpty())
        reg.WriteStringPar(QStringLiteral("atinmb"), atinmb);
    if (!inmb.isEmpty())
        reg.WriteStringPar(QStringLiteral("inmb"), inmb);
    const QString base = QStringLiteral("http://www.frobnik.example.org/download/update.php");
    QCOMPARE(TUpdateFlow::StartupUpdateUrl(base), base + query);
    QCOMPARE(Own("inmb"), inmbAfter);
}

void TestCheckUpdate::mirrorUrlReplacesLanguageUrl()
{
    TQBXRegistry(QStringLiteral("Frobnik"))
        .WriteStringPar(QStringLiteral("atinmb"), QStringLiteral("1"));
    qputenv("FROBNIK_UPDATE_URL", "http://127.0.0.1:9/u.php");
    QCOMPARE(TUpdateFlow::StartupUpdateUrl(QStringLiteral("http://lang/u.php")),
             QStringLiteral("http://127.0.0.1:9/u.php?i=1"));
    qputenv("FROBNIK_UPDATE_URL", "");
    QCOMPARE(TUpdateFlow::StartupUpdateUrl(QStringLiteral("http://lang/u.php")),
             QStringLiteral("http://lang/u.php?i=2"));
    qunsetenv("FROBNIK_UPDATE_URL");
}

void TestCheckUpdate::onlyFirstRequestCarriesQuery()
{
    Server->Route("/u", TTestHttpServer::Response(200, "OK", Document("0.8.1.43", "http://d/f")));
    auto flow = MakeFlow(Server->Url(QStringLiteral("/u?i=5")));
    flow->CheckUpdateActionExecute();
    QTRY_COMPARE(Infos.size(), 1);
    flow->CheckUpdateActionExecute();
    QTRY_COMPARE(Infos.size(), 2);
    QCOMPARE(Server->Requests.size(), 2);
    QCOMPARE(Server->Requests[0].Target, QByteArray("/u?i=5"));
    QCOMPARE(Server->Requests[1].Target, QByteArray("/u"));
}

void TestCheckUpdate::checkerRegistersAndUnregisters()
{
    {
        TMyCheckUpdate first(QStringLiteral("http://a/"), QStringLiteral("0.8.1.43"), QString());
        QCOMPARE(ActiveUpdateChecker, &first);
        QCOMPARE(first.GetNeedUpdate(), 0);
        {
            TMyCheckUpdate second(QStringLiteral("http://b/"), QStringLiteral("0.8.1.43"),
                                  QString());
            QCOMPARE(ActiveUpdateChecker, &second);
        }
        QCOMPARE(ActiveUpdateChecker, nullptr);
    }
    QCOMPARE(ActiveUpdateChecker, nullptr);
    // An answer with no checker is dropped without harm.
    TMyCheckUpdate::UpdateReplyReceived(
        QString(), QStringLiteral("<newversioninfo>x</newversioninfo>"), QString());
}

void TestCheckUpdate::menuCheckOutcome_data()
{
    QTest::addColumn<QByteArray>("response"); // empty: refused port
    QTest::addColumn<QStringList>("infos");
    QTest::addColumn<int>("confirms");
    QTest::addColumn<bool>("recorded"); // "LastFUDate" and "atinmb" written

    const QStringList none;
    QTest::newRow("refused") << QByteArray() << QStringList{"13033"} << 0 << false;
    QTest::newRow("error status") << TTestHttpServer::Response(503, "Busy",
                                                               Document("1.0.0.0", "http://d/f"))
                                  << QStringList{"13033"} << 0 << false;
    QTest::newRow("no document") << TTestHttpServer::Response(200, "OK", "<html/>")
                                 << QStringList{"13033"} << 0 << false;
    QTest::newRow("nothing newer")
        << TTestHttpServer::Response(200, "OK", Document("0.8.1.43", "http://d/f"))
        << QStringList{"13032"} << 0 << true;
    QTest::newRow("newer") << TTestHttpServer::Response(200, "OK",
                                                        Document("0.8.1.44", "http://d/f"))
                           << none << 1 << true;
    QTest::newRow("newer but local download")
        << TTestHttpServer::Response(200, "OK", Document("0.8.1.44", "file:///bin/sh"))
        << QStringList{"13032"} << 0 << true;
    QTest::newRow("incomparable is silent")
        << TTestHttpServer::Response(200, "OK", Document("0.9", "http://d/f")) << none << 0
        << false;
}

void TestCheckUpdate::menuCheckOutcome()
{
    QFETCH(QByteArray, response);
    QFETCH(QStringList, infos);
    QFETCH(int, confirms);
    QFETCH(bool, recorded);
    QString url = Server->Url(QStringLiteral("/u"));
    if (response.isEmpty()) {
        Server.reset();
    } else {
        Server->Route("/u", response);
    }
    auto flow = MakeFlow(url);
    flow->CheckUpdateActionExecute();
    QTRY_COMPARE(THTTPThread::LiveCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(Infos, infos);
    QCOMPARE(Confirms.size(), confirms);
    QCOMPARE(Own("LastFUDate"), recorded ? QStringLiteral("45012") : QString());
    QCOMPARE(Own("atinmb"), recorded ? QStringLiteral("1") : QString());
    QVERIFY(Opened.isEmpty());
    if (confirms)
        QCOMPARE(Confirms[0], QStringLiteral("Version 0.8.1.44 is out\nFaster MP4.\nDownload?"));
}

void TestCheckUpdate::declinedOfferIsNotRepeated()
{
    Server->Route("/u", TTestHttpServer::Response(200, "OK", Document("0.9.0.1", "http://d/f")));
    auto flow = MakeFlow(Server->Url(QStringLiteral("/u")));
    flow->CheckUpdateActionExecute();
    QTRY_COMPARE(Confirms.size(), 1);
    QCOMPARE(flow->MyCheckUpdate()->GetNeedUpdate(), 0);
    // The end of the next conversion does not offer the same answer again.
    flow->OfferUpdate();
    QCOMPARE(Confirms.size(), 1);
    // A new answered check does.
    flow->CheckUpdateActionExecute();
    QTRY_COMPARE(Confirms.size(), 2);
    QVERIFY(Opened.isEmpty());
}

void TestCheckUpdate::acceptedOfferGoesToDownloadManager_data()
{
    QTest::addColumn<bool>("pelmora");
    QTest::addColumn<bool>("pelmoraFileExists");
    QTest::addColumn<bool>("quillarax");
    QTest::addColumn<QString>("target"); // "P", "Q" or the URL
    const QString url = QStringLiteral("http://dl.example.org/f.exe");
    QTest::newRow("no download manager") << false << false << false << url;
    QTest::newRow("Pelmora") << true << true << true << "P";
    QTest::newRow("Pelmora's file is gone") << true << false << true << "Q";
    QTest::newRow("Quillarax") << false << false << true << "Q";
    QTest::newRow("named file missing") << true << false << false << url;
}

void TestCheckUpdate::acceptedOfferGoesToDownloadManager()
{
    QFETCH(bool, pelmora);
    QFETCH(bool, pelmoraFileExists);
    QFETCH(bool, quillarax);
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QString pExe = dir.filePath(QStringLiteral("pelmora"));
    const QString qExe = dir.filePath(QStringLiteral("quillarax"));
    if (pelmoraFileExists) {
        QFile f(pExe);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QFile q(qExe);
    QVERIFY(q.open(QIODevice::WriteOnly));
    q.close();
    if (pelmora)
        TQBXRegistry(QStringLiteral("Pelmora")).WriteStringPar(QStringLiteral("ExeFile"), pExe);
    if (quillarax)
        TQBXRegistry(QStringLiteral("Quillarax")).WriteStringPar(QStringLiteral("ExeFile"), qExe);

    const QByteArray url = "http://dl.example.org/f.exe";
    Server->Route("/u", TTestHttpServer::Response(200, "OK", Document("0.8.1.44", url)));
    auto flow = MakeFlow(Server->Url(QStringLiteral("/u")));
    Answers << true;
    flow->CheckUpdateActionExecute();
    QTRY_COMPARE(Opened.size(), 1);
    const QString quoted = QLatin1Char('"') + QString::fromLatin1(url) + QLatin1Char('"');
    if (target == QLatin1String("P"))
        QCOMPARE(Opened[0], qMakePair(pExe, quoted));
    else if (target == QLatin1String("Q"))
        QCOMPARE(Opened[0], qMakePair(qExe, quoted));
    else
        QCOMPARE(Opened[0], qMakePair(target, QString()));
}

void TestCheckUpdate::quietCheckDue_data()
{
    QTest::addColumn<QString>("lastDate");
    QTest::addColumn<bool>("due");
    QTest::newRow("never recorded") << QString() << true;
    QTest::newRow("two days ago") << QString::number(45012 - 2) << false;
    QTest::newRow("three days ago") << QString::number(45012 - 3) << true;
    QTest::newRow("today") << QStringLiteral("45012") << false;
    QTest::newRow("in the future") << QStringLiteral("46000") << false;
    QTest::newRow("not a number") << QStringLiteral("yesterday") << true;
    QTest::newRow("beyond int range") << QStringLiteral("2147483647") << false;
}

void TestCheckUpdate::quietCheckDue()
{
    QFETCH(QString, lastDate);
    QFETCH(bool, due);
    if (!lastDate.isEmpty())
        TQBXRegistry(QStringLiteral("Frobnik"))
            .WriteStringPar(QStringLiteral("LastFUDate"), lastDate);
    auto flow = MakeFlow(Server->Url(QStringLiteral("/u")));
    flow->DecideQuietCheck();
    QCOMPARE(flow->NeedStartFastUpdate(), due);
}

void TestCheckUpdate::quietCheckRunsOnceAndStaysQuiet()
{
    Server->Route("/u", TTestHttpServer::Response(200, "OK", Document("0.8.1.44", "http://d/f")));
    auto flow = MakeFlow(Server->Url(QStringLiteral("/u")));
    flow->DecideQuietCheck();
    flow->StartQuietUpdateCheck();
    flow->StartQuietUpdateCheck();
    QTRY_COMPARE(flow->MyCheckUpdate()->GetNeedUpdate(), 1);
    QTRY_COMPARE(THTTPThread::LiveCount(), 0);
    QCOMPARE(Server->Requests.size(), 1);
    QVERIFY(Infos.isEmpty());
    QVERIFY(Confirms.isEmpty());
    QCOMPARE(Own("LastFUDate"), QString());
    // The offer comes with the end of the conversion.
    flow->OfferUpdate();
    QCOMPARE(Confirms.size(), 1);
    QCOMPARE(Own("LastFUDate"), QStringLiteral("45012"));
}

void TestCheckUpdate::answerAfterCheckerIsGoneIsDropped()
{
    Server->Hold("/u");
    auto flow = MakeFlow(Server->Url(QStringLiteral("/u")));
    flow->CheckUpdateActionExecute();
    QTRY_COMPARE(Server->HeldCount(), 1);
    flow.reset();
    QCOMPARE(ActiveUpdateChecker, nullptr);
    Server->ReleaseHeld(TTestHttpServer::Response(200, "OK", Document("0.8.1.44", "http://d/f")));
    QTRY_COMPARE(THTTPThread::LiveCount(), 0);
    QCoreApplication::processEvents();
    QVERIFY(Infos.isEmpty());
    QVERIFY(Confirms.isEmpty());
    QCOMPARE(Own("LastFUDate"), QString());
}

QTEST_GUILESS_MAIN(TestCheckUpdate)
#include "tst_checkupdate.moc"

#include "app/settings/QBXRegistry.h"
#include "integration/DbusPeers.h"
#include "integration/DownloadManager.h"
#include "integration/HostLinks.h"
#include "integration/RunNotice.h"
#include "integration/ShellOpen.h"
#include "integration/TaskbarProgress.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString DownloadManagerBus = QStringLiteral("dm-under-test");
const QString FileManagerBus = QStringLiteral("fm-under-test");
const QString NotificationBus = QStringLiteral("notifications-under-test");

TLanguage EnglishTexts()
{
    TLanguage language;
    language.LoadLanguage(qEnvironmentVariable("FROBNIK_SOURCE_DIR") +
                          QStringLiteral("/data/Languages/English.lng"));
    return language;
}

QString StoreFile(const QString &_name)
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qbx"), _name)
        .fileName();
}

QStringList StoreKeys(const QString &_name)
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qbx"), _name)
        .allKeys();
}

QString ReadFile(const QString &_path)
{
    QFile f(_path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

// A program that writes the arguments it was started with into "<itself>.args".
QString WriteArgsScript(const QString &_dir)
{
    const QString path = _dir + QStringLiteral("/manager");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args.tmp\"\n"
            "mv \"$0.args.tmp\" \"$0.args\"\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return path;
}

} // namespace

class TLauncherListener : public QObject
{
    Q_OBJECT
public:
    QList<QVariantMap> Updates;
    QStringList Uris;
public slots:
    void Update(const QString &_uri, const QVariantMap &_properties)
    {
        Uris << _uri;
        Updates << _properties;
    }
};

class TestIntegration : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void runningManagerGetsSignal_data();
    void runningManagerGetsSignal();
    void managerNotRunningIsStarted_data();
    void managerNotRunningIsStarted();
    void neitherWayOnlyWritesPath();
    void noJobTouchesNothing_data();
    void noJobTouchesNothing();
    void missingOutputTouchesNothing();
    void relativeOutputIsToldAbsolute_data();
    void relativeOutputIsToldAbsolute();
    void deliveredJobIsNotReportedTwice();
    void helpByLanguage_data();
    void helpByLanguage();
    void homePageMailAndFile();
    void openFolderOfMissingFile();
    void openFolderAsksFileManager();
    void openFolderWithoutFileManagerOpensFolder();
    void shellOpenStartsProgramWithParameters();
    void taskbarProgress_data();
    void taskbarProgress();
    void runNotice_data();
    void runNotice();
    void runNoticeWanted_data();
    void runNoticeWanted();
    void notifierTalksToServer_data();
    void notifierTalksToServer();
    void notifierSilentWithoutServer();

private:
    bool HaveBus() const { return QDBusConnection::sessionBus().isConnected(); }
    QDBusConnection SecondConnection(const QString &_name);
    QString MakeOutput();

    std::unique_ptr<QTemporaryDir> Dir;
    QList<QPair<QString, QString>> Opened;
};

void TestIntegration::init()
{
    for (const char *name : {"Pelmora", "Quillarax"})
        QFile::remove(StoreFile(QString::fromLatin1(name)));
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    Opened.clear();
    SetShellOpener([this](const QString &t, const QString &p) { Opened.append({t, p}); });
}

void TestIntegration::cleanup()
{
    SetShellOpener({});
    for (const QString &name : {DownloadManagerBus, FileManagerBus, NotificationBus})
        QDBusConnection::disconnectFromBus(name);
}

QDBusConnection TestIntegration::SecondConnection(const QString &_name)
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, _name);
}

QString TestIntegration::MakeOutput()
{
    const QString path = Dir->filePath(QStringLiteral("clip.mp4"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write("mp4");
    return path;
}

void TestIntegration::runningManagerGetsSignal_data()
{
    QTest::addColumn<QString>("app");
    QTest::newRow("Quillarax") << "Quillarax";
    QTest::newRow("Pelmora") << "Pelmora";
}

void TestIntegration::runningManagerGetsSignal()
{
    if (!HaveBus())
        QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
    QFETCH(QString, app);
    QDBusConnection dm = SecondConnection(DownloadManagerBus);
    QVERIFY(dm.isConnected());
    QVERIFY(dm.registerService(QStringLiteral("com.qbx.") + app));
    TFakeDownloadManager manager;
    manager.AppName = app;
    QVERIFY(dm.connect(QString(), QStringLiteral("/com/qbx/Frobnik"),
                       QStringLiteral("com.qbx.Frobnik"), QStringLiteral("ConversionComplete"),
                       &manager, SLOT(ConversionComplete(int))));
    TQBXRegistry reg(app);
    reg.WriteStringPar(QStringLiteral("ApplicationHandle"), QStringLiteral("1234"));
    const QString script = WriteArgsScript(Dir->path());
    reg.WriteStringPar(QStringLiteral("ExeFile"), script);
    const QString out = MakeOutput();

    QVERIFY(NotifyDownloadManager(app, 17, out));
    QTRY_COMPARE(manager.Jobs, QList<int>{17});
    QCOMPARE(manager.PathsSeen, QStringList{out});
    QCOMPARE(reg.ReadStringPar(QStringLiteral("conv_for_17")), out);
    // The running manager is told, not started again.
    QVERIFY(!QFile::exists(script + QStringLiteral(".args")));
}

void TestIntegration::managerNotRunningIsStarted_data()
{
    QTest::addColumn<QString>("handle");
    QTest::addColumn<bool>("ownsName");
    QTest::newRow("handle but no bus name") << "1234" << false;
    QTest::newRow("bus name but no handle") << QString() << true;
    QTest::newRow("handle not a number") << "12ab" << true;
    QTest::newRow("handle zero") << "0" << true;
}

void TestIntegration::managerNotRunningIsStarted()
{
    QFETCH(QString, handle);
    QFETCH(bool, ownsName);
    TFakeDownloadManager manager;
    if (ownsName) {
        if (!HaveBus())
            QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
        QDBusConnection dm = SecondConnection(DownloadManagerBus);
        QVERIFY(dm.registerService(QStringLiteral("com.qbx.Quillarax")));
        QVERIFY(dm.connect(QString(), QStringLiteral("/com/qbx/Frobnik"),
                           QStringLiteral("com.qbx.Frobnik"), QStringLiteral("ConversionComplete"),
                           &manager, SLOT(ConversionComplete(int))));
    }
    TQBXRegistry reg(QStringLiteral("Quillarax"));
    if (!handle.isEmpty())
        reg.WriteStringPar(QStringLiteral("ApplicationHandle"), handle);
    const QString script = WriteArgsScript(Dir->path());
    reg.WriteStringPar(QStringLiteral("ExeFile"), script);
    const QString out = MakeOutput();

    QVERIFY(NotifyDownloadManager(QStringLiteral("Quillarax"), 17, out));
    QTRY_COMPARE(ReadFile(script + QStringLiteral(".args")), QStringLiteral("-convcomplete=17"));
    QCOMPARE(reg.ReadStringPar(QStringLiteral("conv_for_17")), out);
    QVERIFY(manager.Jobs.isEmpty());
}

void TestIntegration::neitherWayOnlyWritesPath()
{
    TQBXRegistry reg(QStringLiteral("Quillarax"));
    reg.WriteStringPar(QStringLiteral("ApplicationHandle"), QStringLiteral("1234"));
    reg.WriteStringPar(QStringLiteral("ExeFile"), Dir->filePath(QStringLiteral("gone")));
    const QString out = MakeOutput();
    QVERIFY(!NotifyDownloadManager(QStringLiteral("Quillarax"), 17, out));
    QCOMPARE(reg.ReadStringPar(QStringLiteral("conv_for_17")), out);
    QCOMPARE(StoreKeys(QStringLiteral("Quillarax")).size(), 3);
    QVERIFY(!QFile::exists(StoreFile(QStringLiteral("Pelmora"))));
}

void TestIntegration::noJobTouchesNothing_data()
{
    // What "-fDID=abc", "-fDID=0" and "-fDID=-3" leave in the job number.
    QTest::addColumn<int>("job");
    QTest::newRow("not a number") << 0;
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -3;
}

void TestIntegration::noJobTouchesNothing()
{
    QFETCH(int, job);
    QVERIFY(!NotifyDownloadManager(QStringLiteral("Quillarax"), job, MakeOutput()));
    QVERIFY(!QFile::exists(StoreFile(QStringLiteral("Quillarax"))));
    QVERIFY(!QFile::exists(StoreFile(QStringLiteral("Pelmora"))));
}

void TestIntegration::missingOutputTouchesNothing()
{
    QVERIFY(!NotifyDownloadManager(QStringLiteral("Quillarax"), 17,
                                   Dir->filePath(QStringLiteral("never-written.mp4"))));
    QVERIFY(!QFile::exists(StoreFile(QStringLiteral("Quillarax"))));
}

void TestIntegration::relativeOutputIsToldAbsolute_data()
{
    QTest::addColumn<QString>("output");
    QTest::newRow("bare name") << "clip.mp4";
    QTest::newRow("dot folder") << "./clip.mp4";
    QTest::newRow("up and back") << "sub/../clip.mp4";
}

void TestIntegration::relativeOutputIsToldAbsolute()
{
    // The manager runs in a folder of its own: a name relative to ours would
    // send it looking in the wrong place.
    QFETCH(QString, output);
    MakeOutput();
    QVERIFY(QDir(Dir->path()).mkdir(QStringLiteral("sub")));
    const QString before = QDir::currentPath();
    const auto restore = qScopeGuard([&]() { QDir::setCurrent(before); });
    QVERIFY(QDir::setCurrent(Dir->path()));

    NotifyDownloadManager(QStringLiteral("Quillarax"), 17, output);
    QCOMPARE(TQBXRegistry(QStringLiteral("Quillarax")).ReadStringPar(QStringLiteral("conv_for_17")),
             QDir::currentPath() + QStringLiteral("/clip.mp4"));
}

void TestIntegration::deliveredJobIsNotReportedTwice()
{
    if (!HaveBus())
        QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
    QDBusConnection dm = SecondConnection(DownloadManagerBus);
    QVERIFY(dm.registerService(QStringLiteral("com.qbx.Quillarax")));
    TFakeDownloadManager manager;
    manager.AppName = QStringLiteral("Quillarax");
    QVERIFY(dm.connect(QString(), QStringLiteral("/com/qbx/Frobnik"),
                       QStringLiteral("com.qbx.Frobnik"), QStringLiteral("ConversionComplete"),
                       &manager, SLOT(ConversionComplete(int))));
    TQBXRegistry(QStringLiteral("Quillarax"))
        .WriteStringPar(QStringLiteral("ApplicationHandle"), QStringLiteral("7"));
    const QString out = MakeOutput();

    // What the window does with ConvertForPM_DID after each successful conversion.
    int convertForPmDid = 17;
    for (int run = 0; run < 2; ++run) {
        if (NotifyDownloadManager(QStringLiteral("Quillarax"), convertForPmDid, out))
            convertForPmDid = 0;
    }
    QCOMPARE(convertForPmDid, 0);
    QTRY_COMPARE(manager.Jobs, QList<int>{17});
    // Let a second notice, if any had been sent, arrive.
    dm.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
    QCoreApplication::processEvents();
    QCOMPARE(manager.Jobs, QList<int>{17});
}

void TestIntegration::helpByLanguage_data()
{
    QTest::addColumn<QString>("helpFile");
    QTest::addColumn<QString>("opened");
    QTest::newRow("English") << "frobnik.chm"
                             << "/opt/frobnik/help/frobnik/index.htm";
    QTest::newRow("Russian") << "frobnik_ru.chm"
                             << "/opt/frobnik/help/frobnik_ru/index.htm";
}

void TestIntegration::helpByLanguage()
{
    QFETCH(QString, helpFile);
    QFETCH(QString, opened);
    HostLinks::ContentsActionExecute(QStringLiteral("/opt/frobnik/"), helpFile);
    QCOMPARE(Opened, (QList<QPair<QString, QString>>{{opened, QString()}}));
    Opened.clear();
    HostLinks::ShowHtmlHelp(QStringLiteral("/opt/frobnik"),
                            helpFile + QStringLiteral("::/formats.htm"));
    QCOMPARE(Opened.value(0).first,
             opened.replace(QLatin1String("index.htm"), QLatin1String("formats.htm")));
}

void TestIntegration::homePageMailAndFile()
{
    HostLinks::HomePageActionExecute(QStringLiteral("http://www.frobnik.example.org/ru/"));
    HostLinks::EmailActionExecute();
    HostLinks::OpenFileBitBtnClick(QStringLiteral("/home/u/Videos/clip.mp4"));
    const QList<QPair<QString, QString>> expected{
        {QStringLiteral("http://www.frobnik.example.org/ru/"), QString()},
        {QStringLiteral("mailto:support@frobnik.example.org"), QString()},
        {QStringLiteral("/home/u/Videos/clip.mp4"), QString()}};
    QCOMPARE(Opened, expected);
}

void TestIntegration::openFolderOfMissingFile()
{
    HostLinks::OpenFolderBitBtnClick(QStringLiteral("/home/u/Videos/clip.mp4"));
    HostLinks::OpenFolderBitBtnClick(QStringLiteral("/clip.mp4"));
    const QList<QPair<QString, QString>> expected{{QStringLiteral("/home/u/Videos"), QString()},
                                                  {QStringLiteral("/"), QString()}};
    QCOMPARE(Opened, expected);
}

void TestIntegration::openFolderAsksFileManager()
{
    if (!HaveBus())
        QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
    QDBusConnection fm = SecondConnection(FileManagerBus);
    TFakeFileManager fileManager;
    QVERIFY(fm.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    QVERIFY(fm.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager,
                              QDBusConnection::ExportAllSlots));
    const QString out = MakeOutput();
    HostLinks::OpenFolderBitBtnClick(out);
    QTRY_COMPARE(fileManager.Shown, QStringList{QUrl::fromLocalFile(out).toString()});
    QCoreApplication::processEvents();
    QVERIFY(Opened.isEmpty());
}

void TestIntegration::openFolderWithoutFileManagerOpensFolder()
{
    if (HaveBus() && QDBusConnection::sessionBus().interface()->isServiceRegistered(
                         QStringLiteral("org.freedesktop.FileManager1")))
        QSKIP("A file manager runs on this session bus");
    const QString out = MakeOutput();
    HostLinks::OpenFolderBitBtnClick(out);
    QTRY_COMPARE(Opened, (QList<QPair<QString, QString>>{{Dir->path(), QString()}}));
}

void TestIntegration::shellOpenStartsProgramWithParameters()
{
    SetShellOpener({});
    const QString script = WriteArgsScript(Dir->path());
    ShellOpen(script, QStringLiteral("\"http://dl.example.org/a b.exe\" -q"));
    QTRY_COMPARE(ReadFile(script + QStringLiteral(".args")),
                 QStringLiteral("http://dl.example.org/a b.exe\n-q"));
}

void TestIntegration::taskbarProgress_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<double>("progress"); // -1: not sent
    QTest::newRow("normal") << int(TTaskbarProgress::tbsNormal) << 42 << true << 0.42;
    QTest::newRow("done") << int(TTaskbarProgress::tbsNormal) << 100 << true << 1.0;
    QTest::newRow("held within 100") << int(TTaskbarProgress::tbsNormal) << 250 << true << 1.0;
    QTest::newRow("held within 0") << int(TTaskbarProgress::tbsNormal) << -5 << true << 0.0;
    QTest::newRow("no progress") << int(TTaskbarProgress::tbsNoProgress) << 42 << false << -1.0;
}

void TestIntegration::taskbarProgress()
{
    if (!HaveBus())
        QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
    QFETCH(int, state);
    QFETCH(int, value);
    QFETCH(bool, visible);
    QFETCH(double, progress);
    QDBusConnection dock = SecondConnection(FileManagerBus);
    TLauncherListener listener;
    QVERIFY(dock.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                         QStringLiteral("Update"), &listener, SLOT(Update(QString, QVariantMap))));
    TTaskbarProgress taskbar;
    taskbar.SetProgress(TTaskbarProgress::TState(state), value);
    QTRY_COMPARE(listener.Updates.size(), 1);
    QCOMPARE(listener.Uris, QStringList{QStringLiteral("application://com.qbx.Frobnik.desktop")});
    const QVariantMap p = listener.Updates[0];
    QCOMPARE(p.value(QStringLiteral("progress-visible")).toBool(), visible);
    if (progress < 0)
        QVERIFY(!p.contains(QStringLiteral("progress")));
    else
        QCOMPARE(p.value(QStringLiteral("progress")).toDouble(), progress);
}

void TestIntegration::runNotice_data()
{
    QTest::addColumn<bool>("succeeded");
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<QString>("body");
    QTest::newRow("done") << true << qint64(125400) << "trip.mp4\nTime taken: 2 min 5 s";
    QTest::newRow("failed") << false << qint64(11000) << "trip.mp4\nTime taken: 11 s";
}

void TestIntegration::runNotice()
{
    QFETCH(bool, succeeded);
    QFETCH(qint64, elapsed);
    const TNotice notice =
        BuildRunNotice(QStringLiteral("Conversion complete"), succeeded,
                       QStringLiteral("/home/u/clips/trip.mp4"), elapsed, EnglishTexts());
    QCOMPARE(notice.nSummary, QStringLiteral("Conversion complete"));
    QTEST(notice.nBody, "body");
    QCOMPARE(notice.nTag, QStringLiteral("/home/u/clips/trip.mp4"));
    // Only a file that was made can be opened or shown.
    using TActions = QList<QPair<QString, QString>>;
    const TActions offered = {{"open", "Open"}, {"show", "Show in Folder"}};
    QCOMPARE(notice.nActions, succeeded ? offered : TActions());
}

void TestIntegration::runNoticeWanted_data()
{
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("wanted");
    QTest::newRow("long, away") << qint64(10000) << false << false << true;
    QTest::newRow("short") << qint64(9999) << false << false << false;
    QTest::newRow("user watching") << qint64(60000) << true << false << false;
    QTest::newRow("closes when done") << qint64(60000) << false << true << false;
}

void TestIntegration::runNoticeWanted()
{
    QFETCH(qint64, elapsed);
    QFETCH(bool, active);
    QFETCH(bool, closes);
    QTEST(RunNoticeWanted(elapsed, active, closes), "wanted");
}

void TestIntegration::notifierTalksToServer_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("body");
    const QStringList both{"open", "Open", "show", "Show in Folder"};
    QTest::newRow("actions") << QStringList{"actions", "body"} << both << "a<b>&c.mp4";
    QTest::newRow("no actions") << QStringList{"body"} << QStringList{} << "a<b>&c.mp4";
    // A server that reads markup must get the file name as text.
    QTest::newRow("markup") << QStringList{"actions", "body", "body-markup"} << both
                            << "a&lt;b&gt;&amp;c.mp4";
}

void TestIntegration::notifierTalksToServer()
{
    if (!HaveBus())
        QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
    QFETCH(QStringList, capabilities);
    QDBusConnection bus = SecondConnection(NotificationBus);
    TFakeNotificationServer server;
    server.BusName = NotificationBus;
    server.Capabilities = capabilities;
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                               QDBusConnection::ExportAllSlots));

    TDesktopNotifier notifier;
    QSignalSpy shown(&notifier, &TDesktopNotifier::Shown);
    QSignalSpy chosen(&notifier, &TDesktopNotifier::ActionInvoked);
    TNotice notice = BuildRunNotice(QStringLiteral("Conversion complete"), true,
                                    QStringLiteral("/clips/a<b>&c.mp4"), 20000, EnglishTexts());
    notifier.Show(notice);
    QTRY_COMPARE(shown.size(), 1);
    QCOMPARE(server.Received.size(), 1);
    const TFakeNotificationServer::TReceived got = server.Received.constFirst();
    QCOMPARE(got.Summary, QStringLiteral("Conversion complete"));
    QTEST(got.Body.section(u'\n', 0, 0), "body");
    QTEST(got.Actions, "actions");
    QCOMPARE(got.Hints.value(QStringLiteral("desktop-entry")).toString(),
             QStringLiteral("frobnik"));
    const uint id = shown.constFirst().constFirst().toUInt();

    // Another program's notice is not ours; ours hands back its tag.
    server.Invoke(id + 50, QStringLiteral("open"));
    server.Invoke(id, QStringLiteral("show"));
    QTRY_COMPARE(chosen.size(), 1);
    QCOMPARE(chosen.constFirst().at(0).toString(), QStringLiteral("show"));
    QCOMPARE(chosen.constFirst().at(1).toString(), QStringLiteral("/clips/a<b>&c.mp4"));
    server.Close(id);
    QTRY_COMPARE(notifier.OpenNotices(), 0);
    server.Invoke(id, QStringLiteral("open"));
    QTest::qWait(100);
    QCOMPARE(chosen.size(), 1);
}

void TestIntegration::notifierSilentWithoutServer()
{
    if (HaveBus() && QDBusConnection::sessionBus().interface()->isServiceRegistered(
                         QStringLiteral("org.freedesktop.Notifications")))
        QSKIP("A notification server runs on this session bus");
    TDesktopNotifier notifier;
    QSignalSpy shown(&notifier, &TDesktopNotifier::Shown);
    QElapsedTimer timer;
    timer.start();
    notifier.Show(BuildRunNotice(QStringLiteral("Conversion complete"), true,
                                 QStringLiteral("/clips/a.mp4"), 20000, EnglishTexts()));
    // Nothing waits for an answer that cannot come.
    QVERIFY(timer.elapsed() < 500);
    QTest::qWait(300);
    QCOMPARE(shown.size(), 0);
    QCOMPARE(notifier.OpenNotices(), 0);
}

QTEST_MAIN(TestIntegration)
#include "tst_integration.moc"

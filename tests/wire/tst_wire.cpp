// The main window wired to the outside: help by language (F1 and the menu),
// home page and mail, the two output buttons, the About box, the menu's
// update check against a local server, closing while a check hangs, and the
// download manager's notice after an automatic conversion.

#include "integration/DbusPeers.h"
#include "run/RunFixture.h"
#include "update/TestHttpServer.h"

#include "app/CommandLineOptions.h"
#include "integration/ShellOpen.h"
#include "support/TextUtils.h"
#include "ui/AboutForm.h"
#include "update/CheckUpdate.h"
#include "update/HTTPThread.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QToolButton>

namespace {

using TOpened = QList<QPair<QString, QString>>;

const QString HomePage = QStringLiteral("http://www.frobnik.example.org/");
const QString HomePageRu = QStringLiteral("http://www.frobnik.example.org/ru/");
const QString SupportMail = QStringLiteral("mailto:support@frobnik.example.org");
const QString DownloadUrl = QStringLiteral("http://dl.frobnik.example.org/frobnik-0.8.1.44.deb");

QByteArray UpdateDocument(const QByteArray &_version, const QByteArray &_changes,
                          const QByteArray &_downloadUrl)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<newversioninfo>\n<version>" + _version +
           "</version>\n<changes>" + _changes +
           "</changes>\n<moreinfourl>http://www.frobnik.example.org/news</moreinfourl>\n"
           "<downloadurl>" +
           _downloadUrl + "</downloadurl>\n</newversioninfo>\n";
}

QByteArray Ok(const QByteArray &_body)
{
    return TTestHttpServer::Response(200, "OK", _body, "text/xml; charset=utf-8");
}

QString Today()
{
    return QString::number(DayNumber(QDate::currentDate()));
}

QString OwnSetting(const QString &_name)
{
    return TQBXRegistry(TMainForm::AppTitle).ReadStringPar(_name);
}

bool HaveBus()
{
    return QDBusConnection::sessionBus().isConnected();
}

void ForgetStore(const QString &_name)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qbx"), _name);
    store.clear();
    store.sync();
}

} // namespace

class TestWire : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Work;
    TTestHttpServer Server;
    std::unique_ptr<TRunProgram> Program;
    std::unique_ptr<TMainForm> Form;
    TOpened Opened;

    QString WorkPath(const QString &_name) const { return Work.filePath(_name); }

    void MakeForm(const QString &_language, const QString &_updatePath = "/update.php")
    {
        TQBXRegistry(TMainForm::AppTitle).WriteStringPar("Language", _language);
        qputenv("FROBNIK_UPDATE_URL", Server.Url(_updatePath).toUtf8());
        Form = std::make_unique<TMainForm>();
        Form->show();
        QVERIFY(QTest::qWaitForWindowActive(Form.get()));
        QCOMPARE(Form->CurrentLanguage, _language);
    }

    QString Text(TMessageIndex _index) const
    {
        const QString text = Message(*Form, _index);
        [&] { QVERIFY2(!text.isEmpty(), "message missing in the language file"); }();
        return text;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Work.isValid());
        QVERIFY(Server.Listen());
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void init()
    {
        for (const char *name : {"Frobnik", "Pelmora", "Quillarax"})
            ForgetStore(QString::fromLatin1(name));
        Server.Requests.clear();
        Program = std::make_unique<TRunProgram>();
        QVERIFY(Program->Valid());
        Opened.clear();
        SetShellOpener([this](const QString &t, const QString &p) { Opened.append({t, p}); });
    }

    void cleanup()
    {
        Form.reset();
        Program.reset();
        SetShellOpener({});
        TDialogs::SetTestMode(true);
        for (const char *name : {"wire-dm", "wire-fm"})
            QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
    }

    void helpOfTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QString>("topic");
        QTest::newRow("English, F1") << "English" << true << "help/frobnik/index.htm";
        QTest::newRow("English, menu") << "English" << false << "help/frobnik/index.htm";
        QTest::newRow("Russian, F1") << "Russian" << true << "help/frobnik_ru/index.htm";
        QTest::newRow("Russian, menu") << "Russian" << false << "help/frobnik_ru/index.htm";
    }

    void helpOfTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(bool, byKey);
        QFETCH(QString, topic);
        // What we open must be what the program ships.
        QVERIFY(QFile::exists(QDir(BuiltProgramDir()).filePath(topic)));
        MakeForm(language);
        if (byKey) {
            // F1 answers wherever the focus is, also inside an edit box.
            Form->SourceFilenameEdit->setFocus();
            QTest::keyClick(Form->SourceFilenameEdit, Qt::Key_F1);
        } else {
            Form->ContentsAction1->trigger();
        }
        QCOMPARE(Opened, (TOpened{{Program->Path(topic), QString()}}));
    }

    void homePageAndMail_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("homePage");
        QTest::newRow("English") << "English" << HomePage;
        QTest::newRow("Russian") << "Russian" << HomePageRu;
    }

    void homePageAndMail()
    {
        QFETCH(QString, language);
        QFETCH(QString, homePage);
        MakeForm(language);
        Form->HomePageAction1->trigger();
        Form->EmailAction->trigger();
        QCOMPARE(Opened, (TOpened{{homePage, QString()}, {SupportMail, QString()}}));
    }

    void outputButtons_data()
    {
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<bool>("folderButton");
        QTest::addColumn<bool>("fileManager");
        QTest::addColumn<QString>("opened"); // "file", "folder" or nothing
        QTest::newRow("open the file") << true << false << false << "file";
        QTest::newRow("no file: its button is off") << false << false << false << "";
        QTest::newRow("folder of a file not there") << false << true << false << "folder";
        QTest::newRow("file shown by the file manager") << true << true << true << "";
        QTest::newRow("no file manager: the folder") << true << true << false << "folder";
    }

    void outputButtons()
    {
        QFETCH(bool, fileThere);
        QFETCH(bool, folderButton);
        QFETCH(bool, fileManager);
        QFETCH(QString, opened);
        const QString busName = QStringLiteral("org.freedesktop.FileManager1");
        if (fileManager && !HaveBus())
            QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
        if (!fileManager && HaveBus() && fileThere && folderButton &&
            QDBusConnection::sessionBus().interface()->isServiceRegistered(busName))
            QSKIP("A file manager runs on this session bus");
        TFakeFileManager manager;
        if (fileManager) {
            QDBusConnection fm =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, "wire-fm");
            QVERIFY(fm.registerService(busName));
            QVERIFY(fm.registerObject("/org/freedesktop/FileManager1", &manager,
                                      QDBusConnection::ExportAllSlots));
        }

        MakeForm("English");
        const QString out = WorkPath("out/clip.") + Form->FormatExtension();
        QFile::remove(out);
        QDir().mkpath(WorkPath("out"));
        if (fileThere)
            WriteTestFile(out, "converted");
        Form->OutVideoFileBEdit->setText(out);
        Form->OutVideoFileBEditExit();
        QCOMPARE(Form->OutVideoFileBEdit->text(), out);
        QToolButton *button = folderButton ? Form->OpenFolderBitBtn : Form->OpenFileBitBtn;
        QCOMPARE(button->isEnabled(), fileThere || folderButton);
        QTest::mouseClick(button, Qt::LeftButton);

        if (opened == "file")
            QCOMPARE(Opened, (TOpened{{out, QString()}}));
        else if (opened == "folder")
            QTRY_COMPARE(Opened, (TOpened{{WorkPath("out"), QString()}}));
        if (fileManager)
            QTRY_COMPARE(manager.Shown, QStringList{QUrl::fromLocalFile(out).toString()});
        QCoreApplication::processEvents();
        if (opened.isEmpty())
            QVERIFY(Opened.isEmpty());
    }

    void aboutBox_data() { homePageAndMail_data(); }

    void aboutBox()
    {
        QFETCH(QString, language);
        QFETCH(QString, homePage);
        MakeForm(language);
        QPointer<TAboutForm> box;
        bool modal = false;
        bool openAfterLinks = false;
        bool closedByEsc = false;
        QString linkText;
        QTimer::singleShot(0, this, [&]() {
            box = Form->findChild<TAboutForm *>();
            if (!box)
                return;
            modal = box->isModal() && box->isVisible();
            linkText = box->HomePageLabel->text();
            QTest::mouseClick(box->HomePageLabel, Qt::LeftButton);
            QTest::mouseClick(box->EmailLabel, Qt::LeftButton);
            openAfterLinks = box->isVisible();
            QWidget *focus = box->focusWidget();
            QTest::keyClick(focus ? focus : box.data(), Qt::Key_Escape);
            closedByEsc = !box->isVisible();
            if (!closedByEsc)
                box->reject();
        });
        Form->AboutAction1->trigger();

        QVERIFY(modal);
        QCOMPARE(linkText, homePage);
        QVERIFY(openAfterLinks);
        QVERIFY(closedByEsc);
        // Freed once closed: the next opening builds a new box.
        QVERIFY(box.isNull());
        QCOMPARE(Opened, (TOpened{{homePage, QString()}, {SupportMail, QString()}}));
    }

    void menuUpdateCheck_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("information"); // message shown first, -1 none
        QTest::addColumn<bool>("offered");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<bool>("dated"); // "LastFUDate" written

        const QByteArray newer = Ok(UpdateDocument("0.8.1.44", "Faster", DownloadUrl.toUtf8()));
        QTest::newRow("newer, accepted")
            << newer << int(QMessageBox::Yes) << -1 << true << DownloadUrl << true;
        QTest::newRow("newer, declined")
            << newer << int(QMessageBox::No) << -1 << true << "" << true;
        QTest::newRow("not newer") << Ok(UpdateDocument("0.8.1.43", "Same", DownloadUrl.toUtf8()))
                                   << 0 << int(miNoNewVersion) << false << "" << true;
        QTest::newRow("server error") << TTestHttpServer::Response(500, "Oops", "") << 0
                                      << int(miUpdateInfoUnavailable) << false << "" << false;
        // A forged answer must not get a local program started.
        QTest::newRow("download URL not on the web")
            << Ok(UpdateDocument("0.8.1.44", "Faster", "file:///bin/sh")) << int(QMessageBox::Yes)
            << int(miNoNewVersion) << false << "" << true;
    }

    void menuUpdateCheck()
    {
        QFETCH(QByteArray, response);
        QFETCH(int, answer);
        QFETCH(int, information);
        QFETCH(bool, offered);
        QFETCH(QString, opened);
        QFETCH(bool, dated);
        Server.Route("/update.php", response);
        MakeForm("English");
        if (answer)
            TDialogs::SetNextAnswer(QMessageBox::StandardButton(answer));

        Form->CheckUpdateAction1->trigger();
        const int count = (information >= 0 ? 1 : 0) + (offered ? 1 : 0);
        QTRY_COMPARE(TDialogs::Messages().size(), count);
        QCOMPARE(Server.Requests.size(), 1);
        QVERIFY(Server.Requests.first().Target.startsWith("/update.php"));

        const QList<TMessageRequest> messages = TDialogs::Messages();
        if (information >= 0) {
            QCOMPARE(messages.first().mrKind, TMessageRequest::mkInformation);
            QCOMPARE(messages.first().mrText, Text(TMessageIndex(information)));
        }
        if (offered) {
            QCOMPARE(messages.last().mrKind, TMessageRequest::mkConfirmation);
            QCOMPARE(messages.last().mrText, SubstituteParams(Text(miNewVersion), "0.8.1.44") +
                                                 "\nFaster.\n" + Text(miDownloadQuestion));
        }
        QCoreApplication::processEvents();
        QCOMPARE(Opened, opened.isEmpty() ? TOpened() : (TOpened{{opened, QString()}}));
        QCOMPARE(OwnSetting("LastFUDate"), dated ? Today() : QString());
        QCOMPARE(OwnSetting("atinmb"), dated ? QString("1") : QString());
    }

    void offerShowsServerTextAsPlainText()
    {
        const QByteArray changes = "<b>Bold</b> claims &amp; <a href='file:///etc'>a link</a>";
        Server.Route("/update.php", Ok(UpdateDocument("0.9.0.1", changes, DownloadUrl.toUtf8())));
        MakeForm("English");
        TDialogs::SetTestMode(false);
        TDialogs::SetShowBoxesHeadless(true);
        QString shownText;
        Qt::TextFormat format = Qt::AutoText;
        TWhen answer(
            []() { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); },
            [&]() {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                shownText = box->text();
                format = box->textFormat();
                box->button(QMessageBox::Yes)->click();
            });
        Form->CheckUpdateAction1->trigger();
        QTRY_VERIFY(answer.Done);
        QCOMPARE(format, Qt::PlainText);
        QVERIFY2(shownText.contains(QString::fromUtf8(changes) + '.'), qPrintable(shownText));
        QTRY_COMPARE(Opened, (TOpened{{DownloadUrl, QString()}}));
    }

    void automaticConversionTellsDownloadManager_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("closes");
        QTest::newRow("auto") << "auto" << false;
        QTest::newRow("autoClose") << "autoClose" << true;
    }

    void automaticConversionTellsDownloadManager()
    {
        QFETCH(QString, mode);
        QFETCH(bool, closes);
        if (!HaveBus())
            QSKIP("No D-Bus session bus; run the tests under dbus-run-session");
        QVERIFY2(QFileInfo(FakeEncoderPath()).isExecutable(), "FROBNIK_FAKE_ENCODER not set");
        QDBusConnection dm = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "wire-dm");
        QVERIFY(dm.registerService("com.qbx.Quillarax"));
        TFakeDownloadManager manager;
        manager.AppName = "Quillarax";
        QVERIFY(dm.connect(QString(), "/com/qbx/Frobnik", "com.qbx.Frobnik", "ConversionComplete",
                           &manager, SLOT(ConversionComplete(int))));
        TQBXRegistry(QStringLiteral("Quillarax")).WriteStringPar("ApplicationHandle", "1234");
        // A conversion ended today: no quiet update check in this run.
        TQBXRegistry(TMainForm::AppTitle).WriteStringPar("LastFUDate", Today());

        const TScopedEnv probe("FROBNIK_FAKE_PRINT",
                               "Input #0, avi, from 'clip.avi':\n"
                               "  Duration: 00:00:01.00, start: 0.000000, bitrate: 90 kb/s\n"
                               "  Stream #0:0: Video: mpeg4, yuv420p, 160x120\n");
        SetEncoderProgram(FakeEncoderPath());
        const QString source = WorkPath("dm/clip.avi");
        QDir(WorkPath("dm")).removeRecursively();
        WriteTestFile(source, "source");
        MakeForm("English");
        Form->ApplyCommandLineOptions(ParseCommandLineOptions(
            {"frobnik", "-inName=" + source, "-format=mp4", "-acm=" + mode, "-fDID=17", "-app=qlx"},
            Form->DevicePresets.get()));
        QCOMPARE(Form->ConvertForPM_DID, 17);
        QVERIFY(Form->AutoTimer->isActive());
        const QString out = Form->OutVideoFileBEdit->text();
        QVERIFY(!out.isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(manager.Jobs, QList<int>{17}, 15000);
        QCOMPARE(manager.PathsSeen, QStringList{out});
        QVERIFY(QFile::exists(out));
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        QCOMPARE(Form->ConvertForPM_DID, 0);
        if (closes)
            QTRY_VERIFY_WITH_TIMEOUT(!Form->isVisible(), 5000);
        else
            QVERIFY(Form->isVisible());
        QVERIFY(Server.Requests.isEmpty());
        QVERIFY(TDialogs::Messages().isEmpty());
    }

    // The offer of a newer version found by the quiet check waits for the
    // user's answer; automatic closing comes after it, never under it.
    void updateOfferBeforeAutomaticClose()
    {
        QVERIFY2(QFileInfo(FakeEncoderPath()).isExecutable(), "FROBNIK_FAKE_ENCODER not set");
        Server.Route("/update.php", Ok(UpdateDocument("0.9.0.1", "Faster", DownloadUrl.toUtf8())));
        const TScopedEnv probe("FROBNIK_FAKE_PRINT",
                               "Input #0, avi, from 'clip.avi':\n"
                               "  Duration: 00:00:01.00, start: 0.000000, bitrate: 90 kb/s\n"
                               "  Stream #0:0: Video: mpeg4, yuv420p, 160x120\n");
        // Long enough for the quiet check's answer to arrive during the run.
        const TScopedEnv slow("FROBNIK_FAKE_STEP_MS", "300");
        SetEncoderProgram(FakeEncoderPath());
        const QString source = WorkPath("offer/clip.avi");
        QDir(WorkPath("offer")).removeRecursively();
        WriteTestFile(source, "source");
        MakeForm("English");
        TDialogs::SetTestMode(false);
        TDialogs::SetShowBoxesHeadless(true);
        bool visibleWhenAnswered = false;
        TWhen answer(
            []() { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); },
            [&]() {
                // Answered later than the close timer's interval.
                QTimer::singleShot(1500, [&]() {
                    visibleWhenAnswered = Form->isVisible();
                    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                        box->button(QMessageBox::No)->click();
                });
            });
        Form->ApplyCommandLineOptions(ParseCommandLineOptions(
            {"frobnik", "-inName=" + source, "-format=mp4", "-acm=autoClose"},
            Form->DevicePresets.get()));
        QTRY_VERIFY_WITH_TIMEOUT(answer.Done, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!Form->isVisible(), 8000);
        QVERIFY(visibleWhenAnswered);
        QCOMPARE(Form->InfoLabel->text(), Text(miConverted));
        TDialogs::SetShowBoxesHeadless(false);
    }

    // Last: it runs the application's own loop to its end, as the program does.
    void closingWhileCheckHangs()
    {
        Server.Hold("/hang.php");
        MakeForm("English", "/hang.php");
        Form->CheckUpdateAction1->trigger();
        QTRY_COMPARE(Server.HeldCount(), 1);
        QCOMPARE(THTTPThread::LiveCount(), 1);

        QApplication::setQuitOnLastWindowClosed(true);
        bool lastWindowClosed = false;
        connect(qApp, &QGuiApplication::lastWindowClosed, this,
                [&lastWindowClosed]() { lastWindowClosed = true; });
        // Only a guard against a loop that never ends; the outcome is checked below.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, &QCoreApplication::quit);
        guard.start(60000);
        QTimer::singleShot(0, Form.get(), [this]() { Form->close(); });
        QApplication::exec();
        guard.stop();
        QApplication::setQuitOnLastWindowClosed(false);

        QVERIFY(lastWindowClosed);
        QVERIFY(!Form->isVisible());
        QVERIFY(!Form->UpdateFlow);
        // The request was ended within the quit's bounded wait, not left behind.
        QCOMPARE(THTTPThread::LiveCount(), 0);
        QCoreApplication::processEvents();
        QVERIFY(TDialogs::Messages().isEmpty());
        QVERIFY(Opened.isEmpty());
    }
};

QTEST_MAIN(TestWire)
#include "tst_wire.moc"

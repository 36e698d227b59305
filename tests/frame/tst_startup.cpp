// Start-up and closing of the real main window, and the options applied to it.

#include "FrameFixture.h"

#include "app/CommandLineOptions.h"
#include "update/CheckUpdate.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartWithoutSettings();
    void buildNumber_data();
    void buildNumber();
    void savedSize_data();
    void savedSize();
    void restoredChoices();
    void startCounter_data();
    void startCounter();
    void quietCheck_data();
    void quietCheck();
    void closeRefusedDuringRun();
    void settingsWrittenAtClose();
    void noSettingsAfterAutomaticClose();
    void deviceIdZeroNotWritten();
    void secondCopyStartsNormally();
    void optionsApplied_data();
    void optionsApplied();
    void sourceOptions();

    void garbageSettings();
    void missingData_data();
    void missingData();
    void unwritableDataFolder();
    void hugeAndEmptyOptions();

private:
    TMainForm &Window();
    std::unique_ptr<TProgramCopy> FProgram;
    std::unique_ptr<TMainForm> FWindow;
};

void TestStartup::initTestCase()
{
    // These tests look at the update address the language chose.
    qunsetenv("FROBNIK_UPDATE_URL");
    TDialogs::SetTestMode(true);
    const QString fake = FakeEncoderPath();
    if (!fake.isEmpty())
        SetEncoderProgram(fake);
}

void TestStartup::init()
{
    ResetSettings();
    TDialogs::ResetForTest();
    SetLocaleFactsForTest(TLocaleFacts{});
    FProgram = std::make_unique<TProgramCopy>();
    QVERIFY(FProgram->Valid());
}

void TestStartup::cleanup()
{
    FWindow.reset();
    FProgram.reset();
    SetLocaleFactsForTest(std::nullopt);
}

TMainForm &TestStartup::Window()
{
    if (!FWindow)
        FWindow = std::make_unique<TMainForm>();
    return *FWindow;
}

void TestStartup::firstStartWithoutSettings()
{
    TMainForm &w = Window();
    QCOMPARE(ReadSetting("Build"), QString::number(FrobnikBuild));
    QCOMPARE(DescribeWindow(w),
             QString("page=0 format=MP4 device=0 size=source quality=0/8 aspect=1 auto=0000 "
                     "did=0 app="));
    QCOMPARE(ReadSetting("IOutSize"), w.OutSizeComboBox->itemText(0));
    QVERIFY(!w.OutSizeComboBox->itemText(0).isEmpty());
    // The default language is chosen and shown, but not stored.
    QCOMPARE(w.CurrentLanguage, QString("English"));
    QVERIFY(!HasSetting("Language"));
    QVERIFY(!w.ConvertBitBtn->text().isEmpty());
    QCOMPARE(w.LanguageMenuItem->actions().size(), 2);

    QVERIFY(w.SoundEnabled);
    QVERIFY(w.OpenFileMenuItem->isChecked());
    QVERIFY(!w.OpenFolderMenuItem->isChecked());
    QVERIFY(!w.StopConvBitBtn->isEnabled());
    QVERIFY(!w.ConvertBitBtn->isEnabled());
    QVERIFY(w.OutVideoFileBEdit->text().isEmpty());
    QCOMPARE(w.windowTitle(), QString("Frobnik"));
    QVERIFY(w.InfoLabel->text().isEmpty());

    QCOMPARE(w.ProgramDir, FProgram->Path() + '/');
    QCOMPARE(w.SoundDir, FProgram->Path() + "/Sounds/");
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    QCOMPARE(w.AppDataDir, QDir(dataHome).filePath("Frobnik") + '/');
    QVERIFY(QFileInfo(w.AppDataDir).isDir());
    QVERIFY(w.AppMutex && w.AppMutex->isLocked());

    QVERIFY(w.UpdateFlow && w.UpdateFlow->MyCheckUpdate());
    QCOMPARE(w.UpdateFlow->MyCheckUpdate()->UpdateInfoURL(), w.UPDATE_URL);
    QVERIFY(!w.UPDATE_URL.isEmpty());
    QVERIFY(w.UpdateFlow->NeedStartFastUpdate());
    QVERIFY(w.TaskbarList3);
    QVERIFY(w.DevicePresets && w.DevicePresets->Count() > 0);
    QCOMPARE(w.DeviceButtons.size(), w.DevicePresets->Count());
}

void TestStartup::buildNumber_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("after");
    const QString build = QString::number(FrobnikBuild);
    QTest::newRow("older build") << QString::number(FrobnikBuild - 1) << build;
    QTest::newRow("same build") << build << build;
    // Read as the same number, so nothing is written and the text stays as it was.
    QTest::newRow("same build, other spelling") << "0" + build << "0" + build;
    QTest::newRow("newer build") << QString::number(FrobnikBuild + 1) << build;
    QTest::newRow("not a number") << "forty" << build;
}

void TestStartup::buildNumber()
{
    QFETCH(QString, stored);
    QFETCH(QString, after);
    WriteSetting("Build", stored);
    Window();
    QCOMPARE(ReadSetting("Build"), after);
}

void TestStartup::savedSize_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown"); // empty: the source size
    QTest::newRow("valid") << "1280x720"
                           << "1280x720";
    QTest::newRow("with a suffix") << "640x480 (VGA)"
                                   << "640x480 (VGA)";
    QTest::newRow("typed size") << "1000x500"
                                << "1000x500";
    QTest::newRow("too small") << "10x10"
                               << "";
    QTest::newRow("too large") << "5001x720"
                               << "";
    QTest::newRow("no x") << "1280*720"
                          << "";
    QTest::newRow("blank first") << " 1280x720"
                                 << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestStartup::savedSize()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    WriteSetting("IOutSize", stored);
    TMainForm &w = Window();
    const QString expected = shown.isEmpty() ? w.OutSizeComboBox->itemText(0) : shown;
    QCOMPARE(w.OutSizeComboBox->currentText(), expected);
    if (shown.isEmpty())
        QCOMPARE(w.OutSizeComboBox->currentIndex(), 0);
    // Written back at once, as the box now shows it.
    QCOMPARE(ReadSetting("IOutSize"), expected);
}

void TestStartup::restoredChoices()
{
    WriteSetting("IOutFormat", "9");
    WriteSetting("IOutQualityType", "1");
    WriteSetting("IOutQuality", "14");
    WriteSetting("SoundEnabled", "0");
    WriteSetting("VideoPageIndex", "1");
    WriteSetting("SelectedDeviceID", "3");
    WriteSetting("ISrcOpenAsFolder", "1");
    TMainForm &w = Window();
    QCOMPARE(DescribeWindow(w),
             QString("page=1 format=MP3 device=3 size=source quality=1/10 aspect=1 auto=0000 "
                     "did=0 app="));
    QVERIFY(!w.SoundEnabled);
    QVERIFY(w.OpenFolderMenuItem->isChecked());
    QVERIFY(w.QualityTrackBar->toolTip().contains("10"));
    // Other quality shows the track bar.
    QVERIFY(!w.QualityTrackBar->isHidden());
}

void TestStartup::startCounter_data()
{
    QTest::addColumn<QString>("atinmb");
    QTest::addColumn<QString>("inmb");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("inmbAfter"); // "-" = absent
    QTest::newRow("not counting") << ""
                                  << ""
                                  << ""
                                  << "-";
    QTest::newRow("not counting, old count") << ""
                                             << "9"
                                             << ""
                                             << "9";
    QTest::newRow("counting") << "1"
                              << "9"
                              << "?i=10"
                              << "10";
    QTest::newRow("first count") << "1"
                                 << ""
                                 << "?i=1"
                                 << "1";
    QTest::newRow("count not a number") << "1"
                                        << "many"
                                        << "?i=1"
                                        << "1";
    QTest::newRow("flag not exactly 1") << "01"
                                        << "9"
                                        << ""
                                        << "9";
}

void TestStartup::startCounter()
{
    QFETCH(QString, atinmb);
    QFETCH(QString, inmb);
    QFETCH(QString, query);
    QFETCH(QString, inmbAfter);
    if (!atinmb.isEmpty())
        WriteSetting("atinmb", atinmb);
    if (!inmb.isEmpty())
        WriteSetting("inmb", inmb);
    TMainForm &w = Window();
    QCOMPARE(w.UpdateFlow->MyCheckUpdate()->UpdateInfoURL(), w.UPDATE_URL + query);
    if (inmbAfter == "-")
        QVERIFY(!HasSetting("inmb"));
    else
        QCOMPARE(ReadSetting("inmb"), inmbAfter);
}

void TestStartup::quietCheck_data()
{
    const int today = DayNumber(QDate::currentDate());
    QTest::addColumn<QString>("lastDate"); // "-" = absent
    QTest::addColumn<bool>("due");
    QTest::newRow("never checked") << "-" << true;
    QTest::newRow("today") << QString::number(today) << false;
    QTest::newRow("two days back") << QString::number(today - 2) << false;
    QTest::newRow("three days back") << QString::number(today - 3) << true;
    QTest::newRow("a year back") << QString::number(today - 365) << true;
    QTest::newRow("in the future") << QString::number(today + 10) << false;
    QTest::newRow("not a number") << "yesterday" << true;
}

void TestStartup::quietCheck()
{
    QFETCH(QString, lastDate);
    QFETCH(bool, due);
    if (lastDate != "-")
        WriteSetting("LastFUDate", lastDate);
    QCOMPARE(Window().UpdateFlow->NeedStartFastUpdate(), due);
}

void TestStartup::closeRefusedDuringRun()
{
    TMainForm &w = Window();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.OutFormatComboBox->setCurrentIndex(4);
    // A conversion runs while the Stop button is enabled.
    w.StopConvBitBtn->setEnabled(true);
    QVERIFY(!w.close());
    w.ExitAction->trigger();
    QVERIFY(w.isVisible());
    QVERIFY(w.MyReg);
    QVERIFY(!HasSetting("IOutFormat"));
    QVERIFY(TDialogs::Messages().isEmpty());

    w.StopConvBitBtn->setEnabled(false);
    w.ExitAction->trigger();
    QVERIFY(!w.isVisible());
    QCOMPARE(ReadSetting("IOutFormat"), QString("4"));
    QVERIFY(!w.MyReg && !w.UpdateFlow && !w.DevicePresets);
}

void TestStartup::settingsWrittenAtClose()
{
    TMainForm &w = Window();
    w.OutFormatComboBox->setCurrentIndex(3);
    w.OutSizeComboBox->setEditText("1280x720");
    w.QualityComboBox->setCurrentIndex(1);
    w.QualityTrackBar->setValue(5);
    w.SoundEnabled = false;
    w.SelectPage(1);
    w.SelectedDeviceID = 7;
    w.SetOpenAsFolder(true);
    QVERIFY(w.close());

    const QStringList names = {"IOutFormat",      "IOutSize",         "IOutQuality",
                               "IOutQualityType", "SoundEnabled",     "VideoPageIndex",
                               "DevPageScr",      "SelectedDeviceID", "ISrcOpenAsFolder"};
    QStringList values;
    for (const QString &name : names)
        values << ReadSetting(name);
    QCOMPARE(values.join(','), QString("3,1280x720,5,1,0,1,0,7,1"));
    // Chosen from the menu only.
    QVERIFY(!HasSetting("Language"));

    // No format selected is stored as -1 and restored as no selection.
    FWindow.reset();
    TMainForm &again = Window();
    QCOMPARE(DescribeWindow(again),
             QString("page=1 format=MKV device=7 size=1280x720 quality=1/5 aspect=1 auto=0000 "
                     "did=0 app="));
    again.OutFormatComboBox->setCurrentIndex(-1);
    QVERIFY(again.close());
    QCOMPARE(ReadSetting("IOutFormat"), QString("-1"));
}

void TestStartup::noSettingsAfterAutomaticClose()
{
    WriteSetting("IOutFormat", "2");
    WriteSetting("IOutSize", "640x480");
    TMainForm &w = Window();
    w.OutFormatComboBox->setCurrentIndex(5);
    w.SelectOutSizeItem(0);
    w.SelectedDeviceID = 4;
    // What a successful automatic conversion leaves for the timer.
    w.AutoTimerTag = 4;
    QVERIFY(w.close());
    QCOMPARE(ReadSetting("IOutFormat"), QString("2"));
    QCOMPARE(ReadSetting("IOutSize"), QString("640x480"));
    for (const char *name : {"IOutQuality", "IOutQualityType", "SoundEnabled", "VideoPageIndex",
                             "DevPageScr", "SelectedDeviceID", "ISrcOpenAsFolder"})
        QVERIFY2(!HasSetting(name), name);
}

void TestStartup::deviceIdZeroNotWritten()
{
    WriteSetting("SelectedDeviceID", "5");
    TMainForm &w = Window();
    QCOMPARE(w.SelectedDeviceID, 5);
    w.SelectedDeviceID = 0;
    QVERIFY(w.close());
    QCOMPARE(ReadSetting("SelectedDeviceID"), QString("5"));
}

void TestStartup::secondCopyStartsNormally()
{
    TMainForm &first = Window();
    TMainForm second;
    QVERIFY(first.AppMutex && first.AppMutex->isLocked());
    // The second copy does not get the lock and works all the same.
    QVERIFY(!second.AppMutex || !second.AppMutex->isLocked());
    QCOMPARE(DescribeWindow(second), DescribeWindow(first));
    QVERIFY(second.UpdateFlow && second.DevicePresets);

    first.OutFormatComboBox->setCurrentIndex(1);
    second.OutFormatComboBox->setCurrentIndex(2);
    QVERIFY(first.close());
    QVERIFY(second.close());
    // Both write at close; the later close wins.
    QCOMPARE(ReadSetting("IOutFormat"), QString("2"));
}

void TestStartup::optionsApplied_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("shown");
    // Saved: MKV, 800x600, other quality at 6, device 2, keep proportions on.
    const QString tail = " aspect=1 auto=0000 did=0 app=Pelmora";
    QTest::newRow("format") << QStringList{"-format=webm"}
                            << "page=0 format=WEBM device=2 size=800x600 quality=0/6" + tail;
    QTest::newRow("format, prefix case")
        << QStringList{"-Format=webm"}
        << "page=1 format=MKV device=2 size=800x600 quality=0/6" + tail;
    QTest::newRow("unknown format")
        << QStringList{"-format=xyz"}
        << "page=0 format=none device=2 size=800x600 quality=0/6" + tail;
    QTest::newRow("format wins over device")
        << QStringList{"-gadget=ipad", "-format=mp4"}
        << "page=0 format=MP4 device=2 size=800x600 quality=0/6" + tail;
    QTest::newRow("first format counts")
        << QStringList{"-format=flac", "-format=mp4"}
        << "page=0 format=FLAC device=2 size=800x600 quality=0/6" + tail;
    QTest::newRow("device") << QStringList{"-gadget=IPad"}
                            << "page=1 format=MKV device=2 size=800x600 quality=0/6" + tail;
    QTest::newRow("other device") << QStringList{"-gadget=smarttv"}
                                  << "page=1 format=MKV device=5 size=800x600 quality=0/6" + tail;
    QTest::newRow("unknown device") << QStringList{"-gadget=toaster"}
                                    << "page=1 format=MKV device=2 size=800x600 quality=0/6" + tail;
    QTest::newRow("size") << QStringList{"-resolution=1920x1080"}
                          << "page=1 format=MKV device=2 size=1920x1080 quality=0/6" + tail;
    QTest::newRow("size, capital X") << QStringList{"-resolution=1280X720"}
                                     << "page=1 format=MKV device=2 size=source quality=0/6" + tail;
    QTest::newRow("size, ten characters")
        << QStringList{"-resolution=10000x1000"}
        << "page=1 format=MKV device=2 size=source quality=0/6" + tail;
    QTest::newRow("quality") << QStringList{"-quality=3"}
                             << "page=1 format=MKV device=2 size=800x600 quality=1/3" + tail;
    QTest::newRow("quality above range")
        << QStringList{"-quality=15"}
        << "page=1 format=MKV device=2 size=800x600 quality=1/10" + tail;
    QTest::newRow("quality not a number")
        << QStringList{"-quality=abc"}
        << "page=1 format=MKV device=2 size=800x600 quality=0/6" + tail;
    QTest::newRow("quality negative")
        << QStringList{"-quality=-2"}
        << "page=1 format=MKV device=2 size=800x600 quality=0/6" + tail;
    const QString head = "page=1 format=MKV device=2 size=800x600 quality=0/6";
    QTest::newRow("keep proportions off")
        << QStringList{"-sameaspect=0"} << head + " aspect=0 auto=0000 did=0 app=Pelmora";
    QTest::newRow("keep proportions on")
        << QStringList{"-sameaspect=1"} << head + " aspect=1 auto=0000 did=0 app=Pelmora";
    QTest::newRow("keep proportions, other value")
        << QStringList{"-sameaspect=no"} << head + " aspect=1 auto=0000 did=0 app=Pelmora";
    QTest::newRow("auto") << QStringList{"-acm=auto"}
                          << head + " aspect=1 auto=1110 did=0 app=Pelmora";
    QTest::newRow("auto, silent") << QStringList{"-acm=autoSilent"}
                                  << head + " aspect=1 auto=1110 did=0 app=Pelmora";
    QTest::newRow("auto, close") << QStringList{"-acm=autoClose"}
                                 << head + " aspect=1 auto=1111 did=0 app=Pelmora";
    QTest::newRow("auto, other value")
        << QStringList{"-acm=manual"} << head + " aspect=1 auto=1000 did=0 app=Pelmora";
    QTest::newRow("auto, case") << QStringList{"-acm=AutoClose"}
                                << head + " aspect=1 auto=1000 did=0 app=Pelmora";
    QTest::newRow("job number") << QStringList{"-fDID=1234"}
                                << head + " aspect=1 auto=0000 did=1234 app=Pelmora";
    QTest::newRow("job number not a number")
        << QStringList{"-fDID=12a"} << head + " aspect=1 auto=0000 did=0 app=Pelmora";
    QTest::newRow("caller") << QStringList{"-app=qlx"}
                            << head + " aspect=1 auto=0000 did=0 app=Quillarax";
    QTest::newRow("caller, case") << QStringList{"-app=QLX"}
                                  << head + " aspect=1 auto=0000 did=0 app=Pelmora";
    QTest::newRow("unknown option")
        << QStringList{"-colour=blue", "--", ""} << head + " aspect=1 auto=0000 did=0 app=Pelmora";
}

void TestStartup::optionsApplied()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, shown);
    WriteSetting("IOutFormat", "3");
    WriteSetting("IOutSize", "800x600");
    WriteSetting("IOutQualityType", "1");
    WriteSetting("IOutQuality", "6");
    WriteSetting("VideoPageIndex", "1");
    WriteSetting("SelectedDeviceID", "2");
    TMainForm &w = Window();
    w.ApplyCommandLineOptions(
        ParseCommandLineOptions(QStringList{"frobnik"} + arguments, w.DevicePresets.get()));
    const QString state = DescribeWindow(w);
    // The timer would start a conversion once the message loop runs.
    w.AutoTimer->stop();
    QCOMPARE(state, shown);
}

void TestStartup::sourceOptions()
{
    QTemporaryDir media;
    const QString clip = media.filePath("holiday clip.avi");
    const QString oddName = media.filePath("a=b.avi");
    for (const QString &path : {clip, oddName}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    TMainForm &w = Window();
    const QString prompt = w.SourceFilenameEdit->text();
    const auto apply = [&w](const QStringList &arguments) {
        w.ApplyCommandLineOptions(
            ParseCommandLineOptions(QStringList{"frobnik"} + arguments, w.DevicePresets.get()));
        return w.SourceFilenameEdit->text();
    };

    // Not a file: the source box stays as it was.
    QCOMPARE(apply({"-inName=" + media.filePath("missing.avi")}), prompt);
    QCOMPARE(apply({"-inName=" + media.path()}), prompt);
    QVERIFY(w.OutVideoFileBEdit->text().isEmpty());

    QCOMPARE(apply({"-inName=" + oddName, "-format=mp3"}), oddName);
    QCOMPARE(w.OutVideoFileBEdit->text(), media.filePath("a=b.mp3"));

    // A file as the only argument; source quality because "-quality=" is missing.
    w.QualityComboBox->setCurrentIndex(1);
    QCOMPARE(apply({clip}), clip);
    QCOMPARE(w.QualityComboBox->currentIndex(), 0);
    QCOMPARE(w.OutVideoFileBEdit->text(), media.filePath("holiday clip.mp3"));
    QVERIFY(w.windowTitle().contains("AVI"));

    // A device chosen by the options names the output after it.
    QCOMPARE(apply({"-gadget=ipad", "-inName=" + clip}), clip);
    QCOMPARE(w.OutVideoFileBEdit->text(), media.filePath("holiday clip(iPad).mp4"));
    QVERIFY(w.ConvertBitBtn->isEnabled());
}

void TestStartup::garbageSettings()
{
    QDir().mkpath(QFileInfo(ConfigFilePath()).path());
    QFile file(ConfigFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray bytes =
        "[General]\nIOutFormat=zzz\nIOutSize=" + QByteArray(200000, 'x') +
        "\nIOutQuality=99999999999\nIOutQualityType=-5\nSoundEnabled=maybe\n"
        "VideoPageIndex=7\nSelectedDeviceID=-3\nISrcOpenAsFolder=\xff\xfe\n"
        "Language=../../../../etc/passwd\nBuild=\x01\x02\natinmb=1\ninmb=2147483647\n"
        "LastFUDate=\"\n[unbalanced\n=\n\\\n";
    for (int i = 0; i < 4096; ++i)
        bytes.append(char((i * 131 + 7) & 0xff));
    file.write(bytes);
    file.close();

    TMainForm &w = Window();
    QCOMPARE(w.OutFormatComboBox->currentIndex(), 0);
    QCOMPARE(w.OutSizeComboBox->currentIndex(), 0);
    QCOMPARE(w.QualityTrackBar->value(), 8);
    QCOMPARE(w.VideoPageControl->currentIndex(), 0);
    QVERIFY(w.SoundEnabled);
    QVERIFY(w.OpenFileMenuItem->isChecked());
    QCOMPARE(ReadSetting("Build"), QString::number(FrobnikBuild));
    // A count at its limit cannot grow; the URL then goes without it.
    QCOMPARE(w.UpdateFlow->MyCheckUpdate()->UpdateInfoURL(), w.UPDATE_URL);

    // The window still works: a source can be chosen and the settings saved.
    QTemporaryDir media;
    const QString clip = media.filePath("clip.avi");
    QFile(clip).open(QIODevice::WriteOnly);
    w.SelectSource(clip);
    QCOMPARE(w.OutVideoFileBEdit->text(), media.filePath("clip.mp4"));
    QVERIFY(w.close());
    QCOMPARE(ReadSetting("IOutFormat"), QString("0"));
}

void TestStartup::missingData_data()
{
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QString>("broken"); // made unreadable: replaced by a folder
    QTest::newRow("nothing at all") << QStringList{} << "";
    QTest::newRow("no languages") << QStringList{"images", "Sounds", "presets.xml"} << "";
    QTest::newRow("no presets") << QStringList{"Languages", "images", "Sounds"} << "";
    QTest::newRow("language file unreadable")
        << QStringList{"Languages", "presets.xml"} << "Languages/English.lng";
    QTest::newRow("presets unreadable") << QStringList{"Languages"} << "presets.xml";
}

void TestStartup::missingData()
{
    QFETCH(QStringList, parts);
    QFETCH(QString, broken);
    FProgram.reset();
    FProgram = std::make_unique<TProgramCopy>(parts);
    if (!broken.isEmpty()) {
        QFile::remove(FProgram->Path(broken));
        QVERIFY(QDir().mkpath(FProgram->Path(broken)));
    }
    WriteSetting("Language", "English");
    TMainForm &w = Window();
    const bool texts = parts.contains("Languages") && !broken.startsWith("Languages");
    QCOMPARE(w.ConvertBitBtn->text().isEmpty(), !texts);
    const bool presets = parts.contains("presets.xml") && broken != "presets.xml";
    QCOMPARE(w.DevicePresets->Count() > 0, presets);
    QCOMPARE(w.DeviceButtons.size(), w.DevicePresets->Count());
    QVERIFY(w.UpdateFlow && w.TaskbarList3);

    // Still a working window: choosing a source prepares a conversion.
    QTemporaryDir media;
    const QString clip = media.filePath("clip.avi");
    QFile(clip).open(QIODevice::WriteOnly);
    w.SelectSource(clip);
    QCOMPARE(w.OutVideoFileBEdit->text(), media.filePath("clip.mp4"));
    QVERIFY(w.close());
}

void TestStartup::unwritableDataFolder()
{
    // A file where the data folder should be: nothing can be created there.
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    QTemporaryDir scratch;
    const QString blocker = scratch.filePath("data");
    QFile(blocker).open(QIODevice::WriteOnly);
    qputenv("XDG_DATA_HOME", blocker.toUtf8());
    TMainForm &w = Window();
    qputenv("XDG_DATA_HOME", saved);
    QVERIFY(!w.AppDataDir.isEmpty());
    QVERIFY2(QFileInfo(w.AppDataDir).isDir() && QFileInfo(w.AppDataDir).isWritable(),
             qPrintable(w.AppDataDir));
    QVERIFY(!w.AppDataDir.startsWith(blocker));
    QCOMPARE(w.OutFormatComboBox->currentIndex(), 0);
}

void TestStartup::hugeAndEmptyOptions()
{
    TMainForm &w = Window();
    const QString before = DescribeWindow(w);
    const QString huge(300000, u'9');
    w.ApplyCommandLineOptions(ParseCommandLineOptions(
        {"frobnik", "-inName=", "-format=", "-gadget=", "-resolution=", "-acm=", "-fDID=" + huge,
         "-inName=" + QString(100000, u'a'), "-sameaspect=" + huge},
        w.DevicePresets.get()));
    // Nothing given but empty or unusable values: only the quality type and
    // the caller's name, which have no "keep" value, change.
    QCOMPARE(DescribeWindow(w), QString(before).replace("app=", "app=Pelmora"));

    w.ApplyCommandLineOptions(
        ParseCommandLineOptions({"frobnik", "-format=" + QString(100000, u'm'),
                                 "-resolution=" + huge, "-quality=" + huge, "-gadget=" + huge},
                                w.DevicePresets.get()));
    QCOMPARE(w.OutFormatComboBox->currentIndex(), -1);
    QCOMPARE(w.OutSizeComboBox->currentIndex(), 0);
    QCOMPARE(w.QualityComboBox->currentIndex(), 0);
    QVERIFY(!w.AutoTimer->isActive());
}

int main(int argc, char *argv[])
{
    // The window reads the program's arguments as options: it must not see
    // the test functions named on the command line.
    int programOnly = 1;
    QApplication app(programOnly, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"

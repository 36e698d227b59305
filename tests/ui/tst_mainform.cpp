#include "MainFormFixture.h"

#include "localization/TextIds.h"
#include "support/BuildInfo.h"
#include "ui/widgets/DeviceButton.h"
#include "ui/widgets/PageScroller.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsInDesignPlaces_data();
    void controlsInDesignPlaces();
    void startState();
    void tooltipsOnListedControlsOnly();
    void threeGpRemembersSize();
    void threeGpSizeAfterAnotherEnable();
    void typedSizeLostThroughThreeGp();
    void audioFormatHidesSize();
    void flacForcesSourceQuality();
    void qualityTrackBarHint();
    void optionsMenuItems_data();
    void optionsMenuItems();
    void noSoundAndKeepSoundExclude();
    void optionsLinkLook();
    void caption_data();
    void caption();
    void typedFolderPaths_data();
    void typedFolderPaths();
    void typingDoesNotDeriveOutput();
    void sourceHint_data();
    void sourceHint();
    void outputHint();
    void outputNameThroughDialogs_data();
    void outputNameThroughDialogs();
    void folderWithoutMediaChangesNothing();
    void cancelledDialogStillSwitchesMode();
    void dropOnSource_data();
    void dropOnSource();
    void dropOnOutputRefused();
    void dropSeveralIgnored();
    void dvdSourceMarksOptions();
    void outputFocusOutRule_data();
    void outputFocusOutRule();
    void outputDialogRequest_data();
    void outputDialogRequest();
    void openOutputButtonsFollowFiles();
    void switchingPageAndDevice();
    void devicePageWithoutDeviceEmptiesOutput();
    void deviceButtonsAndPictures();
    void firstEnableScrollsChosenDevice();
    void unknownDeviceIdHoldsNothing();
    void languageSwitchWithFolderSource();
    void languageSwitchKeepsFileSource();
    void languageSwitchLosesTypedSize();
    void brokenLanguageChangesNothing();
    void languageMenu();
    void singleLanguageFileNoSubmenu();
    void defaultLanguage_data();
    void defaultLanguage();
    void storedLanguageWins();
    void settingsRestoredAndSaved();
    void enterPressesConvert();
    void enterInOpenListOnlyChooses_data();
    void enterInOpenListOnlyChooses();
    void tabOrder();
    void f1ClaimedOnce();
    void folderPickerTitleAndType();
    void openDialogsStartInLastSourceFolder();
    void deviceNamesInTheLanguage();
    void qtTextsSwitchWithLanguageMenu();
    void deviceStripFromKeyboard();
    void optionsLinkFromKeyboard();

private:
    TMainForm &Window();
    QString MediaPath(const QString &_name) const { return FMedia->filePath(_name); }
    // A file source chosen through the file dialog.
    void ChooseSourceFile(const QString &_path);

    std::unique_ptr<TProgramFolder> FProgram;
    std::unique_ptr<QTemporaryDir> FMedia;
    std::unique_ptr<TMainForm> FWindow;
};

void TestMainForm::initTestCase()
{
    TDialogs::SetTestMode(true);
    const QString fake = FakeEncoderPath();
    QVERIFY2(!fake.isEmpty(), "the fake encoder is needed");
    SetEncoderProgram(fake);
}

void TestMainForm::init()
{
    ResetSettings();
    TDialogs::ResetForTest();
    SetLocaleFactsForTest(TLocaleFacts{});
    qunsetenv("FROBNIK_FAKE_PRINT");
    FProgram = std::make_unique<TProgramFolder>();
    QVERIFY(FProgram->Valid());
    FProgram->WritePresets(
        {{5, "Pocket Player", "mp4"}, {7, "Old Phone", "3gp"}, {9, "Music Box", "mp3"}});
    FMedia = std::make_unique<QTemporaryDir>();
    WriteSetting("Language", "English");
}

void TestMainForm::cleanup()
{
    FWindow.reset();
    FProgram.reset();
    FMedia.reset();
    SetLocaleFactsForTest(std::nullopt);
}

TMainForm &TestMainForm::Window()
{
    if (!FWindow) {
        FWindow = std::make_unique<TMainForm>();
        FWindow->show();
        if (!QTest::qWaitForWindowExposed(FWindow.get()))
            qWarning("window not exposed");
    }
    return *FWindow;
}

void TestMainForm::ChooseSourceFile(const QString &_path)
{
    TDialogs::SetNextFileName(_path);
    Window().OpenFileMenuItem->trigger();
    QCOMPARE(Window().SourceFilenameEdit->text(), _path);
}

void TestMainForm::controlsInDesignPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("SourceFilenameEdit") << "SourceFilenameEdit" << QRect(8, 29, 353, 22);
    QTest::newRow("OpenBitBtn") << "OpenBitBtn" << QRect(366, 27, 86, 25);
    QTest::newRow("DropDownBitBtn") << "DropDownBitBtn" << QRect(451, 27, 18, 25);
    QTest::newRow("Image1") << "Image1" << QRect(8, 57, 458, 34);
    QTest::newRow("VideoPageControl") << "VideoPageControl" << QRect(8, 91, 460, 128);
    QTest::newRow("OpenOutSpeedButton") << "OpenOutSpeedButton" << QRect(83, 227, 25, 25);
    QTest::newRow("OutVideoFileBEdit") << "OutVideoFileBEdit" << QRect(114, 229, 280, 22);
    QTest::newRow("OpenFileBitBtn") << "OpenFileBitBtn" << QRect(397, 224, 32, 32);
    QTest::newRow("OpenFolderBitBtn") << "OpenFolderBitBtn" << QRect(435, 224, 32, 32);
    QTest::newRow("ConvertBitBtn") << "ConvertBitBtn" << QRect(8, 261, 113, 25);
    QTest::newRow("StopConvBitBtn") << "StopConvBitBtn" << QRect(127, 262, 75, 25);
    QTest::newRow("ProgressBar") << "ProgressBar" << QRect(210, 272, 257, 14);
    QTest::newRow("OutFormatComboBox") << "OutFormatComboBox" << QRect(70, 10, 145, 21);
    QTest::newRow("OutSizeComboBox") << "OutSizeComboBox" << QRect(344, 10, 97, 21);
    QTest::newRow("QualityComboBox") << "QualityComboBox" << QRect(69, 47, 84, 21);
    QTest::newRow("QualityTrackBar") << "QualityTrackBar" << QRect(219, 48, 166, 27);
    QTest::newRow("DevicePageScroller") << "DevicePageScroller" << QRect(5, 14, 441, 71);
}

void TestMainForm::controlsInDesignPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    auto *widget = Window().findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), rect);
}

void TestMainForm::startState()
{
    TMainForm &w = Window();
    // Client area 477 x 294 below the menu, not resizable.
    QCOMPARE(w.centralWidget()->size(), QSize(477, 294));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w.windowTitle(), QString("Frobnik"));

    for (const char *name : {"MainMenu",
                             "N1",
                             "N3",
                             "OpenSourceFolderAction1",
                             "N4",
                             "ViewMenuItem",
                             "LanguageMenuItem",
                             "SoundAction1",
                             "N2",
                             "ContentsAction1",
                             "HomePageAction1",
                             "CheckUpdateAction1",
                             "AboutAction1",
                             "OpenSourceFileAction",
                             "OpenSourceFolderAction",
                             "ExitAction",
                             "SoundAction",
                             "ContentsAction",
                             "HomePageAction",
                             "EmailAction",
                             "CheckUpdateAction",
                             "AboutAction",
                             "SourcePopupMenu",
                             "OpenFileMenuItem",
                             "OpenFolderMenuItem",
                             "AdditionPopupMenu",
                             "NoSoundPopupMenu",
                             "CopySoundsPM",
                             "CopySubtitlesPM",
                             "DeinterlacePM",
                             "SameAspectRationPMenu",
                             "AutoTimer",
                             "SourceFileNameLabel",
                             "ConvertToLabel",
                             "OutFileLabel",
                             "InfoLabel",
                             "FormatTabSheet",
                             "DeviceTabSheet",
                             "OutFormatLabel",
                             "OutSizeLabel",
                             "QualityLabel",
                             "LowQLabel",
                             "HiQLabel",
                             "AdditionLabel",
                             "DeviceButtonsPanel"})
        QVERIFY2(w.findChild<QObject *>(name), name);

    QCOMPARE(w.SourceFilenameEdit->text(), w.Text(TextIds::SourcePrompt));
    QVERIFY(!w.SourceFilenameEdit->text().isEmpty());
    QVERIFY(w.OutVideoFileBEdit->text().isEmpty());
    QVERIFY(!w.ConvertBitBtn->isEnabled());
    QVERIFY(!w.OutVideoFileBEdit->isEnabled());
    QVERIFY(!w.StopConvBitBtn->isEnabled());
    QVERIFY(w.InfoLabel->text().isEmpty());
    QCOMPARE(w.ProgressBar->value(), 0);
    QCOMPARE(w.OutFormatComboBox->currentText(), QString("MP4"));
    QCOMPARE(w.OutSizeComboBox->currentIndex(), 0);
    QCOMPARE(w.QualityComboBox->currentIndex(), 0);
    QVERIFY(w.QualityTrackBar->isHidden());
    QCOMPARE(w.QualityTrackBar->value(), 8);
    QVERIFY(w.SameAspectRationPMenu->isChecked());
    QVERIFY(w.OpenFileMenuItem->isChecked());
    QCOMPARE(w.AutoTimer->interval(), 1000);
    QVERIFY(!w.AutoTimer->isActive());
    QCOMPARE(w.LNGA.size(), int(miMessageCount));
    QCOMPARE(w.ContentsAction->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(w.DeviceButtons.size(), 3);
    QCOMPARE(w.DeviceButtonsPanel->width(), 3 * 78);
    // "Build" is recorded at the first start.
    QCOMPARE(ReadSetting("Build"), QString::number(FrobnikBuild));
}

void TestMainForm::tooltipsOnListedControlsOnly()
{
    TMainForm &w = Window();
    for (QWidget *listed :
         {static_cast<QWidget *>(w.SourceFilenameEdit), static_cast<QWidget *>(w.OpenBitBtn),
          static_cast<QWidget *>(w.DropDownBitBtn), static_cast<QWidget *>(w.OutFormatComboBox),
          static_cast<QWidget *>(w.OutSizeComboBox), static_cast<QWidget *>(w.QualityTrackBar),
          static_cast<QWidget *>(w.OutVideoFileBEdit), static_cast<QWidget *>(w.OpenOutSpeedButton),
          static_cast<QWidget *>(w.OpenFileBitBtn), static_cast<QWidget *>(w.OpenFolderBitBtn)})
        QVERIFY2(!listed->toolTip().isEmpty(), qPrintable(listed->objectName()));
    for (QWidget *other :
         {static_cast<QWidget *>(w.QualityComboBox), static_cast<QWidget *>(w.ConvertBitBtn),
          static_cast<QWidget *>(w.StopConvBitBtn), static_cast<QWidget *>(w.ProgressBar)})
        QVERIFY2(other->toolTip().isEmpty(), qPrintable(other->objectName()));
    QCOMPARE(w.DropDownBitBtn->toolTip(),
             w.Text(TextIds::OpenFileMenu) + "/" + w.Text(TextIds::OpenFolderMenu));
    QCOMPARE(w.DeviceButtons.at(0)->toolTip(), QString("Pocket Player"));
}

void TestMainForm::threeGpRemembersSize()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    PickItem(w.OutSizeComboBox, "1280x720");
    PickItem(w.OutFormatComboBox, "3GP");
    QCOMPARE(w.OutSizeComboBox->currentText(), QString("176x144"));
    QVERIFY(!w.OutSizeComboBox->isEnabled());
    QVERIFY(w.OutSizeComboBox->isVisible());
    QVERIFY(!w.SameAspectRationPMenu->isEnabled());
    QVERIFY(!w.TakeConversionSettings().SameAspectEnabled);
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("trip.3gp"));
    PickItem(w.OutFormatComboBox, "MP4");
    QCOMPARE(w.OutSizeComboBox->currentText(), QString("1280x720"));
    QVERIFY(w.OutSizeComboBox->isEnabled());
    QVERIFY(w.SameAspectRationPMenu->isEnabled());
    QCOMPARE(w.TakeConversionSettings().OutSizeIndex, 7);
}

void TestMainForm::threeGpSizeAfterAnotherEnable()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    PickItem(w.OutSizeComboBox, "1280x720");
    PickItem(w.OutFormatComboBox, "3GP");
    // A new source while 3GP is selected runs the rules again.
    ChooseSourceFile(Touch(MediaPath("other.mkv")));
    PickItem(w.OutFormatComboBox, "MP4");
    QCOMPARE(w.OutSizeComboBox->currentText(), QString("176x144"));
}

void TestMainForm::typedSizeLostThroughThreeGp()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    TypeInto(w.OutSizeComboBox->lineEdit(), "1000x500");
    QCOMPARE(w.TakeConversionSettings().OutSizeIndex, -1);
    QCOMPARE(w.TakeConversionSettings().OutSizeText, QString("1000x500"));
    PickItem(w.OutFormatComboBox, "3GP");
    PickItem(w.OutFormatComboBox, "AVI");
    QCOMPARE(w.OutSizeComboBox->currentText(), QString("176x144"));
}

void TestMainForm::audioFormatHidesSize()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    PickItem(w.OutSizeComboBox, "640x480");
    PickItem(w.OutFormatComboBox, "MP3");
    QVERIFY(w.OutSizeComboBox->isHidden());
    QVERIFY(w.OutSizeLabel->isHidden());
    QVERIFY(!w.AdditionLabel->isEnabled());
    QCOMPARE(w.OutSizeComboBox->currentIndex(), 0);
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("trip.mp3"));
    PickItem(w.OutFormatComboBox, "MP4");
    QVERIFY(w.OutSizeComboBox->isVisible());
    QVERIFY(w.OutSizeLabel->isVisible());
    QVERIFY(w.AdditionLabel->isEnabled());
    // Only 3GP remembers a size.
    QCOMPARE(w.OutSizeComboBox->currentIndex(), 0);
}

void TestMainForm::flacForcesSourceQuality()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("song.wav")));
    PickItem(w.QualityComboBox, w.QualityComboBox->itemText(1));
    QVERIFY(w.QualityTrackBar->isVisible());
    QVERIFY(w.TakeConversionSettings().OutQualityEnabled);
    PickItem(w.OutFormatComboBox, "FLAC");
    QVERIFY(!w.QualityComboBox->isEnabled());
    QCOMPARE(w.QualityComboBox->currentIndex(), 0);
    QVERIFY(w.QualityTrackBar->isHidden());
    QVERIFY(w.LowQLabel->isHidden());
    QCOMPARE(w.TakeConversionSettings().OutQualityType, 0);
    PickItem(w.OutFormatComboBox, "MP3");
    QVERIFY(w.QualityComboBox->isEnabled());
    QCOMPARE(w.QualityComboBox->currentIndex(), 1);
    QVERIFY(w.QualityTrackBar->isVisible());
    QVERIFY(w.HiQLabel->isVisible());
}

void TestMainForm::qualityTrackBarHint()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    PickItem(w.QualityComboBox, w.QualityComboBox->itemText(1));
    const QString pattern = w.Text(TextIds::QualityPositionHint);
    QVERIFY(pattern.contains("%1"));
    QCOMPARE(w.QualityTrackBar->toolTip(), QString(pattern).replace("%1", "8"));
    w.QualityTrackBar->setFocus();
    QTest::keyClick(w.QualityTrackBar, Qt::Key_Right);
    QCOMPARE(w.QualityTrackBar->value(), 9);
    QCOMPARE(w.QualityTrackBar->toolTip(), QString(pattern).replace("%1", "9"));
    QTest::keyClick(w.QualityTrackBar, Qt::Key_PageDown);
    QCOMPARE(w.QualityTrackBar->value(), 7);
    // A position set from the code is held within 0..10 and updates the hint too.
    w.QualityTrackBar->setValue(15);
    QCOMPARE(w.QualityTrackBar->toolTip(), QString(pattern).replace("%1", "10"));
}

void TestMainForm::optionsMenuItems_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("keepStreams");
    QTest::addColumn<bool>("sameAspectEnabled");
    QTest::newRow("MP4") << "MP4" << true << true;
    QTest::newRow("MKV") << "MKV" << true << true;
    QTest::newRow("WEBM") << "WEBM" << false << true;
    QTest::newRow("WMV") << "WMV" << false << true;
    QTest::newRow("3GP") << "3GP" << false << false;
}

void TestMainForm::optionsMenuItems()
{
    QFETCH(QString, format);
    QFETCH(bool, keepStreams);
    QFETCH(bool, sameAspectEnabled);
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    PickItem(w.OutFormatComboBox, format);
    w.CopySoundsPM->setChecked(true);
    QTest::mouseClick(w.AdditionLabel, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(w.AdditionPopupMenu));
    QVERIFY(w.NoSoundPopupMenu->isVisible());
    QCOMPARE(w.CopySoundsPM->isVisible(), keepStreams);
    QCOMPARE(w.CopySubtitlesPM->isVisible(), keepStreams);
    QVERIFY(w.DeinterlacePM->isVisible());
    QVERIFY(w.SameAspectRationPMenu->isVisible());
    QCOMPARE(w.SameAspectRationPMenu->isEnabled(), sameAspectEnabled);
    // A hidden item keeps its mark and still counts.
    QVERIFY(w.TakeConversionSettings().CopySounds);
    w.AdditionPopupMenu->close();
}

void TestMainForm::noSoundAndKeepSoundExclude()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    w.CopySoundsPM->trigger();
    QVERIFY(w.CopySoundsPM->isChecked());
    w.NoSoundPopupMenu->trigger();
    QVERIFY(w.NoSoundPopupMenu->isChecked());
    QVERIFY(!w.CopySoundsPM->isChecked());
    w.CopySoundsPM->trigger();
    QVERIFY(w.CopySoundsPM->isChecked());
    QVERIFY(!w.NoSoundPopupMenu->isChecked());
    w.CopySoundsPM->trigger();
    QVERIFY(!w.CopySoundsPM->isChecked());
    QVERIFY(!w.NoSoundPopupMenu->isChecked());
    // The other options are independent marks.
    w.DeinterlacePM->trigger();
    w.CopySubtitlesPM->trigger();
    QVERIFY(w.DeinterlacePM->isChecked() && w.CopySubtitlesPM->isChecked());
}

void TestMainForm::optionsLinkLook()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    QCOMPARE(w.AdditionLabel->cursor().shape(), Qt::PointingHandCursor);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(w.AdditionLabel, &enter);
    QVERIFY(w.AdditionLabel->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w.AdditionLabel, &leave);
    QVERIFY(!w.AdditionLabel->font().underline());
}

void TestMainForm::caption_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("format page") << "trip.avi" << 0 << "MP4"
                                 << "Frobnik  (AVI -> MP4)";
    QTest::newRow("upper ext") << "clip.Mkv" << 0 << "WEBM"
                               << "Frobnik  (MKV -> WEBM)";
    QTest::newRow("device page") << "trip.avi" << 1 << "MP4"
                                 << "Frobnik  (AVI -> Pocket Player [mp4])";
    QTest::newRow("no extension") << "trip" << 0 << "MP4"
                                  << "Frobnik";
}

void TestMainForm::caption()
{
    QFETCH(QString, source);
    QFETCH(int, page);
    QFETCH(QString, format);
    TMainForm &w = Window();
    w.OutFormatComboBox->setCurrentText(format);
    ChooseSourceFile(Touch(MediaPath(source)));
    if (page == 1) {
        ClickTab(w.VideoPageControl, 1);
        QTest::mouseClick(w.DeviceButtons.at(0), Qt::LeftButton);
    }
    QTEST(w.windowTitle(), "expected");
}

void TestMainForm::typedFolderPaths_data()
{
    QTest::addColumn<QString>("typed"); // relative to the media folder
    QTest::addColumn<bool>("valid");
    QTest::newRow("folder without separator") << "clips" << false;
    QTest::newRow("folder with separator") << "clips/" << true;
    QTest::newRow("doubled separator") << "clips//" << false;
    QTest::newRow("dvd parent") << "film/" << false;
    QTest::newRow("dvd folder") << "film/VIDEO_TS/" << true;
    QTest::newRow("empty folder") << "empty/" << false;
    QTest::newRow("file") << "clips/a.mp4" << true;
    QTest::newRow("missing file") << "clips/b.mp4" << false;
}

void TestMainForm::typedFolderPaths()
{
    QFETCH(QString, typed);
    QFETCH(bool, valid);
    Touch(MediaPath("clips/a.mp4"));
    Touch(MediaPath("film/VIDEO_TS/VTS_01_1.VOB"));
    QDir().mkpath(MediaPath("empty"));
    TMainForm &w = Window();
    TypeInto(w.SourceFilenameEdit, MediaPath(typed));
    QCOMPARE(w.SourceFilenameEdit->text(), MediaPath(typed));
    QCOMPARE(w.ConvertBitBtn->isEnabled(), valid);
    QCOMPARE(w.OutFormatComboBox->isEnabled(), valid);
    QVERIFY(w.InfoLabel->text().isEmpty());
}

void TestMainForm::typingDoesNotDeriveOutput()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("trip.mp4"));
    TypeInto(w.SourceFilenameEdit, Touch(MediaPath("other.mkv")));
    QVERIFY(w.ConvertBitBtn->isEnabled());
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("trip.mp4"));
    QCOMPARE(w.windowTitle(), QString("Frobnik  (MKV -> MP4)"));
}

void TestMainForm::sourceHint_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("twoLines");
    QTest::newRow("40") << 40 << false;
    QTest::newRow("41") << 41 << true;
}

void TestMainForm::sourceHint()
{
    QFETCH(int, length);
    QFETCH(bool, twoLines);
    TMainForm &w = Window();
    const QString prompt = w.Text(TextIds::SourcePrompt);
    QString text = "/x/" + QString(length - 7, 'n') + ".avi";
    QCOMPARE(text.size(), length);
    TypeInto(w.SourceFilenameEdit, text);
    QCOMPARE(w.SourceFilenameEdit->toolTip(), twoLines ? prompt + ": \r\n" + text.mid(3) : prompt);
}

void TestMainForm::outputHint()
{
    TMainForm &w = Window();
    const QString message = w.Text(TextIds::OutputHint);
    QVERIFY(!message.isEmpty());
    ChooseSourceFile(Touch(MediaPath("a_rather_long_folder_name/a.avi")));
    QVERIFY(w.OutVideoFileBEdit->text().size() > 40);
    QCOMPARE(w.OutVideoFileBEdit->toolTip(), message + ": \r\na.mp4");
    TypeInto(w.OutVideoFileBEdit, "/tmp/short.mp4");
    QCOMPARE(w.OutVideoFileBEdit->toolTip(), message);
}

void TestMainForm::outputNameThroughDialogs_data()
{
    QTest::addColumn<QString>("source"); // relative; ending in "/" = through the folder dialog
    QTest::addColumn<QString>("chosen"); // what the source box receives
    QTest::addColumn<QString>("formatOut");
    QTest::addColumn<QString>("deviceOut");
    QTest::newRow("file") << "clips/trip.AVI"
                          << "clips/trip.AVI"
                          << "clips/trip.mp4"
                          << "clips/trip(Pocket Player).mp4";
    QTest::newRow("double ext") << "clips/a.avi.avi"
                                << "clips/a.avi.avi"
                                << "clips/a.mp4.mp4"
                                << "clips/a(Pocket Player).mp4";
    QTest::newRow("dvd through its parent") << "Movies/Film/"
                                            << "Movies/Film/VIDEO_TS/"
                                            << "Movies/Film.mp4"
                                            << "Movies/Film/VIDEO_TS/(Pocket Player).mp4";
    QTest::newRow("folder") << "Movies/Holiday/"
                            << "Movies/Holiday/"
                            << "Movies/Holiday.mp4"
                            << "Movies/Holiday/(Pocket Player).mp4";
}

void TestMainForm::outputNameThroughDialogs()
{
    QFETCH(QString, source);
    QFETCH(QString, chosen);
    Touch(MediaPath("clips/trip.AVI"));
    Touch(MediaPath("clips/a.avi.avi"));
    Touch(MediaPath("Movies/Film/VIDEO_TS/VTS_01_1.VOB"));
    Touch(MediaPath("Movies/Holiday/beach.mp4"));
    TMainForm &w = Window();
    const auto choose = [&]() {
        if (source.endsWith('/')) {
            // The folder dialog hands back a folder without a separator.
            TDialogs::SetNextFileName(MediaPath(source.chopped(1)));
            w.OpenFolderMenuItem->trigger();
        } else {
            TDialogs::SetNextFileName(MediaPath(source));
            w.OpenFileMenuItem->trigger();
        }
    };
    choose();
    QCOMPARE(w.SourceFilenameEdit->text(), MediaPath(chosen));
    QVERIFY(w.ConvertBitBtn->isEnabled());
    QTEST(w.OutVideoFileBEdit->text().mid(FMedia->path().size() + 1), "formatOut");

    ClickTab(w.VideoPageControl, 1);
    QTest::mouseClick(w.DeviceButtons.at(0), Qt::LeftButton);
    QTEST(w.OutVideoFileBEdit->text().mid(FMedia->path().size() + 1), "deviceOut");
    // The same again from the device page, through the dialog.
    w.OutVideoFileBEdit->clear();
    choose();
    QTEST(w.OutVideoFileBEdit->text().mid(FMedia->path().size() + 1), "deviceOut");
    ClickTab(w.VideoPageControl, 0);
    QTEST(w.OutVideoFileBEdit->text().mid(FMedia->path().size() + 1), "formatOut");
}

void TestMainForm::folderWithoutMediaChangesNothing()
{
    Touch(MediaPath("notes/readme.txt"));
    TMainForm &w = Window();
    const QString before = w.SourceFilenameEdit->text();
    TDialogs::SetNextFileName(MediaPath("notes"));
    w.OpenFolderMenuItem->trigger();
    QCOMPARE(w.SourceFilenameEdit->text(), before);
    QVERIFY(w.OpenFolderMenuItem->isChecked());
    QVERIFY(TDialogs::Messages().isEmpty());
}

void TestMainForm::cancelledDialogStillSwitchesMode()
{
    TMainForm &w = Window();
    w.SetOpenAsFolder(true);
    QVERIFY(w.OpenFolderMenuItem->isChecked());
    const auto iconImage = [](const QIcon &_icon) { return _icon.pixmap(16, 16).toImage(); };
    QCOMPARE(iconImage(w.OpenBitBtn->icon()), iconImage(w.ImageList16x32.Glyph(1)));
    // The menu item opens the file dialog; Cancel still leaves file mode.
    w.OpenFileMenuItem->trigger();
    QVERIFY(w.OpenFileMenuItem->isChecked());
    QVERIFY(!w.OpenFolderMenuItem->isChecked());
    QCOMPARE(iconImage(w.OpenBitBtn->icon()), iconImage(w.ImageList16x32.Glyph(0)));
    QCOMPARE(TDialogs::FileRequests().size(), 1);
    const TFileDialogRequest request = TDialogs::FileRequests().constFirst();
    QVERIFY(!request.fdPickFolder);
    QCOMPARE(request.fdTitle, w.Text(TextIds::SourceDialogTitle));
    QVERIFY(request.fdFilter.startsWith("Video/Audio (mp4, flv, mkv"));
    QVERIFY(request.fdFilter.endsWith("|VOB|*.vob|All files (*.*)|*.*"));
    // The open button follows the mode: now the file dialog again.
    QTest::mouseClick(w.OpenBitBtn, Qt::LeftButton);
    QCOMPARE(TDialogs::FileRequests().size(), 2);
    QVERIFY(!TDialogs::FileRequests().at(1).fdPickFolder);
    w.SetOpenAsFolder(true);
    QTest::mouseClick(w.OpenBitBtn, Qt::LeftButton);
    QVERIFY(TDialogs::FileRequests().at(2).fdPickFolder);
    // The File menu's entries follow the open button.
    w.OpenSourceFileAction->trigger();
    QVERIFY(!TDialogs::FileRequests().at(3).fdPickFolder);
    w.OpenBitBtn->setEnabled(false);
    w.OpenSourceFolderActionUpdate();
    QVERIFY(!w.OpenSourceFolderAction->isEnabled());
    QVERIFY(!w.OpenSourceFolderAction1->isEnabled());
}

void TestMainForm::dropOnSource_data()
{
    QTest::addColumn<QString>("dropped");  // relative to the media folder
    QTest::addColumn<QString>("expected"); // empty = ignored
    QTest::newRow("upper mkv") << "clips/film.MKV"
                               << "clips/film.MKV";
    QTest::newRow("txt ignored") << "clips/notes.txt"
                                 << "";
    QTest::newRow("mp only begins mp4") << "clips/odd.mp"
                                        << "";
    QTest::newRow("folder with media") << "clips"
                                       << "clips/";
    QTest::newRow("dvd folder") << "film"
                                << "film/VIDEO_TS/";
    QTest::newRow("dotted folder ignored") << "my.videos"
                                           << "";
    QTest::newRow("folder without media") << "empty"
                                          << "";
}

void TestMainForm::dropOnSource()
{
    QFETCH(QString, dropped);
    QFETCH(QString, expected);
    Touch(MediaPath("clips/film.MKV"));
    Touch(MediaPath("clips/notes.txt"));
    Touch(MediaPath("clips/odd.mp"));
    Touch(MediaPath("film/VIDEO_TS/VTS_01_1.VOB"));
    Touch(MediaPath("my.videos/a.mp4"));
    QDir().mkpath(MediaPath("empty"));
    TMainForm &w = Window();
    const QString before = w.SourceFilenameEdit->text();
    QVERIFY(DropPaths(w.SourceFilenameEdit, {MediaPath(dropped)}));
    if (expected.isEmpty()) {
        QCOMPARE(w.SourceFilenameEdit->text(), before);
        QVERIFY(!w.ConvertBitBtn->isEnabled());
        QVERIFY(w.OutVideoFileBEdit->text().isEmpty());
    } else {
        QCOMPARE(w.SourceFilenameEdit->text(), MediaPath(expected));
        QVERIFY(w.ConvertBitBtn->isEnabled());
        QVERIFY(!w.OutVideoFileBEdit->text().isEmpty());
    }
    QVERIFY(TDialogs::Messages().isEmpty());
}

void TestMainForm::dropOnOutputRefused()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    const QString before = w.OutVideoFileBEdit->text();
    QVERIFY(!DropPaths(w.OutVideoFileBEdit, {Touch(MediaPath("other.avi"))}));
    QCOMPARE(w.OutVideoFileBEdit->text(), before);
    QCOMPARE(w.SourceFilenameEdit->text(), MediaPath("trip.avi"));
}

void TestMainForm::dropSeveralIgnored()
{
    TMainForm &w = Window();
    const QString before = w.SourceFilenameEdit->text();
    QVERIFY(
        !DropPaths(w.SourceFilenameEdit, {Touch(MediaPath("a.avi")), Touch(MediaPath("b.avi"))}));
    QCOMPARE(w.SourceFilenameEdit->text(), before);
}

void TestMainForm::dvdSourceMarksOptions()
{
    Touch(MediaPath("film/VIDEO_TS/VTS_01_1.VOB"));
    qputenv("FROBNIK_FAKE_PRINT",
            "Input #0, mpeg, from 'x':\n  Duration: 00:01:00.00, start: 0, bitrate: 1 kb/s\n"
            "    Stream #0:0: Video: mpeg2video (Main), yuv420p, 720x576\n"
            "    Stream #0:1: Audio: ac3, 48000 Hz, stereo\n"
            "    Stream #0:2: Subtitle: dvd_subtitle\n");
    TMainForm &w = Window();
    w.NoSoundPopupMenu->setChecked(true);
    QVERIFY(DropPaths(w.SourceFilenameEdit, {MediaPath("film")}));
    QVERIFY(w.VideoSourceInfo.vsIsDVD);
    QVERIFY(w.CopySoundsPM->isChecked());
    QVERIFY(w.CopySubtitlesPM->isChecked());
    QVERIFY(w.DeinterlacePM->isChecked());
    QVERIFY(!w.NoSoundPopupMenu->isChecked());

    // A file source removes the three marks again.
    qputenv("FROBNIK_FAKE_PRINT", "    Stream #0:1: Audio: mp2, 48000 Hz\n");
    ChooseSourceFile(Touch(MediaPath("clip.avi")));
    QVERIFY(!w.CopySoundsPM->isChecked());
    QVERIFY(!w.CopySubtitlesPM->isChecked());
    QVERIFY(!w.DeinterlacePM->isChecked());

    // A DVD with MPEG audio does not keep its sound streams.
    DropPaths(w.SourceFilenameEdit, {MediaPath("film")});
    QVERIFY(!w.CopySoundsPM->isChecked());
    QVERIFY(w.DeinterlacePM->isChecked());
}

void TestMainForm::outputFocusOutRule_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ext appended") << "MP4"
                                  << "/tmp/clips/out"
                                  << "/tmp/clips/out.mp4";
    QTest::newRow("ext kept") << "MKV"
                              << "/tmp/clips/out.avi"
                              << "/tmp/clips/out.avi";
    QTest::newRow("flac") << "FLAC"
                          << "/tmp/clips/song"
                          << "/tmp/clips/song.flac";
}

void TestMainForm::outputFocusOutRule()
{
    QFETCH(QString, format);
    QFETCH(QString, typed);
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    PickItem(w.OutFormatComboBox, format);
    TypeInto(w.OutVideoFileBEdit, typed);
    QCOMPARE(w.OutVideoFileBEdit->text(), typed);
    QTest::keyClick(w.OutVideoFileBEdit, Qt::Key_Tab);
    QVERIFY(!w.OutVideoFileBEdit->hasFocus());
    QTEST(w.OutVideoFileBEdit->text(), "expected");
}

void TestMainForm::outputDialogRequest_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("defaultExt");
    QTest::newRow("MP4") << "MP4" << 4 << "mp4";
    QTest::newRow("3GP") << "3GP" << 12 << "3gp";
    QTest::newRow("FLAC") << "FLAC" << 15 << "flac";
    QTest::newRow("none: all media") << "" << 1 << "";
}

void TestMainForm::outputDialogRequest()
{
    QFETCH(QString, format);
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    if (format.isEmpty())
        w.OutFormatComboBox->setCurrentIndex(-1);
    else
        PickItem(w.OutFormatComboBox, format);
    w.OutVideoFileBEdit->setText(MediaPath("sub/out.mp4"));
    TDialogs::SetNextFileName(MediaPath("chosen.flac"));
    QTest::mouseClick(w.OpenOutSpeedButton, Qt::LeftButton);
    const TFileDialogRequest request = TDialogs::FileRequests().constLast();
    QTEST(request.fdFilterIndex, "filterIndex");
    QTEST(request.fdDefaultExt, "defaultExt");
    QCOMPARE(request.fdFolder, MediaPath("sub"));
    QCOMPARE(request.fdFileName, QString("out.mp4"));
    QVERIFY(!request.fdMustExist);
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("chosen.flac"));
    // Cancelling leaves the output as it is.
    QTest::mouseClick(w.OpenOutSpeedButton, Qt::LeftButton);
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("chosen.flac"));
}

void TestMainForm::openOutputButtonsFollowFiles()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    // The output does not exist yet; its folder does.
    QVERIFY(!w.OpenFileBitBtn->isEnabled());
    QVERIFY(w.OpenFolderBitBtn->isEnabled());
    Touch(MediaPath("trip.mp4"));
    w.OutVideoFileBEdit->setFocus();
    QTest::keyClick(w.OutVideoFileBEdit, Qt::Key_Tab);
    QVERIFY(w.OpenFileBitBtn->isEnabled());
    TypeInto(w.OutVideoFileBEdit, MediaPath("nowhere/x.mp4"));
    QTest::keyClick(w.OutVideoFileBEdit, Qt::Key_Tab);
    QVERIFY(!w.OpenFileBitBtn->isEnabled());
    QVERIFY(!w.OpenFolderBitBtn->isEnabled());
}

void TestMainForm::switchingPageAndDevice()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    ClickTab(w.VideoPageControl, 1);
    // No device chosen yet: no output name, caption left alone.
    QVERIFY(w.OutVideoFileBEdit->text().isEmpty());
    QCOMPARE(w.windowTitle(), QString("Frobnik  (AVI -> MP4)"));
    QTest::mouseClick(w.DeviceButtons.at(1), Qt::LeftButton);
    QCOMPARE(w.SelectedDeviceID, 7);
    QVERIFY(w.DeviceButtons.at(1)->isChecked());
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("trip(Old Phone).3gp"));
    QCOMPARE(w.windowTitle(), QString("Frobnik  (AVI -> Old Phone [3gp])"));
    QTest::mouseClick(w.DeviceButtons.at(0), Qt::LeftButton);
    QVERIFY(w.DeviceButtons.at(0)->isChecked());
    QVERIFY(!w.DeviceButtons.at(1)->isChecked());
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("trip(Pocket Player).mp4"));
    // Clicking the held-down one again keeps it and probes again.
    w.VideoSourceInfo.vsFileName.clear();
    QTest::mouseClick(w.DeviceButtons.at(0), Qt::LeftButton);
    QVERIFY(w.DeviceButtons.at(0)->isChecked());
    QCOMPARE(w.VideoSourceInfo.vsFileName, MediaPath("trip.avi"));
    ClickTab(w.VideoPageControl, 0);
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("trip.mp4"));
    QCOMPARE(w.TakeConversionSettings().VideoPageIndex, 0);
    QCOMPARE(w.TakeConversionSettings().SelectedDeviceID, 5);
    // A page chosen from the code runs nothing (the output box's own
    // focus-out rule aside, so the focus stays elsewhere).
    w.OpenBitBtn->setFocus();
    w.OutVideoFileBEdit->setText("kept");
    w.SelectPage(1);
    QCOMPARE(w.OutVideoFileBEdit->text(), QString("kept"));
}

void TestMainForm::devicePageWithoutDeviceEmptiesOutput()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    ClickTab(w.VideoPageControl, 1);
    w.OutVideoFileBEdit->setText("something");
    ChooseSourceFile(Touch(MediaPath("other.avi")));
    QVERIFY(w.OutVideoFileBEdit->text().isEmpty());
}

void TestMainForm::deviceButtonsAndPictures()
{
    // The shipped presets and pictures.
    const QDir built(BuiltProgramDir());
    QFile::remove(FProgram->Path("presets.xml"));
    QVERIFY(QFile::copy(built.filePath("presets.xml"), FProgram->Path("presets.xml")));
    TMainForm &w = Window();
    const int count = w.DevicePresets->Count();
    QVERIFY(count >= 10);
    QCOMPARE(w.DeviceButtons.size(), count);
    QCOMPARE(w.DeviceButtonsPanel->width(), count * 78);
    for (int i = 0; i < count; ++i) {
        TDeviceButton *button = w.DeviceButtons.at(i);
        QCOMPARE(button->geometry(), QRect(i * 78, 1, 70, 70));
        QCOMPARE(button->Tag(), w.DevicePresets->Device(i)->ID);
        QVERIFY2(button->HasPicture(), qPrintable(w.DevicePresets->Device(i)->Name));
    }
    QVERIFY(w.DevicePageScroller->RightArrowVisible());
    QVERIFY(!w.DevicePageScroller->LeftArrowVisible());
    int delta = 0;
    w.DevicePageScrollerScroll(delta);
    QCOMPARE(delta, 13);
}

void TestMainForm::firstEnableScrollsChosenDevice()
{
    QList<std::tuple<int, QString, QString>> presets;
    for (int i = 1; i <= 10; ++i)
        presets.append({i, QString("Device %1").arg(i), "mp4"});
    presets.append({7, "Twin Seven", "mkv"});
    FProgram->WritePresets(presets);
    // Only the shared picture: every button falls back to it.
    WriteSetting("SelectedDeviceID", "7");
    TMainForm &w = Window();
    QCOMPARE(w.DevicePageScroller->Position(), 0);
    for (TDeviceButton *button : w.DeviceButtons)
        QVERIFY(!button->isChecked());
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    // Both buttons of id 7; the later one is held down and scrolled to.
    QVERIFY(w.DeviceButtons.at(10)->isChecked());
    QCOMPARE(w.DevicePageScroller->Position(),
             std::min(10 * 78 - 2, w.DevicePageScroller->MaxPosition()));
    w.DevicePageScroller->SetPosition(0);
    ChooseSourceFile(Touch(MediaPath("again.avi")));
    // Only the first enabling scrolls.
    QCOMPARE(w.DevicePageScroller->Position(), 0);
}

void TestMainForm::unknownDeviceIdHoldsNothing()
{
    WriteSetting("SelectedDeviceID", "99");
    WriteSetting("VideoPageIndex", "1");
    TMainForm &w = Window();
    QCOMPARE(w.VideoPageControl->currentIndex(), 1);
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    for (TDeviceButton *button : w.DeviceButtons)
        QVERIFY(!button->isChecked());
    QVERIFY(w.OutVideoFileBEdit->text().isEmpty());
    QCOMPARE(w.windowTitle(), QString("Frobnik"));
}

void TestMainForm::languageSwitchWithFolderSource()
{
    Touch(MediaPath("clips/a.mp4"));
    TMainForm &w = Window();
    QCOMPARE(w.CurrentLanguage, QString("English"));
    TDialogs::SetNextFileName(MediaPath("clips"));
    w.OpenFolderMenuItem->trigger();
    QCOMPARE(w.SourceFilenameEdit->text(), MediaPath("clips/"));
    QVERIFY(w.ConvertBitBtn->isEnabled());
    const QString englishConvert = w.ConvertBitBtn->text();

    auto *russian = w.LanguageMenuItem->findChild<QAction *>("LanguageItem_Russian");
    QVERIFY(russian);
    russian->trigger();
    QCOMPARE(w.CurrentLanguage, QString("Russian"));
    QCOMPARE(ReadSetting("Language"), QString("Russian"));
    QVERIFY(w.ConvertBitBtn->text() != englishConvert);
    QCOMPARE(w.SourceFilenameEdit->text(), w.Text(TextIds::SourcePrompt));
    QVERIFY(!w.ConvertBitBtn->isEnabled());
    QCOMPARE(w.HELP_FILENAME, QString("frobnik_ru.chm"));
    QCOMPARE(w.UPDATE_URL, QString("http://www.frobnik.example.org/download/update_ru.php"));
    QCOMPARE(w.LNGA.value(miPreparing), w.Text(TextIds::Preparing));
    w.ViewMenuItemClick();
    QVERIFY(russian->isChecked());
    QVERIFY(!w.LanguageMenuItem->findChild<QAction *>("LanguageItem_English")->isChecked());
}

void TestMainForm::languageSwitchKeepsFileSource()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    w.LanguageMenuItem->findChild<QAction *>("LanguageItem_Russian")->trigger();
    QCOMPARE(w.SourceFilenameEdit->text(), MediaPath("trip.avi"));
    QVERIFY(w.ConvertBitBtn->isEnabled());
    QCOMPARE(w.SourceFilenameEdit->toolTip(), w.Text(TextIds::SourcePrompt));
    QCOMPARE(w.OutSizeComboBox->itemText(0), w.Text(TextIds::SourceSizeItem));
    QCOMPARE(w.VideoPageControl->tabText(1), w.Text(TextIds::DeviceTab));
}

void TestMainForm::languageSwitchLosesTypedSize()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    TypeInto(w.OutSizeComboBox->lineEdit(), "1000x500");
    w.LanguageMenuItem->findChild<QAction *>("LanguageItem_Russian")->trigger();
    QCOMPARE(w.OutSizeComboBox->currentText(), w.Text(TextIds::SourceSizeItem));
    QCOMPARE(w.TakeConversionSettings().OutSizeIndex, 0);
}

void TestMainForm::brokenLanguageChangesNothing()
{
    FProgram->WriteFile("Languages/Klingon.lng",
                        "\xEF\xBB\xBF<MainMenu>\r\n11010=Qagh\r\n</MainMenu>\r\n");
    TMainForm &w = Window();
    const QString caption = w.ConvertBitBtn->text();
    auto *klingon = w.LanguageMenuItem->findChild<QAction *>("LanguageItem_Klingon");
    QVERIFY(klingon);
    klingon->trigger();
    QCOMPARE(w.CurrentLanguage, QString("English"));
    QCOMPARE(ReadSetting("Language"), QString("English"));
    QCOMPARE(w.ConvertBitBtn->text(), caption);
    QVERIFY(!klingon->isChecked());
    // A language file that has gone since start-up.
    QFile::remove(FProgram->Path("Languages/Russian.lng"));
    w.LanguageMenuItem->findChild<QAction *>("LanguageItem_Russian")->trigger();
    QCOMPARE(w.CurrentLanguage, QString("English"));
}

void TestMainForm::languageMenu()
{
    FProgram->WriteFile("Languages/aardvark.LNG", "");
    TMainForm &w = Window();
    QStringList captions;
    for (QAction *item : w.LanguageMenuItem->actions())
        captions << item->text();
    QCOMPARE(captions, (QStringList{"aardvark", "English", "Russian"}));
    QVERIFY(w.LanguageMenuItem->menuAction()->isEnabled());
    QCOMPARE(w.LanguageMenuItem->title(), w.Text(TextIds::LanguageItem));
    w.ViewMenuItemClick();
    QVERIFY(w.LanguageMenuItem->findChild<QAction *>("LanguageItem_English")->isChecked());
}

void TestMainForm::singleLanguageFileNoSubmenu()
{
    QFile::remove(FProgram->Path("Languages/Russian.lng"));
    TMainForm &w = Window();
    QVERIFY(w.LanguageMenuItem->actions().isEmpty());
    // An item with nothing to open is greyed, not an empty submenu.
    QVERIFY(!w.LanguageMenuItem->menuAction()->isEnabled());
    QCOMPARE(w.CurrentLanguage, QString("English"));
}

void TestMainForm::defaultLanguage_data()
{
    QTest::addColumn<QString>("systemName");
    QTest::addColumn<QString>("dialing");
    QTest::addColumn<QString>("extraFile");
    QTest::addColumn<QString>("proposal");
    QTest::addColumn<QString>("start");
    QTest::newRow("Russian by name") << "Russian"
                                     << "49"
                                     << ""
                                     << "Russian"
                                     << "Russian";
    QTest::newRow("German system, German file") << "German"
                                                << "49"
                                                << "German"
                                                << "German"
                                                << "English";
    QTest::newRow("Ukrainian by code") << "Klingon"
                                       << "380"
                                       << ""
                                       << "Ukrainian"
                                       << "Russian";
    QTest::newRow("Belarus by code") << ""
                                     << "375"
                                     << ""
                                     << "Belarusian"
                                     << "Russian";
    QTest::newRow("unknown") << ""
                             << ""
                             << ""
                             << "English"
                             << "English";
}

void TestMainForm::defaultLanguage()
{
    QFETCH(QString, systemName);
    QFETCH(QString, dialing);
    QFETCH(QString, extraFile);
    ResetSettings();
    if (!extraFile.isEmpty())
        FProgram->WriteFile("Languages/" + extraFile + ".lng", "");
    TLocaleFacts facts;
    if (!systemName.isEmpty())
        facts.lfLanguageName = systemName;
    if (!dialing.isEmpty())
        facts.lfDialingCode = dialing;
    SetLocaleFactsForTest(facts);
    TMainForm &w = Window();
    QTEST(w.GetDefaultLanguage(), "proposal");
    QTEST(w.CurrentLanguage, "start");
    // The start language is not stored.
    QVERIFY(ReadSetting("Language").isEmpty());
    QVERIFY(!w.ConvertBitBtn->text().isEmpty());
}

void TestMainForm::storedLanguageWins()
{
    WriteSetting("Language", "Russian");
    SetLocaleFactsForTest(TLocaleFacts{QString("English"), QString("44")});
    TMainForm &w = Window();
    QCOMPARE(w.CurrentLanguage, QString("Russian"));
    QCOMPARE(w.HOMEPAGE_LINK, QString("http://www.frobnik.example.org/ru/"));
    // A stored language whose file is missing leaves the texts empty.
    FWindow.reset();
    WriteSetting("Language", "Missing");
    TMainForm &again = Window();
    QCOMPARE(again.CurrentLanguage, QString("Missing"));
    QVERIFY(again.ConvertBitBtn->text().isEmpty());
    QVERIFY(again.SourceFilenameEdit->text().isEmpty());
    QCOMPARE(again.windowTitle(), QString("Frobnik"));
}

void TestMainForm::settingsRestoredAndSaved()
{
    WriteSetting("IOutFormat", "9");
    WriteSetting("IOutSize", "640x480");
    WriteSetting("IOutQualityType", "1");
    WriteSetting("IOutQuality", "3");
    WriteSetting("VideoPageIndex", "1");
    WriteSetting("SelectedDeviceID", "7");
    WriteSetting("ISrcOpenAsFolder", "1");
    TMainForm &w = Window();
    QCOMPARE(w.OutFormatComboBox->currentText(), QString("MP3"));
    QCOMPARE(w.OutSizeComboBox->currentText(), QString("640x480"));
    QCOMPARE(w.QualityComboBox->currentIndex(), 1);
    QCOMPARE(w.QualityTrackBar->value(), 3);
    QVERIFY(w.QualityTrackBar->toolTip().contains("3"));
    QCOMPARE(w.VideoPageControl->currentIndex(), 1);
    QCOMPARE(w.SelectedDeviceID, 7);
    QVERIFY(w.OpenFolderMenuItem->isChecked());
    QVERIFY(w.OutVideoFileBEdit->text().isEmpty());

    // Changed in the window, stored at close.
    w.SetOpenAsFolder(false);
    w.QualityTrackBar->setValue(6);
    w.close();
    QCOMPARE(ReadSetting("IOutFormat"), QString("9"));
    QCOMPARE(ReadSetting("IOutQuality"), QString("6"));
    QCOMPARE(ReadSetting("ISrcOpenAsFolder"), QString("0"));
    QCOMPARE(ReadSetting("SelectedDeviceID"), QString("7"));
    QCOMPARE(ReadSetting("VideoPageIndex"), QString("1"));
    FWindow.reset();

    // An unusable stored size gives the source size.
    WriteSetting("IOutSize", "12x12");
    TMainForm &again = Window();
    QCOMPARE(again.OutSizeComboBox->currentIndex(), 0);
    QCOMPARE(ReadSetting("IOutSize"), again.OutSizeComboBox->itemText(0));
}

void TestMainForm::enterPressesConvert()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    QSignalSpy clicks(w.ConvertBitBtn, &QPushButton::clicked);
    w.SourceFilenameEdit->setFocus();
    QTest::keyClick(w.SourceFilenameEdit, Qt::Key_Return);
    QCOMPARE(clicks.size(), 1);
    w.OutFormatComboBox->setFocus();
    QTest::keyClick(w.OutFormatComboBox, Qt::Key_Enter);
    QCOMPARE(clicks.size(), 2);
    // Not while the output controls are off.
    TypeInto(w.SourceFilenameEdit, "nothing");
    QTest::keyClick(w.SourceFilenameEdit, Qt::Key_Return);
    QCOMPARE(clicks.size(), 2);
}

void TestMainForm::enterInOpenListOnlyChooses_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("key");
    QTest::newRow("format, Return") << "OutFormatComboBox" << int(Qt::Key_Return);
    QTest::newRow("format, Enter") << "OutFormatComboBox" << int(Qt::Key_Enter);
    QTest::newRow("size") << "OutSizeComboBox" << int(Qt::Key_Return);
    QTest::newRow("quality") << "QualityComboBox" << int(Qt::Key_Return);
}

void TestMainForm::enterInOpenListOnlyChooses()
{
    QFETCH(QString, box);
    QFETCH(int, key);
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *combo = w.findChild<QComboBox *>(box);
    QVERIFY(combo);
    QSignalSpy clicks(w.ConvertBitBtn, &QPushButton::clicked);
    combo->setFocus();
    const int before = combo->currentIndex();
    combo->showPopup();
    QAbstractItemView *list = combo->view();
    QVERIFY(QTest::qWaitForWindowExposed(list->window()));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key(key));
    QTRY_VERIFY(!list->window()->isVisible());
    QCOMPARE(combo->currentIndex(), before + 1);
    QCoreApplication::processEvents();
    QCOMPARE(clicks.size(), 0);
    // Closed again, Enter presses the default button.
    QTest::keyClick(combo, Qt::Key(key));
    QCOMPARE(clicks.size(), 1);
}

void TestMainForm::tabOrder()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    w.OpenBitBtn->setFocus(Qt::TabFocusReason);
    // The Stop button is disabled and the tool buttons take no focus.
    const QList<QWidget *> expected = {
        w.DropDownBitBtn,    w.ConvertBitBtn,   w.SourceFilenameEdit, w.VideoPageControl->tabBar(),
        w.OutFormatComboBox, w.OutSizeComboBox, w.QualityComboBox,    w.AdditionLabel,
        w.OutVideoFileBEdit, w.OpenBitBtn};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        // An editable box hands the focus to its line edit.
        if (focus && focus->parentWidget() == w.OutSizeComboBox)
            focus = w.OutSizeComboBox;
        QCOMPARE(focus, next);
    }
}

// Two claims on one key make Qt answer it with neither.
void TestMainForm::f1ClaimedOnce()
{
    TMainForm &w = Window();
    int claims = 0;
    for (QAction *action : w.findChildren<QAction *>())
        claims += action->shortcuts().contains(QKeySequence(Qt::Key_F1)) ? 1 : 0;
    QCOMPARE(claims, 1);
    QCOMPARE(w.ContentsAction->shortcut(), QKeySequence(Qt::Key_F1));
    // The menu item still shows the key.
    QVERIFY(w.ContentsAction1->text().endsWith("\tF1"));
    QVERIFY(w.ContentsAction1->text().startsWith(w.ContentsAction->text()));
}

// The folder picker as the user sees it: the program's title and one file
// type, the media files, instead of Qt's own "Find Directory" and "Directories".
void TestMainForm::folderPickerTitleAndType()
{
    TMainForm &w = Window();
    w.SetOpenAsFolder(true);
    w.OpenFolderMenuItem->trigger();
    QCOMPARE(TDialogs::FileRequests().size(), 1);
    const TFileDialogRequest request = TDialogs::FileRequests().constFirst();
    QVERIFY(request.fdPickFolder);
    QFileDialog dialog(&w);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    TDialogs::SetUpFolderDialog(dialog, request);
    QCOMPARE(dialog.windowTitle(), QString("Frobnik"));
    QCOMPARE(dialog.fileMode(), QFileDialog::Directory);
    auto *types = dialog.findChild<QComboBox *>("fileTypeCombo");
    QVERIFY(types);
    QCOMPARE(types->count(), 1);
    QCOMPARE(types->itemText(0), QString("Video/Audio (mp4, flv, mkv, mpg, avi, mov, wmv, m4v, "
                                         "3gp, webm, mp3, m4a, wav, aac, opus, flac, ape)"));
}

void TestMainForm::openDialogsStartInLastSourceFolder()
{
    TMainForm &w = Window();
    const QString clips = MediaPath("clips");
    ChooseSourceFile(Touch(MediaPath("clips/a.avi")));
    QCOMPARE(ReadSetting("LastSourceFolder"), clips);
    // Both Open dialogs start there, in this and in the next run.
    TDialogs::ResetForTest();
    w.OpenFileMenuItem->trigger();
    w.OpenFolderMenuItem->trigger();
    QCOMPARE(TDialogs::FileRequests().size(), 2);
    QCOMPARE(TDialogs::FileRequests().at(0).fdFolder, clips);
    QCOMPARE(TDialogs::FileRequests().at(1).fdFolder, clips);
    // A DVD folder: the next dialog shows the film's folder among its neighbours.
    Touch(MediaPath("films/Trip/VIDEO_TS/VTS_01_1.VOB"), 2048);
    QVERIFY(DropPaths(w.SourceFilenameEdit, {MediaPath("films/Trip")}));
    QCOMPARE(ReadSetting("LastSourceFolder"), MediaPath("films"));
    FWindow.reset();
    QDir(MediaPath("films")).removeRecursively();
    TDialogs::ResetForTest();
    Window().OpenFileMenuItem->trigger();
    // A folder that has gone since: the nearest one above it that is there.
    QCOMPARE(TDialogs::FileRequests().constFirst().fdFolder, FMedia->path());
}

void TestMainForm::deviceNamesInTheLanguage()
{
    FProgram->WriteFile("presets.xml",
                        "<presets><device><id>7</id><name>Old Phone</name>"
                        "<name_Russian>\xD0\xA1\xD1\x82\xD0\xB0\xD1\x80\xD1\x8B\xD0\xB9 "
                        "\xD1\x82\xD0\xB5\xD0\xBB\xD0\xB5\xD1\x84\xD0\xBE\xD0\xBD</name_Russian>"
                        "<params>-c:v h263</params><extension>3gp</extension></device>"
                        "<device><id>9</id><name>iPad</name><params>-c:v libx264</params>"
                        "<extension>mp4</extension></device></presets>");
    WriteSetting("Language", "Russian");
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    ClickTab(w.VideoPageControl, 1);
    QTest::mouseClick(w.DeviceButtons.at(0), Qt::LeftButton);
    const QString russian = QString::fromUtf8("Старый телефон");
    QCOMPARE(w.DeviceButtons.at(0)->toolTip(), russian);
    QCOMPARE(w.DeviceButtons.at(1)->toolTip(), QString("iPad"));
    QCOMPARE(w.windowTitle(), "Frobnik  (AVI -> " + russian + " [3gp])");
    // The file keeps the preset's own name, whatever the language.
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("trip(Old Phone).3gp"));
    w.LanguageMenuItem->findChild<QAction *>("LanguageItem_English")->trigger();
    QCOMPARE(w.DeviceButtons.at(0)->toolTip(), QString("Old Phone"));
}

void TestMainForm::qtTextsSwitchWithLanguageMenu()
{
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    TMainForm &w = Window();
    QCOMPARE(cancel(), QString("Cancel"));
    w.LanguageMenuItem->findChild<QAction *>("LanguageItem_Russian")->trigger();
    QCOMPARE(cancel(), QString::fromUtf8("Отмена"));
    w.LanguageMenuItem->findChild<QAction *>("LanguageItem_English")->trigger();
    QCOMPARE(cancel(), QString("Cancel"));
}

void TestMainForm::deviceStripFromKeyboard()
{
    QList<std::tuple<int, QString, QString>> presets;
    for (int i = 1; i <= 10; ++i)
        presets.append({i, QString("Device %1").arg(i), "mp4"});
    FProgram->WritePresets(presets);
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    ClickTab(w.VideoPageControl, 1);
    // From the tab bar, Tab goes to the strip.
    w.VideoPageControl->tabBar()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    TPageScroller *strip = w.DevicePageScroller;
    QCOMPARE(QApplication::focusWidget(), strip);
    QCOMPARE(strip->CurrentItem(), w.DeviceButtons.at(0));
    QSignalSpy clicks(w.ConvertBitBtn, &QPushButton::clicked);
    const auto shownWhole = [strip](QWidget *_button) {
        const QRect inStrip(_button->mapTo(strip, QPoint(0, 0)), _button->size());
        return strip->ViewRect().contains(inStrip);
    };
    for (int i = 1; i < 10; ++i) {
        QTest::keyClick(strip, Qt::Key_Right);
        QCOMPARE(strip->CurrentItem(), w.DeviceButtons.at(i));
        QVERIFY2(shownWhole(w.DeviceButtons.at(i)), qPrintable(QString::number(i)));
        // The mark stands on the device the keys are at.
        QCOMPARE(strip->MarkRect(), QRect(w.DeviceButtons.at(i)->mapTo(strip, QPoint(0, 0)),
                                          w.DeviceButtons.at(i)->size()));
    }
    QTest::keyClick(strip, Qt::Key_Space);
    QCOMPARE(w.SelectedDeviceID, 10);
    QVERIFY(w.DeviceButtons.at(9)->isChecked());
    QTest::keyClick(strip, Qt::Key_Home);
    QVERIFY(shownWhole(w.DeviceButtons.at(0)));
    QTest::keyClick(strip, Qt::Key_Right);
    QTest::keyClick(strip, Qt::Key_Return);
    QCOMPARE(w.SelectedDeviceID, 2);
    QCOMPARE(w.OutVideoFileBEdit->text(), MediaPath("trip(Device 2).mp4"));
    // Enter on the strip chooses a device and starts nothing.
    QCOMPARE(clicks.size(), 0);
    QTest::keyClick(strip, Qt::Key_Left);
    QTest::keyClick(strip, Qt::Key_Left);
    QCOMPARE(strip->CurrentItem(), w.DeviceButtons.at(0));
    // Without the focus the strip shows no mark.
    w.OutVideoFileBEdit->setFocus();
    QVERIFY(strip->MarkRect().isEmpty());
}

void TestMainForm::optionsLinkFromKeyboard()
{
    TMainForm &w = Window();
    ChooseSourceFile(Touch(MediaPath("trip.avi")));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QSignalSpy clicks(w.ConvertBitBtn, &QPushButton::clicked);
    w.QualityComboBox->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.QualityComboBox, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.AdditionLabel);
    // Focused, it looks as it does under the pointer.
    QVERIFY(w.AdditionLabel->font().underline());
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Down}) {
        QTest::keyClick(w.AdditionLabel, key);
        QTRY_VERIFY(w.AdditionPopupMenu->isVisible());
        w.AdditionPopupMenu->close();
        QTRY_VERIFY(!w.AdditionPopupMenu->isVisible());
    }
    QCOMPARE(clicks.size(), 0);
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"

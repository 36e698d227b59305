// The window started with options on the program's own command line: the
// options are read by start-up itself, after the saved settings.

#include "FrameFixture.h"

#include "support/PathUtils.h"

#include <QApplication>

#include <vector>

namespace {
QString SourceClip;
}

class TestStartArguments : public QObject
{
    Q_OBJECT

private slots:
    void optionsWinOverSavedSettings();
};

void TestStartArguments::optionsWinOverSavedSettings()
{
    TDialogs::SetTestMode(true);
    const QString fake = FakeEncoderPath();
    if (!fake.isEmpty())
        SetEncoderProgram(fake);
    ResetSettings();
    TProgramCopy program;
    WriteSetting("IOutFormat", "3");
    WriteSetting("IOutSize", "800x600");
    WriteSetting("IOutQualityType", "1");
    WriteSetting("IOutQuality", "4");
    WriteSetting("VideoPageIndex", "1");
    WriteSetting("SelectedDeviceID", "2");

    TMainForm w;
    const bool timerActive = w.AutoTimer->isActive();
    w.AutoTimer->stop();
    QVERIFY(timerActive);
    QCOMPARE(DescribeWindow(w), QString("page=0 format=WEBM device=2 size=1280x720 quality=0/4 "
                                        "aspect=0 auto=1010 did=12 app=Quillarax"));
    QCOMPARE(w.SourceFilenameEdit->text(), SourceClip);
    QCOMPARE(w.OutVideoFileBEdit->text(), ChangeFileExt(SourceClip, ".webm"));
    // The quality box's handling ran after the options: source quality hides the bar.
    QVERIFY(w.QualityTrackBar->isHidden());
    // Written at start from the restored box, before the options changed it.
    QCOMPARE(ReadSetting("IOutSize"), QString("800x600"));
}

int main(int argc, char *argv[])
{
    QTemporaryDir media;
    SourceClip = media.filePath("clip.avi");
    QFile(SourceClip).open(QIODevice::WriteOnly);

    std::vector<QByteArray> options = {
        "-format=webm",  "-resolution=1280x720", "-inName=" + SourceClip.toUtf8(),
        "-sameaspect=0", "-acm=autoSilent",      "-fDID=12",
        "-app=qlx"};
    std::vector<char *> arguments{argv[0]};
    for (QByteArray &option : options)
        arguments.push_back(option.data());
    arguments.push_back(nullptr);
    int count = int(arguments.size()) - 1;
    QApplication app(count, arguments.data());

    TestStartArguments test;
    // The test framework sees only its own arguments.
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startarguments.moc"

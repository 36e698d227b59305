#include "EngineTestUtils.h"
#include "conversion/ChildRunner.h"
#include "conversion/EncoderProgram.h"
#include "conversion/FolderSource.h"
#include "conversion/SourceProbe.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Probing and folder sources against the real encoder, on media made here.
class TestEngineFfmpeg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void probeFiles_data();
    void probeFiles();
    void probeNameThatLooksLikeOptions();
    void folderOfClipsConcatenates();
    void dvdFolderChoosesTitleFiles();
    void vobsWithDifferentLayoutNeedJoin();
    void joinedVobsAreReadable();

private:
    bool Make(const QStringList &Args);
    QString Media(const QString &Name) const { return FDir.path() + '/' + Name; }
    qint64 ProbedDuration(const QString &Path);
    QString VobFolder(const QString &Name, const QString &First, const QString &Second);
    QTemporaryDir FDir;
    QString FEncoder;
};

static const QString Video1s = "testsrc=duration=1:size=160x120:rate=25";
static const QString Sine1s = "sine=duration=1";

bool TestEngineFfmpeg::Make(const QStringList &Args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(FEncoder, QStringList{"-nostdin", "-v", "error", "-y"} + Args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

qint64 TestEngineFfmpeg::ProbedDuration(const QString &Path)
{
    TVSourceInfo info;
    ProbeSource(Path, info, Media("appdata/"));
    return info.vsTotalSourceDuration;
}

// A folder Name/ holding VTS_01_1.VOB and VTS_01_2.VOB copied from First and Second.
QString TestEngineFfmpeg::VobFolder(const QString &Name, const QString &First,
                                    const QString &Second)
{
    const QString folder = Media(Name + '/');
    if (!QDir().mkpath(folder) || !QFile::copy(Media(First), folder + "VTS_01_1.VOB") ||
        !QFile::copy(Media(Second), folder + "VTS_01_2.VOB"))
        return QString();
    return folder;
}

static QStringList Lavfi(const QString &Graph)
{
    return {"-f", "lavfi", "-i", Graph};
}

void TestEngineFfmpeg::initTestCase()
{
    FEncoder = QStandardPaths::findExecutable("ffmpeg");
    QVERIFY2(!FEncoder.isEmpty(), "these tests need the real ffmpeg");
    QVERIFY(FDir.isValid());
    SetEncoderProgram(FEncoder);

    const QString video2s = "testsrc=duration=2:size=160x120:rate=25";
    QVERIFY(Make(Lavfi(video2s) + Lavfi("sine=duration=2") +
                 QStringList{"-c:v", "mpeg4", "-c:a", "aac", "-shortest", Media("av.mp4")}));
    QVERIFY(Make(Lavfi(video2s) + QStringList{"-c:v", "mpeg4", Media("v.mp4")}));
    QVERIFY(Make(Lavfi("sine=duration=3") + QStringList{"-c:a", "flac", Media("a.flac")}));
    WriteTestFile(Media("subs.srt"), "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n");
    QVERIFY(Make(QStringList{"-i", Media("v.mp4"), "-i", Media("subs.srt"), "-map", "0", "-map",
                             "1", "-c:v", "copy", "-c:s", "srt", Media("sub.mkv")}));

    // A folder of clips, one of them named with an apostrophe.
    QVERIFY(QDir().mkpath(Media("Clips")));
    QVERIFY(Make(Lavfi(Video1s) + QStringList{"-c:v", "mpeg4", Media("Clips/a clip.mp4")}));
    QVERIFY(Make(Lavfi(video2s) + QStringList{"-c:v", "mpeg4", Media("Clips/Don't Stop.mp4")}));
    QVERIFY(Make(Lavfi(Video1s) + QStringList{"-c:v", "mpeg4", Media("Clips/-dash.mp4")}));
    WriteTestFile(Media("Clips/notes.txt"), "not media");

    // MPEG program streams: video first, and audio first.
    const QStringList vob = {"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob"};
    QVERIFY(Make(Lavfi(Video1s) + Lavfi(Sine1s) + vob + QStringList{Media("video-first.VOB")}));
    QVERIFY(Make(Lavfi(Sine1s) + Lavfi(Video1s) + QStringList{"-map", "0:a", "-map", "1:v"} + vob +
                 QStringList{Media("audio-first.VOB")}));
}

void TestEngineFfmpeg::probeFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("durationMs");
    QTest::addColumn<QString>("videoStart");
    QTest::addColumn<QString>("audioStart");
    QTest::addColumn<bool>("subtitle");
    QTest::newRow("video with sound") << "av.mp4" << qint64(2000) << "mpeg4"
                                      << "aac" << false;
    QTest::newRow("video only") << "v.mp4" << qint64(2000) << "mpeg4"
                                << "" << false;
    QTest::newRow("audio only") << "a.flac" << qint64(3000) << ""
                                << "flac" << false;
    QTest::newRow("with subtitles") << "sub.mkv" << qint64(2000) << "mpeg4"
                                    << "" << true;
    QTest::newRow("program stream") << "video-first.VOB" << qint64(1000) << "mpeg2video (main)"
                                    << "mp2" << false;
}

void TestEngineFfmpeg::probeFiles()
{
    QFETCH(QString, file);
    QFETCH(qint64, durationMs);
    QFETCH(QString, videoStart);
    QFETCH(QString, audioStart);
    QFETCH(bool, subtitle);
    TVSourceInfo info;
    QVERIFY(ProbeSource(Media(file), info, Media("appdata/")));
    QVERIFY(info.vsFFMpegOutText.contains("Input #0"));
    QVERIFY2(qAbs(info.vsTotalSourceDuration - durationMs) <= 100,
             qPrintable(QString::number(info.vsTotalSourceDuration)));
    QCOMPARE(info.vsVideoCodecLC.isEmpty(), videoStart.isEmpty());
    QVERIFY2(videoStart.isEmpty() || info.vsVideoCodecLC.startsWith(videoStart),
             qPrintable(info.vsVideoCodecLC));
    QCOMPARE(info.vsAudioCodecLC.isEmpty(), audioStart.isEmpty());
    QVERIFY2(audioStart.isEmpty() || info.vsAudioCodecLC.startsWith(audioStart),
             qPrintable(info.vsAudioCodecLC));
    QVERIFY(!info.vsVideoCodecLC.contains(',') &&
            info.vsVideoCodecLC == info.vsVideoCodecLC.toLower());
    QCOMPARE(info.vsSubtitle, subtitle);
    QCOMPARE(info.vsTotalSourceSize, QFileInfo(Media(file)).size());
    QVERIFY(!NeedBinaryJoin(info.vsFFMpegOutText));
}

void TestEngineFfmpeg::probeNameThatLooksLikeOptions()
{
    const QString odd = Media("-y \"x\" it's.mp4");
    QVERIFY(QFile::copy(Media("av.mp4"), odd));
    QCOMPARE(ProbedDuration(odd), ProbedDuration(Media("av.mp4")));
    QVERIFY(QFileInfo::exists(Media("av.mp4")));
}

void TestEngineFfmpeg::folderOfClipsConcatenates()
{
    QString folder = Media("Clips");
    QVERIFY(FindMediaFolder(folder));
    QCOMPARE(folder, Media("Clips/"));
    TVSourceInfo info;
    QVERIFY(ProbeSource(folder, info, Media("appdata/")));
    QVERIFY(info.vsIsFolderToConcat);
    QVERIFY(!info.vsIsDVD);
    QCOMPARE(info.vsCopyConcatFiles,
             QStringList({folder + "-dash.mp4", folder + "Don't Stop.mp4", folder + "a clip.mp4"}));
    QVERIFY2(qAbs(info.vsTotalSourceDuration - 4000) <= 150,
             qPrintable(QString::number(info.vsTotalSourceDuration)));
    QCOMPARE(info.vsFFMpegOutText.count("Input #"), 3);
    QVERIFY(!NeedBinaryJoin(info.vsFFMpegOutText));

    // The encoder reads the list, apostrophe and all, and the result is as long as the parts.
    const QString joined = Media("clips joined.mkv");
    QVERIFY(Make(info.vsFFMpegInputArgs + QStringList{"-c", "copy", joined}));
    QVERIFY2(qAbs(ProbedDuration(joined) - info.vsTotalSourceDuration) <= 150,
             qPrintable(QString::number(ProbedDuration(joined))));
}

void TestEngineFfmpeg::dvdFolderChoosesTitleFiles()
{
    const QString dvd = Media("Film/VIDEO_TS/");
    QVERIFY(QDir().mkpath(dvd));
    QVERIFY(QFile::copy(Media("video-first.VOB"), dvd + "VIDEO_TS.VOB"));
    QVERIFY(QFile::copy(Media("video-first.VOB"), dvd + "VTS_01_1.VOB"));
    QVERIFY(QFile::copy(Media("video-first.VOB"), dvd + "VTS_01_2.VOB"));
    WriteTestFile(dvd + "VTS_01_0.IFO", "ifo");
    // Only its size has to make the first title file count as big.
    QVERIFY(QFile::resize(dvd + "VTS_01_1.VOB", DVDMinVOBSize));

    QString folder = Media("Film");
    QVERIFY(FindMediaFolder(folder));
    QCOMPARE(folder, dvd);
    TVSourceInfo info;
    QVERIFY(ProbeSource(folder, info, Media("appdata/")));
    QVERIFY(info.vsIsDVD);
    QCOMPARE(info.vsCopyConcatFiles, QStringList({dvd + "VTS_01_1.VOB", dvd + "VTS_01_2.VOB"}));
    QCOMPARE(info.vsStrForCopyConcatCommand(),
             QString("\"%1VTS_01_1.VOB\"+\"%1VTS_01_2.VOB\"").arg(dvd));
    QCOMPARE(info.vsTotalSourceSize, DVDMinVOBSize + QFileInfo(dvd + "VTS_01_2.VOB").size());
    QCOMPARE(info.vsFFMpegOutText.count("Input #"), 2);
    // The padded file's length is unknown (N/A), so only the second counts.
    QCOMPARE(info.vsTotalSourceDuration, ProbedDuration(dvd + "VTS_01_2.VOB"));
    QVERIFY(info.vsTotalSourceDuration > 0);
}

void TestEngineFfmpeg::vobsWithDifferentLayoutNeedJoin()
{
    const QString rip = VobFolder("Rip", "video-first.VOB", "audio-first.VOB");
    QVERIFY(!rip.isEmpty());
    TVSourceInfo info;
    QVERIFY(ProbeSource(rip, info, Media("appdata/")));
    QVERIFY(info.vsIsDVD);
    QCOMPARE(info.vsCopyConcatFiles.size(), 2);
    QVERIFY(NeedBinaryJoin(info.vsFFMpegOutText));

    const QString same = VobFolder("Same", "video-first.VOB", "video-first.VOB");
    QVERIFY(!same.isEmpty());
    QVERIFY(ProbeSource(same, info, Media("appdata/")));
    QVERIFY(!NeedBinaryJoin(info.vsFFMpegOutText));
}

void TestEngineFfmpeg::joinedVobsAreReadable()
{
    const QString rip = VobFolder("Join", "video-first.VOB", "video-first.VOB");
    QVERIFY(!rip.isEmpty());
    TVSourceInfo info;
    QVERIFY(ProbeSource(rip, info, Media("appdata/")));
    const QString joined = Media("out.mp4.VOB");
    TChildRunner runner;
    QCOMPARE(runner.Run(JoinCommand(info.vsCopyConcatFiles, joined), TStepKind::Join, {}), 0);
    QCOMPARE(QFileInfo(joined).size(), info.vsTotalSourceSize);
    // The encoder decodes both halves of the joined stream.
    const QString sums = Media("frames.md5");
    QVERIFY(Make({"-i", joined, "-map", "0:v", "-f", "framemd5", sums}));
    QFile f(sums);
    QVERIFY(f.open(QIODevice::ReadOnly));
    int frames = 0;
    while (!f.atEnd())
        frames += f.readLine().startsWith("0,") ? 1 : 0;
    QCOMPARE(frames, 50);
}

QTEST_GUILESS_MAIN(TestEngineFfmpeg)
#include "tst_ffmpeg.moc"

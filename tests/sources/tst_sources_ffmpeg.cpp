// The kinds of sources people convert (surround sound, odd frame sizes, slow
// frame rates, interlaced recordings, 10-bit pictures, subtitle tracks),
// probed and converted with the real encoder as a run does it, each result
// checked with ffprobe.

#include "engine/EngineTestUtils.h"
#include "engine/MediaTestUtils.h"

#include "conversion/ChildRunner.h"
#include "conversion/CommandLine.h"
#include "conversion/ConversionRun.h"
#include "conversion/EncoderProgram.h"
#include "conversion/SourceProbe.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum TOption
{
    opNone = 0,
    opNoSound = 1,
    opCopySounds = 2,
    opCopySubtitles = 4,
    opDeinterlace = 8,
    opSameAspect = 16,
};

// Format-page settings as the window hands them over during a run.
TConversionSettings Settings(const QString &_outFile, int _options, const QString &_size = {},
                             int _quality = -1)
{
    TConversionSettings s;
    s.OutFileName = _outFile;
    s.OutSizeText = _size.isEmpty() ? QStringLiteral("Source size") : _size;
    s.OutSizeIndex = _size.isEmpty() ? 0 : -1;
    if (_quality >= 0) {
        s.OutQualityType = 1;
        s.OutQuality = _quality;
        s.OutQualityEnabled = true;
    }
    s.NoSound = _options & opNoSound;
    s.CopySounds = _options & opCopySounds;
    s.CopySubtitles = _options & opCopySubtitles;
    s.Deinterlace = _options & opDeinterlace;
    s.SameAspect = _options & opSameAspect;
    return s;
}

QStringList Lavfi(const QString &_graph)
{
    return {"-f", "lavfi", "-i", _graph};
}

// Frames that ffmpeg's interlace detector finds interlaced and progressive.
struct TFieldCount
{
    int Interlaced = -1;
    int Progressive = -1;
};

// What the encoder reports while decoding _file to nothing through _filters;
// empty when it does not finish.
QString DecodingReport(const QString &_file, const QStringList &_filters = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start("ffmpeg", QStringList{"-nostdin", "-hide_banner", "-i", _file} + _filters +
                                QStringList{"-f", "null", "-"});
    if (!process.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(process.readAll());
}

TFieldCount DetectInterlacing(const QString &_file)
{
    TFieldCount count;
    static const QRegularExpression multi(
        "Multi frame detection: TFF: *(\\d+) BFF: *(\\d+) Progressive: *(\\d+)");
    const QRegularExpressionMatch m =
        multi.match(DecodingReport(_file, {"-map", "0:v:0", "-vf", "idet"}));
    if (m.hasMatch()) {
        count.Interlaced = m.captured(1).toInt() + m.captured(2).toInt();
        count.Progressive = m.captured(3).toInt();
    }
    return count;
}

// Seconds of the file as the encoder decodes it to the end; the container's
// own figure is a guess for small MPEG program streams.
double PlayedDuration(const QString &_file)
{
    static const QRegularExpression time("time=(\\d+):(\\d+):(\\d+\\.\\d+)");
    QRegularExpressionMatchIterator it = time.globalMatch(DecodingReport(_file));
    double seconds = 0;
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        seconds =
            m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toDouble();
    }
    return seconds;
}

} // namespace

class TestSourcesFfmpeg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void converts_data();
    void converts();
    void movQualityTakesEffect();
    void folders_data();
    void folders();

private:
    QString Media(const QString &_name) const { return FDir.filePath(_name); }
    bool Make(const QStringList &_args) const;
    // Probes _source, builds its arguments and runs the encoder into the output file.
    bool Convert(const QString &_source, const TConversionSettings &_settings,
                 TVSourceInfo &_probed, QString *_arguments = nullptr);

    QTemporaryDir FDir;
    QString FEncoder;
};

bool TestSourcesFfmpeg::Make(const QStringList &_args) const
{
    return RunTool(FEncoder, QStringList{"-nostdin", "-v", "error", "-y"} + _args) == 0;
}

namespace {
// A run that nobody watches.
class TQuietObserver : public IRunObserver
{
public:
    void RunRefused(int, const QString &) override {}
    void RunStatus(int, const QString &) override {}
    void RunProgress(const TRunProgress &) override {}
};
} // namespace

bool TestSourcesFfmpeg::Convert(const QString &_source, const TConversionSettings &_settings,
                                TVSourceInfo &_probed, QString *_arguments)
{
    QFile::remove(_settings.OutFileName);
    TRunRequest request;
    request.Settings = _settings;
    request.Settings.SourceFileName = _source;
    request.AppDataDir = Media("appdata/");
    TConversionRun run;
    TQuietObserver observer;
    const TRunOutcome outcome = run.Run(request, _probed, observer);
    if (_arguments && !run.EncoderArguments().isEmpty())
        *_arguments = run.EncoderArguments().last();
    if (outcome != TRunOutcome::Converted) {
        qWarning("outcome %d: %s", int(outcome), qPrintable(run.EncoderArguments().join(" | ")));
        return false;
    }
    return true;
}

void TestSourcesFfmpeg::initTestCase()
{
    FEncoder = QStandardPaths::findExecutable("ffmpeg");
    QVERIFY2(!FEncoder.isEmpty() && !QStandardPaths::findExecutable("ffprobe").isEmpty(),
             "these tests need the real ffmpeg and ffprobe");
    QVERIFY(FDir.isValid());
    QVERIFY(QDir().mkpath(Media("appdata")));
    SetEncoderProgram(FEncoder);

    const QString picture = "testsrc=duration=3:size=160x120:rate=25";
    const QString tone = "sine=frequency=440:duration=3";
    const QStringList mpeg4 = {"-c:v", "mpeg4", "-c:a", "aac"};
    QVERIFY(Make(Lavfi(picture) + Lavfi(tone) + mpeg4 +
                 QStringList{"-ac", "2", Media("ordinary.mp4")}));
    QVERIFY(Make(Lavfi(picture) + Lavfi(tone) +
                 QStringList{"-af", "pan=5.1(side)|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:v",
                             "mpeg4", "-c:a", "ac3", Media("surround.mkv")}));
    // Neither sound is the default one, so the encoder takes the one of more channels.
    QVERIFY(Make(Lavfi(picture) + Lavfi(tone) + QStringList{"-i", Media("surround.mkv")} +
                 QStringList{"-map", "0:v", "-map", "1:a", "-map", "2:a", "-c:v", "mpeg4", "-c:a:0",
                             "aac", "-ac:a:0", "2", "-c:a:1", "copy", "-disposition:a", "0",
                             Media("second-surround.mkv")}));
    QVERIFY(Make(Lavfi("testsrc=duration=3:size=321x241:rate=25") + Lavfi(tone) + mpeg4 +
                 QStringList{Media("odd.mkv")}));
    QVERIFY(Make(Lavfi("testsrc=duration=3:size=160x120:rate=15") + Lavfi(tone) + mpeg4 +
                 QStringList{Media("slow.mp4")}));
    // Fields of a moving 50-picture-a-second source woven into 25 frames.
    QVERIFY(Make(Lavfi("smptebars=duration=3:size=160x120:rate=50,scroll=horizontal=0.02") +
                 Lavfi(tone) +
                 QStringList{"-vf", "tinterlace=interleave_top,setfield=tff", "-c:v", "mpeg2video",
                             "-q:v", "2", "-flags", "+ilme+ildct", "-top", "1", "-pix_fmt",
                             "yuv420p", "-c:a", "mp2", "-f", "vob", Media("interlaced.mpg")}));
    const TFieldCount fields = DetectInterlacing(Media("interlaced.mpg"));
    QVERIFY2(fields.Interlaced > 40 && fields.Progressive == 0,
             qPrintable(QString::number(fields.Interlaced)));
    QVERIFY(Make(Lavfi(picture) + Lavfi(tone) +
                 QStringList{"-c:v", "libx264", "-pix_fmt", "yuv420p10le", "-c:a", "aac",
                             Media("deep.mp4")}));
    WriteTestFile(Media("subs.srt"),
                  "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,000 --> "
                  "00:00:03,000\nAgain\n\n");
    const QStringList withSubs =
        Lavfi(picture) + Lavfi(tone) +
        QStringList{"-i",   Media("subs.srt"), "-map", "0",  "-map", "1", "-map", "2",
                    "-c:v", "mpeg4",           "-c:a", "aac"};
    QVERIFY(Make(withSubs + QStringList{"-c:s", "srt", Media("subtitled.mkv")}));
    QVERIFY(Make(withSubs + QStringList{"-c:s", "mov_text", Media("subtitled.mp4")}));
}

void TestSourcesFfmpeg::cleanupTestCase()
{
    SetEncoderProgram(QString());
}

void TestSourcesFfmpeg::converts_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("size");        // typed frame size, empty for the source size
    QTest::addColumn<QSize>("frame");         // expected picture size, invalid: not checked
    QTest::addColumn<QString>("subtitles");   // expected subtitle codec, empty: none
    QTest::addColumn<bool>("keepsArguments"); // the same arguments as built without the source

    auto row = [](const QString &source, const QString &type, int options = opNone,
                  const QSize &frame = QSize(), const QString &subtitles = QString(),
                  const QString &size = QString()) {
        const QString name = source + " to " + type +
                             (options ? " options " + QString::number(options) : QString()) +
                             (size.isEmpty() ? QString() : " size " + size);
        QTest::newRow(qPrintable(name))
            << source << type << options << size << frame << subtitles << false;
    };

    // Ordinary sources keep the arguments they always had; only MOV names
    // its codec now.
    for (const char *type :
         {"mp4", "webm", "flv", "mkv", "mpg", "avi", "wmv", "3gp", "mp3", "aac", "flac"})
        QTest::newRow(qPrintable(QString("ordinary.mp4 to ") + type))
            << "ordinary.mp4" << QString(type) << int(opNone) << QString() << QSize(160, 120)
            << QString() << true;
    QTest::newRow("ordinary.mp4 to mkv keeping sound streams")
        << "ordinary.mp4"
        << "mkv" << int(opCopySounds) << QString() << QSize(160, 120) << QString() << true;
    row("ordinary.mp4", "mov", opNone, QSize(160, 120));

    for (const char *type : {"webm", "wmv"})
        row("surround.mkv", type);
    row("second-surround.mkv", "webm");
    for (const char *type : {"mp4", "mkv", "flv", "mov"})
        row("odd.mkv", type, opNone, QSize(320, 240));
    row("odd.mkv", "wmv", opNone, QSize(320, 241));
    row("odd.mkv", "mp4", opNone, QSize(320, 240), QString(), "321x241");
    row("odd.mkv", "mkv", opSameAspect, QSize(320, 240), QString(), "321x241");
    row("slow.mp4", "mpg");
    row("slow.mp4", "mpg", opNoSound);
    for (const char *type : {"mp4", "webm", "flv", "mkv", "mpg", "avi", "mov", "wmv", "3gp"})
        row("interlaced.mpg", type, opDeinterlace);
    row("interlaced.mpg", "avi", opDeinterlace | opSameAspect, QSize(320, 240), QString(),
        "320x240");
    for (const char *type : {"mp4", "flv", "mkv", "mov"})
        row("deep.mp4", type);
    row("subtitled.mkv", "mp4", opCopySubtitles, QSize(), "mov_text");
    row("subtitled.mkv", "mkv", opCopySubtitles, QSize(), "subrip");
    row("subtitled.mkv", "webm", opCopySubtitles, QSize(), "webvtt");
    row("subtitled.mkv", "flv", opCopySubtitles);
    row("subtitled.mkv", "mkv", opCopySubtitles | opCopySounds, QSize(), "subrip");
    row("subtitled.mkv", "mp4", opCopySubtitles | opNoSound, QSize(), "mov_text");
    row("subtitled.mp4", "mkv", opCopySubtitles, QSize(), "subrip");
}

void TestSourcesFfmpeg::converts()
{
    QFETCH(QString, source);
    QFETCH(QString, type);
    QFETCH(int, options);
    QFETCH(QString, size);
    QFETCH(QSize, frame);
    QFETCH(QString, subtitles);
    QFETCH(bool, keepsArguments);
    if (type == "3gp") {
        // The window fixes the size of a 3GP; H.263 takes no other.
        size = "176x144";
        frame = QSize(176, 144);
    }

    const QString out =
        Media("out/" + QString(QTest::currentDataTag()).replace(' ', '_') + '.' + type);
    QVERIFY(QDir().mkpath(Media("out")));
    const TConversionSettings settings = Settings(out, options, size);
    TVSourceInfo probed;
    QString arguments;
    QVERIFY(Convert(Media(source), settings, probed, &arguments));
    if (keepsArguments) {
        QString without;
        QVERIFY(BuildEncoderArguments(settings, nullptr, without, nullptr));
        QCOMPARE(arguments, without);
    }

    const QList<TStream> streams = Streams(out);
    const std::optional<TStream> video = FirstOf(streams, "video");
    const bool soundOnly = type == "mp3" || type == "aac" || type == "flac";
    QCOMPARE(bool(video), !soundOnly);
    QCOMPARE(CountOf(streams, "audio"), (options & opNoSound) && !soundOnly ? 0 : 1);
    if (video && frame.isValid())
        QCOMPARE(QSize(video->Width, video->Height), frame);
    if (video && video->Codec == "h264") {
        QCOMPARE(video->Width % 2 + video->Height % 2, 0);
        QCOMPARE(video->PixelFormat, QString("yuv420p"));
    }
    const std::optional<TStream> subtitle = FirstOf(streams, "subtitle");
    QCOMPARE(subtitle ? subtitle->Codec : QString(), subtitles);

    const double expected = probed.vsTotalSourceDuration / 1000.0;
    const double played = PlayedDuration(out);
    QVERIFY(expected > 2.5);
    QVERIFY2(qAbs(played - expected) <= expected * 0.05,
             qPrintable(QString("%1 s of %2 s").arg(played).arg(expected)));

    if (options & opDeinterlace) {
        const TFieldCount fields = DetectInterlacing(out);
        QVERIFY2(fields.Progressive > 0 && fields.Interlaced * 10 <= fields.Progressive,
                 qPrintable(QString("%1 interlaced, %2 progressive")
                                .arg(fields.Interlaced)
                                .arg(fields.Progressive)));
    }
}

void TestSourcesFfmpeg::movQualityTakesEffect()
{
    QVERIFY(QDir().mkpath(Media("out")));
    TVSourceInfo probed;
    QVERIFY(
        Convert(Media("ordinary.mp4"), Settings(Media("out/q0.mov"), opNoSound, {}, 0), probed));
    QVERIFY(
        Convert(Media("ordinary.mp4"), Settings(Media("out/q10.mov"), opNoSound, {}, 10), probed));
    const qint64 low = QFileInfo(Media("out/q0.mov")).size();
    const qint64 high = QFileInfo(Media("out/q10.mov")).size();
    QVERIFY2(low * 2 < high, qPrintable(QString("%1 bytes at 0, %2 at 10").arg(low).arg(high)));
    const std::optional<TStream> video = FirstOf(Streams(Media("out/q0.mov")), "video");
    QVERIFY(video);
    QCOMPARE(video->Codec, QString("h264"));
}

QTEST_GUILESS_MAIN(TestSourcesFfmpeg)
// Folders as people have them: phone clips of other profiles and language
// tags, a README among the clips, a clip that was never fully downloaded.
void TestSourcesFfmpeg::folders_data()
{
    QTest::addColumn<QStringList>("extras"); // files besides the two clips
    QTest::addColumn<bool>("damaged");       // the second clip cut off half way
    QTest::addColumn<int>("outcome");
    QTest::addColumn<double>("seconds");
    QTest::newRow("clips of other profiles")
        << QStringList{} << false << int(TRunOutcome::Converted) << 6.0;
    QTest::newRow("a README and a LICENSE among them")
        << QStringList{"README", "LICENSE", "notes.m"} << false << int(TRunOutcome::Converted)
        << 6.0;
    QTest::newRow("a half-downloaded clip")
        << QStringList{} << true << int(TRunOutcome::IncompleteOutput) << -1.0;
}

void TestSourcesFfmpeg::folders()
{
    QFETCH(QStringList, extras);
    QFETCH(bool, damaged);
    QFETCH(int, outcome);
    QFETCH(double, seconds);
    const QString folder = Media("folder/");
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder));
    const QString picture = "testsrc=duration=3:size=160x120:rate=25";
    const QString tone = "sine=frequency=440:duration=3";
    // What two phones make: other H.264 profiles, one track tagged with a language.
    QVERIFY(Make(Lavfi(picture) + Lavfi(tone) +
                 QStringList{"-c:v", "libx264", "-pix_fmt", "yuv420p", "-profile:v", "baseline",
                             "-c:a", "aac", "-movflags", "+faststart", folder + "a.mp4"}));
    QVERIFY(Make(Lavfi(picture) + Lavfi(tone) +
                 QStringList{"-c:v", "libx264", "-pix_fmt", "yuv420p", "-profile:v", "high", "-c:a",
                             "aac", "-metadata:s:v", "language=eng", "-movflags", "+faststart",
                             folder + "b.mp4"}));
    if (damaged) {
        // The index at the front still promises three seconds.
        QVERIFY(QFile::resize(folder + "b.mp4", QFileInfo(folder + "b.mp4").size() / 3));
    }
    for (const QString &name : extras)
        WriteTestFile(folder + name, "not a clip\n");

    const QString out = Media("out/folder.mkv");
    QVERIFY(QDir().mkpath(Media("out")));
    QFile::remove(out);
    TRunRequest request;
    request.Settings = Settings(out, 0, QString());
    request.Settings.SourceFileName = folder;
    request.AppDataDir = Media("appdata/");
    TVSourceInfo probed;
    TConversionRun run;
    TQuietObserver observer;
    QCOMPARE(int(run.Run(request, probed, observer)), outcome);
    QVERIFY(run.CopyVOBFileName().isEmpty());
    QVERIFY(QFile::exists(out));
    if (seconds > 0) {
        const double played = PlayedDuration(out);
        QVERIFY2(qAbs(played - seconds) <= seconds * 0.05, qPrintable(QString::number(played)));
    }
}

#include "tst_sources_ffmpeg.moc"

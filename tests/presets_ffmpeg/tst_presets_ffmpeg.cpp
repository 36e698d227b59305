// Converts a generated clip with every shipped preset through the real
// encoder, started from the argument vector the program itself uses.

#include "conversion/CommandLine.h"
#include "conversion/SourceInfo.h"
#include "presets/DevicePresets.h"
#include "support/TextUtils.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct TStream
{
    QString Type;
    QString Codec;
    int Width = 0;
    int Height = 0;
};

// What ffmpeg's encoder names come out as in the stream's codec name.
QString CodecOfEncoder(const QString &encoder)
{
    static const QHash<QString, QString> codecs{
        {"libx264", "h264"}, {"libx265", "hevc"},     {"libmp3lame", "mp3"}, {"libvpx-vp9", "vp9"},
        {"libopus", "opus"}, {"libvorbis", "vorbis"}, {"libxvid", "mpeg4"}};
    return codecs.value(encoder, encoder);
}

// The video and audio codecs a preset names ("-" for a stream it removes,
// empty when it leaves the choice to the encoder).
void ExpectedCodecs(const QString &params, QString &video, QString &audio)
{
    const QStringList args = SplitCommandText(params);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == "-c:v" || a == "-vcodec")
            video = CodecOfEncoder(next);
        else if (a == "-c:a" || a == "-acodec")
            audio = CodecOfEncoder(next);
        else if (a == "-vn")
            video = "-";
        else if (a == "-an")
            audio = "-";
    }
}

} // namespace

class TestPresetsFfmpeg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void presetConverts_data();
    void presetConverts();
    void deinterlaceKeepsScaling();
    void hostileOutputNames_data();
    void hostileOutputNames();

private:
    bool Run(const QString &program, const QStringList &args, QString &output,
             const QString &workingDir = QString());
    bool Convert(const TConversionSettings &settings, const TDevicePresets *presets,
                 const QString &outFile, const QString &workingDir = QString());
    QList<TStream> Probe(const QString &file, double *duration = nullptr);

    QTemporaryDir Dir;
    QString Ffmpeg;
    QString Ffprobe;
    QString Clip;
    TDevicePresets Presets;
};

bool TestPresetsFfmpeg::Run(const QString &program, const QStringList &args, QString &output,
                            const QString &workingDir)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(program, args);
    const bool finished = process.waitForFinished(300000);
    output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void TestPresetsFfmpeg::initTestCase()
{
    // The set-up scripts install ffmpeg, so a missing one is a failure.
    Ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    Ffprobe = QStandardPaths::findExecutable("ffprobe");
    QVERIFY2(!Ffmpeg.isEmpty(), "ffmpeg is not installed");
    QVERIFY2(!Ffprobe.isEmpty(), "ffprobe is not installed");
    QVERIFY(Dir.isValid());

    Clip = Dir.filePath("clip.mkv");
    QString output;
    QVERIFY2(Run(Ffmpeg,
                 {"-hide_banner",
                  "-loglevel",
                  "error",
                  "-f",
                  "lavfi",
                  "-i",
                  "testsrc=size=640x360:rate=25",
                  "-f",
                  "lavfi",
                  "-i",
                  "sine=frequency=440:sample_rate=44100",
                  "-t",
                  "2",
                  "-c:v",
                  "mpeg4",
                  "-q:v",
                  "5",
                  "-c:a",
                  "pcm_s16le",
                  Clip},
                 output),
             qPrintable(output));

    Presets = TDevicePresets(qEnvironmentVariable("FROBNIK_SOURCE_DIR") + "/data/presets.xml");
    QVERIFY(Presets.Count() >= 12);
}

bool TestPresetsFfmpeg::Convert(const TConversionSettings &settings, const TDevicePresets *presets,
                                const QString &outFile, const QString &workingDir)
{
    QString arguments;
    if (!BuildEncoderArguments(settings, presets, arguments, nullptr)) {
        qWarning("arguments refused");
        return false;
    }
    TVSourceInfo source;
    source.vsFFMpegInputArgs = QStringList{"-i", Clip};
    const QString progress = Dir.filePath("progress1.txt");
    QFile::remove(progress);
    const TEncoderCommand command =
        BuildEncoderCommand(Ffmpeg, progress, source, arguments, outFile);

    QString output;
    if (!Run(command.Program, command.Args, output, workingDir)) {
        qWarning("%s\n%s", qPrintable(command.Text()), qPrintable(output));
        return false;
    }
    QFile progressFile(progress);
    if (!progressFile.open(QIODevice::ReadOnly) ||
        !progressFile.readAll().contains("progress=end")) {
        qWarning("no finished progress file for %s", qPrintable(command.Text()));
        return false;
    }
    return true;
}

QList<TStream> TestPresetsFfmpeg::Probe(const QString &file, double *duration)
{
    QString output;
    QList<TStream> streams;
    if (!Run(Ffprobe,
             {"-v", "error", "-show_entries",
              "stream=codec_type,codec_name,width,height:format=duration", "-of",
              "default=noprint_wrappers=1", file},
             output))
        return streams;
    for (const QString &line : output.split('\n', Qt::SkipEmptyParts)) {
        const QString key = line.section('=', 0, 0);
        const QString value = line.section('=', 1).trimmed();
        if (key == "codec_name")
            streams.append(TStream{QString(), value});
        else if (streams.isEmpty())
            continue;
        else if (key == "codec_type")
            streams.last().Type = value;
        else if (key == "width")
            streams.last().Width = value.toInt();
        else if (key == "height")
            streams.last().Height = value.toInt();
        if (key == "duration" && duration)
            *duration = value.toDouble();
    }
    return streams;
}

void TestPresetsFfmpeg::presetConverts_data()
{
    QTest::addColumn<int>("id");
    for (int i = 0; i < Presets.Count(); ++i)
        QTest::newRow(qPrintable(Presets.Device(i)->Name)) << Presets.Device(i)->ID;
}

void TestPresetsFfmpeg::presetConverts()
{
    QFETCH(int, id);
    const TDevPreset *preset = Presets.GetDeviceByID(id);
    QVERIFY(preset);

    TConversionSettings settings;
    settings.VideoPageIndex = 1;
    settings.SelectedDeviceID = id;
    const QString out = Dir.filePath(preset->idName + '.' + preset->Extension);
    QVERIFY(Convert(settings, &Presets, out));

    double duration = 0;
    const QList<TStream> streams = Probe(out, &duration);
    QVERIFY2(!streams.isEmpty(), "ffprobe found no streams");
    QVERIFY2(duration > 1.5 && duration < 2.6, qPrintable(QString::number(duration)));

    QString video, audio;
    ExpectedCodecs(preset->Params, video, audio);
    QVERIFY2(!video.isEmpty() && !audio.isEmpty(), "a preset should name its codecs");
    QStringList found, expected;
    for (const TStream &s : streams) {
        found << s.Type + ':' + s.Codec;
        if (s.Type == "video") {
            QVERIFY2(s.Width % 2 == 0 && s.Height % 2 == 0, "odd frame size");
            QVERIFY(s.Width > 0 && s.Width <= 640 && s.Height > 0 && s.Height <= 360);
        }
    }
    if (video != "-")
        expected << "video:" + video;
    if (audio != "-")
        expected << "audio:" + audio;
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

void TestPresetsFfmpeg::deinterlaceKeepsScaling()
{
    TConversionSettings settings;
    settings.OutSizeText = "320x240";
    settings.OutSizeIndex = 1;
    settings.SameAspect = true;
    settings.Deinterlace = true;
    settings.OutFileName = Dir.filePath("scaled.mp4");
    QVERIFY(Convert(settings, nullptr, settings.OutFileName));
    const QList<TStream> streams = Probe(settings.OutFileName);
    QCOMPARE(streams.size(), 2);
    const TStream &video = streams[0].Type == "video" ? streams[0] : streams[1];
    QCOMPARE(video.Width, 320);
    QCOMPARE(video.Height, 180);
}

void TestPresetsFfmpeg::hostileOutputNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("relative");
    QTest::newRow("leading dash, relative") << "-y.mp4" << true;
    QTest::newRow("protocol-like, relative") << "pipe:1.mp4" << true;
    QTest::newRow("quotes and options") << "a\" -f null \".mp4" << false;
}

void TestPresetsFfmpeg::hostileOutputNames()
{
    QFETCH(QString, name);
    QFETCH(bool, relative);
    TConversionSettings settings;
    settings.OutFileName = relative ? name : Dir.filePath(name);
    settings.OutSizeText = "160x120";
    settings.OutSizeIndex = 1;
    QVERIFY(Convert(settings, nullptr, settings.OutFileName, Dir.path()));
    const QString written = Dir.filePath(name);
    QVERIFY2(QFileInfo(written).size() > 0, qPrintable(written));
    QCOMPARE(Probe(written).size(), 2);
}

QTEST_GUILESS_MAIN(TestPresetsFfmpeg)
#include "tst_presets_ffmpeg.moc"

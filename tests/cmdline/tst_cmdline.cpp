#include "conversion/CommandLine.h"
#include "conversion/SourceInfo.h"
#include "presets/DevicePresets.h"

#include <QtTest>

Q_DECLARE_METATYPE(TConversionSettings)
Q_DECLARE_METATYPE(TVSourceInfo)

namespace {

class TRecordingSink : public IRefusalSink
{
public:
    QList<int> Refusals;
    void Refuse(int _messageId) override { Refusals << _messageId; }
};

// Format-page settings for one output file: source size, source quality, no
// options; the setters tick what a row needs.
struct TChoice
{
    TConversionSettings s;
    explicit TChoice(const QString &outFile)
    {
        s.OutSizeText = QStringLiteral("Source size");
        s.OutFileName = outFile;
    }
    TChoice &Size(const QString &text, int index = 1)
    {
        s.OutSizeText = text;
        s.OutSizeIndex = index;
        return *this;
    }
    TChoice &Other(int position, bool enabled = true)
    {
        s.OutQualityType = 1;
        s.OutQuality = position;
        s.OutQualityEnabled = enabled;
        return *this;
    }
    TChoice &NoSound() { return s.NoSound = true, *this; }
    TChoice &CopySounds() { return s.CopySounds = true, *this; }
    TChoice &CopySubtitles() { return s.CopySubtitles = true, *this; }
    TChoice &Deinterlace() { return s.Deinterlace = true, *this; }
    TChoice &SameAspect(bool enabled = true)
    {
        s.SameAspect = true;
        s.SameAspectEnabled = enabled;
        return *this;
    }
    TChoice &Page(int index, int device = 0)
    {
        s.VideoPageIndex = index;
        s.SelectedDeviceID = device;
        return *this;
    }
    operator TConversionSettings() const { return s; }
};

TChoice Out(const char *fileName)
{
    return TChoice(QStringLiteral("/media/out/") + QString::fromUtf8(fileName));
}

TDevicePresets Presets()
{
    TDevicePresets presets;
    presets.LoadFromBytes("<presets><device><id>3</id><name>Pocket</name>"
                          "<params>-c:v libx264 -vf \"scale='min(320,iw)':-2\" -c:a aac</params>"
                          "<extension>mp4</extension></device>"
                          "<device><id>4</id><name>Empty</name><params/></device></presets>");
    return presets;
}

const QString kScale640 = QStringLiteral(" -vf \"scale=640:trunc(ow/a/2)*2\"");

// A probed source: 640x480 yuv420p at 25 fps with stereo sound and no
// subtitles unless a setter says otherwise.
struct TSource
{
    TVSourceInfo s;
    TSource()
    {
        s.vsVideoStreamNumber = 0;
        s.vsVideoPixelFormat = QStringLiteral("yuv420p");
        s.vsVideoWidth = 640;
        s.vsVideoHeight = 480;
        s.vsVideoFrameRate = 25;
        s.vsAudioStreamNumber = 0;
        s.vsAudioChannelLayout = QStringLiteral("stereo");
        s.vsAudioChannels = 2;
    }
    TSource &Size(int width, int height)
    {
        s.vsVideoWidth = width;
        s.vsVideoHeight = height;
        return *this;
    }
    TSource &Rate(double fps) { return s.vsVideoFrameRate = fps, *this; }
    TSource &Pixels(const char *format) { return s.vsVideoPixelFormat = format, *this; }
    TSource &Sound(const char *layout, int channels)
    {
        s.vsAudioChannelLayout = layout;
        s.vsAudioChannels = channels;
        return *this;
    }
    TSource &Chosen(int video, int audio)
    {
        s.vsVideoStreamNumber = video;
        s.vsAudioStreamNumber = audio;
        return *this;
    }
    TSource &Subtitles(const QStringList &codecs)
    {
        s.vsSubtitle = !codecs.isEmpty();
        s.vsSubtitleCodecs = codecs;
        return *this;
    }
    operator TVSourceInfo() const { return s; }
};

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void encoderArguments_data();
    void encoderArguments();
    void sourceArguments_data();
    void sourceArguments();
    void ordinarySourceKeepsArguments_data();
    void ordinarySourceKeepsArguments();
    void sizeArgument_data();
    void sizeArgument();
    void commandForms();
    void pathArguments_data();
    void pathArguments();
};

void TestCommandLine::encoderArguments_data()
{
    QTest::addColumn<TConversionSettings>("settings");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("refusal");

    auto row = [](const char *name, const TConversionSettings &s, const char *arguments) {
        QTest::newRow(name) << s << true << QString::fromUtf8(arguments) << 0;
    };
    auto refused = [](const char *name, const TConversionSettings &s, int refusal) {
        QTest::newRow(name) << s << false << QString() << refusal;
    };

    row("mp4 source size and quality", Out("a.mp4"),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    // One filter chain: ffmpeg keeps only the last -vf of an output.
    row("mp4 keep proportions, deinterlace, subtitles, position 8",
        Out("a.mp4").Size("640x480").SameAspect().Other(8).Deinterlace().CopySubtitles(),
        " -vf \"yadif,scale=640:trunc(ow/a/2)*2\" -err_detect ignore_err -crf 20 -vcodec libx264 "
        "-c:a aac -ac 2"
        " -ab 160K -c:s copy -map 0:s?");
    row("mkv keeps sound streams", Out("a.mkv").CopySounds(),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -map 0:v -c:a copy -map 0:a");
    row("mkv keeps sound streams, other quality", Out("a.mkv").CopySounds().Other(5),
        " -err_detect ignore_err -crf 26 -vcodec libx264 -map 0:v -c:a copy -map 0:a");
    row("no sound wins over keeping sound streams", Out("a.flv").CopySounds().NoSound(),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -an");
    row("webm source quality", Out("a.webm"),
        " -err_detect ignore_err -crf 32 -vcodec libvpx-vp9 -b:v 0 -c:a libopus");
    row("webm ignores keeping sound streams", Out("a.webm").CopySounds().CopySubtitles().Other(0),
        " -err_detect ignore_err -crf 53 -vcodec libvpx-vp9 -b:v 0 -c:a libopus -ab 32K -c:s copy "
        "-map 0:s?");
    row("webm keep proportions and deinterlace",
        Out("a.webm").Size("640x360").SameAspect().Deinterlace().NoSound(),
        " -vf \"yadif,scale=640:trunc(ow/a/2)*2\" -err_detect ignore_err -crf 32 -vcodec "
        "libvpx-vp9 -b:v 0 -an");
    row("deinterlace without a scale filter",
        Out("a.mp4").Size("640x480").SameAspect(false).Deinterlace(),
        " -s 640x480 -err_detect ignore_err -crf 22 -vf yadif -vcodec libx264 -c:a aac -ac 2");
    row("deinterlace with keep proportions at source size", Out("a.mp4").SameAspect().Deinterlace(),
        " -err_detect ignore_err -crf 22 -vf yadif -vcodec libx264 -c:a aac -ac 2");
    row("avi ignores deinterlace, scale stays",
        Out("a.avi").Size("640x480").SameAspect().Deinterlace(),
        " -vf \"scale=640:trunc(ow/a/2)*2\" -err_detect ignore_err -q:v 5 -f avi -acodec "
        "libmp3lame -q:a 1");
    row("mpg position 3", Out("a.mpg").Other(3), " -err_detect ignore_err -q:v 16 -f vcd -ab 96K");
    row("mpg source quality", Out("a.mpg"), " -err_detect ignore_err -q:v 5 -f vcd");
    row("mpg no sound", Out("a.mpg").NoSound(), " -err_detect ignore_err -q:v 5 -f vcd -an");
    row("avi source quality", Out("a.avi"),
        " -err_detect ignore_err -q:v 5 -f avi -acodec libmp3lame -q:a 1");
    row("avi position 9", Out("a.avi").Other(9),
        " -err_detect ignore_err -q:v 3 -f avi -acodec libmp3lame -ab 256K");
    row("wmv position 10", Out("a.wmv").Other(10),
        " -err_detect ignore_err -q:v 2 -vcodec wmv2 -acodec wmav2 -ab 192K");
    row("mov no sound", Out("a.mov").NoSound(), " -err_detect ignore_err -q:v 5 -f mov -an");
    row("mov position 1", Out("a.mov").Other(1),
        " -err_detect ignore_err -q:v 24 -f mov -c:a aac -ab 48K");
    row("3gp 176x144, keep proportions disabled", Out("a.3gp").Size("176x144").SameAspect(false),
        " -s 176x144 -err_detect ignore_err -q:v 5 -vcodec h263 -c:a aac -ac 1 -ar 8000 -ab 32K");
    row("3gp sound fixed whatever the quality", Out("a.3gp").Other(10),
        " -err_detect ignore_err -q:v 2 -vcodec h263 -c:a aac -ac 1 -ar 8000 -ab 32K");
    row("3gp no sound", Out("a.3gp").NoSound(), " -err_detect ignore_err -q:v 5 -vcodec h263 -an");
    row("mp3 position 0", Out("a.mp3").Other(0),
        " -err_detect ignore_err -vn -c:a libmp3lame -ab 32K");
    row("mp3 ignores no sound", Out("a.mp3").Other(0).NoSound(),
        " -err_detect ignore_err -vn -c:a libmp3lame -ab 32K");
    row("mp3 source quality", Out("a.mp3"),
        " -err_detect ignore_err -vn -acodec libmp3lame -q:a 1");
    row("aac source quality takes position 8", Out("a.aac"),
        " -err_detect ignore_err -c:a aac -ab 160K");
    row("aac position 0", Out("a.aac").Other(0).NoSound(),
        " -err_detect ignore_err -c:a aac -ab 32K");
    row("flac two blanks", Out("a.flac").Other(2).NoSound(),
        " -err_detect ignore_err -vn  -acodec flac");
    row("other extension", Out("a.ts"), " -err_detect ignore_err -q:v 5 -acodec copy");
    row("other extension, no sound", Out("a.ts").NoSound(), " -err_detect ignore_err -q:v 5 -an");
    row("no extension", TChoice(QStringLiteral("/media/v1.0/out")).Deinterlace().CopySubtitles(),
        " -err_detect ignore_err -q:v 5 -acodec copy");
    row("upper-case extension", Out("A.MP4"),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("track bar disabled uses position 7", Out("a.mp4").Other(2, false),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2 -ab 128K");
    row("size 5000x5000", Out("a.mp4").Size("5000x5000"),
        " -s 5000x5000 -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("size with a label", Out("a.avi").Size("640x480 (VGA)"),
        " -s 640x480 -err_detect ignore_err -q:v 5 -f avi "
        "-acodec libmp3lame -q:a 1");
    row("size with leading zeros", Out("a.ts").Size("0640x0480"),
        " -s 640x480 -err_detect ignore_err -q:v 5 -acodec copy");

    refused("size with upper-case X", Out("a.mp4").Size("640X480", -1), msgInvalidFrameSize);
    refused("size not a size", Out("a.mp4").Size("abc", -1), msgInvalidFrameSize);
    refused("size 50 wide", Out("a.mp4").Size("50x480"), msgInvalidFrameSize);
    refused("source-size text typed", Out("a.mp4").Size("Source size", -1), msgInvalidFrameSize);
    refused("invalid size also for audio", Out("a.mp3").Size("10x10"), msgInvalidFrameSize);

    const QString deviceArgs =
        QStringLiteral(" -c:v libx264 -vf \"scale='min(320,iw)':-2\" -c:a aac");
    QTest::newRow("device mode takes the preset as it stands")
        << TConversionSettings(Out("a.avi")
                                   .Page(1, 3)
                                   .Size("640x480")
                                   .SameAspect()
                                   .Other(2)
                                   .Deinterlace()
                                   .NoSound())
        << true << deviceArgs << 0;
    QTest::newRow("device mode ignores an invalid size")
        << TConversionSettings(Out("a.mp4").Page(1, 3).Size("abc", -1)) << true << deviceArgs << 0;
    row("device with empty params", Out("a.mp4").Page(1, 4), " ");
    refused("device mode without a device", Out("a.mp4").Page(1, 0), msgNoDeviceChosen);
    refused("device id no preset carries", Out("a.mp4").Page(1, 99), msgNoDeviceChosen);
    refused("unknown page", Out("a.mp4").Page(2, 3), 0);
    refused("negative page", Out("a.mp4").Page(-1), 0);
}

void TestCommandLine::encoderArguments()
{
    QFETCH(TConversionSettings, settings);
    QFETCH(bool, ok);
    QFETCH(QString, arguments);
    QFETCH(int, refusal);

    const TDevicePresets presets = Presets();
    TRecordingSink sink;
    QString built = QStringLiteral("left from before");
    QCOMPARE(BuildEncoderArguments(settings, &presets, built, &sink), ok);
    QCOMPARE(built, ok ? arguments : QStringLiteral("left from before"));
    QCOMPARE(sink.Refusals, refusal ? QList<int>{refusal} : QList<int>());

    // No sink is needed to refuse.
    QString again;
    QCOMPARE(BuildEncoderArguments(settings, &presets, again, nullptr), ok);
}

void TestCommandLine::sourceArguments_data()
{
    QTest::addColumn<TConversionSettings>("settings");
    QTest::addColumn<TVSourceInfo>("source");
    QTest::addColumn<QString>("arguments");

    auto row = [](const char *name, const TConversionSettings &s, const TVSourceInfo &source,
                  const char *arguments) {
        QTest::newRow(name) << s << source << QString::fromUtf8(arguments);
    };
    const QString subrip = QStringLiteral("subrip");
    const QString movText = QStringLiteral("mov_text");
    const QString dvd = QStringLiteral("dvd_subtitle");

    row("webm from 5.1(side) down-mixed", Out("a.webm"), TSource().Sound("5.1(side)", 6),
        " -err_detect ignore_err -crf 32 -vcodec libvpx-vp9 -b:v 0 -c:a libopus -ac 2");
    row("webm from a layout without name down-mixed", Out("a.webm").Other(0),
        TSource().Sound("6 channels", 6),
        " -err_detect ignore_err -crf 53 -vcodec libvpx-vp9 -b:v 0 -c:a libopus -ac 2 -ab 32K");
    row("webm carries 5.1", Out("a.webm"), TSource().Sound("5.1", 6),
        " -err_detect ignore_err -crf 32 -vcodec libvpx-vp9 -b:v 0 -c:a libopus");
    row("webm from 5.1 without sound", Out("a.webm").NoSound(), TSource().Sound("5.1(side)", 6),
        " -err_detect ignore_err -crf 32 -vcodec libvpx-vp9 -b:v 0 -an");
    row("wmv from 5.1 down-mixed", Out("a.wmv").Other(10), TSource().Sound("5.1", 6),
        " -err_detect ignore_err -q:v 2 -vcodec wmv2 -acodec wmav2 -ac 2 -ab 192K");
    row("wmv from 2.1 down-mixed", Out("a.wmv"), TSource().Sound("2.1", 3),
        " -err_detect ignore_err -q:v 5 -vcodec wmv2 -acodec wmav2 -ac 2");
    row("avi from 5.1 left to the encoder", Out("a.avi"), TSource().Sound("5.1(side)", 6),
        " -err_detect ignore_err -q:v 5 -f avi -acodec libmp3lame -q:a 1");

    row("mp4 from an odd size cropped even", Out("a.mp4"), TSource().Size(321, 241),
        " -err_detect ignore_err -crf 22 -vf \"crop=trunc(iw/2)*2:trunc(ih/2)*2\" -vcodec libx264 "
        "-c:a aac -ac 2");
    row("mkv from an odd height", Out("a.mkv"), TSource().Size(320, 241),
        " -err_detect ignore_err -crf 22 -vf \"crop=iw:trunc(ih/2)*2\" -vcodec libx264 -c:a aac "
        "-ac 2");
    row("mov from an odd width", Out("a.mov"), TSource().Size(321, 240),
        " -err_detect ignore_err -q:v 5 -vf \"crop=trunc(iw/2)*2:ih\" -f mov -vcodec libx264 -crf "
        "22 -c:a aac");
    row("wmv needs only the width even", Out("a.wmv"), TSource().Size(321, 241),
        " -err_detect ignore_err -q:v 5 -vf \"crop=trunc(iw/2)*2:ih:exact=1\" -vcodec wmv2 -acodec "
        "wmav2");
    row("wmv keeps an odd height", Out("a.wmv"), TSource().Size(320, 241),
        " -err_detect ignore_err -q:v 5 -vcodec wmv2 -acodec wmav2");
    row("webm keeps an odd size", Out("a.webm"), TSource().Size(321, 241),
        " -err_detect ignore_err -crf 32 -vcodec libvpx-vp9 -b:v 0 -c:a libopus");
    row("odd size cropped after deinterlacing, one filter chain", Out("a.flv").Deinterlace(),
        TSource().Size(321, 241),
        " -err_detect ignore_err -crf 22 -vf \"yadif,crop=trunc(iw/2)*2:trunc(ih/2)*2\" -vcodec "
        "libx264 -c:a aac -ac 2");
    row("odd typed size made even for H.264", Out("a.mp4").Size("321x241"), TSource(),
        " -s 320x240 -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("odd typed size, only the width for wmv", Out("a.wmv").Size("321x241"), TSource(),
        " -s 320x241 -err_detect ignore_err -q:v 5 -vcodec wmv2 -acodec wmav2");
    row("odd typed size kept for avi", Out("a.avi").Size("321x241"), TSource(),
        " -s 321x241 -err_detect ignore_err -q:v 5 -f avi -acodec libmp3lame -q:a 1");
    row("odd width of keep proportions made even", Out("a.mkv").Size("321x241").SameAspect(),
        TSource().Size(321, 241),
        " -vf \"scale=320:trunc(ow/a/2)*2\" -err_detect ignore_err -crf 22 -vcodec libx264 -c:a "
        "aac -ac 2");
    row("a typed size needs no crop", Out("a.mp4").Size("640x480"), TSource().Size(321, 241),
        " -s 640x480 -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("an unknown size is left alone", Out("a.mp4"), TSource().Size(0, 0),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");

    row("mpg from 15 fps", Out("a.mpg"), TSource().Rate(15),
        " -err_detect ignore_err -q:v 5 -f vcd -r 24000/1001");
    row("mpg from 12 fps at position 3", Out("a.mpg").Other(3), TSource().Rate(12),
        " -err_detect ignore_err -q:v 16 -f vcd -r 24000/1001 -ab 96K");
    row("mpg from 15 fps without sound", Out("a.mpg").NoSound(), TSource().Rate(15),
        " -err_detect ignore_err -q:v 5 -f vcd -r 24000/1001 -an");
    row("mpg from 23.98 fps", Out("a.mpg"), TSource().Rate(23.98),
        " -err_detect ignore_err -q:v 5 -f vcd");
    row("mpg from 100 fps left to the encoder", Out("a.mpg"), TSource().Rate(100),
        " -err_detect ignore_err -q:v 5 -f vcd");
    row("mp4 from 15 fps", Out("a.mp4"), TSource().Rate(15),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");

    row("mov names its codec", Out("a.mov"), TSource(),
        " -err_detect ignore_err -q:v 5 -f mov -vcodec libx264 -crf 22 -c:a aac");
    row("mov quality at position 1", Out("a.mov").Other(1), TSource(),
        " -err_detect ignore_err -q:v 24 -f mov -vcodec libx264 -crf 34 -c:a aac -ab 48K");
    row("mov from 10-bit", Out("a.mov").NoSound(), TSource().Pixels("yuv420p10le"),
        " -err_detect ignore_err -q:v 5 -f mov -vcodec libx264 -crf 22 -pix_fmt yuv420p -an");

    row("mp4 from 10-bit", Out("a.mp4"), TSource().Pixels("yuv420p10le"),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -pix_fmt yuv420p -c:a aac -ac 2");
    row("flv from 4:4:4", Out("a.flv").Other(0), TSource().Pixels("yuv444p"),
        " -err_detect ignore_err -crf 36 -vcodec libx264 -pix_fmt yuv420p -c:a aac -ac 2 -ab 32K");
    row("mkv from 4:2:2 keeping sound streams", Out("a.mkv").CopySounds(),
        TSource().Pixels("yuv422p"),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -pix_fmt yuv420p -map 0:v -c:a copy -map "
        "0:a");
    row("mp4 from full-range 4:2:0", Out("a.mp4"), TSource().Pixels("yuvj420p"),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("mp4 from an unknown pixel format", Out("a.mp4"), TSource().Pixels(""),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("webm from 10-bit", Out("a.webm"), TSource().Pixels("yuv420p10le"),
        " -err_detect ignore_err -crf 32 -vcodec libvpx-vp9 -b:v 0 -c:a libopus");
    row("avi from 10-bit", Out("a.avi"), TSource().Pixels("yuv420p10le"),
        " -err_detect ignore_err -q:v 5 -f avi -acodec libmp3lame -q:a 1");

    row("mpg deinterlaced", Out("a.mpg").Deinterlace(), TSource(),
        " -err_detect ignore_err -q:v 5 -vf yadif -f vcd");
    row("avi deinterlaced", Out("a.avi").Deinterlace(), TSource(),
        " -err_detect ignore_err -q:v 5 -vf yadif -f avi -acodec libmp3lame -q:a 1");
    row("mov deinterlaced", Out("a.mov").Deinterlace(), TSource(),
        " -err_detect ignore_err -q:v 5 -vf yadif -f mov -vcodec libx264 -crf 22 -c:a aac");
    row("wmv deinterlaced", Out("a.wmv").Deinterlace(), TSource(),
        " -err_detect ignore_err -q:v 5 -vf yadif -vcodec wmv2 -acodec wmav2");
    row("3gp deinterlaced", Out("a.3gp").Size("176x144").SameAspect(false).Deinterlace(), TSource(),
        " -s 176x144 -err_detect ignore_err -q:v 5 -vf yadif -vcodec h263 -c:a aac -ac 1 -ar 8000 "
        "-ab 32K");
    row("avi deinterlaced in the keep-proportions chain",
        Out("a.avi").Size("640x480").SameAspect().Deinterlace(), TSource(),
        " -vf \"yadif,scale=640:trunc(ow/a/2)*2\" -err_detect ignore_err -q:v 5 -f avi -acodec "
        "libmp3lame -q:a 1");
    row("mpg from 15 fps deinterlaced", Out("a.mpg").Deinterlace(), TSource().Rate(15),
        " -err_detect ignore_err -q:v 5 -vf yadif -f vcd -r 24000/1001");
    row("other extension not deinterlaced", Out("a.ts").Deinterlace(), TSource(),
        " -err_detect ignore_err -q:v 5 -acodec copy");
    row("sound formats not deinterlaced", Out("a.mp3").Deinterlace(), TSource(),
        " -err_detect ignore_err -vn -acodec libmp3lame -q:a 1");

    row("mp4 keeps text subtitles as mov_text", Out("a.mp4").CopySubtitles(),
        TSource().Subtitles({subrip}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2 -map 0:v:0 -map 0:a:0 -c:s "
        "mov_text -map 0:s?");
    row("mp4 leaves out DVD subtitles", Out("a.mp4").CopySubtitles(), TSource().Subtitles({dvd}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("mp4 keeps the text of mixed subtitles", Out("a.mp4").CopySubtitles(),
        TSource().Subtitles({dvd, subrip}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2 -map 0:v:0 -map 0:a:0 "
        "-map 0:s:1 -c:s:0 mov_text");
    row("mkv turns mov_text into SubRip", Out("a.mkv").CopySubtitles(),
        TSource().Subtitles({movText}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2 -map 0:v:0 -map 0:a:0 -c:s "
        "srt -map 0:s?");
    row("mkv copies what it can", Out("a.mkv").CopySubtitles(),
        TSource().Subtitles({subrip, movText, dvd}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2 -map 0:v:0 -map 0:a:0 "
        "-map 0:s:0 -map 0:s:1 -map 0:s:2 -c:s:0 copy -c:s:1 srt -c:s:2 copy");
    row("mkv keeping sound streams and subtitles", Out("a.mkv").CopySounds().CopySubtitles(),
        TSource().Subtitles({subrip}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -map 0:v -c:a copy -map 0:a -c:s copy "
        "-map 0:s?");
    row("webm keeps text subtitles as WebVTT", Out("a.webm").CopySubtitles(),
        TSource().Subtitles({QStringLiteral("ass")}),
        " -err_detect ignore_err -crf 32 -vcodec libvpx-vp9 -b:v 0 -c:a libopus -map 0:v:0 -map "
        "0:a:0 -c:s webvtt -map 0:s?");
    row("flv carries no subtitles", Out("a.flv").CopySubtitles(), TSource().Subtitles({subrip}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("subtitles without sound", Out("a.mp4").NoSound().CopySubtitles(),
        TSource().Subtitles({subrip}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -an -map 0:v:0 -c:s mov_text -map 0:s?");
    row("subtitles with the streams the encoder would choose", Out("a.mp4").CopySubtitles(),
        TSource().Chosen(1, 2).Subtitles({subrip}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2 -map 0:v:1 -map 0:a:2 -c:s "
        "mov_text -map 0:s?");
    row("subtitles of a source without picture", Out("a.mkv").CopySubtitles(),
        TSource().Chosen(-1, 0).Subtitles({subrip}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2 -map 0:a:0 -c:s copy -map "
        "0:s?");
    row("keep subtitles with a source that has none", Out("a.mp4").CopySubtitles(), TSource(),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("subtitles dropped for a second try", Out("a.mp4"), TSource().Subtitles({subrip}),
        " -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2");
    row("avi ignores keep subtitles", Out("a.avi").CopySubtitles(), TSource().Subtitles({subrip}),
        " -err_detect ignore_err -q:v 5 -f avi -acodec libmp3lame -q:a 1");

    row("device mode takes the preset as it stands", Out("a.mp4").Page(1, 3).Deinterlace(),
        TSource().Size(321, 241).Sound("5.1", 6).Pixels("yuv444p"),
        " -c:v libx264 -vf \"scale='min(320,iw)':-2\" -c:a aac");
}

void TestCommandLine::sourceArguments()
{
    QFETCH(TConversionSettings, settings);
    QFETCH(TVSourceInfo, source);
    QFETCH(QString, arguments);
    const TDevicePresets presets = Presets();
    QString built;
    QVERIFY(BuildEncoderArguments(settings, &presets, built, nullptr, &source));
    QCOMPARE(built, arguments);
}

void TestCommandLine::ordinarySourceKeepsArguments_data()
{
    QTest::addColumn<TConversionSettings>("settings");
    const QStringList types = {"a.mp4", "a.webm", "a.flv", "a.mkv", "a.mpg",  "a.avi",
                               "a.wmv", "a.3gp",  "a.mp3", "a.aac", "a.flac", "a.ts"};
    for (const QString &type : types) {
        const QByteArray name = type.toUtf8();
        const TChoice plain(QStringLiteral("/media/out/") + type);
        QTest::newRow(name + " source quality") << TConversionSettings(plain);
        QTest::newRow(name + " position 3 without sound")
            << TConversionSettings(TChoice(plain).Other(3).NoSound());
        QTest::newRow(name + " keeping sound streams at position 9")
            << TConversionSettings(TChoice(plain).Other(9).CopySounds());
        QTest::newRow(name + " typed size") << TConversionSettings(TChoice(plain).Size("640x360"));
        QTest::newRow(name + " keep proportions")
            << TConversionSettings(TChoice(plain).Size("1280x720").SameAspect());
    }
    for (const char *type : {"a.mp4", "a.webm", "a.flv", "a.mkv"})
        QTest::newRow(QByteArray(type) + " deinterlaced in the keep-proportions chain")
            << TConversionSettings(Out(type).Size("640x480").SameAspect().Deinterlace());
}

// Even size, stereo, a common frame rate and 8-bit 4:2:0: the arguments are
// those built without a source.
void TestCommandLine::ordinarySourceKeepsArguments()
{
    QFETCH(TConversionSettings, settings);
    QString without, with;
    QVERIFY(BuildEncoderArguments(settings, nullptr, without, nullptr));
    for (const TVSourceInfo &source :
         {TVSourceInfo(TSource()), TVSourceInfo(TSource().Sound("mono", 1).Rate(29.97)),
          TVSourceInfo(TSource().Size(1920, 1080).Rate(50).Pixels("yuvj420p")), TVSourceInfo()}) {
        QVERIFY(BuildEncoderArguments(settings, nullptr, with, nullptr, &source));
        QCOMPARE(with, without);
    }
}

void TestCommandLine::sizeArgument_data()
{
    QTest::addColumn<TConversionSettings>("settings");
    QTest::addColumn<QString>("sizeText");
    QTest::addColumn<QString>("expected");

    const TConversionSettings plain = Out("a.mp4").Size("320x240");
    const TConversionSettings keep = Out("a.mp4").Size("320x240").SameAspect();
    QTest::newRow("own text when given empty") << plain << ""
                                               << " -s 320x240";
    QTest::newRow("given text wins") << plain << "1280x720"
                                     << " -s 1280x720";
    QTest::newRow("keep proportions uses the width") << keep << "640x100" << kScale640;
    QTest::newRow("keep proportions disabled")
        << TConversionSettings(Out("a.3gp").SameAspect(false)) << "176x144"
        << " -s 176x144";
    QTest::newRow("smallest accepted") << plain << "51x51"
                                       << " -s 51x51";
    QTest::newRow("height 50") << plain << "640x50"
                               << "-1";
    QTest::newRow("width too large") << keep << "5001x480"
                                     << "-1";
    QTest::newRow("height too large") << plain << "640x5001"
                                      << "-1";
    QTest::newRow("no width") << plain << "x480"
                              << "-1";
    QTest::newRow("no height") << plain << "640x"
                               << "-1";
    QTest::newRow("negative width") << plain << "-640x480"
                                    << "-1";
    QTest::newRow("second x") << plain << "640x480x2"
                              << "-1";
    QTest::newRow("blank inside the number") << plain << "640 x480"
                                             << "-1";
    QTest::newRow("no x, source item") << TConversionSettings(Out("a.mp4")) << "Source"
                                       << "";
    QTest::newRow("no x, typed text") << TConversionSettings(Out("a.mp4").Size("", -1)) << "Source"
                                      << "-1";
    QTest::newRow("no x, other item") << TConversionSettings(Out("a.mp4").Size("", 2)) << "720p"
                                      << "-1";
    QTest::newRow("leading blank, source item") << TConversionSettings(Out("a.mp4")) << " 640x480"
                                                << "";
}

void TestCommandLine::sizeArgument()
{
    QFETCH(TConversionSettings, settings);
    QFETCH(QString, sizeText);
    QFETCH(QString, expected);
    QCOMPARE(BuildSizeArgument(settings, sizeText), expected);
}

void TestCommandLine::commandForms()
{
    TVSourceInfo source;
    source.vsFFMpegInputArgs = QStringList{"-i", "/d/in.avi"};
    const TEncoderCommand plain = BuildEncoderCommand(
        QStringLiteral("/app/ffmpeg"), QStringLiteral("/data/progress512.txt"), source,
        QStringLiteral(" -err_detect ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2"),
        QStringLiteral("/d/in.mp4"));
    QCOMPARE(plain.Text(),
             QStringLiteral(
                 "/app/ffmpeg -progress \"/data/progress512.txt\" -i \"/d/in.avi\" -err_detect "
                 "ignore_err -crf 22 -vcodec libx264 -c:a aac -ac 2 \"/d/in.mp4\""));
    QCOMPARE(plain.Program, QStringLiteral("/app/ffmpeg"));
    QCOMPARE(plain.Args, (QStringList{"-progress", "/data/progress512.txt", "-i", "/d/in.avi",
                                      "-err_detect", "ignore_err", "-crf", "22", "-vcodec",
                                      "libx264", "-c:a", "aac", "-ac", "2", "/d/in.mp4"}));

    // Quotes, blanks and option-like parts of paths never leave their argument;
    // quoted argument texts become one argument without their quotes.
    const QString input = QStringLiteral("/my files/\"x\" -y -i .avi");
    source.vsFFMpegInputArgs = QStringList{"-i", input};
    const TEncoderCommand hostile = BuildEncoderCommand(
        QStringLiteral("/opt/my app/ffmpeg"), QStringLiteral("/tmp/a b/progress1.txt"), source,
        QStringLiteral(" -vf \"yadif,scale=640:trunc(ow/a/2)*2\" -map 0:s?"),
        QStringLiteral("/out/\" -f null \".mp4"));
    QCOMPARE(hostile.Program, QStringLiteral("/opt/my app/ffmpeg"));
    QCOMPARE(hostile.Args, (QStringList{"-progress", "/tmp/a b/progress1.txt", "-i", input, "-vf",
                                        "yadif,scale=640:trunc(ow/a/2)*2", "-map", "0:s?",
                                        "/out/\" -f null \".mp4"}));
    QVERIFY(hostile.Text().endsWith(QStringLiteral(" -map 0:s? \"/out/\" -f null \".mp4\"")));
}

void TestCommandLine::pathArguments_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("argument");

    QTest::newRow("absolute") << "/a/-b.mp4"
                              << "/a/-b.mp4";
    QTest::newRow("relative with leading dash") << "-y.mp4"
                                                << "file:-y.mp4";
    QTest::newRow("relative with a colon") << "concat:a|b.mp4"
                                           << "file:concat:a|b.mp4";
    QTest::newRow("plain relative") << "out.mp4"
                                    << "file:out.mp4";
    QTest::newRow("empty") << ""
                           << "";
}

void TestCommandLine::pathArguments()
{
    QFETCH(QString, path);
    QFETCH(QString, argument);
    QCOMPARE(EncoderPathArgument(path), argument);
    const TEncoderCommand command = BuildEncoderCommand(QStringLiteral("/usr/bin/ffmpeg"), path,
                                                        TVSourceInfo(), QString(), path);
    QCOMPARE(command.Args, (QStringList{"-progress", argument, argument}));
    QCOMPARE(command.Text(), QStringLiteral("/usr/bin/ffmpeg -progress \"%1\" \"%1\"").arg(path));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_cmdline.moc"

#include "conversion/FolderSource.h"
#include "conversion/Progress.h"
#include "conversion/SourceProbe.h"

#include <QRandomGenerator>
#include <QtTest>

class TestEngineParsers : public QObject
{
    Q_OBJECT
private slots:
    void duration_data();
    void duration();
    void streamDescription_data();
    void streamDescription();
    void parseProbeText();
    void streamsOfTheFirstInput_data();
    void streamsOfTheFirstInput();
    void needBinaryJoin_data();
    void needBinaryJoin();
    void encodeProgress_data();
    void encodeProgress();
    void joinProgress_data();
    void joinProgress();
    void mediaFilter_data();
    void mediaFilter();
    void concatListLine_data();
    void concatListLine();
    void hugeProbeText();
    void garbageNeverBreaksReaders();
};

static QString DurationLine(const QString &Time)
{
    return QStringLiteral("Input #0, mov,mp4, from 'x':\n  Duration: ") + Time +
           QStringLiteral(", start: 0.000000, bitrate: 1 kb/s\n");
}

void TestEngineParsers::duration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("ms");
    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("one") << DurationLine("00:01:02.50") << qint64(62500);
    QTest::newRow("hours") << DurationLine("10:00:00.00") << qint64(36000000);
    QTest::newRow("n/a") << DurationLine("N/A") << qint64(0);
    QTest::newRow("10min then 2h: clamped")
        << DurationLine("00:10:00.00") + DurationLine("02:00:00.00") << qint64(1200000);
    QTest::newRow("5min then 2h: full")
        << DurationLine("00:05:00.00") + DurationLine("02:00:00.00") << qint64(7500000);
    QTest::newRow("10min then 50min: full (exactly five times)")
        << DurationLine("00:10:00.00") + DurationLine("00:50:00.00") << qint64(3600000);
    QTest::newRow("clamp compares with the clamped value")
        << DurationLine("00:10:00.00") + DurationLine("02:00:00.00") + DurationLine("02:00:00.00")
        << qint64(1800000);
    QTest::newRow("n/a between keeps previous")
        << DurationLine("00:10:00.00") + DurationLine("N/A") + DurationLine("02:00:00.00")
        << qint64(1200000);
    QTest::newRow("three short inputs")
        << DurationLine("00:00:05.00") + DurationLine("00:00:05.00") + DurationLine("00:00:05.00")
        << qint64(15000);
    QTest::newRow("no comma after: cut-off text") << QString("Duration: 00:01:02.50") << qint64(0);
    QTest::newRow("short before comma") << QString("Duration: 0:1:2.5, start") << qint64(0);
    QTest::newRow("non-number part counts 0") << DurationLine("xx:01:02.50") << qint64(62500);
    QTest::newRow("signed part counts 0") << DurationLine("00:-1:02.-5") << qint64(2000);
    QTest::newRow("garbled text is never negative")
        << QString("Duration:   c+deb12-2026, x") << qint64(0);
    QTest::newRow("marker glued to text") << QString("xDuration: 00:00:01.00,") << qint64(1000);
    QTest::newRow("only the first 11 characters")
        << QString("Duration: 00:00:01.009999, start") << qint64(1000);
}

void TestEngineParsers::duration()
{
    QFETCH(QString, text);
    QFETCH(qint64, ms);
    QCOMPARE(ProbeTextDuration(text), ms);
}

void TestEngineParsers::streamDescription_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QString>("description");
    const QString video = ": Video:";
    const QString audio = ": Audio:";
    QTest::newRow("h264") << "  Stream #0:0: Video: h264 (High), yuv420p, 1280x720" << video
                          << "h264 (high)";
    QTest::newRow("first of two") << "Stream #0:0: Video: mpeg4, x\nStream #1:0: Video: h264, y"
                                  << video << "mpeg4";
    QTest::newRow("audio with tag")
        << "Stream #0:1(eng): Audio: AAC (LC) (mp4a / 0x6134706D), 44100 Hz, stereo" << audio
        << "aac (lc) (mp4a / 0x6134706d)";
    QTest::newRow("no audio") << "Stream #0:0: Video: h264 (High), yuv420p" << audio << "";
    QTest::newRow("blanks and tabs trimmed")
        << "Stream #0:0: Video: \t vp9 \t, yuv420p" << video << "vp9";
    QTest::newRow("no comma: ends at the line")
        << "Stream #0:0: Video: rawvideo\r\nStream #0:1: Audio: pcm, x" << video << "rawvideo";
    QTest::newRow("marker at the end") << "Stream #0:0: Video:" << video << "";
    QTest::newRow("non-ASCII kept") << "Stream #0:0: Video: ÄBC, x" << video << "Äbc";
}

void TestEngineParsers::streamDescription()
{
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(QString, description);
    QCOMPARE(ProbeTextStreamDescription(text, marker), description);
}

void TestEngineParsers::parseProbeText()
{
    TVSourceInfo info;
    info.vsFileName = "/keep/me.mkv";
    ParseProbeText(
        "Input #0, matroska,webm, from 'x':\n  Duration: 00:00:03.00, start: 0\n"
        "  Stream #0:0: Video: h264 (High), yuv420p\n  Stream #0:1: Audio: opus, 48000 Hz\n"
        "  Stream #0:2(eng): Subtitle: subrip\n",
        info);
    QCOMPARE(info.vsTotalSourceDuration, qint64(3000));
    QCOMPARE(info.vsVideoCodecLC, QString("h264 (high)"));
    QCOMPARE(info.vsAudioCodecLC, QString("opus"));
    QVERIFY(info.vsSubtitle);
    QCOMPARE(info.vsFileName, QString("/keep/me.mkv"));

    ParseProbeText("Stream #0:0: Audio: flac, 44100 Hz", info);
    QVERIFY(!info.vsSubtitle);
    QVERIFY(info.vsVideoCodecLC.isEmpty());
    QCOMPARE(info.vsTotalSourceDuration, qint64(0));
    // Nothing of the streams of the earlier text survives.
    QCOMPARE(info.vsVideoStreamNumber, -1);
    QCOMPARE(info.vsVideoPixelFormat, QString());
    QCOMPARE(info.vsVideoWidth, 0);
    QCOMPARE(info.vsVideoFrameRate, 0.0);
    QCOMPARE(info.vsAudioStreamNumber, 0);
    QCOMPARE(info.vsAudioChannels, 0);
    QCOMPARE(info.vsSubtitleCodecs, QStringList());
}

void TestEngineParsers::streamsOfTheFirstInput_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("video"); // number of the chosen video stream
    QTest::addColumn<QString>("pixels");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("fps");
    QTest::addColumn<int>("audio");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QStringList>("subtitles");

    const QString phone =
        "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'phone.mp4':\n"
        "  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709, "
        "progressive), 1920x1080 [SAR 1:1 DAR 16:9], 4000 kb/s, 29.97 fps, 29.97 tbr, 30k tbn "
        "(default)\n"
        "  Stream #0:1[0x2](und): Audio: aac (LC) (mp4a / 0x6134706D), 48000 Hz, stereo, fltp, "
        "128 kb/s (default)\n";
    QTest::newRow("phone clip") << phone << 0 << "yuv420p" << QSize(1920, 1080) << 29.97 << 0
                                << "stereo" << 2 << QStringList();
    QTest::newRow("film with 5.1 and subtitles")
        << "Stream #0:0: Video: h264 (High 10), yuv420p10le(progressive), 321x241 [SAR 1:1 DAR "
           "321:241], 23.98 fps, 23.98 tbr, 1k tbn\r\n"
           "Stream #0:1(eng): Audio: ac3, 48000 Hz, 5.1(side), fltp, 448 kb/s (default)\r\n"
           "Stream #0:2(eng): Subtitle: subrip (default)\r\n"
           "Stream #0:3: Subtitle: dvd_subtitle ([32][0][0][0] / 0x0020), 720x576\r\n"
           "Stream #0:4: Subtitle: mov_text (tx3g / 0x67337874), 0 kb/s\r\n"
        << 0 << "yuv420p10le" << QSize(321, 241) << 23.98 << 0 << "5.1(side)" << 6
        << QStringList{"subrip", "dvd_subtitle", "mov_text"};
    QTest::newRow("interlaced program stream")
        << "Stream #0:0[0x1e0]: Video: mpeg2video (Main), yuv420p(tv, top first), 720x576 [SAR "
           "16:15 DAR 4:3], 25 fps, 25 tbr, 90k tbn\n"
           "Stream #0:1[0x1c0]: Audio: mp2, 48000 Hz, 3 channels (FL+FR+LFE), s16p, 384 kb/s\n"
        << 0 << "yuv420p" << QSize(720, 576) << 25.0 << 0 << "3 channels (FL+FR+LFE)" << 3
        << QStringList();
    QTest::newRow("time base far above the frame rate")
        << "Stream #0:0: Video: vp9 (Profile 0), yuv420p(tv), 640x360, SAR 1:1 DAR 16:9, 15 fps, "
           "1k tbr, 1k tbn\n"
        << 0 << "yuv420p" << QSize(640, 360) << 15.0 << -1 << "" << 0 << QStringList();
    QTest::newRow("base rate without average")
        << "Stream #0:0: Video: h264, nv12, 100x50, 12.5 tbr, 90k tbn\n"
        << 0 << "nv12" << QSize(100, 50) << 12.5 << -1 << "" << 0 << QStringList();
    QTest::newRow("pixel format unknown")
        << "Stream #0:0: Video: h264, none, 1280x720, 25 fps\n"
        << 0 << "" << QSize(1280, 720) << 25.0 << -1 << "" << 0 << QStringList();
    QTest::newRow("cover art before the picture")
        << "Stream #0:0: Video: mjpeg (Baseline), yuvj420p(pc, bt470bg/unknown/unknown), 600x600 "
           "[SAR 1:1 DAR 1:1], 90k tbr, 90k tbn (attached pic)\n"
           "Stream #0:1: Video: h264, yuv444p, 320x240, 25 fps\n"
        << 1 << "yuv444p" << QSize(320, 240) << 25.0 << -1 << "" << 0 << QStringList();
    QTest::newRow("the larger picture")
        << "Stream #0:0: Video: h264, yuv420p, 320x240, 25 fps\n"
           "Stream #0:1: Video: h264, yuv420p10le, 1280x720, 50 fps\n"
        << 1 << "yuv420p10le" << QSize(1280, 720) << 50.0 << -1 << "" << 0 << QStringList();
    QTest::newRow("the sound of the most channels")
        << "Stream #0:0: Audio: aac, 48000 Hz, stereo, fltp\n"
           "Stream #0:1: Audio: ac3, 48000 Hz, 5.1, fltp\n"
           "Stream #0:2: Audio: dts, 48000 Hz, 5.1, fltp\n"
        << -1 << "" << QSize() << 0.0 << 1 << "5.1" << 6 << QStringList();
    QTest::newRow("a default stream comes first")
        << "Stream #0:0: Audio: aac, 48000 Hz, 7.1, fltp\n"
           "Stream #0:1: Audio: aac, 48000 Hz, mono, fltp (default)\n"
        << -1 << "" << QSize() << 0.0 << 1 << "mono" << 1 << QStringList();
    QTest::newRow("streams of later inputs do not count")
        << phone + "Input #1, matroska,webm, from 'b.mkv':\n"
                   "  Stream #1:0: Video: h264, yuv444p, 3840x2160, 60 fps\n"
                   "  Stream #1:1: Audio: ac3, 48000 Hz, 5.1(side), fltp\n"
                   "  Stream #1:2: Subtitle: ass\n"
        << 0 << "yuv420p" << QSize(1920, 1080) << 29.97 << 0 << "stereo" << 2 << QStringList();
    QTest::newRow("a stream in two programs counts once")
        << "Program 1\n  Stream #0:0[0x100]: Video: h264, yuv420p, 1440x1080, 25 fps\n"
           "  Stream #0:2[0x102](deu): Subtitle: dvb_subtitle ([6][0][0][0] / 0x0006)\n"
           "Program 2\n  Stream #0:2[0x102](deu): Subtitle: dvb_subtitle\n"
           "  Stream #0:1[0x101](deu): Audio: mp2, 48000 Hz, stereo, s16p, 256 kb/s\n"
        << 0 << "yuv420p" << QSize(1440, 1080) << 25.0 << 0 << "stereo" << 2
        << QStringList{"dvb_subtitle"};
    QTest::newRow("garbled stream lines")
        << "Stream #0:: Video: h264, yuv420p, 640x480\nStream #0:x: Audio: aac, stereo\n"
           "Stream #0:7: Audio: pcm_s16le, 8000 Hz, 99999 channels, s16\n"
           "Stream #0:8: Video: h264, YUV420P, 99999x480, -5 fps\nStream #0:9: Subtitle:"
        << 0 << "" << QSize() << 0.0 << 0 << "" << 0 << QStringList{""};
}

void TestEngineParsers::streamsOfTheFirstInput()
{
    QFETCH(QString, text);
    QFETCH(int, video);
    QFETCH(QString, pixels);
    QFETCH(QSize, size);
    QFETCH(double, fps);
    QFETCH(int, audio);
    QFETCH(QString, layout);
    QFETCH(int, channels);
    QFETCH(QStringList, subtitles);
    TVSourceInfo info;
    ParseProbeText(text, info);
    QCOMPARE(info.vsVideoStreamNumber, video);
    QCOMPARE(info.vsVideoPixelFormat, pixels);
    QCOMPARE(QSize(info.vsVideoWidth, info.vsVideoHeight), size.isValid() ? size : QSize(0, 0));
    QCOMPARE(info.vsVideoFrameRate, fps);
    QCOMPARE(info.vsAudioStreamNumber, audio);
    QCOMPARE(info.vsAudioChannelLayout, layout);
    QCOMPARE(info.vsAudioChannels, channels);
    QCOMPARE(info.vsSubtitleCodecs, subtitles);
}

static QString Inputs(const QStringList &StreamLines, const QStringList &Formats = {})
{
    QString text;
    for (int i = 0; i < StreamLines.size(); ++i)
        text += QString("Input #%1, %3, from 'f%1':\n  Duration: 00:00:01.00, start: 0\n%2\n")
                    .arg(i)
                    .arg(StreamLines[i], Formats.value(i, "mpeg"));
    return text;
}

void TestEngineParsers::needBinaryJoin_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("join");
    const QString v0 = "  Stream #0:1[0x1e0]: Video: mpeg2video (Main), yuv420p";
    const QString v1 = "  Stream #1:0[0x1e0]: Video: mpeg2video (Main), yuv420p";
    QTest::newRow("stream index differs") << Inputs({v0, v1}) << true;
    QTest::newRow("same pieces") << Inputs(
                                        {v0,
                                         "  Stream #1:1[0x1e0]: Video: mpeg2video (Main), yuv420p",
                                         "  Stream #2:1[0x1e0]: Video: mpeg2video (Main), yuv420p"})
                                 << false;
    QTest::newRow("third input differs")
        << Inputs({v0, "  Stream #1:1[0x1e0]: Video: mpeg2video (Main), yuv420p",
                   "  Stream #2:1[0x1e0]: Video: mpeg1video, yuv420p"})
        << true;
    QTest::newRow("one input") << Inputs({v0}) << false;
    QTest::newRow("no bracketed id") << Inputs({"  Stream #0:0: Video: h264 (High), yuv420p",
                                                "  Stream #1:0: Video: mpeg4, yuv420p"})
                                     << false;
    QTest::newRow("bracketed audio only") << Inputs({"  Stream #0:0[0x1c0]: Audio: mp2, 44100 Hz",
                                                     "  Stream #1:0[0x1c0]: Audio: ac3, 48000 Hz"})
                                          << false;
    QTest::newRow("input header missing stops the look")
        << QString("Input #0, mpeg:\n%1\nInput #2, mpeg:\n  Stream #2:0[0x1e0]: Video: h264")
               .arg(v0)
        << false;
    QTest::newRow("transport streams") << Inputs({v0, v1}, {"mpegts", "mpegts"}) << true;
    // Phone clips: MP4 tracks carry the bracketed id too, but only MPEG
    // streams can be joined by bytes.
    const QString mp4 = "mov,mp4,m4a,3gp,3g2,mj2";
    QTest::newRow("MP4 clips with other profiles")
        << Inputs({"  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p",
                   "  Stream #1:0[0x1](und): Video: h264 (Main) (avc1 / 0x31637661), yuv420p"},
                  {mp4, mp4})
        << false;
    QTest::newRow("a VOB among MP4 clips") << Inputs({v0, v1}, {"mpeg", mp4}) << false;
    QTest::newRow("empty") << QString() << false;
}

void TestEngineParsers::needBinaryJoin()
{
    QFETCH(QString, text);
    QFETCH(bool, join);
    QCOMPARE(NeedBinaryJoin(text), join);
}

// A progress tail of at least 160 bytes whose last block carries Value.
static QByteArray ProgressTail(const QByteArray &Value)
{
    QByteArray block =
        "frame=100\nfps=25.0\nbitrate=100.0kbits/s\ntotal_size=1000\nout_time_us=" + Value +
        "\nout_time_ms=" + Value + "\nout_time=00:00:01.000000\nspeed=1x\nprogress=continue\n";
    return block.right(160);
}

void TestEngineParsers::encodeProgress_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<qint64>("durationMs");
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<int>("percent");
    QTest::newRow("half") << ProgressTail("5025000000") << qint64(10050000) << 5000 << 50;
    QTest::newRow("5050 rounds to even 50")
        << ProgressTail("5050000") << qint64(10000) << 5050 << 50;
    QTest::newRow("5150 rounds to even 52")
        << ProgressTail("5150000") << qint64(10000) << 5150 << 52;
    QTest::newRow("5051 rounds up") << ProgressTail("5051000") << qint64(10000) << 5051 << 51;
    QTest::newRow("5049 rounds down") << ProgressTail("5049000") << qint64(10000) << 5049 << 50;
    QTest::newRow("hundredths truncated") << ProgressTail("1000") << qint64(3) << 3333 << 33;
    QTest::newRow("below a millisecond") << ProgressTail("123") << qint64(10000) << 0 << 0;
    QTest::newRow("beyond the duration")
        << ProgressTail("99000000") << qint64(10000) << 10000 << 100;
    QTest::newRow("no duration") << ProgressTail("5000000") << qint64(0) << 0 << 0;
    QTest::newRow("negative") << ProgressTail("-9223372036854775807") << qint64(10000) << 0 << 0;
    QTest::newRow("not a number") << ProgressTail("N/A") << qint64(10000) << 0 << 0;
    QTest::newRow("no line feed") << QByteArray("out_time_ms=5000000") << qint64(10000) << 0 << 0;
    QTest::newRow("first occurrence wins")
        << QByteArray("out_time_ms=1000000\nx\nout_time_ms=9000000\n") << qint64(10000) << 1000
        << 10;
    QTest::newRow("cut key at the start")
        << QByteArray("ms=9000000\nout_time_ms=2000000\n") << qint64(10000) << 2000 << 20;
    QTest::newRow("huge value held")
        << ProgressTail("99999999999999999999999") << qint64(10000) << 0 << 0;
    QTest::newRow("empty") << QByteArray() << qint64(10000) << 0 << 0;
}

void TestEngineParsers::encodeProgress()
{
    QFETCH(QByteArray, tail);
    QFETCH(qint64, durationMs);
    QFETCH(int, hundredths);
    QFETCH(int, percent);
    const TProgress p = EncodeProgressFromTail(tail, durationMs);
    QCOMPARE(p.Hundredths, hundredths);
    QCOMPARE(p.Percent, percent);
}

void TestEngineParsers::joinProgress_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<int>("percent");
    QTest::newRow("start") << qint64(0) << qint64(100) << 0 << 0;
    QTest::newRow("half") << qint64(50) << qint64(100) << 5000 << 50;
    QTest::newRow("percent truncated, not rounded")
        << qint64(99999) << qint64(100000) << 9999 << 99;
    QTest::newRow("held at full") << qint64(200) << qint64(100) << 10000 << 100;
    QTest::newRow("unreadable size") << qint64(-1) << qint64(100) << 0 << 0;
    QTest::newRow("no total") << qint64(10) << qint64(0) << 0 << 0;
    QTest::newRow("big DVD") << qint64(650000000) << qint64(1300000000) << 5000 << 50;
}

void TestEngineParsers::joinProgress()
{
    QFETCH(qint64, size);
    QFETCH(qint64, total);
    QFETCH(int, hundredths);
    QFETCH(int, percent);
    const TProgress p = JoinProgressFromSizes(size, total);
    QCOMPARE(p.Hundredths, hundredths);
    QCOMPARE(p.Percent, percent);
}

void TestEngineParsers::mediaFilter_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::newRow("mp4") << "a.mp4" << true;
    QTest::newRow("upper MKV") << "b.MKV" << true;
    QTest::newRow("VOB") << "VTS_01_1.VOB" << true;
    QTest::newRow("asf") << "x.asf" << true;
    QTest::newRow("txt") << "notes.txt" << false;
    QTest::newRow("IFO") << "VTS_01_0.IFO" << false;
    QTest::newRow("no extension") << "README" << false;
    QTest::newRow(".m only begins .mp4") << "x.m" << false;
    QTest::newRow("a dot alone") << "x." << false;
    QTest::newRow("all files mask") << "x.*" << false;
    QTest::newRow("ts") << "x.ts" << false;
    QTest::newRow("last dot counts") << "clip.mp4.part" << false;
}

void TestEngineParsers::mediaFilter()
{
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(MatchesMediaFilter(name), matches);
}

void TestEngineParsers::concatListLine_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("plain") << "/m/a.mp4" << QByteArray("file '/m/a.mp4'");
    QTest::newRow("apostrophe") << "/m/Don't Stop.mp4"
                                << QByteArray("file '/m/Don'\\''t Stop.mp4'");
    QTest::newRow("two apostrophes") << "/m/''.mp4" << QByteArray("file '/m/'\\'''\\''.mp4'");
    QTest::newRow("double quote and dash") << "/m/-\"x\".mp4" << QByteArray("file '/m/-\"x\".mp4'");
    QTest::newRow("non-ASCII as UTF-8")
        << "/m/Ünï.mp4" << QByteArray("file '/m/\xc3\x9cn\xc3\xaf.mp4'");
}

void TestEngineParsers::concatListLine()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, line);
    QCOMPARE(ConcatListLine(path), line);
}

void TestEngineParsers::hugeProbeText()
{
    // A folder of many inputs prints one block per input; the readers must
    // stay linear and the five-times rule must hold over all of them.
    QString text;
    QString streams;
    for (int i = 0; i < 3000; ++i)
        text += QString("Input #%1, mpeg, from 'x':\n  Duration: 00:07:00.00, start: 0\n"
                        "  Stream #%1:0[0x1e0]: Video: mpeg2video (Main), yuv420p\n")
                    .arg(i);
    QCOMPARE(ProbeTextDuration(text), qint64(3000) * 420000);
    QVERIFY(!NeedBinaryJoin(text));
    text += QString(4 * 1024 * 1024, u'x');
    QCOMPARE(ProbeTextStreamDescription(text, ": Video:"), QString("mpeg2video (main)"));
}

void TestEngineParsers::garbageNeverBreaksReaders()
{
    QRandomGenerator random(20240601);
    const QList<QByteArray> pieces = {
        "Duration: ", "out_time_ms=", ": Video:", "Stream #0:1[", "Input #1,", ",",
        "\n",         "\0",           "\xff\xfe", "00:10:00.00",  "-",         "9999999999"};
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        const int parts = int(random.bounded(40));
        for (int i = 0; i < parts; ++i) {
            if (random.bounded(2))
                bytes += pieces[random.bounded(pieces.size())];
            else
                bytes += char(random.bounded(256));
        }
        const QString text = QString::fromLatin1(bytes);
        TVSourceInfo info;
        ParseProbeText(text, info);
        QVERIFY(info.vsTotalSourceDuration >= 0 || text.contains('-'));
        NeedBinaryJoin(text);
        const TProgress p = EncodeProgressFromTail(bytes, 1 + random.bounded(100000));
        QVERIFY(p.Hundredths >= 0 && p.Hundredths <= 10000);
        QVERIFY(p.Percent >= 0 && p.Percent <= 100);
    }
}

QTEST_GUILESS_MAIN(TestEngineParsers)
#include "tst_parsers.moc"

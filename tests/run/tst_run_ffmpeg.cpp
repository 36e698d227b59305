// Whole conversion runs through the main window with the real encoder, on
// media generated here, each result checked with ffprobe.

#include "RunFixture.h"
#include "engine/MediaTestUtils.h"

#include "support/PathUtils.h"

#include <QAction>
#include <QApplication>
#include <QStandardPaths>

#include <optional>

namespace {

// One second of a test picture with a tone.
bool MakeClip(const QString &_file, const QString &_size, const QStringList &_codecs)
{
    QDir().mkpath(QFileInfo(_file).path());
    return RunTool("ffmpeg", QStringList{"-v", "error", "-y", "-f", "lavfi", "-i",
                                         "testsrc=size=" + _size + ":rate=25", "-f", "lavfi", "-i",
                                         "sine=frequency=440:sample_rate=48000", "-t", "1"} +
                                 _codecs + QStringList{_file}) == 0;
}

} // namespace

class TestRunFfmpeg : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Work;
    std::unique_ptr<TRunProgram> Program;
    std::unique_ptr<TMainForm> Form;

    QString WorkPath(const QString &_name) const { return Work.filePath(_name); }

    // Converts the chosen source into _out as the user does; true on success.
    void Convert(const QString &_out)
    {
        QFile::remove(_out);
        QDir().mkpath(QFileInfo(_out).path());
        Form->OutVideoFileBEdit->setText(_out);
        Form->OutVideoFileBEditExit();
        QVERIFY(Form->ConvertBitBtn->isEnabled());
        TNewTemporaries temporaries;
        temporaries.Before(*Form, QFileInfo(_out).path());
        Form->ConvertBitBtn->click();
        QCOMPARE(Form->InfoLabel->text(), Message(*Form, miConverted));
        QCOMPARE(Form->ProgressBar->value(), 100);
        QVERIFY(QFileInfo(_out).size() > 0);
        QCOMPARE(temporaries.After(*Form, QFileInfo(_out).path()), QStringList());
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty() ||
            QStandardPaths::findExecutable("ffprobe").isEmpty())
            QSKIP("ffmpeg and ffprobe are needed");
        QVERIFY(Work.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
        qunsetenv("FROBNIK_ENCODER");
        const QStringList h264 = {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"};
        QVERIFY(MakeClip(WorkPath("in/clip.mp4"), "200x100", h264));
        QVERIFY(MakeClip(WorkPath("clips/part1.mp4"), "160x120", h264));
        QVERIFY(QFile::copy(WorkPath("clips/part1.mp4"), WorkPath("clips/part2.mp4")));
        QVERIFY(MakeClip(WorkPath("vob.VOB"), "160x120",
                         {"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "dvd"}));
        // A DVD: a menu and a small title part are passed over until the
        // first part of DVD size; a sparse tail gives it that size cheaply.
        const QString dvd = WorkPath("film/VIDEO_TS/");
        QDir().mkpath(dvd);
        QVERIFY(QFile::copy(WorkPath("vob.VOB"), dvd + "VIDEO_TS.VOB"));
        QVERIFY(QFile::copy(WorkPath("vob.VOB"), dvd + "VTS_01_1.VOB"));
        QVERIFY(QFile::resize(dvd + "VTS_01_1.VOB", 200000000));
        QVERIFY(QFile::copy(WorkPath("vob.VOB"), dvd + "VTS_01_2.VOB"));
    }

    void init()
    {
        Program = std::make_unique<TRunProgram>();
        QVERIFY(Program->Valid());
        Form = std::make_unique<TMainForm>();
        Form->show();
    }

    void cleanup()
    {
        Form.reset();
        Program.reset();
    }

    void everyFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("video"); // empty: no video stream
        QTest::addColumn<QString>("audio");
        QTest::addColumn<QSize>("size");
        const QSize source(200, 100);
        QTest::newRow("MP4") << "MP4"
                             << "h264"
                             << "aac" << source;
        QTest::newRow("WEBM") << "WEBM"
                              << "vp9"
                              << "opus" << source;
        QTest::newRow("FLV") << "FLV"
                             << "h264"
                             << "aac" << source;
        QTest::newRow("MKV") << "MKV"
                             << "h264"
                             << "aac" << source;
        QTest::newRow("MPG") << "MPG"
                             << "mpeg1video"
                             << "mp2" << source;
        QTest::newRow("AVI") << "AVI"
                             << "mpeg4"
                             << "mp3" << source;
        QTest::newRow("MOV") << "MOV"
                             << "h264"
                             << "aac" << source;
        QTest::newRow("WMV") << "WMV"
                             << "wmv2"
                             << "wmav2" << source;
        QTest::newRow("3GP") << "3GP"
                             << "h263"
                             << "aac" << QSize(176, 144);
        QTest::newRow("MP3") << "MP3"
                             << ""
                             << "mp3" << QSize();
        QTest::newRow("AAC") << "AAC"
                             << ""
                             << "aac" << QSize();
        QTest::newRow("FLAC") << "FLAC"
                              << ""
                              << "flac" << QSize();
    }

    void everyFormat()
    {
        QFETCH(QString, format);
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(QSize, size);
        Form->SelectSource(WorkPath("in/clip.mp4"));
        QCOMPARE(Form->VideoSourceInfo.vsTotalSourceDuration, qint64(1000));
        ChooseFormat(*Form, format);
        Convert(WorkPath("out/result." + format.toLower()));
        const QList<TStream> streams = Streams(WorkPath("out/result." + format.toLower()));
        const std::optional<TStream> v = FirstOf(streams, "video");
        const std::optional<TStream> a = FirstOf(streams, "audio");
        QVERIFY(a);
        QCOMPARE(a->Codec, audio);
        if (video.isEmpty()) {
            QVERIFY(!v);
        } else {
            QVERIFY(v);
            QCOMPARE(v->Codec, video);
            QCOMPARE(QSize(v->Width, v->Height), size);
        }
    }

    void keepProportionsWithDeinterlace()
    {
        Form->SelectSource(WorkPath("in/clip.mp4"));
        ChooseFormat(*Form, "MP4");
        Form->OutSizeComboBox->setEditText("320x240");
        QVERIFY(Form->SameAspectRationPMenu->isChecked());
        Form->DeinterlacePM->setChecked(true);
        Convert(WorkPath("out/wide.mp4"));
        const std::optional<TStream> v = FirstOf(Streams(WorkPath("out/wide.mp4")), "video");
        QVERIFY(v);
        // The width asked for; the height from the source's 2:1 proportions.
        QCOMPARE(QSize(v->Width, v->Height), QSize(320, 160));
    }

    void folderOfClips()
    {
        Form->SelectSource(WorkPath("clips") + u'/');
        QVERIFY(Form->VideoSourceInfo.vsIsFolderToConcat);
        QVERIFY(!Form->VideoSourceInfo.vsIsDVD);
        ChooseFormat(*Form, "MKV");
        Convert(WorkPath("out/clips.mkv"));
        QVERIFY(Form->ConversionRun->CopyVOBFileName().isEmpty());
        QVERIFY2(Duration(WorkPath("out/clips.mkv")) > 1.8,
                 qPrintable(QString::number(Duration(WorkPath("out/clips.mkv")))));
        QVERIFY(FirstOf(Streams(WorkPath("out/clips.mkv")), "video"));
    }

    void dvdJoinedByteWise()
    {
        const QString dvd = WorkPath("film/VIDEO_TS/");
        Form->SelectSource(dvd);
        QVERIFY(Form->VideoSourceInfo.vsIsDVD);
        QCOMPARE(Form->VideoSourceInfo.vsCopyConcatFiles,
                 (QStringList{dvd + "VTS_01_1.VOB", dvd + "VTS_01_2.VOB"}));
        ChooseFormat(*Form, "MP4");
        Convert(WorkPath("out/dvd.mp4"));
        QCOMPARE(Form->ConversionRun->CopyVOBFileName(), WorkPath("out/dvd.mp4.VOB"));
        const QList<TStream> streams = Streams(WorkPath("out/dvd.mp4"));
        QVERIFY(FirstOf(streams, "video"));
        QVERIFY(FirstOf(streams, "audio"));
        QVERIFY2(Duration(WorkPath("out/dvd.mp4")) > 1.8,
                 qPrintable(QString::number(Duration(WorkPath("out/dvd.mp4")))));
    }
};

QTEST_MAIN(TestRunFfmpeg)
#include "tst_run_ffmpeg.moc"

#include "conversion/CommandLine.h"
#include "conversion/EncoderProgram.h"
#include "conversion/FolderSource.h"
#include "conversion/Progress.h"
#include "conversion/SourceProbe.h"
#include "testsupport/TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

class TestEngineFolders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void findMediaFolder_data();
    void findMediaFolder();
    void videoTSLoopEnds();
    void dvdByVideoTSPath();
    void dvdByTwoVOBs();
    void dvdAllSmall();
    void mixedFolder();
    void awkwardNames();
    void tenThousandFiles();
    void missingOrUnreadableFolder();
    void listCannotBeWritten();
    void tempNamesAvoidTakenOnes();
    void fileSizes();
    void progressFiles_data();
    void progressFiles();
    void joinProgressFromFile();

private:
    QString Root() const { return FDir->path() + '/'; }
    QString AppData() const { return Root() + "appdata/"; }
    std::unique_ptr<QTemporaryDir> FDir;
};

void TestEngineFolders::initTestCase()
{
    // Probing here is about the lists; no encoder runs.
    SetEncoderProgram("/nonexistent/encoder");
}

void TestEngineFolders::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    QVERIFY(FDir->isValid());
}

void TestEngineFolders::findMediaFolder_data()
{
    QTest::addColumn<QStringList>("files"); // relative to the root; a trailing '/' makes a folder
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("rewritten");
    QTest::newRow("DVD below the film folder")
        << QStringList{"Film/VIDEO_TS/VTS_01_1.VOB", "Film/VIDEO_TS/VTS_01_0.IFO"} << "Film" << true
        << "Film/VIDEO_TS/";
    QTest::newRow("clips without trailing separator")
        << QStringList{"Clips/a.mp4", "Clips/b.mp4"} << "Clips" << true << "Clips/";
    QTest::newRow("doubled separators")
        << QStringList{"Clips/a.mp4"} << "Clips//" << true << "Clips/";
    QTest::newRow("only notes") << QStringList{"Notes/notes.txt"} << "Notes" << false << "Notes/";
    QTest::newRow("file without extension is no media")
        << QStringList{"Raw/README"} << "Raw/" << false << "Raw/";
    QTest::newRow(".m is no media") << QStringList{"M/x.m"} << "M" << false << "M/";
    QTest::newRow("hidden file ignored") << QStringList{"H/.secret.mp4"} << "H" << false << "H/";
    QTest::newRow("folder named like media ignored")
        << QStringList{"D/sub.mp4/"} << "D" << false << "D/";
    QTest::newRow("own media before VIDEO_TS")
        << QStringList{"Both/a.mkv", "Both/VIDEO_TS/VTS_01_1.VOB"} << "Both" << true << "Both/";
    QTest::newRow("VIDEO_TS without media")
        << QStringList{"E/VIDEO_TS/x.txt"} << "E" << false << "E/VIDEO_TS/";
    QTest::newRow("missing folder") << QStringList{} << "Nowhere" << false << "Nowhere/";
}

void TestEngineFolders::findMediaFolder()
{
    QFETCH(QStringList, files);
    QFETCH(QString, path);
    QFETCH(bool, found);
    QFETCH(QString, rewritten);
    for (const QString &f : files) {
        if (f.endsWith('/'))
            QVERIFY(QDir().mkpath(Root() + f));
        else
            WriteTestFile(Root() + f, "x");
    }
    QString p = Root() + path;
    QCOMPARE(FindMediaFolder(p), found);
    QCOMPARE(p, Root() + rewritten);
}

void TestEngineFolders::videoTSLoopEnds()
{
    QVERIFY(QDir().mkpath(Root() + "Loop"));
    QVERIFY(QFile::link(Root() + "Loop", Root() + "Loop/VIDEO_TS"));
    QString p = Root() + "Loop";
    QVERIFY(!FindMediaFolder(p));
}

// A DVD as discs have it: menus and small files first.
static void MakeDVD(const QString &Folder)
{
    MakeSparseFile(Folder + "VIDEO_TS.VOB", 10000000);
    MakeSparseFile(Folder + "VTS_01_0.VOB", 1000000);
    MakeSparseFile(Folder + "VTS_01_1.VOB", 1000000000);
    MakeSparseFile(Folder + "VTS_01_2.VOB", 300000000);
    for (const char *name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.IFO", "VTS_01_0.BUP"})
        WriteTestFile(Folder + name, "ifo");
}

void TestEngineFolders::dvdByVideoTSPath()
{
    const QString folder = Root() + "DVD/VIDEO_TS/";
    MakeDVD(folder);
    bool isDVD = true;
    const TFolderFiles f = CollectFolderFiles(folder, isDVD, AppData());
    QVERIFY(isDVD);
    QCOMPARE(f.Files, QStringList({folder + "VTS_01_1.VOB", folder + "VTS_01_2.VOB"}));
    QCOMPARE(f.TotalSize, qint64(1300000000));
    QCOMPARE(CopyConcatText(f.Files), QString("\"%1VTS_01_1.VOB\"+\"%1VTS_01_2.VOB\"").arg(folder));
    QCOMPARE(ArgumentsText(f.ProbeInputArgs),
             QString(" -i \"%1VTS_01_1.VOB\" -i \"%1VTS_01_2.VOB\"").arg(folder));
    QCOMPARE(f.ProbeInputArgs,
             QStringList({"-i", folder + "VTS_01_1.VOB", "-i", folder + "VTS_01_2.VOB"}));
    QVERIFY(f.ConcatListFileName.startsWith(AppData() + "concat"));
    QVERIFY(f.ConcatListFileName.endsWith(".txt"));
    QCOMPARE(ReadAll(f.ConcatListFileName),
             QByteArray("file '" + (folder + "VTS_01_1.VOB").toUtf8() + "'\r\nfile '" +
                        (folder + "VTS_01_2.VOB").toUtf8() + "'\r\n"));

    // Probing names the folder a DVD by its path alone.
    TVSourceInfo info;
    QVERIFY(ProbeSource(folder, info, AppData()));
    QVERIFY(info.vsIsDVD);
    QVERIFY(info.vsIsFolderToConcat);
    QCOMPARE(info.vsFileName, folder);
    QCOMPARE(info.vsCopyConcatFiles, f.Files);
    QCOMPARE(info.vsTotalSourceSize, qint64(1300000000));
    QCOMPARE(info.vsFFMpegIsrcStr(), " -f concat -safe 0 -i \"" + info.vsConcatTXTFileName + "\"");
    QCOMPARE(info.vsFFMpegInputArgs,
             QStringList({"-f", "concat", "-safe", "0", "-i", info.vsConcatTXTFileName}));
    QVERIFY(info.vsConcatTXTFileName != f.ConcatListFileName);
}

void TestEngineFolders::dvdByTwoVOBs()
{
    const QString folder = Root() + "Rip/";
    MakeDVD(folder);
    WriteTestFile(folder + "extra.mp4", "not taken on a DVD");
    bool isDVD = false;
    const TFolderFiles f = CollectFolderFiles(folder, isDVD, AppData());
    QVERIFY(isDVD);
    QCOMPARE(f.Files, QStringList({folder + "VIDEO_TS.VOB", folder + "VTS_01_0.VOB",
                                   folder + "VTS_01_1.VOB", folder + "VTS_01_2.VOB"}));
    QCOMPARE(f.TotalSize, qint64(1311000000));
}

void TestEngineFolders::dvdAllSmall()
{
    const QString folder = Root() + "Small/VIDEO_TS/";
    MakeSparseFile(folder + "VTS_01_1.VOB", 199999999);
    MakeSparseFile(folder + "VTS_01_2.VOB", 150000000);
    bool isDVD = true;
    const TFolderFiles f = CollectFolderFiles(folder, isDVD, AppData());
    QVERIFY(f.Files.isEmpty());
    QVERIFY(f.ConcatListFileName.isEmpty());
    QVERIFY(CopyConcatText(f.Files).isEmpty());
    QCOMPARE(f.TotalSize, qint64(0));
    QVERIFY(!f.ListWriteFailed);
    QVERIFY(QDir(AppData()).entryList(QDir::Files).isEmpty());
    // Exactly the threshold is big enough.
    MakeSparseFile(folder + "VTS_01_2.VOB", 200000000);
    QCOMPARE(CollectFolderFiles(folder, isDVD, AppData()).Files,
             QStringList{folder + "VTS_01_2.VOB"});
}

void TestEngineFolders::mixedFolder()
{
    const QString folder = Root() + "Mixed";
    WriteTestFile(folder + "/b.MKV", "bb");
    WriteTestFile(folder + "/a.mp4", "a");
    WriteTestFile(folder + "/c.txt", "ccc");
    WriteTestFile(folder + "/.hidden.mp4", "h");
    QVERIFY(QDir().mkpath(folder + "/sub.mp4"));
    QVERIFY(QFile::link(folder + "/gone.mp4", folder + "/dangling.mp4"));
    QCOMPARE(mkfifo(QFile::encodeName(folder + "/pipe.mp4").constData(), 0600), 0);
    bool isDVD = false;
    const TFolderFiles f = CollectFolderFiles(folder, isDVD, AppData());
    QVERIFY(!isDVD);
    const QString dir = folder + '/';
    QCOMPARE(f.Files, QStringList({dir + "a.mp4", dir + "b.MKV"}));
    QCOMPARE(f.TotalSize, qint64(3));
    QCOMPARE(CopyConcatText(f.Files), QString("\"%1a.mp4\"+\"%1b.MKV\"").arg(dir));
    QCOMPARE(
        ReadAll(f.ConcatListFileName),
        QByteArray("file '" + dir.toUtf8() + "a.mp4'\r\nfile '" + dir.toUtf8() + "b.MKV'\r\n"));
}

void TestEngineFolders::awkwardNames()
{
    const QString dir = Root() + "Awk ward/";
    const QStringList names = {"-i evil.mp4",      "Don't Stop.mp4",  "quote\"d.mp4",
                               "Ünïcödé клип.mkv", "two  blanks.avi", "line\nbreak.mp4"};
    for (const QString &n : names)
        WriteTestFile(dir + n, "x");
    bool isDVD = false;
    const TFolderFiles f = CollectFolderFiles(dir, isDVD, AppData());
    // Sorted by name; a line break cannot stand in a concat list line.
    const QStringList chosen = {dir + "-i evil.mp4", dir + "Don't Stop.mp4", dir + "quote\"d.mp4",
                                dir + "two  blanks.avi", dir + "Ünïcödé клип.mkv"};
    QCOMPARE(f.Files, chosen);
    QStringList args;
    for (const QString &p : chosen)
        args << "-i" << p;
    QCOMPARE(f.ProbeInputArgs, args);
    const QList<QByteArray> lines = ReadAll(f.ConcatListFileName).split('\n');
    QCOMPARE(lines.size(), chosen.size() + 1);
    QCOMPARE(lines[1], QByteArray("file '" + dir.toUtf8() + "Don'\\''t Stop.mp4'\r"));
    QCOMPARE(lines[4], QByteArray("file '" + dir.toUtf8() +
                                  "\xc3\x9cn\xc3\xaf\x63\xc3\xb6\x64\xc3\xa9 "
                                  "\xd0\xba\xd0\xbb\xd0\xb8\xd0\xbf.mkv'\r"));
}

void TestEngineFolders::tenThousandFiles()
{
    const QString dir = Root() + "Many/";
    QVERIFY(QDir().mkpath(dir));
    for (int i = 9999; i >= 0; --i)
        WriteTestFile(dir + QString("clip%1.mp4").arg(i, 5, 10, QChar('0')));
    bool isDVD = false;
    const TFolderFiles f = CollectFolderFiles(dir, isDVD, AppData());
    QCOMPARE(f.Files.size(), 10000);
    QCOMPARE(f.Files.first(), dir + "clip00000.mp4");
    QCOMPARE(f.Files.last(), dir + "clip09999.mp4");
    QVERIFY(std::is_sorted(f.Files.begin(), f.Files.end()));
    QCOMPARE(ReadAll(f.ConcatListFileName).count("\r\n"), 10000);
}

void TestEngineFolders::missingOrUnreadableFolder()
{
    bool isDVD = false;
    TFolderFiles f = CollectFolderFiles(Root() + "missing/", isDVD, AppData());
    QVERIFY(f.Files.isEmpty() && f.ConcatListFileName.isEmpty() && f.TotalSize == 0);
    f = CollectFolderFiles(QString(), isDVD, AppData());
    QVERIFY(f.Files.isEmpty());

    if (geteuid() == 0)
        QSKIP("permissions do not hold for root");
    const QString dir = Root() + "Locked/";
    WriteTestFile(dir + "a.mp4", "x");
    QVERIFY(QFile::setPermissions(dir, QFileDevice::Permissions()));
    QString p = dir;
    const bool found = FindMediaFolder(p);
    f = CollectFolderFiles(dir, isDVD, AppData());
    QFile::setPermissions(dir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!found);
    QVERIFY(f.Files.isEmpty());
}

void TestEngineFolders::listCannotBeWritten()
{
    const QString dir = Root() + "Clips/";
    WriteTestFile(dir + "a.mp4", "x");
    WriteTestFile(Root() + "notAFolder", "file");
    bool isDVD = false;
    const TFolderFiles f = CollectFolderFiles(dir, isDVD, Root() + "notAFolder/");
    QVERIFY(f.ListWriteFailed);
    QVERIFY(f.Files.isEmpty() && f.ConcatListFileName.isEmpty() && f.ProbeInputArgs.isEmpty());

    TVSourceInfo info;
    QVERIFY(!ProbeSource(dir, info, Root() + "notAFolder/"));
    QVERIFY(info.vsIsFolderToConcat);
    QVERIFY(info.vsConcatTXTFileName.isEmpty());
}

void TestEngineFolders::tempNamesAvoidTakenOnes()
{
    const QString dir = AppData();
    QVERIFY(QDir().mkpath(dir));
    for (int n = 0; n < 10000; ++n) {
        if (n != 4321)
            WriteTestFile(dir + QString("progress%1.txt").arg(n), "theirs");
    }
    const std::unique_ptr<THeldFile> held = NewProgressFile(dir);
    QVERIFY(held);
    QCOMPARE(held->FileName(), dir + "progress4321.txt");
    QVERIFY(QFileInfo::exists(held->FileName()));
    QCOMPARE(ReadAll(dir + "progress17.txt"), QByteArray("theirs"));

    // Every name taken: no name at all, nothing overwritten.
    QVERIFY(!NewProgressFile(dir));
    QCOMPARE(ReadAll(dir + "progress17.txt"), QByteArray("theirs"));
    // A folder that is not there gives none either.
    QVERIFY(!DrawTempFile(Root() + "absent/", "concat"));

    QVERIFY(QDir().mkpath(Root() + "fresh/"));
    const auto a = DrawTempFile(Root() + "fresh/", "concat");
    const auto b = DrawTempFile(Root() + "fresh/", "concat");
    QVERIFY(a && b && a->FileName() != b->FileName());
    QVERIFY(QFileInfo(a->FileName())
                .fileName()
                .contains(QRegularExpression("^concat([1-9][0-9]{0,3}|0)\\.txt$")));
}

void TestEngineFolders::fileSizes()
{
    const QString file = Root() + "five";
    WriteTestFile(file, "12345");
    QCOMPARE(GetFileSizeByOpening(file), qint64(5));
    QCOMPARE(GetFileSizeByAttributes(file), qint64(5));
    MakeSparseFile(Root() + "big", 5000000000LL);
    QCOMPARE(GetFileSizeByOpening(Root() + "big"), qint64(5000000000LL));
    QCOMPARE(GetFileSizeByAttributes(Root() + "big"), qint64(5000000000LL));
    QCOMPARE(GetFileSizeByOpening(Root() + "absent"), qint64(-1));
    QCOMPARE(GetFileSizeByAttributes(Root() + "absent"), qint64(-1));
    QCOMPARE(GetFileSizeByOpening(QString()), qint64(-1));
    QCOMPARE(GetFileSizeByOpening(Root()), qint64(-1));
    QCOMPARE(GetFileSizeByAttributes(Root()), qint64(0));
}

void TestEngineFolders::progressFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("percent");
    const QByteArray block =
        "frame=1\nfps=25\nbitrate=1kbits/s\ntotal_size=1\nout_time_us=5025000000\n"
        "out_time_ms=5025000000\nout_time=01:23:45.000000\ndup_frames=0\ndrop_frames=0\n"
        "speed=1x\nprogress=continue\n";
    QTest::newRow("a block of 160 bytes or more") << block + block << 50;
    QTest::newRow("shorter than the tail") << QByteArray("out_time_ms=5025000000\n") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("cut off inside the value")
        << block + block.left(block.indexOf("out_time_ms=") + 15) << 0;
    QTest::newRow("binary") << QByteArray(100000, '\xff') << 0;
    QTest::newRow("zeros after the last block") << block + QByteArray(200, '\0') << 0;
}

void TestEngineFolders::progressFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(int, percent);
    const QString file = Root() + "progress1.txt";
    WriteTestFile(file, content);
    QCOMPARE(GetEncodeProgress(file, 10050000).Percent, percent);
    QCOMPARE(GetEncodeProgress(Root() + "absent.txt", 10050000).Percent, 0);
    QCOMPARE(GetEncodeProgress(file, 0).Percent, 0);
}

void TestEngineFolders::joinProgressFromFile()
{
    const QString joined = Root() + "out.mp4.VOB";
    QCOMPARE(GetJoinProgress(joined, 1000).Percent, 0);
    MakeSparseFile(joined, 999);
    const TProgress p = GetJoinProgress(joined, 1000);
    QCOMPARE(p.Hundredths, 9990);
    QCOMPARE(p.Percent, 99);
    QCOMPARE(GetJoinProgress(joined, 0).Percent, 0);
}

QTEST_GUILESS_MAIN(TestEngineFolders)
#include "tst_folders.moc"

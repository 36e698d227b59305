#include "app/settings/QBXRegistry.h"
#include "app/settings/SettingNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void roundTrip_data();
    void roundTrip();
    void storeLivesInQbxFolder();
    void leadingBackslashGivesSameStore();
    void missingStoreReadsEmptyAndCreatesNothing();
    void nothingIsCached();
    void noOrganisationFallback();
    void handEditedListReadsAsText();
    void garbageFileDoesNotBreakTheStore();
    void unwritableStoreFailsQuietly();
    void deleteStringPar();
    void emptyNameIsRefused();
    void readIntPar_data();
    void readIntPar();
    void readBoolPar_data();
    void readBoolPar();
    void iniModeUsesSectionWithBackslash();
    void iniModeReadsHandWrittenFileAndKeepsOtherSections();
    void iniModeFirstDuplicateCounts();
    void iniModeRefusesLineBreaks();
    void iniModeRegistryOnlyFlags();
    void iniModeWithoutFileNameIsRegistryMode();
    void downloadManagerStoresAreSeparate();

private:
    static QString ConfigDir() { return qEnvironmentVariable("XDG_CONFIG_HOME"); }
    static QString StoreFile(const QString &name)
    {
        return ConfigDir() + QStringLiteral("/qbx/") + name + QStringLiteral(".conf");
    }
    static void WriteFile(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray ReadFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir Tmp;
};

void TestSettings::init()
{
    // The tests run with their own XDG_CONFIG_HOME (see tests/CMakeLists.txt).
    QVERIFY(!ConfigDir().isEmpty());
    QVERIFY(ConfigDir() != QDir::homePath() + QStringLiteral("/.config"));
    QFile::remove(ConfigDir() + QStringLiteral("/qbx"));
    QDir(ConfigDir() + QStringLiteral("/qbx")).removeRecursively();
    QFile::remove(ConfigDir() + QStringLiteral("/qbx.conf"));
}

void TestSettings::cleanup()
{
    init();
}

void TestSettings::roundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "1280x720";
    QTest::newRow("empty") << "";
    QTest::newRow("blanks kept") << "  640x480 (VGA)  ";
    QTest::newRow("comma") << "640x480, VGA";
    QTest::newRow("at sign") << "@Variant(abc)";
    QTest::newRow("quotes and semicolon") << "\"a\";b";
    QTest::newRow("equals and brackets") << "a=b [c]";
    QTest::newRow("backslashes") << "C:\\Program Files\\x.exe";
    QTest::newRow("cyrillic") << QStringLiteral("Русский");
    QTest::newRow("line break") << "a\r\nb";
    QTest::newRow("long") << QString(100000, u'z');
}

void TestSettings::roundTrip()
{
    QFETCH(QString, value);
    TQBXRegistry store(QStringLiteral("Frobnik"));
    QVERIFY(store.WriteStringPar(QStringLiteral("IOutSize"), value));
    QCOMPARE(TQBXRegistry(QStringLiteral("Frobnik")).ReadStringPar(QStringLiteral("IOutSize")),
             value);
}

void TestSettings::storeLivesInQbxFolder()
{
    TQBXRegistry store(Settings::ProgramName);
    QVERIFY(store.WriteIntPar(Settings::Build, Settings::CurrentBuild));
    QVERIFY(QFile::exists(StoreFile(QStringLiteral("Frobnik"))));
    QVERIFY(ReadFile(StoreFile(QStringLiteral("Frobnik"))).contains("Build=43"));
}

void TestSettings::leadingBackslashGivesSameStore()
{
    TQBXRegistry plain(QStringLiteral("Frobnik"));
    TQBXRegistry slashed(QStringLiteral("\\Frobnik"));
    QCOMPARE(plain.GetProgName(), QStringLiteral("\\Frobnik"));
    QCOMPARE(slashed.GetProgName(), QStringLiteral("\\Frobnik"));
    QCOMPARE(plain.GetCurrentQBXKey(), QStringLiteral("\\Software\\qbx\\Frobnik"));
    QCOMPARE(slashed.GetCurrentQBXKey(), plain.GetCurrentQBXKey());
    QVERIFY(slashed.WriteStringPar(QStringLiteral("Language"), QStringLiteral("Russian")));
    QCOMPARE(plain.ReadStringPar(QStringLiteral("Language")), QStringLiteral("Russian"));
}

void TestSettings::missingStoreReadsEmptyAndCreatesNothing()
{
    TQBXRegistry store(QStringLiteral("Frobnik"));
    QCOMPARE(store.ReadStringPar(QStringLiteral("IOutFormat")), QString());
    QCOMPARE(store.ReadIntPar(Settings::IOutQuality, Settings::IOutQualityDefault), 8);
    QVERIFY(!QFile::exists(StoreFile(QStringLiteral("Frobnik"))));
}

void TestSettings::nothingIsCached()
{
    TQBXRegistry first(QStringLiteral("Frobnik"));
    TQBXRegistry second(QStringLiteral("Frobnik"));
    QVERIFY(first.WriteStringPar(QStringLiteral("LastFUDate"), QStringLiteral("46000")));
    QCOMPARE(second.ReadStringPar(QStringLiteral("LastFUDate")), QStringLiteral("46000"));
    QVERIFY(second.WriteStringPar(QStringLiteral("LastFUDate"), QStringLiteral("46001")));
    QCOMPARE(first.ReadStringPar(QStringLiteral("LastFUDate")), QStringLiteral("46001"));

    // Another program changing the file between two calls is seen at once.
    WriteFile(StoreFile(QStringLiteral("Frobnik")), "[General]\nLastFUDate=12345678\n");
    QCOMPARE(first.ReadStringPar(QStringLiteral("LastFUDate")), QStringLiteral("12345678"));
    QFile::remove(StoreFile(QStringLiteral("Frobnik")));
    QCOMPARE(first.ReadStringPar(QStringLiteral("LastFUDate")), QString());
}

void TestSettings::noOrganisationFallback()
{
    WriteFile(ConfigDir() + QStringLiteral("/qbx.conf"), "[General]\nLanguage=German\n");
    TQBXRegistry store(QStringLiteral("Frobnik"));
    QCOMPARE(store.ReadStringPar(QStringLiteral("Language")), QString());
}

void TestSettings::handEditedListReadsAsText()
{
    WriteFile(StoreFile(QStringLiteral("Frobnik")), "[General]\nIOutSize=640x480, VGA\n");
    QCOMPARE(TQBXRegistry(QStringLiteral("Frobnik")).ReadStringPar(QStringLiteral("IOutSize")),
             QStringLiteral("640x480, VGA"));
}

void TestSettings::garbageFileDoesNotBreakTheStore()
{
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) % 256));
    garbage.append("\n[General]\nIOutQuality=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1)\nBuild=x\n");
    WriteFile(StoreFile(QStringLiteral("Frobnik")), garbage);

    TQBXRegistry store(QStringLiteral("Frobnik"));
    QCOMPARE(store.ReadIntPar(Settings::Build, Settings::BuildDefault), 0);
    const int quality = store.ReadIntPar(Settings::IOutQuality, Settings::IOutQualityDefault);
    Q_UNUSED(quality); // whatever it reads as, it must not crash
    QVERIFY(store.WriteIntPar(Settings::Build, 43));
    QCOMPARE(store.ReadIntPar(Settings::Build, 0), 43);
}

void TestSettings::unwritableStoreFailsQuietly()
{
    // A file where the store's folder belongs: nothing can be created there.
    WriteFile(ConfigDir() + QStringLiteral("/qbx"), "not a folder");
    TQBXRegistry store(QStringLiteral("Frobnik"));
    QVERIFY(!store.WriteStringPar(QStringLiteral("Language"), QStringLiteral("English")));
    QCOMPARE(store.ReadStringPar(QStringLiteral("Language")), QString());
    QVERIFY(!store.DeleteStringPar(QStringLiteral("Language")));
}

void TestSettings::deleteStringPar()
{
    TQBXRegistry store(QStringLiteral("Frobnik"));
    QVERIFY(!store.DeleteStringPar(QStringLiteral("IOutSize")));
    QVERIFY(store.WriteStringPar(QStringLiteral("IOutSize"), QStringLiteral("320x240")));
    QVERIFY(store.WriteStringPar(QStringLiteral("IOutFormat"), QStringLiteral("3")));
    QVERIFY(store.DeleteStringPar(QStringLiteral("IOutSize")));
    QCOMPARE(store.ReadStringPar(QStringLiteral("IOutSize")), QString());
    QCOMPARE(store.ReadStringPar(QStringLiteral("IOutFormat")), QStringLiteral("3"));
    QVERIFY(!store.DeleteStringPar(QStringLiteral("IOutSize")));
}

void TestSettings::emptyNameIsRefused()
{
    TQBXRegistry store(QStringLiteral("Frobnik"));
    QVERIFY(!store.WriteStringPar(QString(), QStringLiteral("x")));
    QCOMPARE(store.ReadStringPar(QString()), QString());
    QVERIFY(!store.DeleteStringPar(QString()));
}

void TestSettings::readIntPar_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << "12" << 12;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("leading blanks") << "  7" << 7;
    QTest::newRow("trailing blank") << "7 " << 8;
    QTest::newRow("empty") << "" << 8;
    QTest::newRow("text") << "abc" << 8;
    QTest::newRow("fraction") << "1.5" << 8;
    QTest::newRow("too large") << "99999999999" << 8;
}

void TestSettings::readIntPar()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    TQBXRegistry store(QStringLiteral("Frobnik"));
    QVERIFY(store.WriteStringPar(Settings::IOutQuality, stored));
    QCOMPARE(store.ReadIntPar(Settings::IOutQuality, Settings::IOutQualityDefault), expected);
}

void TestSettings::readBoolPar_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");
    QTest::newRow("one") << "1" << false << true;
    QTest::newRow("zero") << "0" << true << false;
    QTest::newRow("other number is off") << "2" << true << false;
    QTest::newRow("missing gives default on") << "" << true << true;
    QTest::newRow("missing gives default off") << "" << false << false;
    QTest::newRow("text gives default") << "yes" << true << true;
}

void TestSettings::readBoolPar()
{
    QFETCH(QString, stored);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    TQBXRegistry store(QStringLiteral("Frobnik"));
    QVERIFY(store.WriteStringPar(Settings::SoundEnabled, stored));
    QCOMPARE(store.ReadBoolPar(Settings::SoundEnabled, defaultValue), expected);
    QVERIFY(store.WriteBoolPar(Settings::SoundEnabled, !expected));
    QCOMPARE(store.ReadStringPar(Settings::SoundEnabled),
             expected ? QStringLiteral("0") : QStringLiteral("1"));
}

void TestSettings::iniModeUsesSectionWithBackslash()
{
    const QString ini = Tmp.filePath(QStringLiteral("section.ini"));
    TQBXRegistry store(QStringLiteral("Frobnik"), true, ini);
    QVERIFY(store.IsIniMode());
    QCOMPARE(store.GetIniFileSection(), QStringLiteral("\\Frobnik"));
    QVERIFY(store.WriteStringPar(QStringLiteral("IOutSize"), QStringLiteral(" 640x480, VGA")));
    QVERIFY(store.WriteStringPar(QStringLiteral("Language"), QStringLiteral("Русский")));
    QCOMPARE(ReadFile(ini), QByteArray("[\\Frobnik]\nIOutSize= 640x480, VGA\nLanguage=") +
                                QStringLiteral("Русский\n").toUtf8());
    QCOMPARE(store.ReadStringPar(QStringLiteral("IOutSize")), QStringLiteral(" 640x480, VGA"));
    // The native store was not touched.
    QVERIFY(!QFile::exists(StoreFile(QStringLiteral("Frobnik"))));
    QVERIFY(store.DeleteStringPar(QStringLiteral("Language")));
    QCOMPARE(ReadFile(ini), QByteArray("[\\Frobnik]\nIOutSize= 640x480, VGA\n"));
}

void TestSettings::iniModeReadsHandWrittenFileAndKeepsOtherSections()
{
    const QString ini = Tmp.filePath(QStringLiteral("hand.ini"));
    WriteFile(ini, "\xEF\xBB\xBF; comment\r\ntop=1\r\n[Other]\r\nA=x\r\n\r\n"
                   "  [\\Frobnik]  \r\n Build = 42\r\nno equals sign\r\n=empty name\r\n");
    TQBXRegistry store(QStringLiteral("\\Frobnik"), true, ini);
    QCOMPARE(store.ReadStringPar(QStringLiteral("Build")), QStringLiteral(" 42"));
    QCOMPARE(store.ReadIntPar(QStringLiteral("Build"), 0), 42);
    QVERIFY(store.WriteStringPar(QStringLiteral("Build"), QStringLiteral("43")));
    const QByteArray after = ReadFile(ini);
    QVERIFY2(after.contains("top=1\n"), after.constData());
    QVERIFY2(after.contains("[Other]\nA=x\n"), after.constData());
    QVERIFY2(after.contains("[\\Frobnik]\nBuild=43\n"), after.constData());
    QCOMPARE(TQBXRegistry(QStringLiteral("Other"), true, ini).ReadStringPar(QStringLiteral("A")),
             QString());
}

void TestSettings::iniModeFirstDuplicateCounts()
{
    const QString ini = Tmp.filePath(QStringLiteral("dup.ini"));
    WriteFile(ini, "[\\Frobnik]\nLanguage=English\nLanguage=Russian\n");
    QCOMPARE(TQBXRegistry(QStringLiteral("Frobnik"), true, ini)
                 .ReadStringPar(QStringLiteral("Language")),
             QStringLiteral("English"));
}

void TestSettings::iniModeRefusesLineBreaks()
{
    const QString ini = Tmp.filePath(QStringLiteral("breaks.ini"));
    TQBXRegistry store(QStringLiteral("Frobnik"), true, ini);
    QVERIFY(store.WriteStringPar(QStringLiteral("A"), QStringLiteral("1")));
    const QByteArray before = ReadFile(ini);
    QVERIFY(!store.WriteStringPar(QStringLiteral("B"), QStringLiteral("x\nC=injected")));
    QCOMPARE(ReadFile(ini), before);
    QCOMPARE(store.ReadStringPar(QStringLiteral("C")), QString());
}

void TestSettings::iniModeRegistryOnlyFlags()
{
    const QString ini = Tmp.filePath(QStringLiteral("flags.ini"));
    TQBXRegistry store(QStringLiteral("Frobnik"), true, ini);
    QVERIFY(store.WriteStringPar(QStringLiteral("Language"), QStringLiteral("Russian"), true));
    QCOMPARE(store.ReadStringPar(QStringLiteral("Language")), QString());
    QCOMPARE(store.ReadStringPar(QStringLiteral("Language"), true), QStringLiteral("Russian"));
    QCOMPARE(TQBXRegistry(QStringLiteral("Frobnik")).ReadStringPar(QStringLiteral("Language")),
             QStringLiteral("Russian"));
}

void TestSettings::iniModeWithoutFileNameIsRegistryMode()
{
    TQBXRegistry store(QStringLiteral("Frobnik"), true, QString());
    QVERIFY(!store.IsIniMode());
    QVERIFY(store.WriteStringPar(QStringLiteral("Language"), QStringLiteral("English")));
    QCOMPARE(TQBXRegistry(QStringLiteral("Frobnik")).ReadStringPar(QStringLiteral("Language")),
             QStringLiteral("English"));
}

void TestSettings::downloadManagerStoresAreSeparate()
{
    TQBXRegistry own(Settings::ProgramName);
    TQBXRegistry manager(Settings::QuillaraxProgramName);
    QVERIFY(manager.WriteStringPar(Settings::ConvForPrefix + QString::number(17),
                                   QStringLiteral("/tmp/a.mp4")));
    QCOMPARE(own.ReadStringPar(QStringLiteral("conv_for_17")), QString());
    QCOMPARE(manager.ReadStringPar(QStringLiteral("conv_for_17")), QStringLiteral("/tmp/a.mp4"));
    QVERIFY(QFile::exists(StoreFile(QStringLiteral("Quillarax"))));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

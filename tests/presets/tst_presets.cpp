#include "presets/DevicePresets.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// One line per preset, so a whole list compares in one QCOMPARE.
QStringList Summary(const TDevicePresets &presets)
{
    QStringList lines;
    for (int i = 0; i < presets.Count(); ++i) {
        const TDevPreset *p = presets.Device(i);
        lines << QString::number(p->ID) + u'|' + p->Name + u'|' + p->idName + u'|' + p->Params +
                     u'|' + p->Extension;
    }
    return lines;
}

QStringList Load(const QByteArray &bytes)
{
    TDevicePresets presets;
    presets.LoadFromBytes(bytes);
    return Summary(presets);
}

QByteArray Device(const QByteArray &id, const QByteArray &name, const QByteArray &ext = "mp4")
{
    return "<device><id>" + id + "</id><name>" + name + "</name><params>-p " + name +
           "</params><extension>" + ext + "</extension></device>";
}

QByteArray Wrap(const QByteArray &devices)
{
    return "<?xml version=\"1.0\"?>\r\n<presets>\r\n" + devices + "\r\n</presets>\r\n";
}

QByteArray Utf16(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

} // namespace

class TestPresets : public QObject
{
    Q_OBJECT
private slots:
    void load_data();
    void load();
    void byteOrderMarks_data();
    void byteOrderMarks();
    void lookups();
    void fileConstructor();
    void malformedBytesNeverFail_data();
    void malformedBytesNeverFail();
    void truncatedShippedFileLoadsWholeDevicesOnly();
    void shippedPresets();
    void largeFiles();
    void namesInOtherLanguages_data();
    void namesInOtherLanguages();
};

void TestPresets::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    const QString pocket = QStringLiteral("7|Pocket Player|pocketplayer|-p Pocket Player|mp4");
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("root without devices") << Wrap("") << QStringList();
    QTest::newRow("one device") << Wrap(Device("7", "Pocket Player")) << QStringList{pocket};
    QTest::newRow("spread over lines, children reordered")
        << Wrap("<device>\n  <extension>mp4</extension>\n  <params>-p Pocket Player</params>\n"
                "  <name>Pocket Player</name>\n  <id>7</id>\n</device>")
        << QStringList{pocket};
    QTest::newRow("list order kept") << Wrap(Device("2", "B") + Device("1", "A"))
                                     << QStringList{"2|B|b|-p B|mp4", "1|A|a|-p A|mp4"};

    QTest::newRow("id missing") << Wrap("<device><name>A</name></device>") << QStringList();
    QTest::newRow("id empty") << Wrap(Device("", "A")) << QStringList();
    QTest::newRow("id zero") << Wrap(Device("0", "A")) << QStringList();
    QTest::newRow("id negative") << Wrap(Device("-3", "A")) << QStringList();
    QTest::newRow("id not a number") << Wrap(Device("seven", "A")) << QStringList();
    QTest::newRow("id with trailing blank") << Wrap(Device("7 ", "A")) << QStringList();
    QTest::newRow("id with leading blanks")
        << Wrap(Device("  7", "A")) << QStringList{"7|A|a|-p A|mp4"};
    QTest::newRow("id in hexadecimal") << Wrap(Device("$1F", "A") + Device("0x10", "B"))
                                       << QStringList{"31|A|a|-p A|mp4", "16|B|b|-p B|mp4"};
    QTest::newRow("id too large") << Wrap(Device("99999999999", "A")) << QStringList();
    QTest::newRow("id self-closing")
        << Wrap("<device><id/><name>A</name></device>") << QStringList();
    QTest::newRow("second id ignored")
        << Wrap("<device><id>3</id><id>4</id><name>A</name></device>") << QStringList{"3|A|a||"};
    QTest::newRow("closing id before opening")
        << Wrap("<device></id><id>3</id></device>") << QStringList();
    QTest::newRow("same id twice") << Wrap(Device("5", "A") + Device("5", "B"))
                                   << QStringList{"5|A|a|-p A|mp4", "5|B|b|-p B|mp4"};

    QTest::newRow("self-closing name, missing extension")
        << Wrap("<device><id>4</id><name/><params>-x</params></device>") << QStringList{"4|||-x|"};
    QTest::newRow("values kept as written")
        << Wrap("<device><id>1</id><name>Tom &amp; Jerry</name><params> -a\nb\r-c </params>"
                "<extension> mp4</extension></device>")
        << QStringList{"1|Tom &amp; Jerry|tom&amp;jerry| -a\r\nb\r\n-c | mp4"};
    QTest::newRow("idName lowers only ASCII and drops only blanks")
        << Wrap(Device("1", "\xc3\x84pfel TV\t2"))
        << QStringList{QStringLiteral("1|Äpfel TV\t2|Äpfeltv\t2|-p Äpfel TV\t2|mp4")};

    QTest::newRow("device inside a comment is read")
        << Wrap("<!-- " + Device("1", "A") + " -->") << QStringList{"1|A|a|-p A|mp4"};
    QTest::newRow("device after the root is not read")
        << Wrap(Device("1", "A")) + Device("2", "B") << QStringList{"1|A|a|-p A|mp4"};
    QTest::newRow("text before the root ignored")
        << "<!-- <device><id>9</id></device> -->" + Wrap(Device("1", "A"))
        << QStringList{"1|A|a|-p A|mp4"};
    QTest::newRow("root with attributes")
        << "<presets version=\"2\">" + Device("1", "A") + "</presets>"
        << QStringList{"1|A|a|-p A|mp4"};
    QTest::newRow("no root: first nine characters go")
        << Device("1", "A") + Device("2", "B") << QStringList{"2|B|b|-p B|mp4"};
    QTest::newRow("no root, nine characters of padding")
        << "123456789" + Device("1", "A") << QStringList{"1|A|a|-p A|mp4"};
    QTest::newRow("no closing root")
        << QByteArray("<presets>" + Device("1", "A")) << QStringList{"1|A|a|-p A|mp4"};

    QTest::newRow("capitalised device tag") << Wrap("<Device><id>1</id></Device>") << QStringList();
    QTest::newRow("device tag with blank") << Wrap("<device ><id>1</id></device>") << QStringList();
    QTest::newRow("devices wrapper is not a device")
        << Wrap("<devices>" + Device("1", "A") + "</devices>") << QStringList{"1|A|a|-p A|mp4"};
    QTest::newRow("unclosed device") << Wrap("<device><id>1</id>") << QStringList();
    QTest::newRow("unclosed last device")
        << Wrap(Device("1", "A") + "<device><id>2</id>") << QStringList{"1|A|a|-p A|mp4"};
    QTest::newRow("closing tag before opening")
        << Wrap("</device>" + Device("1", "A")) << QStringList{"1|A|a|-p A|mp4"};
    QTest::newRow("nested opening tag")
        << Wrap("<device><device><id>1</id></device></device>") << QStringList{"1||||"};
}

void TestPresets::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QCOMPARE(Load(bytes), expected);
}

void TestPresets::byteOrderMarks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");

    const QString text = QStringLiteral(
        "<presets><device><id>1</id><name>Caf\u00e9 \u043c</name></device></presets>");
    QTest::newRow("utf-8 with mark")
        << "\xEF\xBB\xBF" + text.toUtf8() << QStringLiteral("Caf\u00e9 \u043c");
    QTest::newRow("utf-8 without mark") << text.toUtf8() << QStringLiteral("Caf\u00e9 \u043c");
    QTest::newRow("utf-16 le") << Utf16(text, QStringConverter::Utf16LE)
                               << QStringLiteral("Caf\u00e9 \u043c");
    QTest::newRow("utf-16 be") << Utf16(text, QStringConverter::Utf16BE)
                               << QStringLiteral("Caf\u00e9 \u043c");
    QTest::newRow("8-bit text read as Latin-1")
        << QByteArray("<presets><device><id>1</id><name>Caf\xe9</name></device></presets>")
        << QStringLiteral("Caf\u00e9");
    // Without a mark UTF-16 is just bytes with NULs: no tag is found.
    QTest::newRow("utf-16 without mark")
        << Utf16(text, QStringConverter::Utf16LE).mid(2) << QString();
}

void TestPresets::byteOrderMarks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    TDevicePresets presets;
    presets.LoadFromBytes(bytes);
    if (name.isEmpty()) {
        QCOMPARE(presets.Count(), 0);
        return;
    }
    QCOMPARE(presets.Count(), 1);
    QCOMPARE(presets.Device(0)->Name, name);
}

void TestPresets::lookups()
{
    TDevicePresets presets;
    presets.LoadFromBytes(Wrap(Device("7", "Pocket Player") + Device("3", "Box") +
                               Device("7", "Second") + Device("8", "pocket  PLAYER")));
    QCOMPARE(presets.Count(), 4);
    QVERIFY(presets.Device(-1) == nullptr);
    QVERIFY(presets.Device(presets.Count()) == nullptr);
    QCOMPARE(presets.Device(1)->Name, QStringLiteral("Box"));

    QCOMPARE(presets.GetDeviceByID(7)->Name, QStringLiteral("Pocket Player"));
    QVERIFY(presets.GetDeviceByID(0) == nullptr);
    QVERIFY(presets.GetDeviceByID(4) == nullptr);

    QCOMPARE(presets.GetDeviceIDByName(QStringLiteral("pocketplayer")), 7);
    QCOMPARE(presets.GetDeviceIDByName(QStringLiteral("box")), 3);
    QCOMPARE(presets.GetDeviceIDByName(QStringLiteral("pocket player")), -1);
    QCOMPARE(presets.GetDeviceIDByName(QStringLiteral("PocketPlayer")), -1);
    QCOMPARE(presets.GetDeviceIDByName(QString()), -1);

    presets.Clear();
    QCOMPARE(presets.Count(), 0);
    QVERIFY(presets.GetDeviceByID(7) == nullptr);
    QCOMPARE(presets.GetDeviceIDByName(QStringLiteral("box")), -1);
}

void TestPresets::fileConstructor()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("presets.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Utf16(QString::fromLatin1(Wrap(Device("1", "A") + Device("2", "B"))),
                     QStringConverter::Utf16LE));
    file.close();

    QCOMPARE(Summary(TDevicePresets(path)), (QStringList{"1|A|a|-p A|mp4", "2|B|b|-p B|mp4"}));
    QCOMPARE(TDevicePresets(dir.filePath(QStringLiteral("missing.xml"))).Count(), 0);
    QCOMPARE(TDevicePresets(dir.path()).Count(), 0);
    QCOMPARE(TDevicePresets(QString()).Count(), 0);
}

void TestPresets::malformedBytesNeverFail_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QRandomGenerator random(20240611);
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    for (char &c : noise)
        c = char(random.bounded(256));
    QTest::newRow("random bytes") << noise;
    // Tag fragments give the reader's searches many near misses.
    const QList<QByteArray> pieces{"<presets>", "</presets>", "<device>", "</device>", "<id>",
                                   "</id>",     "1",          "<name/>",  "<name>",    "\r",
                                   "\n",        "\xFF\xFE",   "\xEF\xBB", " "};
    QByteArray fragments;
    for (int i = 0; i < 20000; ++i)
        fragments += pieces[random.bounded(pieces.size())];
    QTest::newRow("shuffled tag fragments") << fragments;
    QTest::newRow("lone mark utf-16") << QByteArray("\xFF\xFE");
    QTest::newRow("odd utf-16 tail") << QByteArray("\xFE\xFF\x00<\x00p\x00");
    QTest::newRow("only the root opening") << QByteArray("<presets");
    QTest::newRow("nul bytes") << QByteArray(1000, '\0');
}

void TestPresets::malformedBytesNeverFail()
{
    QFETCH(QByteArray, bytes);
    TDevicePresets presets;
    presets.LoadFromBytes(bytes);
    for (int i = 0; i < presets.Count(); ++i) {
        QVERIFY(presets.Device(i)->ID > 0);
        QCOMPARE(presets.GetDeviceIDByName(presets.Device(i)->idName) > 0, true);
    }
}

void TestPresets::truncatedShippedFileLoadsWholeDevicesOnly()
{
    QFile file(qEnvironmentVariable("FROBNIK_SOURCE_DIR") + QStringLiteral("/data/presets.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QStringList full = Load(bytes);
    QVERIFY(!full.isEmpty());

    // Cut anywhere, the reader keeps exactly the devices whose closing tag
    // survived, each one intact.
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        const QByteArray head = bytes.left(cut);
        const QStringList part = Load(head);
        QCOMPARE(part.size(), int(head.count("</device>")));
        QCOMPARE(part, full.mid(0, part.size()));
    }
}

void TestPresets::shippedPresets()
{
    const TDevicePresets presets(qEnvironmentVariable("FROBNIK_SOURCE_DIR") +
                                 QStringLiteral("/data/presets.xml"));
    const QStringList names{"iPhone",   "iPad",      "Android Phone", "Android Tablet",
                            "Smart TV", "4K TV",     "PlayStation",   "Xbox",
                            "Switch",   "Web Video", "Email Clip",    "MP3 Audio",
                            "Old Phone"};
    QCOMPARE(presets.Count(), names.size());
    for (int i = 0; i < presets.Count(); ++i) {
        const TDevPreset *p = presets.Device(i);
        QCOMPARE(p->ID, i + 1);
        QCOMPARE(p->Name, names[i]);
        QVERIFY(!p->Params.isEmpty());
        QVERIFY(!p->Params.contains(u'\r'));
        QVERIFY(!p->Extension.isEmpty());
        QCOMPARE(presets.GetDeviceIDByName(p->idName), p->ID);
    }
    QCOMPARE(presets.GetDeviceIDByName(QStringLiteral("androidphone")), 3);
    QCOMPARE(presets.GetDeviceIDByName(QStringLiteral("4ktv")), 6);
}

void TestPresets::largeFiles()
{
    // Thousands of devices and a long run of unclosed tags must neither be
    // lost nor stall the reader.
    QByteArray many;
    for (int i = 1; i <= 20000; ++i)
        many += Device(QByteArray::number(i), "D" + QByteArray::number(i));
    TDevicePresets presets;
    presets.LoadFromBytes(Wrap(many));
    QCOMPARE(presets.Count(), 20000);
    QCOMPARE(presets.Device(19999)->Name, QStringLiteral("D20000"));
    QCOMPARE(presets.GetDeviceIDByName(QStringLiteral("d12345")), 12345);

    QByteArray unclosed = "<presets>" + Device("1", "A");
    unclosed += QByteArray(4 * 1024 * 1024, ' ') + QByteArray("<device>").repeated(200000);
    presets.LoadFromBytes(unclosed);
    QCOMPARE(Summary(presets), QStringList{"1|A|a|-p A|mp4"});

    QByteArray closersFirst =
        "<presets>" + QByteArray("</device>").repeated(200000) + Device("2", "B");
    presets.LoadFromBytes(closersFirst);
    QCOMPARE(Summary(presets), QStringList{"2|B|b|-p B|mp4"});
}

void TestPresets::namesInOtherLanguages_data()
{
    QTest::addColumn<QByteArray>("extra");
    QTest::addColumn<QString>("russian");
    QTest::addColumn<QString>("german");
    const QByteArray ru =
        "<name_Russian>\xD0\xA2\xD0\xB5\xD0\xBB\xD0\xB5\xD1\x84\xD0\xBE\xD0\xBD</name_Russian>";
    const QString phone = QString::fromUtf8("Телефон");
    QTest::newRow("none") << QByteArray() << "Old Phone"
                          << "Old Phone";
    QTest::newRow("one language") << ru << phone << "Old Phone";
    QTest::newRow("two") << ru + "<name_German> Altes Telefon </name_German>" << phone
                         << "Altes Telefon";
    QTest::newRow("first of two counts")
        << ru + "<name_Russian>B</name_Russian>" << phone << "Old Phone";
    QTest::newRow("empty falls back")
        << QByteArray("<name_Russian>  </name_Russian>") << "Old Phone"
        << "Old Phone";
    QTest::newRow("never closed") << QByteArray("<name_Russian>x") << "Old Phone"
                                  << "Old Phone";
    QTest::newRow("no language") << QByteArray("<name_>x</name_>") << "Old Phone"
                                 << "Old Phone";
    // Thousands of openings read in bounded time and change nothing else.
    QTest::newRow("flood") << QByteArray("<name_Russian>").repeated(20000) << "Old Phone"
                           << "Old Phone";
}

void TestPresets::namesInOtherLanguages()
{
    QFETCH(QByteArray, extra);
    TDevicePresets presets;
    presets.LoadFromBytes(Wrap("<device><id>7</id><name>Old Phone</name>" + extra +
                               "<params>-c:v h263</params><extension>3gp</extension></device>"));
    QCOMPARE(presets.Count(), 1);
    const TDevPreset *preset = presets.Device(0);
    QCOMPARE(preset->Name, QStringLiteral("Old Phone"));
    QCOMPARE(preset->Params, QStringLiteral("-c:v h263"));
    QTEST(preset->DisplayName(QStringLiteral("Russian")), "russian");
    QTEST(preset->DisplayName(QStringLiteral("German")), "german");
    QCOMPARE(preset->DisplayName(QStringLiteral("English")), QStringLiteral("Old Phone"));
}

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"

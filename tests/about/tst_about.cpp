#include "fonts/PinnedFonts.h"
#include "ui/AboutForm.h"

#include "support/BuildInfo.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { VerifyPinnedFonts(); }
    void geometryAndTexts();
    void emailLinkKeepsItsRightEdge_data();
    void emailLinkKeepsItsRightEdge();
    void textsWholeAndApart_data() { emailLinkKeepsItsRightEdge_data(); }
    void textsWholeAndApart();
    void creditsShowWholeLines();
    void creditsEndWithFfmpegNotice();
    void bannerFromProgramFolder();
    void missingBannerLeavesBlank();
    void escapeClosesModalBox();
    void okClosesAndOtherKeysDoNot();
    void okIsBoldWhileFocused();
    void linksRaiseRoutinesAndKeepFocus();
};

void TestAbout::geometryAndTexts()
{
    TAboutForm box(nullptr, QStringLiteral("http://www.frobnik.example.org/"), QString());
    QCOMPARE(box.size(), QSize(360, 302));
    QCOMPARE(box.windowTitle(), QStringLiteral("About..."));
    QVERIFY(box.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(box.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(box.windowFlags() & Qt::WindowMaximizeButtonHint));
    // The memo ends 8 pixels above the copyright line, or a little higher so
    // that it shows whole lines.
    if (box.EmailLabel->y() == 97)
        QCOMPARE(box.AuthorsMemo->geometry().topLeft(), QPoint(8, 119));
    QCOMPARE(box.AuthorsMemo->x(), 8);
    QCOMPARE(box.AuthorsMemo->width(), 345);
    QVERIFY(box.AuthorsMemo->geometry().bottom() + 1 <= 244 - 8);
    QVERIFY(box.AuthorsMemo->geometry().bottom() + 1 >
            244 - 8 - 2 * QFontMetrics(box.AuthorsMemo->font()).lineSpacing());
    QCOMPARE(box.OkBitBtn->geometry(), QRect(120, 264, 120, 30));
    QCOMPARE(box.LogoImage->geometry(), QRect(0, 0, 360, 50));
    QCOMPARE(box.TitleLabel->text(), QStringLiteral("Frobnik"));
    QCOMPARE(box.VerLabel->text(), QLatin1String("ver. ") + FrobnikVersion);
    QCOMPARE(box.HomePageLabel->text(), QStringLiteral("http://www.frobnik.example.org/"));
    QCOMPARE(box.EmailLabel->text(), QStringLiteral("support@frobnik.example.org"));
    QCOMPARE(box.OkBitBtn->text(), QStringLiteral("Ok"));
    QVERIFY(box.AuthorsMemo->isReadOnly());
    QCOMPARE(box.AuthorsMemo->focusPolicy(), Qt::NoFocus);
    QVERIFY(!box.CopyrightLabel->text().isEmpty());
}

void TestAbout::emailLinkKeepsItsRightEdge_data()
{
    QTest::addColumn<QString>("homePage");
    QTest::newRow("English") << "http://www.frobnik.example.org/";
    QTest::newRow("Russian") << "http://www.frobnik.example.org/ru/";
}

void TestAbout::emailLinkKeepsItsRightEdge()
{
    QFETCH(QString, homePage);
    TAboutForm box(nullptr, homePage, QString());
    QCOMPARE(box.HomePageLabel->text(), homePage);
    QCOMPARE(box.EmailLabel->geometry().right() + 1, 351);
    QCOMPARE(box.HomePageLabel->pos(), QPoint(10, 97));
    // On the line the design gives them when both fit there with room between them,
    // otherwise on a line of its own below.
    const int gap = box.EmailLabel->x() - box.HomePageLabel->geometry().right() - 1;
    if (box.EmailLabel->y() == 97)
        QVERIFY2(gap >= 8, qPrintable(QString::number(gap)));
    else
        QVERIFY(box.EmailLabel->y() > box.HomePageLabel->geometry().bottom());
    // The memo starts 8 pixels below the lower link.
    QCOMPARE(box.AuthorsMemo->y(), box.EmailLabel->geometry().bottom() + 1 + 8);
}

// What a reader sees with whatever font the machine has: every label's text
// whole and inside the box, and no two texts on top of each other.
void TestAbout::textsWholeAndApart()
{
    QFETCH(QString, homePage);
    TAboutForm box(nullptr, homePage, QString());
    const QList<QLabel *> labels = {box.TitleLabel, box.VerLabel, box.CopyrightLabel,
                                    box.HomePageLabel, box.EmailLabel};
    for (QLabel *label : labels) {
        const QFontMetrics metrics(label->font());
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->objectName()));
        // The ink, not the font's line height, which some faces make generous.
        QVERIFY2(metrics.tightBoundingRect(label->text()).height() <= label->height(),
                 qPrintable(label->objectName()));
        QVERIFY2(box.rect().contains(label->geometry()), qPrintable(label->objectName()));
    }
    QList<QWidget *> all(labels.begin(), labels.end());
    all << box.AuthorsMemo << box.OkBitBtn;
    for (QWidget *a : all)
        for (QWidget *b : all)
            if (a != b && a != box.LogoImage && b != box.LogoImage)
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + QStringLiteral(" meets ") + b->objectName()));
    const QFontMetrics ok(box.OkBitBtn->font());
    QVERIFY(ok.horizontalAdvance(box.OkBitBtn->text()) + 16 <= box.OkBitBtn->width());
}

// The credits wrap at the memo's width: nothing runs past its right edge, no
// word of a sentence stands alone on a line, and the memo never shows a line
// cut at its bottom, at the start or scrolled to the end.
void TestAbout::creditsShowWholeLines()
{
    TAboutForm box(nullptr, QStringLiteral("http://www.frobnik.example.org/ru/"), QString());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QPlainTextEdit *memo = box.AuthorsMemo;
    const QRect view = memo->viewport()->rect();
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        QVERIFY(layout);
        const bool sentence = block.text().trimmed().contains(u' ');
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            QVERIFY2(line.naturalTextWidth() <= view.width(), qPrintable(block.text()));
            const QString part = block.text().mid(line.textStart(), line.textLength()).trimmed();
            if (sentence && layout->lineCount() > 1)
                QVERIFY2(part.contains(u' ') || part.contains(QChar(0xA0)),
                         qPrintable(QStringLiteral("alone on a line: ") + part));
        }
    }
    for (const bool atEnd : {false, true}) {
        QScrollBar *bar = memo->verticalScrollBar();
        bar->setValue(atEnd ? bar->maximum() : 0);
        QCoreApplication::processEvents();
        for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
            const QTextLayout *layout = block.layout();
            for (int i = 0; i < layout->lineCount(); ++i) {
                QTextCursor at(block);
                at.setPosition(block.position() + layout->lineAt(i).textStart());
                const QRect line = memo->cursorRect(at);
                if (line.intersects(view))
                    QVERIFY2(view.contains(line),
                             qPrintable(QStringLiteral("cut: ") + block.text()));
            }
        }
    }
}

void TestAbout::creditsEndWithFfmpegNotice()
{
    TAboutForm box(nullptr, QString(), QString());
    const QStringList lines = box.AuthorsMemo->toPlainText().split(u'\n');
    QVERIFY(lines.size() >= 3);
    QCOMPARE(
        lines.last(),
        QStringLiteral("This software uses libraries from the FFmpeg project under the LGPLv2.1"));
    QCOMPARE(lines[lines.size() - 2], QString());
    // The memo gives no-break spaces back as plain ones.
    QCOMPARE(lines, TAboutForm::CreditLines().replaceInStrings(QChar(0xA0), QChar(u' ')));
}

void TestAbout::bannerFromProgramFolder()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("images")));
    QImage banner(360, 50, QImage::Format_RGB32);
    banner.fill(Qt::darkBlue);
    QVERIFY(banner.save(dir.filePath(QStringLiteral("images/about_banner.png"))));
    TAboutForm box(nullptr, QString(), dir.path());
    QCOMPARE(box.LogoImage->pixmap().size(), QSize(360, 50));
}

void TestAbout::missingBannerLeavesBlank()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("images")));
    QFile broken(dir.filePath(QStringLiteral("images/about_banner.png")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n not really");
    broken.close();
    TAboutForm withBroken(nullptr, QString(), dir.path());
    QVERIFY(withBroken.LogoImage->pixmap().isNull());
    TAboutForm withNone(nullptr, QString(), dir.filePath(QStringLiteral("nowhere")));
    QVERIFY(withNone.LogoImage->pixmap().isNull());
}

void TestAbout::escapeClosesModalBox()
{
    TAboutForm box(nullptr, QString(), QString());
    bool sent = false;
    QTimer::singleShot(0, &box, [&box, &sent] {
        sent = true;
        QTest::keyClick(&box, Qt::Key_Escape);
    });
    // A box that ignored Esc would keep exec() running; the guard ends it as a failure.
    QTimer::singleShot(10000, &box, [&box] { box.done(-1); });
    QCOMPARE(box.exec(), int(QDialog::Accepted));
    QVERIFY(sent);
    QVERIFY(!box.isVisible());
}

void TestAbout::okClosesAndOtherKeysDoNot()
{
    TAboutForm box(nullptr, QString(), QString());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_A);
    QTest::keyClick(&box, Qt::Key_F4);
    QVERIFY(box.isVisible());
    QTest::mouseClick(box.OkBitBtn, Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
}

void TestAbout::okIsBoldWhileFocused()
{
    TAboutForm box(nullptr, QString(), QString());
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QTRY_VERIFY(box.OkBitBtn->hasFocus());
    QVERIFY(box.OkBitBtn->font().bold());
    box.OkBitBtn->clearFocus();
    QVERIFY(!box.OkBitBtn->font().bold());
    box.OkBitBtn->setFocus();
    QVERIFY(box.OkBitBtn->font().bold());
}

void TestAbout::linksRaiseRoutinesAndKeepFocus()
{
    TAboutForm box(nullptr, QStringLiteral("http://www.frobnik.example.org/"), QString());
    QSignalSpy home(&box, &TAboutForm::HomePageLabelClick);
    QSignalSpy mail(&box, &TAboutForm::EmailLabelClick);
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QTRY_VERIFY(box.OkBitBtn->hasFocus());
    QTest::mouseClick(box.HomePageLabel, Qt::LeftButton);
    QCOMPARE(home.size(), 1);
    QCOMPARE(mail.size(), 0);
    QTest::mouseClick(box.EmailLabel, Qt::LeftButton);
    QCOMPARE(mail.size(), 1);
    QCOMPARE(home.size(), 1);
    QVERIFY(box.isVisible());
    QVERIFY(box.OkBitBtn->hasFocus());
    QVERIFY(box.OkBitBtn->font().bold());
    QCOMPARE(box.HomePageLabel->cursor().shape(), Qt::PointingHandCursor);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"

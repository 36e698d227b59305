#include "ui/AboutForm.h"

#include "support/BuildInfo.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void geometryAndTexts();
    void emailLinkKeepsItsRightEdge_data();
    void emailLinkKeepsItsRightEdge();
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
    QCOMPARE(box.AuthorsMemo->geometry(), QRect(8, 119, 345, 117));
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
    QCOMPARE(box.EmailLabel->y(), 97);
    // Both links sit on one line and do not overlap.
    QVERIFY(box.HomePageLabel->geometry().right() < box.EmailLabel->x());
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
    QCOMPARE(lines, TAboutForm::CreditLines());
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

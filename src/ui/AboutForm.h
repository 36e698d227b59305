#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The About box: banner, title and version, the home-page and support-mail
// links, the credits and the OK button. Built anew for each opening and shown
// modally over its owner. A click on a link raises the matching signal, which
// the main window connects to its home-page and e-mail routines; the box
// stays open.
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    // _ProgramDir holds "images/about_banner.png"; without that picture the
    // banner stays blank.
    TAboutForm(QWidget *_owner, const QString &_HOMEPAGE_LINK, const QString &_ProgramDir);

    QLabel *LogoImage = nullptr;
    QLabel *TitleLabel = nullptr;
    QLabel *VerLabel = nullptr;
    QLabel *CopyrightLabel = nullptr;
    QLabel *HomePageLabel = nullptr;
    QLabel *EmailLabel = nullptr;
    QPlainTextEdit *AuthorsMemo = nullptr;
    QPushButton *OkBitBtn = nullptr;

    // The credits, one line per entry; the last one is the FFmpeg notice.
    static QStringList CreditLines();

signals:
    void HomePageLabelClick();
    void EmailLabelClick();

protected:
    bool eventFilter(QObject *_watched, QEvent *_event) override;
    void keyPressEvent(QKeyEvent *_event) override;

private:
    void FormCreate(const QString &_HOMEPAGE_LINK, const QString &_ProgramDir);
    void OkBitBtnClick();
    void OkBitBtnEnter();
    void OkBitBtnExit();
};

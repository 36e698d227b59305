#include "ui/AboutForm.h"

#include "app/settings/SettingNames.h"
#include "integration/HostLinks.h"
#include "support/BuildInfo.h"
#include "support/PathUtils.h"

#include <cmath>

#include <QEvent>
#include <QFontMetricsF>
#include <QTextDocument>

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QFont ArialFont(int _pixelSize, bool _bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(_pixelSize);
    font.setBold(_bold);
    return font;
}

QLabel *MakeLabel(QWidget *_parent, const char *_name, const QRect &_rect)
{
    auto *label = new QLabel(_parent);
    label->setObjectName(QLatin1String(_name));
    label->setGeometry(_rect);
    return label;
}

// An auto-sized label: as wide as its text, the height of the form's description.
void FitWidth(QLabel *_label)
{
    _label->resize(_label->fontMetrics().horizontalAdvance(_label->text()) + 1, _label->height());
}

// Space that keeps the two links on one line apart.
constexpr int MinLinkGap = 12;

// The tallest height up to _most at which the memo shows whole lines only,
// so no line is ever seen cut at the bottom.
int WholeLinesHeight(const QPlainTextEdit *_memo, int _most)
{
    // Lines are laid out below the document's top margin, each the font's
    // line spacing rounded up to whole pixels; the blank bottom margin may go.
    const int top = 2 * _memo->frameWidth() + qRound(_memo->document()->documentMargin());
    const int line = std::max(1, int(std::ceil(QFontMetricsF(_memo->font()).lineSpacing())));
    const int lines = std::max(1, (_most - top) / line);
    return std::min(_most, top + lines * line);
}

void MakeLink(QLabel *_label)
{
    _label->setFont(ArialFont(11));
    _label->setStyleSheet(QStringLiteral("QLabel { color: blue; background: transparent; }"));
    QFont font = _label->font();
    font.setUnderline(true);
    _label->setFont(font);
    _label->setCursor(Qt::PointingHandCursor);
}

} // namespace

TAboutForm::TAboutForm(QWidget *_owner, const QString &_HOMEPAGE_LINK, const QString &_ProgramDir)
    : QDialog(_owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(360, 302);
    setFont(ArialFont(13));
    setAutoFillBackground(true);

    LogoImage = MakeLabel(this, "LogoImage", QRect(0, 0, 360, 50));
    LogoImage->setScaledContents(true);
    TitleLabel = MakeLabel(this, "TitleLabel", QRect(8, 56, 162, 22));
    TitleLabel->setFont(ArialFont(19, true));
    VerLabel = MakeLabel(this, "VerLabel", QRect(10, 79, 70, 16));
    CopyrightLabel = MakeLabel(this, "CopyrightLabel", QRect(8, 244, 200, 16));
    HomePageLabel = MakeLabel(this, "HomePageLabel", QRect(10, 97, 115, 14));
    MakeLink(HomePageLabel);
    EmailLabel = MakeLabel(this, "EmailLabel", QRect(264, 97, 87, 14));
    MakeLink(EmailLabel);
    EmailLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    AuthorsMemo = new QPlainTextEdit(this);
    AuthorsMemo->setObjectName(QStringLiteral("AuthorsMemo"));
    AuthorsMemo->setReadOnly(true);
    AuthorsMemo->setFocusPolicy(Qt::NoFocus);
    AuthorsMemo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    AuthorsMemo->setFont(ArialFont(11));
    AuthorsMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    AuthorsMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette memoPalette = AuthorsMemo->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::Button));
    AuthorsMemo->setPalette(memoPalette);

    OkBitBtn = new QPushButton(QStringLiteral("Ok"), this);
    OkBitBtn->setObjectName(QStringLiteral("OkBitBtn"));
    OkBitBtn->setGeometry(120, 264, 120, 30);
    OkBitBtn->setFont(ArialFont(11));
    OkBitBtn->setDefault(true);
    connect(OkBitBtn, &QPushButton::clicked, this, &TAboutForm::OkBitBtnClick);

    for (QWidget *w : {static_cast<QWidget *>(HomePageLabel), static_cast<QWidget *>(EmailLabel),
                       static_cast<QWidget *>(OkBitBtn)})
        w->installEventFilter(this);

    FormCreate(_HOMEPAGE_LINK, _ProgramDir);
    OkBitBtn->setFocus();
}

QStringList TAboutForm::CreditLines()
{
    // One paragraph per line; the memo wraps them at its own width, whatever
    // the font. A no-break space keeps a paragraph's last word from standing
    // on a line of its own.
    return {
        QStringLiteral("Frobnik converts video and audio files for computers, phones, tablets, "
                       "game consoles and the\u00A0web."),
        QString(),
        QStringLiteral("Programming and design: the Frobnik\u00A0team."),
        QStringLiteral("Russian translation: the Frobnik\u00A0team."),
        QStringLiteral("Thanks to everyone who sent us reports and\u00A0ideas."),
        QString(),
        QStringLiteral(
            "This software uses libraries from the FFmpeg project under the\u00A0LGPLv2.1"),
    };
}

void TAboutForm::FormCreate(const QString &_HOMEPAGE_LINK, const QString &_ProgramDir)
{
    const QPixmap banner(JoinPath(JoinPath(_ProgramDir, QStringLiteral("images")),
                                  QStringLiteral("about_banner.png")));
    if (!banner.isNull())
        LogoImage->setPixmap(banner);

    HomePageLabel->setText(_HOMEPAGE_LINK);
    FitWidth(HomePageLabel);
    const int emailRight = EmailLabel->geometry().right();
    EmailLabel->setText(HostLinks::SupportEmailAddress());
    FitWidth(EmailLabel);
    EmailLabel->move(emailRight + 1 - EmailLabel->width(), EmailLabel->y());
    // Two links that would meet read as one; the mail link then takes a line
    // of its own below, still ending at the same right edge.
    if (HomePageLabel->geometry().right() + MinLinkGap >= EmailLabel->x())
        EmailLabel->move(EmailLabel->x(), HomePageLabel->y() + HomePageLabel->height() + 2);

    TitleLabel->setText(QString(Settings::ProgramName));
    FitWidth(TitleLabel);
    VerLabel->setText(QLatin1String("ver. ") + FrobnikVersion);
    FitWidth(VerLabel);
    CopyrightLabel->setText(QStringLiteral("Copyright \u00A9 the Frobnik team"));
    FitWidth(CopyrightLabel);

    const int linksBottom =
        std::max(HomePageLabel->geometry().bottom(), EmailLabel->geometry().bottom());
    const int memoTop = linksBottom + 1 + 8;
    AuthorsMemo->setGeometry(8, memoTop, 345,
                             WholeLinesHeight(AuthorsMemo, CopyrightLabel->y() - memoTop - 8));
    AuthorsMemo->clear();
    for (const QString &line : CreditLines())
        AuthorsMemo->appendPlainText(line);
    AuthorsMemo->moveCursor(QTextCursor::Start);
}

void TAboutForm::OkBitBtnClick()
{
    accept();
}

void TAboutForm::OkBitBtnEnter()
{
    QFont font = OkBitBtn->font();
    font.setBold(true);
    OkBitBtn->setFont(font);
}

void TAboutForm::OkBitBtnExit()
{
    QFont font = OkBitBtn->font();
    font.setBold(false);
    OkBitBtn->setFont(font);
}

bool TAboutForm::eventFilter(QObject *_watched, QEvent *_event)
{
    if (_watched == OkBitBtn) {
        if (_event->type() == QEvent::FocusIn)
            OkBitBtnEnter();
        else if (_event->type() == QEvent::FocusOut)
            OkBitBtnExit();
    } else if (_event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent *>(_event)->button() == Qt::LeftButton) {
        if (_watched == HomePageLabel)
            emit HomePageLabelClick();
        else if (_watched == EmailLabel)
            emit EmailLabelClick();
    }
    return QDialog::eventFilter(_watched, _event);
}

void TAboutForm::keyPressEvent(QKeyEvent *_event)
{
    if (_event->key() == Qt::Key_Escape) {
        OkBitBtnClick();
        _event->accept();
        return;
    }
    QDialog::keyPressEvent(_event);
}

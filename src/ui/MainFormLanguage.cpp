// Interface texts from the language file and the Language menu.

#include "ui/MainForm.h"

#include "app/settings/SettingNames.h"
#include "localization/LanguageDefaults.h"
#include "localization/TextIds.h"
#include "support/PathUtils.h"
#include "ui/widgets/DropFileEdit.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

QString TMainForm::Text(const TTextId &_id) const
{
    return Language.Get(_id);
}

void TMainForm::ApplyLanguage()
{
    const TLanguageLinks links = LanguageLinks(CurrentLanguage);
    HELP_FILENAME = links.llHelpFileName;
    HOMEPAGE_LINK = links.llHomePageLink;
    UPDATE_URL = links.llUpdateUrl;
    QtTranslations.Switch(CurrentLanguage, ProgramDir);

    for (const TTextId &id : TextIds::MainMenuTexts) {
        const QString text = Text(id);
        switch (id.Id) {
        case 11010:
            N1->setTitle(text);
            break;
        case 11050:
            ViewMenuItem->setTitle(text);
            break;
        case 11051:
            LanguageMenuItem->setTitle(text);
            break;
        case 11052:
            SoundAction->setText(text);
            break;
        case 11100:
            N2->setTitle(text);
            break;
        case 11011:
            OpenSourceFileAction->setText(text);
            break;
        case 11012:
            OpenSourceFolderAction->setText(text);
            break;
        case 11020:
            ExitAction->setText(text);
            break;
        case 11110:
            AboutAction->setText(text);
            break;
        case 11101:
            ContentsAction->setText(text);
            break;
        case 11102:
            CheckUpdateAction->setText(text);
            break;
        case 11103:
            HomePageAction->setText(text);
            break;
        default:
            break;
        }
    }

    for (const TTextId &id : TextIds::MainFormTexts) {
        const QString text = Text(id);
        switch (id.Id) {
        case 12011:
            SourceFileNameLabel->setText(text);
            break;
        case 12012:
            // A folder is not an existing file: it gives way to the prompt too.
            if (!FileExists(SourceFilenameEdit->text()))
                SetSourceText(text);
            SourceFilenameEdit->setToolTip(text);
            break;
        case 12013:
            SourceOpenDialog.fdTitle = text;
            break;
        case 12014:
            OpenBitBtn->setText(text);
            break;
        case 12015:
            OpenBitBtn->setToolTip(text);
            break;
        case 12016:
            OpenFileMenuItem->setText(text);
            break;
        case 12017:
            OpenFolderMenuItem->setText(text);
            DropDownBitBtn->setToolTip(Text(TextIds::OpenFileMenu) + u'/' + text);
            break;
        case 12050:
            ConvertToLabel->setText(text);
            break;
        case 12051:
            OutFormatLabel->setText(text);
            break;
        case 12052:
            OutFormatComboBox->setToolTip(text);
            break;
        case 12060:
            OutSizeLabel->setText(text);
            break;
        case 12061:
            OutSizeComboBox->setToolTip(text);
            break;
        case 12062:
            OutSizeComboBox->setItemText(0, text);
            if (OutSizeItemIndex() < 0)
                SelectOutSizeItem(0);
            break;
        case 12077:
            QualityComboBox->setItemText(0, text);
            break;
        case 12078:
            QualityComboBox->setItemText(1, text);
            if (QualityComboBox->currentIndex() < 0)
                QualityComboBox->setCurrentIndex(0);
            break;
        case 12075:
            AdditionLabel->setText(text);
            break;
        case 12076:
            NoSoundPopupMenu->setText(text);
            break;
        case 12110:
            SameAspectRationPMenu->setText(text);
            break;
        case 12111:
            SameAspectRationPMenu->setToolTip(text);
            break;
        case 12112:
            CopySoundsPM->setText(text);
            break;
        case 12113:
            CopySubtitlesPM->setText(text);
            break;
        case 12114:
            DeinterlacePM->setText(text);
            break;
        case 12070:
            QualityLabel->setText(text);
            break;
        case 12072:
            LowQLabel->setText(text);
            break;
        case 12073:
            HiQLabel->setText(text);
            break;
        case 12080:
            OutFileLabel->setText(text);
            break;
        case 12081:
            OutVideoFileBEdit->setToolTip(text);
            break;
        case 12082:
            OpenOutSpeedButton->setToolTip(text);
            break;
        case 12090:
            OpenFileBitBtn->setToolTip(text);
            break;
        case 12091:
            OpenFolderBitBtn->setToolTip(text);
            break;
        case 12100:
            ConvertBitBtn->setText(text);
            break;
        case 12101:
            StopConvBitBtn->setText(text);
            break;
        case 12053:
            VideoPageControl->setTabText(0, text);
            break;
        case 12054:
            VideoPageControl->setTabText(1, text);
            break;
        default:
            break;
        }
    }

    LNGA.clear();
    for (const TTextId &id : TextIds::MessageTexts)
        LNGA.append(Text(id));

    FitLabels();
    ShowDeviceNames();
}

QStringList TMainForm::ListLanguages() const
{
    return ListLanguageFiles(JoinPath(ProgramDir, QStringLiteral("Languages")));
}

void TMainForm::BuildLanguageMenu()
{
    LanguageMenuItem->clear();
    LanguageMenuItem->setTitle(QStringLiteral("Language"));
    const QStringList names = ListLanguages();
    // An item without sub-items opens nothing; greyed, it does not pretend to.
    LanguageMenuItem->menuAction()->setEnabled(names.size() >= 2);
    if (names.size() < 2)
        return;
    for (const QString &name : names) {
        // The caption is the name exactly; an ampersand is shown, not taken
        // for an accelerator.
        QString caption = name;
        QAction *item = LanguageMenuItem->addAction(caption.replace(u'&', QStringLiteral("&&")));
        item->setObjectName(QStringLiteral("LanguageItem_") + name);
        item->setData(name);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item]() { LanguageItemClick(item); });
    }
}

void TMainForm::CheckCurrentLanguageItem()
{
    for (QAction *item : LanguageMenuItem->actions())
        item->setChecked(item->data().toString() == CurrentLanguage);
}

void TMainForm::ViewMenuItemClick()
{
    CheckCurrentLanguageItem();
}

void TMainForm::LanguageItemClick(QObject *_sender)
{
    auto *item = qobject_cast<QAction *>(_sender);
    const QString caption = item ? item->data().toString() : QString();
    if (!caption.isEmpty() &&
        Language.LoadLanguage(JoinPath(ProgramDir, QStringLiteral("Languages/") + caption +
                                                       QStringLiteral(".lng")))) {
        CurrentLanguage = caption;
        ApplyLanguage();
        if (MyReg)
            MyReg->WriteStringPar(Settings::Language, CurrentLanguage);
    }
    // The menu toggled the clicked item by itself; show the language in use.
    CheckCurrentLanguageItem();
}

QString TMainForm::GetDefaultLanguage() const
{
    const QString installed = MyReg ? MyReg->ReadStringPar(Settings::InstallLanguage) : QString();
    return DefaultLanguageFrom(ListLanguages(), installed, SystemLocaleFacts());
}

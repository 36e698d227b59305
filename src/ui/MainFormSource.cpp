// Choosing the source and the output file.

#include "ui/MainForm.h"

#include "app/settings/SettingNames.h"
#include "conversion/FolderSource.h"
#include "conversion/OutputRules.h"
#include "conversion/SourceProbe.h"
#include "localization/TextIds.h"
#include "support/PathUtils.h"
#include "ui/widgets/DropFileEdit.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

namespace {

// The folder that holds a source: a file's folder, or for a folder source
// the folder it lies in (for a DVD, the one that holds the film's folder),
// so the next dialog shows it among its neighbours.
QString FolderHolding(const QString &_source)
{
    QString path = _source;
    if (path.endsWith(PathDelim)) {
        path = ExcludeTrailingPathDelimiter(path);
        if (ExtractFileName(path) == QLatin1String("VIDEO_TS"))
            path = ExtractFileDir(path);
    }
    return ExtractFileDir(path);
}

// The folder itself, or the nearest one above it that still exists.
QString ExistingFolder(QString _folder)
{
    while (!_folder.isEmpty() && !DirectoryExists(_folder)) {
        const QString up = ExtractFileDir(ExcludeTrailingPathDelimiter(_folder));
        if (up == _folder)
            return QString();
        _folder = up;
    }
    return _folder;
}

} // namespace

void TMainForm::RememberSourceFolder(const QString &_source)
{
    if (MyReg)
        MyReg->WriteStringPar(Settings::LastSourceFolder, FolderHolding(_source));
}

QString TMainForm::SourceStartFolder() const
{
    return MyReg ? ExistingFolder(MyReg->ReadStringPar(Settings::LastSourceFolder)) : QString();
}

bool TMainForm::IsPromptText(const QString &_text) const
{
    return !_text.isEmpty() && _text == Text(TextIds::SourcePrompt);
}

void TMainForm::SetSourceText(const QString &_text)
{
    SourceFilenameEdit->setText(_text);
}

void TMainForm::SetOpenAsFolder(bool _asFolder)
{
    OpenFolderMenuItem->setChecked(_asFolder);
    OpenFileMenuItem->setChecked(!_asFolder);
    OpenBitBtn->setIcon(ImageList16x32.Glyph(_asFolder ? 1 : 0));
}

void TMainForm::OpenBitBtnClick()
{
    if (OpenFolderMenuItem->isChecked())
        OpenFolderMenuItemClick();
    else
        OpenFileMenuItemClick();
}

void TMainForm::DropDownBitBtnClick()
{
    SourcePopupMenu->popup(OpenBitBtn->mapToGlobal(OpenBitBtn->rect().bottomLeft()));
}

void TMainForm::OpenFileMenuItemClick()
{
    SetOpenAsFolder(false);
    SourceOpenDialog.fdFolder = SourceStartFolder();
    const QString fileName = TDialogs::OpenFile(this, SourceOpenDialog);
    if (!fileName.isEmpty()) {
        RememberSourceFolder(fileName);
        SelectSource(fileName);
    }
}

void TMainForm::OpenFolderMenuItemClick()
{
    SetOpenAsFolder(true);
    SourceFileOpenDialog.fdFolder = SourceStartFolder();
    QString folder = TDialogs::PickFolder(this, SourceFileOpenDialog);
    if (!folder.isEmpty() && FindMediaFolder(folder)) {
        RememberSourceFolder(folder);
        SelectSource(NormalizeDirPath(folder));
    }
}

void TMainForm::OpenSourceFileActionExecute()
{
    OpenFileMenuItem->trigger();
}

void TMainForm::OpenSourceFolderActionExecute()
{
    OpenFolderMenuItem->trigger();
}

void TMainForm::OpenSourceFileActionUpdate()
{
    OpenSourceFileAction->setEnabled(OpenBitBtn->isEnabled());
}

void TMainForm::OpenSourceFolderActionUpdate()
{
    OpenSourceFolderAction->setEnabled(OpenBitBtn->isEnabled());
}

void TMainForm::SelectSource(const QString &_path)
{
    // The change of the box text runs the source handling once and the last
    // line once more; probing (which holds the window) is needed only once.
    FProbeDeferred = true;
    SetSourceText(_path);
    FProbeDeferred = false;
    OutVideoFileBEdit->setText(DeriveOutputFileName(SourceFilenameEdit->text()));
    SourceFilenameEditChange();
}

void TMainForm::SourceFilenameEditDropFile(QObject *, const QString &_fileName, const QPoint &)
{
    QString path = _fileName;
    if (!ExtractFileExt(path).isEmpty()) {
        if (!MatchesMediaFilter(path))
            return;
    } else if (!FindMediaFolder(path)) {
        return;
    }
    RememberSourceFolder(path);
    SelectSource(path);
}

void TMainForm::SourceFilenameEditChange()
{
    const QString source = SourceFilenameEdit->text();
    CopySoundsPM->setChecked(false);
    CopySubtitlesPM->setChecked(false);
    DeinterlacePM->setChecked(false);
    ShowProgress(0, false);
    InfoLabel->setText(LNGA.value(miPreparing));
    // Probing holds the window; let the status text show first.
    InfoLabel->repaint();

    QString folder = source;
    // A FIFO, device or socket is no source: the probe would wait on it.
    const bool valid = RegularFileExists(source) || (FindMediaFolder(folder) && folder == source);
    if (valid) {
        EnableFormatControls(true);
        if (!FProbeDeferred && ProbeSource(source, VideoSourceInfo, AppDataDir)) {
            const TVSourceInfo &info = VideoSourceInfo;
            CopySoundsPM->setChecked(info.vsIsDVD &&
                                     !info.vsAudioCodecLC.contains(QLatin1String("mp2")) &&
                                     !info.vsAudioCodecLC.contains(QLatin1String("pcm_dvd")));
            CopySubtitlesPM->setChecked(info.vsIsDVD && info.vsSubtitle);
            DeinterlacePM->setChecked(info.vsIsDVD);
        }
    } else {
        EnableFormatControls(false);
    }

    InfoLabel->clear();
    UpdateWindowCaption();
    NoSoundPopupMenu->setChecked(false);
    SourceFilenameEdit->setToolTip(PathHint(Text(TextIds::SourcePrompt), source));
}

QString TMainForm::DeriveOutputFileName(const QString &_s) const
{
    // The prompt, or nothing at all, names no source to take a name from.
    if (_s.isEmpty() || IsPromptText(_s))
        return QString();
    return ::DeriveOutputFileName(_s, VideoPageControl->currentIndex(), FormatExtension(),
                                  SelectedDevice());
}

void TMainForm::OutVideoFileBEditChange()
{
    OutVideoFileBEdit->setToolTip(PathHint(Text(TextIds::OutputHint), OutVideoFileBEdit->text()));
}

void TMainForm::OutVideoFileBEditExit()
{
    const QString completed = CompleteOutputFileName(OutVideoFileBEdit->text(), FormatExtension());
    if (completed != OutVideoFileBEdit->text())
        OutVideoFileBEdit->setText(completed);
    EnableFormatControls(true);
}

void TMainForm::OpenOutSpeedButtonClick()
{
    const QString out = OutVideoFileBEdit->text();
    OutOpenDialog.fdFolder = ExtractFileDir(out);
    OutOpenDialog.fdFileName = ExtractFileName(out);
    OutOpenDialog.fdFilterIndex = OutOpenDialogFilterIndex(FormatExtension());
    OutOpenDialog.fdDefaultExt = FormatExtension();
    const QString chosen = TDialogs::OpenFile(this, OutOpenDialog);
    if (!chosen.isEmpty())
        OutVideoFileBEdit->setText(chosen);
}

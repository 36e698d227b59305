#pragma once

// A program folder of our own with the shipped data copied in, the settings
// of the test's isolated store, and a compact view of what the window shows.

#include "app/settings/QBXRegistry.h"
#include "conversion/EncoderProgram.h"
#include "localization/LanguageDefaults.h"
#include "ui/Dialogs.h"
#include "ui/MainForm.h"
#include "ui/widgets/DropFileEdit.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSlider>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TProgramCopy
{
public:
    // _parts: which of the shipped data to copy ("Languages", "images", "Sounds", "presets.xml").
    explicit TProgramCopy(const QStringList &_parts = {
                              QStringLiteral("Languages"), QStringLiteral("images"),
                              QStringLiteral("Sounds"), QStringLiteral("presets.xml")})
    {
        const QDir built(qEnvironmentVariable("FROBNIK_PROGRAM_DIR"));
        for (const QString &part : _parts) {
            const QFileInfo from(built.filePath(part));
            if (from.isDir()) {
                QDir().mkpath(Path(part));
                for (const QFileInfo &entry : QDir(from.filePath()).entryInfoList(QDir::Files))
                    QFile::copy(entry.filePath(), QDir(Path(part)).filePath(entry.fileName()));
            } else {
                QFile::copy(from.filePath(), Path(part));
            }
        }
        SetProgramFolder(FDir.path());
    }
    ~TProgramCopy() { SetProgramFolder(QString()); }

    QString Path(const QString &_name = QString()) const
    {
        return _name.isEmpty() ? FDir.path() : FDir.filePath(_name);
    }
    bool Valid() const { return FDir.isValid(); }

private:
    QTemporaryDir FDir;
};

inline QString ConfigFilePath()
{
    return QDir(qEnvironmentVariable("XDG_CONFIG_HOME"))
        .filePath(QStringLiteral("qbx/Frobnik.conf"));
}

inline void ResetSettings()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qbx"),
                       QStringLiteral("Frobnik"));
    settings.clear();
    settings.sync();
}

inline QString ReadSetting(const QString &_name)
{
    return TQBXRegistry(QStringLiteral("Frobnik")).ReadStringPar(_name);
}

inline bool HasSetting(const QString &_name)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qbx"),
                       QStringLiteral("Frobnik"));
    return settings.contains(_name);
}

inline void WriteSetting(const QString &_name, const QString &_value)
{
    TQBXRegistry(QStringLiteral("Frobnik")).WriteStringPar(_name, _value);
}

// The choices the window shows, in one line, so a row can state all of them.
inline QString DescribeWindow(const TMainForm &w)
{
    QStringList parts;
    parts << QStringLiteral("page=%1").arg(w.VideoPageControl->currentIndex());
    parts << QStringLiteral("format=%1")
                 .arg(w.OutFormatComboBox->currentIndex() < 0 ? QStringLiteral("none")
                                                              : w.OutFormatComboBox->currentText());
    parts << QStringLiteral("device=%1").arg(w.SelectedDeviceID);
    parts << QStringLiteral("size=%1").arg(w.OutSizeComboBox->currentIndex() == 0 &&
                                                   w.OutSizeComboBox->currentText() ==
                                                       w.OutSizeComboBox->itemText(0)
                                               ? QStringLiteral("source")
                                               : w.OutSizeComboBox->currentText());
    parts << QStringLiteral("quality=%1/%2")
                 .arg(w.QualityComboBox->currentIndex())
                 .arg(w.QualityTrackBar->value());
    parts << QStringLiteral("aspect=%1").arg(int(w.SameAspectRationPMenu->isChecked()));
    parts << QStringLiteral("auto=%1%2%3%4")
                 .arg(int(w.isAutoMode))
                 .arg(int(w.AutoTimer->isActive()))
                 .arg(w.AutoTimerTag)
                 .arg(int(w.CloseOnCompleteFlag));
    parts << QStringLiteral("did=%1").arg(w.ConvertForPM_DID);
    parts << QStringLiteral("app=%1").arg(w.ConvertForAppName);
    return parts.join(u' ');
}

#pragma once

// The main window in a temporary program folder, driven through whole
// conversion runs as a user would, with helpers to act inside a run's waits.

#include "app/settings/QBXRegistry.h"
#include "conversion/EncoderProgram.h"
#include "localization/TextIds.h"
#include "support/Sound.h"
#include "testsupport/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/MainForm.h"
#include "ui/widgets/DropFileEdit.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

// A program folder holding copies of the built data files, with the
// interface in English and the result sounds recorded instead of played.
class TRunProgram
{
public:
    TRunProgram()
        : FFolder({QStringLiteral("Languages"), QStringLiteral("Sounds"),
                   QStringLiteral("presets.xml")})
    {
        TQBXRegistry(TMainForm::AppTitle).WriteStringPar(QStringLiteral("Language"), "English");
        SetSoundPlayer([this](const QString &_file) { Sounds << QFileInfo(_file).fileName(); });
        TDialogs::SetTestMode(true);
        TDialogs::ResetForTest();
    }
    ~TRunProgram()
    {
        SetSoundPlayer({});
        SetEncoderProgram(QString());
    }

    QString Path(const QString &_name) const { return FFolder.Path(_name); }
    bool Valid() const { return FFolder.Valid(); }

    QStringList Sounds;

private:
    TProgramCopy FFolder;
};

// A message of section GeneralMessages as the window shows it.
inline QString Message(const TMainForm &_form, TMessageIndex _index)
{
    return _form.LNGA.value(_index);
}

// Runs _act once, inside the waits of a running step, as soon as _ready holds.
class TWhen
{
public:
    TWhen(std::function<bool()> _ready, std::function<void()> _act)
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this, _ready, _act]() {
            if (Done || !_ready())
                return;
            Done = true;
            FTimer.stop();
            _act();
        });
        FTimer.start(10);
    }
    bool Done = false;

private:
    QTimer FTimer;
};

// Temporary files of runs still lying about: progress files and concat lists
// in the data folder, joined files in the output folder.
inline QStringList LeftTemporaries(const TMainForm &_form, const QString &_outDir)
{
    QStringList left;
    for (const QFileInfo &entry :
         QDir(_form.AppDataDir).entryInfoList({"progress*.txt", "concat*.txt"}, QDir::Files))
        left << entry.filePath();
    for (const QFileInfo &entry : QDir(_outDir).entryInfoList({"*.VOB"}, QDir::Files))
        left << entry.filePath();
    return left;
}

// Temporary files a run left behind: those found after it that were not
// there before it (the concat list of the chosen source is the run's own).
class TNewTemporaries
{
public:
    void Before(const TMainForm &_form, const QString &_outDir)
    {
        FStale = LeftTemporaries(_form, _outDir);
        FStale.removeAll(_form.VideoSourceInfo.vsConcatTXTFileName);
    }
    QStringList After(const TMainForm &_form, const QString &_outDir) const
    {
        QStringList left = LeftTemporaries(_form, _outDir);
        for (const QString &stale : FStale)
            left.removeAll(stale);
        return left;
    }

private:
    QStringList FStale;
};

// Chooses a format as the user does from the format box.
inline void ChooseFormat(TMainForm &_form, const QString &_format)
{
    const int index = _form.OutFormatComboBox->findText(_format);
    QVERIFY2(index >= 0, qPrintable(_format));
    _form.OutFormatComboBox->setCurrentIndex(index);
    _form.OutFormatComboBoxChange();
}

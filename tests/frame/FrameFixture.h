#pragma once

// A program folder of our own with the shipped data copied in, the settings
// of the test's isolated store, and a compact view of what the window shows.

#include "app/settings/QBXRegistry.h"
#include "conversion/EncoderProgram.h"
#include "localization/LanguageDefaults.h"
#include "testsupport/TestSupport.h"
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

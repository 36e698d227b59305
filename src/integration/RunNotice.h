#pragma once

#include "integration/DesktopNotification.h"
#include "localization/Language.h"

// The notice at the end of a conversion run.

// Runs shorter than this end while the user still waits for them.
inline constexpr qint64 RunNoticeAfterMs = 10000;

// The action keys of the notice; they do what the two output buttons do.
inline constexpr QLatin1StringView RunNoticeOpen("open");
inline constexpr QLatin1StringView RunNoticeShowInFolder("show");

// Whether a run that ended deserves a notice: it took long enough for the
// user to turn to something else, and the user did. An automatic run that
// closes the window when done tells its download manager instead, and the
// window would be gone before an action could reach it.
bool RunNoticeWanted(qint64 _elapsedMs, bool _windowActive, bool _closesWhenDone,
                     qint64 _afterMs = RunNoticeAfterMs);

// The outcome's status text as the summary; the output's file name and how
// long the run took as the body. A run that made its file offers to open it
// or show it in its folder; the notice's tag is the output's path.
TNotice BuildRunNotice(const QString &_outcomeText, bool _succeeded, const QString &_outFileName,
                       qint64 _elapsedMs, const TLanguage &_language);

#pragma once

#include <QString>

// Tells the download manager _AppName ("Pelmora" or "Quillarax") that its job
// _JobId has been converted into _OutputPath. The path, made absolute, goes
// into that manager's settings as "conv_for_<job>" first; then a running manager (one
// with a positive "ApplicationHandle" that owns the session-bus name
// com.qbx.<AppName>) gets the broadcast signal ConversionComplete(job), and
// any other is started from its "ExeFile" with "-convcomplete=<job>".
//
// True when the notice was delivered: the caller then forgets the job
// (ConvertForPM_DID := 0). A job number of 0 or less, or an output file that
// is not there, touches nothing. Never shows anything and never waits for the
// download manager.
bool NotifyDownloadManager(const QString &_AppName, int _JobId, const QString &_OutputPath);

// The notice's D-Bus names.
inline constexpr char ConversionCompletePath[] = "/com/qbx/Frobnik";
inline constexpr char ConversionCompleteInterface[] = "com.qbx.Frobnik";
inline constexpr char ConversionCompleteSignal[] = "ConversionComplete";

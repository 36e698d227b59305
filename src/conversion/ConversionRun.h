#pragma once

#include "conversion/ChildRunner.h"
#include "conversion/ConversionSettings.h"
#include "conversion/SourceInfo.h"

#include <QString>

class TDevicePresets;

// How a conversion run ended. Everything the user and a caller learn of a
// run (status text, sound, the download manager's notice, closing, the exit
// status of an unattended run) is decided from this value.
enum class TRunOutcome
{
    Refused,          // nothing ran: the output name is taken, or the arguments were refused
    Cancelled,        // the user (or a signal) asked to stop and the run stopped
    EmptyOutput,      // the encoder left an empty file
    NoOutput,         // no output file, or the encoder failed
    IncompleteOutput, // a file much shorter than the source; kept for the user to judge
    Converted,
};

// Message ids of section GeneralMessages that a run shows.
inline constexpr int msgOutputExists = 13012;
inline constexpr int msgConverting = 13013;
inline constexpr int msgCancelled = 13014;
inline constexpr int msgEmptyOutput = 13015;
inline constexpr int msgNoOutput = 13016;
inline constexpr int msgConverted = 13017;
inline constexpr int msgJoining = 13019;
inline constexpr int msgPreparing = 13020;
inline constexpr int msgIncompleteOutput = 13021;

// The status message of an outcome; 0 for Refused, which changes no status.
int OutcomeMessageId(TRunOutcome _outcome);
// "converted.wav" or "error.wav"; empty for Refused.
QString OutcomeSoundName(TRunOutcome _outcome);

// An output this much shorter than its source is not a conversion of it:
// more than 5% and more than a second missing.
bool IsIncompleteOutput(qint64 _sourceMs, qint64 _outputMs);

// What a run shows of a step's progress.
struct TRunProgress
{
    int Percent = 0; // the bar's position
    bool Join = false;
    // Only while the encoder runs: its output time so far and its speed as a
    // multiple of real time (0 when unknown); -1 when not known.
    qint64 OutTimeMs = -1;
    qint64 TotalMs = 0;
    double Speed = 0;
};

// What the window (or any other front end) learns of a run while it goes.
class IRunObserver
{
public:
    virtual ~IRunObserver() = default;
    // The run will not start: _messageId is the refusal (the output name is
    // taken, "%1" = _fileName; or the builder's refusal with an empty name).
    virtual void RunRefused(int _messageId, const QString &_fileName) = 0;
    // The run holds another output name (a numbered one in automatic mode).
    virtual void RunOutputNameChanged(const QString &) {}
    // The output name is held; the run goes on.
    virtual void RunAccepted() {}
    // The status line: the message, then a blank and _suffix when not empty.
    virtual void RunStatus(int _messageId, const QString &_suffix) = 0;
    // The steps begin (the window disables what could start a second run)
    // and end (clean-up done, before the outcome).
    virtual void RunStepsStarting() {}
    virtual void RunStepsEnded() {}
    virtual void RunProgress(const TRunProgress &_progress) = 0;
    // The keep-sound option was dropped for the second try.
    virtual void RunKeepSoundDropped() {}
};

// What one run is asked to do.
struct TRunRequest
{
    TConversionSettings Settings; // taken from the controls before the run
    const TDevicePresets *Presets = nullptr;
    QString AppDataDir; // ends with a separator
    bool AutoMode = false;
    // The bar's position when the run starts, for the stalled-progress rule.
    int ShownPercent = 0;
};

// One conversion, from the output-name check to the outcome: it holds the
// output name, builds the arguments, probes when the source changed, joins a
// folder byte-wise when its files need it, runs the encoder with progress,
// tries once more without kept sound streams, removes its temporary files
// and decides the outcome. No widget is touched; the observer shows it all.
// Synchronous: Run returns when the run is over, and events are serviced
// inside its waits, so Cancel can come from a button or a signal handler.
class TConversionRun
{
public:
    TConversionRun();
    ~TConversionRun();

    TRunOutcome Run(const TRunRequest &_request, TVSourceInfo &_source, IRunObserver &_observer);

    // Asks the running step to stop; the run then ends as cancelled. Outside
    // a run it does nothing (a stop belongs to the run it was asked in).
    void Cancel();
    bool Running() const { return FRunning; }
    // Whether the current (or last) run was asked to stop.
    bool CancelRequested() const { return FCancelRequested; }

    // Paths of the current or last run, for display and tests.
    QString OutFileName() const { return FOutFileName; }
    QString ProgressFileName() const { return FProgressFileName; }
    QString CopyVOBFileName() const { return FCopyVOBFileName; }
    // The argument texts of the encoder starts of the last run, in order.
    QStringList EncoderArguments() const { return FEncoderArguments; }

    // Time a stopped child gets to end before it is killed.
    void SetTerminateGraceMs(int _ms) { FGraceMs = _ms; }

    // One 200 ms wait of a running step: every fifth one reads the progress
    // and shows it. Public so that the progress rules can be checked without
    // a child: BeginStep first, then one call per wait.
    void BeginStep(int _shownPercent);
    void Poll(TStepKind _kind, const TVSourceInfo &_source, IRunObserver &_observer);
    // The progress file the encoder step reads (set by Run; tests set it).
    void SetProgressFileName(const QString &_fileName) { FProgressFileName = _fileName; }

private:
    // Runs one step and follows it: the child's result, StepCancelledResult
    // when a stop was asked, 0 when it could not be started.
    int RunWithProgress(const TChildCommand &_command, TStepKind _kind, const TVSourceInfo &_source,
                        IRunObserver &_observer, bool *_started);
    void ShowProgress(IRunObserver &_observer, const TRunProgress &_progress);
    // Encoder starts of one run, with their arguments remembered.
    int RunEncoder(const QString &_arguments, const TVSourceInfo &_source, IRunObserver &_observer,
                   bool *_started);
    void NoteOutputIdentity();
    void DeleteOwnOutput();

    bool FRunning = false;
    bool FCancelRequested = false;
    bool FStopPending = false;
    TChildRunner *FStep = nullptr;
    // The output of a stopped step is thrown away, so the encoder gets only
    // a moment to end by itself (it would flush and finish the file first).
    int FGraceMs = 100;
    // Waits counted over the program's life, so a step's first update comes
    // after one to five waits.
    int FPolls = 0;
    int FUpdates = 0;
    bool FStalled = false;
    int FLastPosition = 0;
    int FShownPercent = 0;

    QString FOutFileName;
    QString FProgressFileName;
    QString FCopyVOBFileName;
    QStringList FEncoderArguments;
    // Device and inode of the output once this run's encoder has made it.
    QByteArray FOutputIdentity;
    // No file was at the output name when the encoder was started.
    bool FOutputMayBeOurs = false;
};

#include "integration/RunNotice.h"

#include "localization/RunTexts.h"
#include "localization/TextIds.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

bool RunNoticeWanted(qint64 _elapsedMs, bool _windowActive, bool _closesWhenDone, qint64 _afterMs)
{
    return _elapsedMs >= _afterMs && !_windowActive && !_closesWhenDone;
}

TNotice BuildRunNotice(const QString &_outcomeText, bool _succeeded, const QString &_outFileName,
                       qint64 _elapsedMs, const TLanguage &_language)
{
    TNotice notice;
    notice.nSummary = _outcomeText;
    notice.nBody =
        ExtractFileName(_outFileName) + u'\n' +
        SubstituteParams(_language.Get(TextIds::TimeTaken), DurationText(_elapsedMs, _language));
    notice.nTag = _outFileName;
    notice.nCategory =
        _succeeded ? QStringLiteral("transfer.complete") : QStringLiteral("transfer.error");
    if (_succeeded)
        notice.nActions = {
            {QString(RunNoticeOpen), _language.Get(TextIds::OpenAction)},
            {QString(RunNoticeShowInFolder), _language.Get(TextIds::ShowInFolderAction)}};
    return notice;
}

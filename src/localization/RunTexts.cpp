#include "localization/RunTexts.h"

#include "localization/TextIds.h"
#include "support/TextUtils.h"

#include <cmath>

namespace {

constexpr qint64 Second = 1000;
constexpr qint64 Minute = 60 * Second;

QString Fill(const TLanguage &_language, const TTextId &_id, qint64 _a, qint64 _b = -1)
{
    return SubstituteParams(_language.Get(_id), QString::number(_a),
                            _b >= 0 ? QString::number(_b) : QString());
}

QString HoursMinutes(qint64 _minutes, const TLanguage &_language)
{
    return Fill(_language, TextIds::HoursMinutes, _minutes / 60, _minutes % 60);
}

// Time left is a guess: whole minutes, or five-second steps under a minute,
// so the tooltip does not flicker with every reading.
QString RoughDuration(qint64 _ms, const TLanguage &_language)
{
    if (_ms < Minute) {
        const qint64 seconds = std::max<qint64>(5, (_ms + 5 * Second - 1) / (5 * Second) * 5);
        return seconds < 60 ? Fill(_language, TextIds::Seconds, seconds)
                            : Fill(_language, TextIds::Minutes, 1);
    }
    const qint64 minutes = (_ms + Minute / 2) / Minute;
    return minutes < 60 ? Fill(_language, TextIds::Minutes, minutes)
                        : HoursMinutes(minutes, _language);
}

QString SpeedText(double _speed, const QLocale &_locale)
{
    // One decimal where it tells something, none for fast runs.
    return _locale.toString(_speed, 'f', _speed < 10 ? 1 : 0);
}

} // namespace

QLocale LanguageLocale(const QString &_languageName)
{
    for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage; ++l) {
        const auto language = static_cast<QLocale::Language>(l);
        if (QLocale::languageToString(language) == _languageName)
            return QLocale(language);
    }
    return QLocale::c();
}

QString DurationText(qint64 _ms, const TLanguage &_language)
{
    const qint64 seconds = std::max<qint64>(0, (_ms + Second / 2) / Second);
    if (seconds < 60)
        return Fill(_language, TextIds::Seconds, seconds);
    if (seconds < 3600)
        return Fill(_language, TextIds::MinutesSeconds, seconds / 60, seconds % 60);
    return HoursMinutes(seconds / 60, _language);
}

QString TimeLeftText(qint64 _outTimeMs, qint64 _totalMs, double _speed, const TLanguage &_language,
                     const QLocale &_locale)
{
    if (!(_speed > 0) || !std::isfinite(_speed))
        return QString();
    const QString speed = SpeedText(_speed, _locale);
    if (_totalMs <= 0)
        return SubstituteParams(_language.Get(TextIds::SpeedOnly), speed);
    const qint64 remaining = std::max<qint64>(0, _totalMs - std::max<qint64>(0, _outTimeMs));
    const auto wall = static_cast<qint64>(std::llround(double(remaining) / _speed));
    return SubstituteParams(_language.Get(TextIds::TimeLeft), RoughDuration(wall, _language),
                            speed);
}

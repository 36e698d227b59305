#pragma once

#include "localization/Language.h"

#include <QLocale>
#include <QString>

// Texts about the time a conversion takes, made from the language file's
// patterns; numbers are written in the language's own way.

// The locale of a language file's name ("Russian" gives ru_RU); C for a name
// that names no language Qt knows.
QLocale LanguageLocale(const QString &_languageName);

// A length of time as the user reads it: "45 s", "2 min 5 s", "1 h 5 min".
QString DurationText(qint64 _ms, const TLanguage &_language);

// The progress bar's tooltip while the encoder runs: "About 2 min left, 3.1x",
// from how far the encoder has got in the source's time line (_outTimeMs of
// _totalMs) and its speed as a multiple of real time. Only the speed when the
// source's length is not known; empty before the encoder reports a speed.
QString TimeLeftText(qint64 _outTimeMs, qint64 _totalMs, double _speed, const TLanguage &_language,
                     const QLocale &_locale);

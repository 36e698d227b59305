#pragma once

#include <QString>
#include <QStringList>

// Content of the first element <Tag>...</Tag> of Text; with RemoveFound the
// element (or the first <Tag/>) is cut out of Text so the next call finds the
// next one. Never fails: anything unusable gives an empty text.
QString ExtractTagValue(QString &_text, const QString &_tag, bool _removeFound);

// Fills "%1".."%4": "%1" always (an empty P1 removes the marker), the others
// only when their value is not empty. Only the first occurrence of each.
QString SubstituteParams(const QString &Template, const QString &P1 = QString(),
                         const QString &P2 = QString(), const QString &P3 = QString(),
                         const QString &P4 = QString());

// Text to integer: leading blanks, optional sign, decimal or "$"/"0x"
// hexadecimal. Anything else (a trailing blank, overflow, empty) gives Default.
int StrToIntDef(const QString &_s, int _default);
// The same, with the outcome told apart from a text that happens to hold Default.
bool TryStrToInt(const QString &_s, int &_value);

// Case changes that touch only the ASCII letters.
QString AsciiUpperCase(const QString &_s);
QString AsciiLowerCase(const QString &_s);

// The one splitting rule for command texts: blanks and control characters
// separate, double quotes group and are dropped, there is no escape.
QStringList SplitCommandText(const QString &_s);

// Removes blanks and control characters (everything up to U+0020) at both
// ends; a no-break space is part of the text.
QString TrimBlanksAndControls(QStringView _s);

// A byte-order mark chooses UTF-8, UTF-16 LE or UTF-16 BE (and is dropped);
// without one the bytes are read as DecodeLocalText reads them.
QString DecodeTextWithByteOrderMark(const QByteArray &_bytes);

// Bytes that are valid UTF-8 are read as UTF-8, anything else as Latin-1, so
// ASCII markers always survive.
QString DecodeLocalText(const QByteArray &_bytes);

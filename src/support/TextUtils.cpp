#include "support/TextUtils.h"

#include <QStringDecoder>
#include <limits>

QString ExtractTagValue(QString &_text, const QString &_tag, bool _removeFound)
{
    const QString openMarker = u'<' + _tag + u'>';
    const QString closeMarker = QStringLiteral("</") + _tag + u'>';
    const QString emptyMarker = u'<' + _tag + QStringLiteral("/>");

    const qsizetype open = _text.indexOf(openMarker);
    const qsizetype close = _text.indexOf(closeMarker);
    // The closing marker must start after the opening marker has ended; a
    // closing marker overlapping it ("<a/a>"-like texts) cannot happen because
    // both start with '<' and differ in the second character.
    if (open >= 0 && close >= 0 && close >= open + openMarker.size()) {
        const qsizetype start = open + openMarker.size();
        QString value = _text.mid(start, close - start);
        if (_removeFound)
            _text.remove(open, close + closeMarker.size() - open);
        return value;
    }
    const qsizetype empty = _text.indexOf(emptyMarker);
    if (empty >= 0 && _removeFound)
        _text.remove(empty, emptyMarker.size());
    return QString();
}

QString SubstituteParams(const QString &_template, const QString &_p1, const QString &_p2,
                         const QString &_p3, const QString &_p4)
{
    QString result = _template;
    auto replaceFirst = [&result](const QString &marker, const QString &value) {
        const qsizetype at = result.indexOf(marker);
        if (at >= 0)
            result.replace(at, marker.size(), value);
    };
    replaceFirst(QStringLiteral("%1"), _p1);
    if (!_p2.isEmpty())
        replaceFirst(QStringLiteral("%2"), _p2);
    if (!_p3.isEmpty())
        replaceFirst(QStringLiteral("%3"), _p3);
    if (!_p4.isEmpty())
        replaceFirst(QStringLiteral("%4"), _p4);
    return result;
}

bool TryStrToInt(const QString &_s, int &_value)
{
    qsizetype i = 0;
    const qsizetype n = _s.size();
    while (i < n && (_s[i] == u' ' || _s[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (_s[i] == u'+' || _s[i] == u'-')) {
        negative = _s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && _s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && _s[i] == u'0' && (_s[i + 1] == u'x' || _s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return false;
    // Decimal values must fit a signed 32-bit integer; hexadecimal ones may use
    // all 32 bits and wrap, as a 32-bit register would read them.
    const qint64 limit = base == 16 ? qint64(0xFFFFFFFF)
                                    : qint64(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
    qint64 acc = 0;
    for (; i < n; ++i) {
        const char16_t c = _s[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return false;
        acc = acc * base + digit;
        if (acc > limit)
            return false;
    }
    if (base == 16)
        acc = qint64(qint32(quint32(acc)));
    _value = int(negative ? -acc : acc);
    return true;
}

int StrToIntDef(const QString &_s, int _default)
{
    int value = 0;
    return TryStrToInt(_s, value) ? value : _default;
}

QString AsciiUpperCase(const QString &_s)
{
    QString r = _s;
    for (QChar &c : r)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return r;
}

QString AsciiLowerCase(const QString &_s)
{
    QString r = _s;
    for (QChar &c : r)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return r;
}

QStringList SplitCommandText(const QString &_s)
{
    QStringList args;
    QString current;
    bool inToken = false; // a quote alone ("") still makes an (empty) argument
    bool quoted = false;
    for (const QChar c : _s) {
        if (c == u'"') {
            quoted = !quoted;
            inToken = true;
        } else if (!quoted && c.unicode() <= 0x20) {
            if (inToken) {
                args.append(current);
                current.clear();
                inToken = false;
            }
        } else {
            current.append(c);
            inToken = true;
        }
    }
    if (inToken)
        args.append(current);
    return args;
}

QString DecodeLocalText(const QByteArray &_bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(_bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(_bytes);
}

QString TrimBlanksAndControls(QStringView _s)
{
    qsizetype b = 0, e = _s.size();
    while (b < e && _s[b].unicode() <= 0x20)
        ++b;
    while (e > b && _s[e - 1].unicode() <= 0x20)
        --e;
    return _s.mid(b, e - b).toString();
}

QString DecodeTextWithByteOrderMark(const QByteArray &_bytes)
{
    const QByteArrayView bytes(_bytes);
    auto decode = [&bytes](QStringConverter::Encoding encoding, qsizetype skip) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
        return QString(decoder.decode(bytes.sliced(skip)));
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decode(QStringConverter::Utf8, 3);
    if (bytes.startsWith("\xFF\xFE"))
        return decode(QStringConverter::Utf16LE, 2);
    if (bytes.startsWith("\xFE\xFF"))
        return decode(QStringConverter::Utf16BE, 2);
    return DecodeLocalText(_bytes);
}

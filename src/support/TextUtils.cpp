#include "support/TextUtils.h"

#include <QStringDecoder>
#include <limits>

QString ExtractTagValue(QString &Text, const QString &Tag, bool RemoveFound)
{
    const QString openMarker = u'<' + Tag + u'>';
    const QString closeMarker = QStringLiteral("</") + Tag + u'>';
    const QString emptyMarker = u'<' + Tag + QStringLiteral("/>");

    const qsizetype open = Text.indexOf(openMarker);
    const qsizetype close = Text.indexOf(closeMarker);
    // The closing marker must start after the opening marker has ended; a
    // closing marker overlapping it ("<a/a>"-like texts) cannot happen because
    // both start with '<' and differ in the second character.
    if (open >= 0 && close >= 0 && close >= open + openMarker.size()) {
        const qsizetype start = open + openMarker.size();
        QString value = Text.mid(start, close - start);
        if (RemoveFound)
            Text.remove(open, close + closeMarker.size() - open);
        return value;
    }
    const qsizetype empty = Text.indexOf(emptyMarker);
    if (empty >= 0 && RemoveFound)
        Text.remove(empty, emptyMarker.size());
    return QString();
}

QString SubstituteParams(const QString &Template, const QString &P1, const QString &P2,
                         const QString &P3, const QString &P4)
{
    QString result = Template;
    auto replaceFirst = [&result](const QString &marker, const QString &value) {
        const qsizetype at = result.indexOf(marker);
        if (at >= 0)
            result.replace(at, marker.size(), value);
    };
    replaceFirst(QStringLiteral("%1"), P1);
    if (!P2.isEmpty())
        replaceFirst(QStringLiteral("%2"), P2);
    if (!P3.isEmpty())
        replaceFirst(QStringLiteral("%3"), P3);
    if (!P4.isEmpty())
        replaceFirst(QStringLiteral("%4"), P4);
    return result;
}

bool TryStrToInt(const QString &S, int &Value)
{
    qsizetype i = 0;
    const qsizetype n = S.size();
    while (i < n && (S[i] == u' ' || S[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (S[i] == u'+' || S[i] == u'-')) {
        negative = S[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && S[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && S[i] == u'0' && (S[i + 1] == u'x' || S[i + 1] == u'X')) {
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
        const char16_t c = S[i].unicode();
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
    Value = int(negative ? -acc : acc);
    return true;
}

int StrToIntDef(const QString &S, int Default)
{
    int value = 0;
    return TryStrToInt(S, value) ? value : Default;
}

QString AsciiUpperCase(const QString &S)
{
    QString r = S;
    for (QChar &c : r)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return r;
}

QString AsciiLowerCase(const QString &S)
{
    QString r = S;
    for (QChar &c : r)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return r;
}

QStringList SplitCommandText(const QString &S)
{
    QStringList args;
    QString current;
    bool inToken = false; // a quote alone ("") still makes an (empty) argument
    bool quoted = false;
    for (const QChar c : S) {
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

QString DecodeLocalText(const QByteArray &Bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(Bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(Bytes);
}

QString TrimBlanksAndControls(QStringView S)
{
    qsizetype b = 0, e = S.size();
    while (b < e && S[b].unicode() <= 0x20)
        ++b;
    while (e > b && S[e - 1].unicode() <= 0x20)
        --e;
    return S.mid(b, e - b).toString();
}

QString DecodeTextWithByteOrderMark(const QByteArray &Bytes)
{
    const QByteArrayView bytes(Bytes);
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
    return DecodeLocalText(Bytes);
}

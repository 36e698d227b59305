#include "presets/DevicePresets.h"

#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QStringDecoder>

namespace {

const QString kRootOpen = QStringLiteral("<presets");
const QString kRootClose = QStringLiteral("</presets>");
const QString kDeviceOpen = QStringLiteral("<device>");
const QString kDeviceClose = QStringLiteral("</device>");

QString NormaliseLineBreaks(const QString &_text)
{
    QString result;
    result.reserve(_text.size() + _text.size() / 16 + 2);
    const qsizetype n = _text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = _text[i];
        if (c == u'\r') {
            if (i + 1 < n && _text[i + 1] == u'\n')
                ++i;
            result += QStringLiteral("\r\n");
        } else if (c == u'\n') {
            result += QStringLiteral("\r\n");
        } else {
            result += c;
        }
    }
    if (!result.isEmpty() && !result.endsWith(QStringLiteral("\r\n")))
        result += QStringLiteral("\r\n");
    return result;
}

} // namespace

QString DecodePresetText(const QByteArray &_bytes)
{
    return NormaliseLineBreaks(DecodeTextWithByteOrderMark(_bytes));
}

TDevPreset::TDevPreset(const QString &_xmlString)
{
    QString rest = _xmlString;
    ID = StrToIntDef(ExtractTagValue(rest, QStringLiteral("id"), true), 0);
    Name = ExtractTagValue(rest, QStringLiteral("name"), true);
    Params = ExtractTagValue(rest, QStringLiteral("params"), true);
    Extension = ExtractTagValue(rest, QStringLiteral("extension"), true);
    idName = AsciiLowerCase(Name).remove(u' ');
    // Whatever elements are left, those named "name_<language>" are names;
    // a file has a few at most, so a hostile one cannot make reading slow.
    constexpr int MaxLocalNames = 32;
    const QString prefix = QStringLiteral("<name_");
    qsizetype at = rest.indexOf(prefix);
    for (int seen = 0; at >= 0 && seen < MaxLocalNames; ++seen) {
        const qsizetype end = rest.indexOf(u'>', at);
        if (end < 0)
            break;
        const QString tag = rest.mid(at + 1, end - at - 1);
        const QString closing = QStringLiteral("</") + tag + u'>';
        const qsizetype close = tag.contains(u'<') ? -1 : rest.indexOf(closing, end + 1);
        const QString language = tag.mid(prefix.size() - 1);
        if (close >= 0) {
            const QString name = rest.mid(end + 1, close - end - 1).trimmed();
            if (!name.isEmpty() && !language.isEmpty() && !LocalNames.contains(language))
                LocalNames.insert(language, name);
        }
        at = rest.indexOf(prefix, end + 1);
    }
}

QString TDevPreset::DisplayName(const QString &_language) const
{
    return LocalNames.value(_language, Name);
}

TDevicePresets::TDevicePresets(const QString &_xmlFileName)
{
    LoadPresets(_xmlFileName);
}

bool TDevicePresets::LoadPresets(const QString &_fileName)
{
    Clear();
    if (!FileExists(_fileName))
        return false;
    // A FIFO in the file's place must not hold the start-up for ever, nor a
    // link to an endless device eat the memory: such a file gives no presets.
    QByteArray bytes;
    if (ReadRegularFile(_fileName, MaxFileSize, bytes))
        LoadFromBytes(bytes);
    return true;
}

void TDevicePresets::LoadFromBytes(const QByteArray &_bytes)
{
    Clear();
    QString text = DecodePresetText(_bytes);

    // The root tag goes with one character after its name, whatever that
    // character is; without a root tag the first nine characters go.
    const qsizetype root = text.indexOf(kRootOpen);
    text.remove(0, root >= 0 ? root + kRootOpen.size() + 1 : kRootOpen.size() + 1);
    const qsizetype rootEnd = text.indexOf(kRootClose);
    if (rootEnd >= 0)
        text.truncate(rootEnd);

    text = TrimBlanksAndControls(text);

    // Instead of cutting consumed text off the front, a start offset moves
    // on, and the positions of the next tags are remembered while they still
    // lie ahead of it: a large file is then read in linear time.
    qsizetype start = 0;
    qsizetype open = -1;
    qsizetype close = -1;
    for (;;) {
        if (open < start)
            open = text.indexOf(kDeviceOpen, start);
        if (open < 0)
            break;
        if (close < start)
            close = text.indexOf(kDeviceClose, start);
        // An opening tag that is never closed yields no preset, and neither
        // does any later one, since nothing closes them either.
        if (close < 0)
            break;
        if (close > open) {
            const qsizetype from = open + kDeviceOpen.size();
            TDevPreset preset(text.mid(from, close - from));
            if (preset.ID > 0)
                ListDevices.push_back(std::move(preset));
        }
        start = close + kDeviceClose.size();
    }
}

void TDevicePresets::Clear()
{
    ListDevices.clear();
}

int TDevicePresets::Count() const
{
    return int(ListDevices.size());
}

const TDevPreset *TDevicePresets::Device(int _index) const
{
    if (_index < 0 || _index >= Count())
        return nullptr;
    return &ListDevices[size_t(_index)];
}

const TDevPreset *TDevicePresets::GetDeviceByID(int _id) const
{
    for (const TDevPreset &preset : ListDevices)
        if (preset.ID == _id)
            return &preset;
    return nullptr;
}

int TDevicePresets::GetDeviceIDByName(const QString &_idName) const
{
    for (const TDevPreset &preset : ListDevices)
        if (preset.idName == _idName)
            return preset.ID;
    return -1;
}

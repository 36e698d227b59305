#include "app/settings/QBXRegistry.h"

#include "support/TextUtils.h"

#include <QIODevice>
#include <QMap>
#include <QSettings>
#include <QStringList>

#include <memory>

namespace {

// The INI files of this store are classic ones: "[section]" headers and raw
// "name=value" lines, so a section named with its leading backslash reads
// and writes as written ("[\Frobnik]"), which Qt's own INI format would
// escape and move about.
bool ReadClassicIni(QIODevice &_device, QSettings::SettingsMap &_map)
{
    QByteArray bytes = _device.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString text = DecodeLocalText(bytes);
    QString section;
    for (QStringView rawLine : QStringView(text).split(u'\n')) {
        if (rawLine.endsWith(u'\r'))
            rawLine.chop(1);
        const QString line = rawLine.trimmed().toString();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = rawLine.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString name = rawLine.left(eq).trimmed().toString();
        if (name.isEmpty())
            continue;
        const QString key = section.isEmpty() ? name : section + u'/' + name;
        // The first entry of a name counts, as the profile functions read it.
        if (!_map.contains(key))
            _map.insert(key, rawLine.mid(eq + 1).toString());
    }
    return true;
}

bool WriteClassicIni(QIODevice &_device, const QSettings::SettingsMap &_map)
{
    // Top-level names first, then one block per section, in key order.
    QMap<QString, QStringList> sections;
    for (auto it = _map.cbegin(); it != _map.cend(); ++it) {
        const QString value = it.value().toString();
        // One line per value: a line break would split it into garbage.
        if (value.contains(u'\r') || value.contains(u'\n'))
            return false;
        const qsizetype slash = it.key().indexOf(u'/');
        const QString section = slash < 0 ? QString() : it.key().left(slash);
        const QString name = slash < 0 ? it.key() : it.key().mid(slash + 1);
        sections[section].append(name + u'=' + value);
    }
    QString out;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
        if (!it.key().isEmpty()) {
            if (!out.isEmpty())
                out += u'\n';
            out += u'[' + it.key() + QStringLiteral("]\n");
        }
        for (const QString &line : it.value())
            out += line + u'\n';
    }
    return _device.write(out.toUtf8()) >= 0;
}

QSettings::Format ClassicIniFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("ini"), ReadClassicIni, WriteClassicIni);
    return format;
}

QString VariantText(const QVariant &_v)
{
    // A hand-edited "a, b" comes back from the native INI reader as a list.
    if (_v.typeId() == QMetaType::QStringList)
        return _v.toStringList().join(QStringLiteral(", "));
    return _v.toString();
}

// One short-lived handle per operation; its destructor writes pending
// changes, and sync() beforehand lets the caller see whether that worked.
class TStoreAccess
{
public:
    TStoreAccess(const TQBXRegistry &_store, bool _useIni)
        : Settings(_useIni
                       ? std::make_unique<QSettings>(_store.GetIniFileName(), ClassicIniFormat())
                       : std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                     QStringLiteral("qbx"),
                                                     _store.GetProgName().mid(1)))
    {
        // The registry has no inheritance between keys; neither does this _store.
        Settings->setFallbacksEnabled(false);
        if (_useIni)
            Settings->beginGroup(_store.GetIniFileSection());
    }
    bool Commit()
    {
        Settings->sync();
        return Settings->status() == QSettings::NoError;
    }
    std::unique_ptr<QSettings> Settings;
};

} // namespace

TQBXRegistry::TQBXRegistry(const QString &_programName, bool _UseIniFile,
                           const QString &_IniFileName)
{
    ProgName = _programName.startsWith(u'\\') ? _programName : u'\\' + _programName;
    CurrentQBXKey = QStringLiteral("\\Software\\qbx") + ProgName;
    UseIniFile = _UseIniFile && !_IniFileName.isEmpty();
    if (UseIniFile) {
        IniFileName = _IniFileName;
        IniFileSection = ProgName;
    }
}

bool TQBXRegistry::WriteStringPar(const QString &_name, const QString &_value, bool _ToRegistryOnly)
{
    if (_name.isEmpty())
        return false;
    TStoreAccess access(*this, InIni(_ToRegistryOnly));
    if (!access.Settings->isWritable())
        return false;
    access.Settings->setValue(_name, _value);
    return access.Commit();
}

QString TQBXRegistry::ReadStringPar(const QString &_name, bool _FromRegistryOnly) const
{
    if (_name.isEmpty())
        return QString();
    TStoreAccess access(*this, InIni(_FromRegistryOnly));
    return VariantText(access.Settings->value(_name));
}

bool TQBXRegistry::DeleteStringPar(const QString &_name)
{
    if (_name.isEmpty())
        return false;
    TStoreAccess access(*this, InIni(false));
    if (!access.Settings->contains(_name) || !access.Settings->isWritable())
        return false;
    access.Settings->remove(_name);
    return access.Commit();
}

int TQBXRegistry::ReadIntPar(const QString &_name, int _default) const
{
    return StrToIntDef(ReadStringPar(_name), _default);
}

bool TQBXRegistry::WriteIntPar(const QString &_name, int _value)
{
    return WriteStringPar(_name, QString::number(_value));
}

bool TQBXRegistry::ReadBoolPar(const QString &_name, bool _default) const
{
    int value = 0;
    if (!TryStrToInt(ReadStringPar(_name), value))
        return _default;
    return value == 1;
}

bool TQBXRegistry::WriteBoolPar(const QString &_name, bool _value)
{
    return WriteStringPar(_name, _value ? QStringLiteral("1") : QStringLiteral("0"));
}

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
bool ReadClassicIni(QIODevice &device, QSettings::SettingsMap &map)
{
    QByteArray bytes = device.readAll();
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
        if (!map.contains(key))
            map.insert(key, rawLine.mid(eq + 1).toString());
    }
    return true;
}

bool WriteClassicIni(QIODevice &device, const QSettings::SettingsMap &map)
{
    // Top-level names first, then one block per section, in key order.
    QMap<QString, QStringList> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
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
    return device.write(out.toUtf8()) >= 0;
}

QSettings::Format ClassicIniFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("ini"), ReadClassicIni, WriteClassicIni);
    return format;
}

QString VariantText(const QVariant &v)
{
    // A hand-edited "a, b" comes back from the native INI reader as a list.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

// One short-lived handle per operation; its destructor writes pending
// changes, and sync() beforehand lets the caller see whether that worked.
class TStoreAccess
{
public:
    TStoreAccess(const TQBXRegistry &store, bool useIni)
        : Settings(useIni ? std::make_unique<QSettings>(store.GetIniFileName(), ClassicIniFormat())
                          : std::make_unique<QSettings>(QSettings::NativeFormat,
                                                        QSettings::UserScope, QStringLiteral("qbx"),
                                                        store.GetProgName().mid(1)))
    {
        // The registry has no inheritance between keys; neither does this store.
        Settings->setFallbacksEnabled(false);
        if (useIni)
            Settings->beginGroup(store.GetIniFileSection());
    }
    bool Commit()
    {
        Settings->sync();
        return Settings->status() == QSettings::NoError;
    }
    std::unique_ptr<QSettings> Settings;
};

} // namespace

TQBXRegistry::TQBXRegistry(const QString &programName, bool _UseIniFile,
                           const QString &_IniFileName)
{
    ProgName = programName.startsWith(u'\\') ? programName : u'\\' + programName;
    CurrentQBXKey = QStringLiteral("\\Software\\qbx") + ProgName;
    UseIniFile = _UseIniFile && !_IniFileName.isEmpty();
    if (UseIniFile) {
        IniFileName = _IniFileName;
        IniFileSection = ProgName;
    }
}

bool TQBXRegistry::WriteStringPar(const QString &Name, const QString &Value, bool _ToRegistryOnly)
{
    if (Name.isEmpty())
        return false;
    TStoreAccess access(*this, InIni(_ToRegistryOnly));
    if (!access.Settings->isWritable())
        return false;
    access.Settings->setValue(Name, Value);
    return access.Commit();
}

QString TQBXRegistry::ReadStringPar(const QString &Name, bool _FromRegistryOnly) const
{
    if (Name.isEmpty())
        return QString();
    TStoreAccess access(*this, InIni(_FromRegistryOnly));
    return VariantText(access.Settings->value(Name));
}

bool TQBXRegistry::DeleteStringPar(const QString &Name)
{
    if (Name.isEmpty())
        return false;
    TStoreAccess access(*this, InIni(false));
    if (!access.Settings->contains(Name) || !access.Settings->isWritable())
        return false;
    access.Settings->remove(Name);
    return access.Commit();
}

int TQBXRegistry::ReadIntPar(const QString &Name, int _default) const
{
    return StrToIntDef(ReadStringPar(Name), _default);
}

bool TQBXRegistry::WriteIntPar(const QString &Name, int Value)
{
    return WriteStringPar(Name, QString::number(Value));
}

bool TQBXRegistry::ReadBoolPar(const QString &Name, bool _default) const
{
    int value = 0;
    if (!TryStrToInt(ReadStringPar(Name), value))
        return _default;
    return value == 1;
}

bool TQBXRegistry::WriteBoolPar(const QString &Name, bool Value)
{
    return WriteStringPar(Name, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

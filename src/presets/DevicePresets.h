#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <vector>

// One device preset: a named set of encoder arguments with its own output
// extension.
class TDevPreset
{
public:
    int ID = 0;
    QString Name;
    // Name with ASCII A-Z lowered and every blank removed; the lookup key.
    QString idName;
    QString Params;
    // Without the dot.
    QString Extension;
    // The device's name in another interface language, from an element
    // "name_<language>" such as <name_Russian>; none for a name that is the
    // same in every language.
    QMap<QString, QString> LocalNames;

    // The name to show in the interface language _language (a language
    // file's name): its own one if the preset has it, otherwise Name.
    QString DisplayName(const QString &_language) const;

    TDevPreset() = default;
    // Reads the children of one device element (the text between <device>
    // and </device>). Missing or unusable children leave their field empty
    // (ID 0).
    explicit TDevPreset(const QString &_xmlString);
};

// The presets of presets.xml in file order. Read once; lookups are linear and
// return the first match. Pointers handed out stay valid until Clear or
// destruction.
class TDevicePresets
{
public:
    TDevicePresets() = default;
    // Never fails: a missing or malformed file gives a short or empty list.
    explicit TDevicePresets(const QString &_xmlFileName);
    // A larger file is not read; nobody writes presets by the megabyte.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    // Replaces the list with the presets found in the file's raw bytes.
    void LoadFromBytes(const QByteArray &_bytes);
    void Clear();

    int Count() const;
    // Null outside 0 .. Count() - 1.
    const TDevPreset *Device(int _index) const;
    // Null when no preset carries _id.
    const TDevPreset *GetDeviceByID(int _id) const;
    // Exact, case-sensitive match on idName; -1 when there is none.
    int GetDeviceIDByName(const QString &_idName) const;

private:
    bool LoadPresets(const QString &_fileName);

    std::vector<TDevPreset> ListDevices;
};

// The file's bytes as text: a byte-order mark selects UTF-8 or UTF-16 LE/BE,
// otherwise UTF-8 with a Latin-1 fallback. Every line break becomes CR LF and
// a text that is not empty ends with one.
QString DecodePresetText(const QByteArray &_bytes);

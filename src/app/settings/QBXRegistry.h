#pragma once

#include <QString>

// Named text values kept for one program name, in the per-user native store
// (organisation "qbx", application = the program name) or, on request, in a
// section of an INI file. Nothing is cached: every call opens the store,
// does its work and lets it go, so two stores of one name see each other's
// writes at once.
class TQBXRegistry
{
public:
    // A name with a leading backslash and the same name without one address
    // the same store. An empty _IniFileName leaves the store in registry mode.
    explicit TQBXRegistry(const QString &_programName, bool _UseIniFile = false,
                          const QString &_IniFileName = QString());

    // False when the value could not be stored (the store cannot be
    // written, an empty name, or a line break in an INI value).
    bool WriteStringPar(const QString &_name, const QString &_value, bool _ToRegistryOnly = false);
    // Empty for a missing store, a missing value and an empty value alike.
    QString ReadStringPar(const QString &_name, bool _FromRegistryOnly = false) const;
    // True only when a value was there and has been removed.
    bool DeleteStringPar(const QString &_name);

    // Numbers in decimal; a missing value or one that is not a whole number
    // gives _default.
    int ReadIntPar(const QString &_name, int _default) const;
    bool WriteIntPar(const QString &_name, int _value);
    // Flags are "0" and "1"; anything else reads as _default.
    bool ReadBoolPar(const QString &_name, bool _default) const;
    bool WriteBoolPar(const QString &_name, bool _value);

    QString GetProgName() const { return ProgName; }
    QString GetCurrentQBXKey() const { return CurrentQBXKey; }
    bool IsIniMode() const { return UseIniFile; }
    QString GetIniFileName() const { return IniFileName; }
    QString GetIniFileSection() const { return IniFileSection; }

private:
    bool InIni(bool _registryOnly) const { return UseIniFile && !_registryOnly; }

    QString ProgName;      // the program name with a backslash in front
    QString CurrentQBXKey; // "\Software\qbx" + ProgName, as the registry names it
    bool UseIniFile = false;
    QString IniFileName;
    QString IniFileSection; // equal to ProgName, backslash included
};

#pragma once

#include <QString>

// Progress on the program's taskbar button or dock icon, through the launcher
// entry signal that docks and desktop shells listen for. Without a session bus
// it does nothing.
class TTaskbarProgress
{
public:
    enum TState
    {
        tbsNoProgress, // the button shows no progress
        tbsNormal      // the button shows Value percent
    };

    // An empty _AppUri names this program's own desktop entry.
    explicit TTaskbarProgress(const QString &_AppUri = QString());

    // Value is a percentage; it is held within 0..100.
    void SetProgress(TState _state, int _value);

    static constexpr const char *ObjectPath = "/com/canonical/unity/launcherentry/frobnik";
    static constexpr const char *Interface = "com.canonical.Unity.LauncherEntry";

private:
    QString AppUri;
};

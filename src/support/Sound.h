#pragma once

#include <QString>
#include <functional>

// Plays a wave file once in the background; every failure is ignored.
// Nothing happens (not even a look at the file) when Enabled is clear.
void PlaySoundFile(const QString &_fileName, bool _enabled);

// Tests replace the player to observe what would be played; an empty
// function restores the real one.
void SetSoundPlayer(std::function<void(const QString &)> _player);

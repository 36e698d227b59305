#pragma once

#include <QString>
#include <functional>

// Opens a file, folder, URL or mail address with the user's default program;
// with Parameters, Target is a program started with them (split by the one
// splitting rule, no shell). Nothing is reported either way.
void ShellOpen(const QString &Target, const QString &Parameters = QString());

// Tests replace the opener to record what would be opened; an empty function
// restores the real one.
void SetShellOpener(std::function<void(const QString &Target, const QString &Parameters)> Opener);

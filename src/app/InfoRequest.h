#pragma once

#include <QString>
#include <QStringList>

// A start that asks about the program instead of opening its window.
enum class TInfoRequest
{
    irNone,
    irUsage,   // "--help" or "-h"
    irVersion, // "--version"
};

// The first argument after the program that is exactly one of the three
// words decides. Only the whole argument counts, so a source file with such
// a name stays reachable as "./--help" or through "-inName=".
TInfoRequest FindInfoRequest(const QStringList &_arguments);

QString UsageText();
QString VersionText();

// For main(), before the application object exists: prints the usage or the
// version on standard output and returns the exit status (0, or 1 when the
// text could not be written), or -1 when the arguments ask for neither. Needs
// no display and touches no lock, setting or folder.
int AnswerInfoRequest(int _argc, char *_argv[]);

#pragma once

#include <QString>
#include <QStringList>

// What probing learned about the source. The texts are the documented forms
// (for display, tests and the documented command text); the *Args lists hold
// the same inputs as process arguments, in which every path is one argument.
class TVSourceInfo
{
public:
    QString vsFileName;
    bool vsIsDVD = false;
    bool vsIsFolderToConcat = false;
    QString vsFFMpegOutText;
    QString vsVideoCodecLC;
    int vsNumAudioStreams = 0;
    QString vsAudioCodecLC;
    bool vsSubtitle = false;
    QString vsFFMpegIsrcStr;
    QString vsStrForCopyConcatCommand;
    qint64 vsTotalSourceSize = 0;
    qint64 vsTotalSourceDuration = 0;
    QString vsConcatTXTFileName;

    // Argument-vector forms of vsFFMpegIsrcStr, of the probe input text and of
    // vsStrForCopyConcatCommand.
    QStringList vsFFMpegInputArgs;
    QStringList vsProbeInputArgs;
    QStringList vsCopyConcatFiles;

    void Clear() { *this = TVSourceInfo(); }
};

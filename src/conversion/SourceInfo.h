#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class THeldFile;

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
    // Our hold on that list, so that another copy of the program never takes
    // it for one left behind.
    std::shared_ptr<THeldFile> vsConcatHold;

    // Argument-vector forms of vsFFMpegIsrcStr, of the probe input text and of
    // vsStrForCopyConcatCommand.
    QStringList vsFFMpegInputArgs;
    QStringList vsProbeInputArgs;
    QStringList vsCopyConcatFiles;

    // The first input's streams as the encoder converts them when it chooses
    // by itself (the video stream of the largest picture, the sound stream of
    // the most channels, a default stream before others), so that the
    // arguments can fit what it will read. Empty or 0 when the probe does not
    // tell. The stream numbers count within their kind (0 = the first).
    int vsVideoStreamNumber = -1;
    QString vsVideoPixelFormat; // "yuv420p", "yuv420p10le"
    int vsVideoWidth = 0;
    int vsVideoHeight = 0;
    double vsVideoFrameRate = 0; // frames per second
    int vsAudioStreamNumber = -1;
    QString vsAudioChannelLayout; // "stereo", "5.1(side)", "6 channels"
    int vsAudioChannels = 0;
    // The codec of each subtitle stream, lower-cased, in stream order.
    QStringList vsSubtitleCodecs;

    void Clear() { *this = TVSourceInfo(); }
};

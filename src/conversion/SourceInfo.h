#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class THeldFile;

// What probing learned about the source. The inputs are kept as process
// arguments, in which every path is one argument; their text forms are
// written from those when they are shown.
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
    qint64 vsTotalSourceSize = 0;
    qint64 vsTotalSourceDuration = 0;
    QString vsConcatTXTFileName;
    // Our hold on that list, so that another copy of the program never takes
    // it for one left behind.
    std::shared_ptr<THeldFile> vsConcatHold;

    // The encoder's input (` -i "<file>"`, the concat list, or the joined
    // file), the probe's inputs and the files of a byte-wise join.
    QStringList vsFFMpegInputArgs;
    QStringList vsProbeInputArgs;
    QStringList vsCopyConcatFiles;
    // Their text forms: ` -i "<file>"` and `"<path1>"+"<path2>"`.
    QString vsFFMpegIsrcStr() const;
    QString vsStrForCopyConcatCommand() const;

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

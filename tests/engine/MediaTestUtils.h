#pragma once

// The real encoder's tools run on media a test makes, and what ffprobe says
// of a result.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>

struct TStream
{
    QString Type;
    QString Codec;
    QString PixelFormat;
    int Width = 0;
    int Height = 0;
    int Channels = 0;
};

// The exit code of _program, -1 when it did not finish normally within two
// minutes; its standard output goes to _output, its errors to the test's.
inline int RunTool(const QString &_program, const QStringList &_arguments,
                   QByteArray *_output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(_program, _arguments);
    if (!process.waitForFinished(120000))
        return -1;
    if (_output)
        *_output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

inline QList<TStream> Streams(const QString &_file)
{
    QByteArray text;
    RunTool("ffprobe",
            {"-v", "error", "-show_entries",
             "stream=codec_type,codec_name,pix_fmt,width,height,channels", "-of", "compact=p=0",
             _file},
            &text);
    QList<TStream> streams;
    for (const QByteArray &line : text.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        TStream stream;
        for (const QByteArray &field : line.trimmed().split('|')) {
            const QString pair = QString::fromUtf8(field);
            const QString key = pair.section(u'=', 0, 0);
            const QString value = pair.section(u'=', 1);
            if (key == "codec_type")
                stream.Type = value;
            else if (key == "codec_name")
                stream.Codec = value;
            else if (key == "pix_fmt")
                stream.PixelFormat = value;
            else if (key == "width")
                stream.Width = value.toInt();
            else if (key == "height")
                stream.Height = value.toInt();
            else if (key == "channels")
                stream.Channels = value.toInt();
        }
        streams << stream;
    }
    return streams;
}

// A copy, so that no caller holds on to a list that is already gone.
inline std::optional<TStream> FirstOf(const QList<TStream> &_streams, const QString &_type)
{
    for (const TStream &stream : _streams)
        if (stream.Type == _type)
            return stream;
    return std::nullopt;
}

inline qsizetype CountOf(const QList<TStream> &_streams, const QString &_type)
{
    return std::count_if(_streams.begin(), _streams.end(),
                         [&](const TStream &_stream) { return _stream.Type == _type; });
}

// Seconds, 0 when ffprobe cannot tell.
inline double Duration(const QString &_file)
{
    QByteArray text;
    RunTool("ffprobe",
            {"-v", "error", "-show_entries", "format=duration", "-of", "default=nw=1:nk=1", _file},
            &text);
    return text.trimmed().toDouble();
}

#pragma once

// Starting the built or installed program as a process of its own, with a
// settings and data folder of its own, on clips the real encoder makes.

#include "update/CheckUpdate.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Seconds an automatic conversion of a two-second clip may take on a busy machine.
constexpr int ConversionTimeoutMs = 180 * 1000;

// A home of its own for one run of the program: settings, data and media.
class TProgramHome
{
public:
    TProgramHome()
    {
        QDir().mkpath(Config());
        QDir().mkpath(Data());
        QDir().mkpath(Media());
        // No update check goes out: the last one is recorded as today's, and
        // a request would go to a port where nothing listens.
        QFile settings(QDir(Config()).filePath(QStringLiteral("qbx/Frobnik.conf")));
        QDir().mkpath(QFileInfo(settings).path());
        if (settings.open(QIODevice::WriteOnly))
            settings.write("[General]\nLastFUDate=" +
                           QByteArray::number(DayNumber(QDate::currentDate())) + "\n");
    }

    bool Valid() const { return FDir.isValid(); }
    QString Config() const { return FDir.filePath(QStringLiteral("config")); }
    QString Data() const { return FDir.filePath(QStringLiteral("data")); }
    QString Media(const QString &_name = QString()) const
    {
        const QString media = FDir.filePath(QStringLiteral("media"));
        return _name.isEmpty() ? media : QDir(media).filePath(_name);
    }

    // A copy of the clip's bytes among the media; its path.
    QString PutClip(const QByteArray &_bytes,
                    const QString &_name = QStringLiteral("clip.avi")) const
    {
        QFile file(Media(_name));
        if (file.open(QIODevice::WriteOnly))
            file.write(_bytes);
        return file.fileName();
    }

    // Set for every later start, over the home's own environment.
    QProcessEnvironment ExtraEnvironment;

    QString Setting(const QString &_name) const
    {
        QSettings settings(QDir(Config()).filePath(QStringLiteral("qbx/Frobnik.conf")),
                           QSettings::IniFormat);
        return settings.value(_name).toString();
    }
    bool HasSetting(const QString &_name) const
    {
        QSettings settings(QDir(Config()).filePath(QStringLiteral("qbx/Frobnik.conf")),
                           QSettings::IniFormat);
        return settings.contains(_name);
    }

    // The program, started without a display and with the real encoder.
    void Start(QProcess &_process, const QString &_program, const QStringList &_arguments,
               const QString &_workingDir = QString()) const
    {
        QProcessEnvironment env = Environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        _process.setProcessEnvironment(env);
        _process.setProcessChannelMode(QProcess::MergedChannels);
        _process.setStandardInputFile(QProcess::nullDevice());
        _process.setWorkingDirectory(_workingDir);
        _process.start(_program, _arguments);
    }

    // Runs the program to its end; false when it did not end in time.
    bool Run(const QString &_program, const QStringList &_arguments, int &_exitCode,
             QByteArray &_output, const QString &_workingDir = QString()) const
    {
        QProcess process;
        Start(process, _program, _arguments, _workingDir);
        const bool ended = Finish(process, _exitCode);
        _output = process.readAll();
        return ended;
    }

    // As a terminal without any display starts it: no display and no Qt
    // platform to fall back on, standard output and error apart.
    bool RunWithoutPlatform(const QString &_program, const QStringList &_arguments, int &_exitCode,
                            QByteArray &_stdout, QByteArray &_stderr) const
    {
        QProcess process;
        QProcessEnvironment env = Environment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(env);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(_program, _arguments);
        const bool ended = Finish(process, _exitCode);
        _stdout = process.readAllStandardOutput();
        _stderr = process.readAllStandardError();
        return ended;
    }

private:
    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), FDir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Config());
        env.insert(QStringLiteral("XDG_DATA_HOME"), Data());
        env.insert(QStringLiteral("FROBNIK_UPDATE_URL"), QStringLiteral("http://127.0.0.1:9/u"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("FROBNIK_ENCODER"));
        env.insert(ExtraEnvironment);
        return env;
    }

    static bool Finish(QProcess &_process, int &_exitCode)
    {
        const bool ended =
            _process.waitForStarted() && _process.waitForFinished(ConversionTimeoutMs);
        if (!ended) {
            _process.kill();
            _process.waitForFinished();
        }
        _exitCode = _process.exitStatus() == QProcess::NormalExit ? _process.exitCode() : -1;
        return ended;
    }

    QTemporaryDir FDir;
};

// A two-second clip with picture and sound, made by the real encoder.
inline bool MakeClip(const QString &_path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                  "testsrc=duration=2:size=320x240:rate=25", "-f", "lavfi", "-i",
                  "sine=frequency=440:duration=2", "-c:v", "mpeg4", "-c:a", "mp3", "-shortest",
                  _path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0 && QFile(_path).size() > 0;
}

// The bytes of such a clip; empty when the encoder could not make one.
inline QByteArray MakeClipBytes()
{
    QTemporaryDir dir;
    QFile clip(dir.filePath(QStringLiteral("clip.avi")));
    if (!MakeClip(clip.fileName()) || !clip.open(QIODevice::ReadOnly))
        return QByteArray();
    return clip.readAll();
}

// The kinds of the streams of a media file, "video,audio"; empty when it cannot be read.
inline QString StreamKinds(const QString &_path)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {"-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0", _path});
    if (!probe.waitForFinished(60000) || probe.exitCode() != 0)
        return QString();
    QStringList kinds = QString::fromUtf8(probe.readAll()).split('\n', Qt::SkipEmptyParts);
    for (QString &kind : kinds)
        kind = kind.trimmed();
    return kinds.join(',');
}

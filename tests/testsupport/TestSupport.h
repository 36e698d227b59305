#pragma once

// What the tests share: files and scripts they write, environment set for a
// scope, the fake encoder, a program folder of their own with the shipped
// data, the isolated settings store, clips made by the real encoder and what
// ffprobe says of a result, and the built program run as a process of its own.

#include "update/CheckUpdate.h"

#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

// --- files, scripts and the environment ---

// Writes Bytes into Path (folders created); fails the test when it cannot.
inline void WriteTestFile(const QString &Path, const QByteArray &Bytes = QByteArray())
{
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QFile f(Path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(Path));
    QCOMPARE(f.write(Bytes), Bytes.size());
}

// A file of Size bytes that takes no disk space: only its size matters.
inline void MakeSparseFile(const QString &Path, qint64 Size)
{
    WriteTestFile(Path);
    QVERIFY(QFile::resize(Path, Size));
}

// Sets an environment variable for one scope.
class TScopedEnv
{
public:
    TScopedEnv(const char *Name, const QByteArray &Value)
        : FName(Name), FOld(qgetenv(Name)), FHad(qEnvironmentVariableIsSet(Name))
    {
        qputenv(Name, Value);
    }
    ~TScopedEnv()
    {
        if (FHad)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }
    TScopedEnv(const TScopedEnv &) = delete;
    TScopedEnv &operator=(const TScopedEnv &) = delete;

private:
    const char *FName;
    QByteArray FOld;
    bool FHad;
};

// The fake encoder and the build's program folder: from the environment
// CTest sets, else where this build put them, so a test also runs by hand.
QString FakeEncoderPath();
QString BuiltProgramDir();

inline QByteArray ReadAll(const QString &_path)
{
    QFile file(_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An executable shell script.
inline void WriteScript(const QString &_path, const QByteArray &_body)
{
    WriteTestFile(_path, "#!/bin/sh\n" + _body);
    QFile::setPermissions(_path,
                          QFile::permissions(_path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

// Environment variables set for one scope, given as "NAME=value".
class TEnvSet
{
public:
    explicit TEnvSet(const QStringList &_assignments)
    {
        for (const QString &assignment : _assignments) {
            FNames << assignment.section(u'=', 0, 0).toLatin1();
            FEnvs.push_back(std::make_unique<TScopedEnv>(FNames.last().constData(),
                                                         assignment.section(u'=', 1).toUtf8()));
        }
    }

private:
    QList<QByteArray> FNames;
    std::vector<std::unique_ptr<TScopedEnv>> FEnvs;
};

// The fake encoder behind a script that logs every start ("encoder.log" in
// _dir, one line of arguments each) and, when RUN_SNAP is set, copies what
// it is given after -i while it runs. Returns the script's path.
inline QString WriteLoggingEncoder(const QString &_dir)
{
    const QString script = QDir(_dir).filePath(QStringLiteral("encoder"));
    WriteScript(script, "printf '%s\\n' \"$*\" >> '" +
                            QDir(_dir).filePath(QStringLiteral("encoder.log")).toUtf8() +
                            "'\n"
                            "if [ -n \"$RUN_SNAP\" ]; then\n"
                            "  prev=''\n"
                            "  for a in \"$@\"; do\n"
                            "    [ \"$prev\" = -i ] && cp -- \"$a\" \"$RUN_SNAP\"\n"
                            "    prev=\"$a\"\n"
                            "  done\n"
                            "fi\n"
                            "exec '" +
                            FakeEncoderPath().toUtf8() + "' \"$@\"\n");
    return script;
}

// --- a program folder of the test's own ---

// The shipped data (from the build's program folder) copied into a folder
// that the program then takes as its own.
class TProgramCopy
{
public:
    // _parts: which of the shipped data to copy ("Languages", "images", "Sounds", "presets.xml").
    explicit TProgramCopy(const QStringList &_parts = {
                              QStringLiteral("Languages"), QStringLiteral("images"),
                              QStringLiteral("Sounds"), QStringLiteral("presets.xml")});
    ~TProgramCopy();

    QString Path(const QString &_name = QString()) const
    {
        return _name.isEmpty() ? FDir.path() : FDir.filePath(_name);
    }
    // The folder exists and every part asked for was copied.
    bool Valid() const;
    void WriteFile(const QString &_name, const QByteArray &_bytes) const;
    // Presets given as (id, name, extension).
    void WritePresets(const QList<std::tuple<int, QString, QString>> &_presets) const;

private:
    QTemporaryDir FDir;
    QStringList FParts;
};

// --- the settings store of the test (its own XDG_CONFIG_HOME) ---

QString ConfigFilePath();
// Forgets every setting of the program.
void ResetSettings();
QString ReadSetting(const QString &_name);
bool HasSetting(const QString &_name);
void WriteSetting(const QString &_name, const QString &_value);

// --- the real encoder's tools on media a test makes ---

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

QList<TStream> Streams(const QString &_file);

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

// --- the built or installed program as a process of its own ---

// Seconds an automatic conversion of a two-second clip may take on a busy machine.
constexpr int ConversionTimeoutMs = 180 * 1000;

// A home of its own for one run of the program: settings, data and media.
class TProgramHome
{
public:
    // The automatic start's wait in the programs started here.
    static constexpr int AutoStartMs = 50;

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
    void SetSetting(const QString &_name, const QString &_value) const
    {
        QSettings settings(QDir(Config()).filePath(QStringLiteral("qbx/Frobnik.conf")),
                           QSettings::IniFormat);
        settings.setValue(_name, _value);
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
        env.insert(QStringLiteral("FROBNIK_AUTO_START_MS"), QString::number(AutoStartMs));
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
bool MakeClip(const QString &_path);

// The bytes of such a clip; empty when the encoder could not make one.
QByteArray MakeClipBytes();

// The kinds of the streams of a media file, "video,audio"; empty when it cannot be read.
QString StreamKinds(const QString &_path);

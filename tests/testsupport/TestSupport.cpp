#include "testsupport/TestSupport.h"

#include "app/settings/QBXRegistry.h"
#include "conversion/EncoderProgram.h"

#include <QSettings>

QString FakeEncoderPath()
{
    const QString set = qEnvironmentVariable("FROBNIK_FAKE_ENCODER");
    return set.isEmpty() ? QStringLiteral(FROBNIK_BUILT_FAKE_ENCODER) : set;
}

QString BuiltProgramDir()
{
    const QString set = qEnvironmentVariable("FROBNIK_PROGRAM_DIR");
    return set.isEmpty() ? QStringLiteral(FROBNIK_BUILT_PROGRAM_DIR) : set;
}

TProgramCopy::TProgramCopy(const QStringList &_parts) : FParts(_parts)
{
    const QDir built(BuiltProgramDir());
    for (const QString &part : _parts) {
        const QFileInfo from(built.filePath(part));
        if (from.isDir()) {
            QDir().mkpath(Path(part));
            for (const QFileInfo &entry : QDir(from.filePath()).entryInfoList(QDir::Files))
                QFile::copy(entry.filePath(), QDir(Path(part)).filePath(entry.fileName()));
        } else {
            QFile::copy(from.filePath(), Path(part));
        }
    }
    SetProgramFolder(FDir.path());
}

TProgramCopy::~TProgramCopy()
{
    SetProgramFolder(QString());
}

bool TProgramCopy::Valid() const
{
    return FDir.isValid() &&
           std::all_of(FParts.begin(), FParts.end(),
                       [this](const QString &_part) { return QFileInfo::exists(Path(_part)); });
}

void TProgramCopy::WriteFile(const QString &_name, const QByteArray &_bytes) const
{
    WriteTestFile(Path(_name), _bytes);
}

void TProgramCopy::WritePresets(const QList<std::tuple<int, QString, QString>> &_presets) const
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<presets>\n";
    for (const auto &[id, name, ext] : _presets)
        xml += "<device><id>" + QByteArray::number(id) + "</id><name>" + name.toUtf8() +
               "</name><params>-c:v libx264</params><extension>" + ext.toUtf8() +
               "</extension></device>\n";
    xml += "</presets>\n";
    WriteFile(QStringLiteral("presets.xml"), xml);
}

QString ConfigFilePath()
{
    return QDir(qEnvironmentVariable("XDG_CONFIG_HOME"))
        .filePath(QStringLiteral("qbx/Frobnik.conf"));
}

void ResetSettings()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qbx"),
                       QStringLiteral("Frobnik"));
    settings.clear();
    settings.sync();
}

QString ReadSetting(const QString &_name)
{
    return TQBXRegistry(QStringLiteral("Frobnik")).ReadStringPar(_name);
}

bool HasSetting(const QString &_name)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("qbx"),
                       QStringLiteral("Frobnik"));
    return settings.contains(_name);
}

void WriteSetting(const QString &_name, const QString &_value)
{
    TQBXRegistry(QStringLiteral("Frobnik")).WriteStringPar(_name, _value);
}

QList<TStream> Streams(const QString &_file)
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

bool MakeClip(const QString &_path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                  "testsrc=duration=2:size=320x240:rate=25", "-f", "lavfi", "-i",
                  "sine=frequency=440:duration=2", "-c:v", "mpeg4", "-c:a", "mp3", "-shortest",
                  _path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0 && QFile(_path).size() > 0;
}

QByteArray MakeClipBytes()
{
    QTemporaryDir dir;
    QFile clip(dir.filePath(QStringLiteral("clip.avi")));
    if (!MakeClip(clip.fileName()) || !clip.open(QIODevice::ReadOnly))
        return QByteArray();
    return clip.readAll();
}

QString StreamKinds(const QString &_path)
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

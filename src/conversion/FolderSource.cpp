#include "conversion/FolderSource.h"

#include "conversion/SourceProbe.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

QString SourceMediaFilter()
{
    return QStringLiteral(
        "Video/Audio (mp4, flv, mkv, mpg, avi, mov, wmv, m4v, 3gp, webm, mp3, m4a, wav, aac, "
        "opus, flac, ape)|*.mp4;*.flv;*.mkv;*.mpg;*.avi;*.mov;*.wmv;*.3gp;*.webm;*.mp3;*.m4a;"
        "*.wav;*.aac;*.opus;*.flac;*.ape;*.m4v;*.asf;*.vob|Video (mp4, flv, mkv, mpg, avi, mov, "
        "wmv, 3gp, webm, m4v)|*.mp4;*.flv;*.mkv;*.mpg;*.avi;*.mov;*.wmv;*.3gp;*.webm;*.m4v;"
        "*.asf;*.vob|Audio (mp3, m4a, mp4, wav, aac, opus, flac, ape)|*.mp3;*.m4a;*.mp4;*.wav;"
        "*.aac;*.opus;*.flac;*.ape|Mpeg4|*.mp4|Flash Video|*.flv|Matroska Video|*.mkv|MPEG|"
        "*.mpg|AVI|*.avi|QuickTime|*.mov|Windows Media|*.wmv|Webm|*.webm|WAV|*.wav|OPUS|*.opus|"
        "AAC|*.aac|FLAC|*.flac|APE|*.ape|VOB|*.vob|All files (*.*)|*.*");
}

bool MatchesMediaFilter(const QString &_fileName)
{
    // The masks are every second field; "*.*" names no media type.
    static const QStringList masks = []() {
        QStringList list;
        const QStringList fields = SourceMediaFilter().split(u'|');
        for (qsizetype i = 1; i < fields.size(); i += 2) {
            for (const QString &mask : fields[i].split(u';', Qt::SkipEmptyParts)) {
                if (mask != u"*.*")
                    list << mask;
            }
        }
        return list;
    }();
    const QString ext = AsciiLowerCase(ExtractFileExt(_fileName));
    return ext.size() > 1 && masks.contains(u'*' + ext);
}

QString VideoTSFolderName()
{
    return QStringLiteral("VIDEO_TS") + PathDelim;
}

QStringList RegularFilesOf(const QString &_folder, const QString &_lowerExt)
{
    QStringList names;
    if (!DirectoryExists(_folder))
        return names;
    // Without QDir::Hidden and QDir::System, hidden files, FIFOs, sockets,
    // devices and dangling links stay out; sorted by name, DVD files come in
    // title order.
    const QStringList entries = QDir(_folder).entryList(QDir::Files, QDir::Name);
    for (const QString &name : entries) {
        if (_lowerExt.isEmpty() || AsciiLowerCase(ExtractFileExt(name)) == _lowerExt)
            names.append(name);
    }
    return names;
}

bool FindMediaFolder(QString &_path)
{
    _path = NormalizeDirPath(_path);
    if (!DirectoryExists(_path))
        return false;
    const QStringList names = RegularFilesOf(_path);
    for (const QString &name : names) {
        if (MatchesMediaFilter(name))
            return true;
    }
    if (!DirectoryExists(_path + VideoTSFolderName()))
        return false;
    _path += VideoTSFolderName();
    return FindMediaFolder(_path);
}

QByteArray ConcatListLine(const QString &_path)
{
    QByteArray escaped = QFile::encodeName(_path);
    escaped.replace('\'', QByteArrayLiteral("'\\''"));
    return QByteArrayLiteral("file '") + escaped + '\'';
}

namespace {
enum class TReserve
{
    Taken,
    Reserved,
    Unwritable
};

TReserve TryReserve(const QString &_name)
{
    const QFileInfo info(_name);
    if (info.exists() || info.isSymLink())
        return TReserve::Taken;
    QFile file(_name);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return TReserve::Reserved;
    // Lost a race to another copy of the program, or the folder refuses us.
    return QFileInfo(_name).exists() ? TReserve::Taken : TReserve::Unwritable;
}

QString TempName(const QString &_dir, const QString &_prefix, int _n)
{
    return JoinPath(_dir, _prefix + QString::number(_n) + QStringLiteral(".txt"));
}

// A line break cannot be written inside a concat list line.
bool CanBeListed(const QString &_name)
{
    return !_name.contains(u'\n') && !_name.contains(u'\r');
}
} // namespace

QString DrawTempFileName(const QString &_dir, const QString &_prefix)
{
    constexpr int Numbers = 10000;
    QString name;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TempName(_dir, _prefix, int(QRandomGenerator::global()->bounded(Numbers)));
        if (TryReserve(name) != TReserve::Taken)
            return name;
    }
    // Draws keep hitting taken names: the folder is crowded, so look for a
    // free number in order rather than draw for ever.
    for (int n = 0; n < Numbers; ++n) {
        const QString candidate = TempName(_dir, _prefix, n);
        if (TryReserve(candidate) != TReserve::Taken)
            return candidate;
    }
    return name;
}

QString NewProgressFileName(const QString &_appDataDir)
{
    return DrawTempFileName(_appDataDir, QStringLiteral("progress"));
}

TFolderFiles CollectFolderFiles(const QString &_folder, bool &_isDVD, const QString &_appDataDir)
{
    TFolderFiles result;
    const QString folder = NormalizeDirPath(_folder);
    if (!DirectoryExists(folder))
        return result;
    bool skipSmall = _isDVD;
    if (!_isDVD && RegularFilesOf(folder, QStringLiteral(".vob")).size() >= 2)
        _isDVD = true;

    QByteArray lines;
    const QStringList names = RegularFilesOf(folder);
    for (const QString &name : names) {
        if (!CanBeListed(name))
            continue;
        const QString path = folder + name;
        if (_isDVD) {
            if (AsciiLowerCase(ExtractFileExt(name)) != QStringLiteral(".vob"))
                continue;
            if (skipSmall && GetFileSizeByOpening(path) < DVDMinVOBSize)
                continue;
        } else if (!MatchesMediaFilter(name)) {
            continue;
        }
        skipSmall = false;
        result.Files.append(path);
        lines += ConcatListLine(path) + QByteArrayLiteral("\r\n");
        result.ProbeInputArgs << QStringLiteral("-i") << path;
        result.TotalSize += qMax<qint64>(0, GetFileSizeByAttributes(path));
    }
    if (result.Files.isEmpty())
        return result;

    bool written = false;
    if (!_appDataDir.isEmpty() && QDir().mkpath(_appDataDir)) {
        const QString listName = DrawTempFileName(_appDataDir, QStringLiteral("concat"));
        QFile list(listName);
        if (list.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            written = list.write(lines) == lines.size();
            written = list.flush() && written;
            list.close();
        }
        if (written)
            result.ConcatListFileName = listName;
        else
            QFile::remove(listName);
    }
    if (!written) {
        result = TFolderFiles();
        result.ListWriteFailed = true;
    }
    return result;
}

QString CopyConcatText(const QStringList &_files)
{
    QStringList quoted;
    for (const QString &file : _files)
        quoted << u'"' + file + u'"';
    return quoted.join(u'+');
}

#include "conversion/FolderSource.h"

#include "conversion/SourceProbe.h"
#include "support/PathUtils.h"
#include "support/TextUtils.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>

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
        // A link to a FIFO or a device passes the filter above.
        if ((_lowerExt.isEmpty() || AsciiLowerCase(ExtractFileExt(name)) == _lowerExt) &&
            RegularFileExists(JoinPath(_folder, name)))
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
constexpr int TempNumbers = 10000;

QString TempName(const QString &_dir, const QString &_prefix, int _n)
{
    return JoinPath(_dir, _prefix + QString::number(_n) + QStringLiteral(".txt"));
}

// A line break cannot be written inside a concat list line.
bool CanBeListed(const QString &_name)
{
    return !_name.contains(u'\n') && !_name.contains(u'\r');
}

// A copy that has made its file this very moment may not hold it yet.
constexpr qint64 StaleAfterSeconds = 10;
} // namespace

std::unique_ptr<THeldFile> DrawTempFile(const QString &_dir, const QString &_prefix)
{
    bool taken = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name =
            TempName(_dir, _prefix, int(QRandomGenerator::global()->bounded(TempNumbers)));
        if (auto held = THeldFile::CreateNew(name, &taken))
            return held;
        if (!taken)
            return nullptr;
    }
    // Draws keep hitting taken names: the folder is crowded, so look for a
    // free number in order rather than draw for ever.
    for (int n = 0; n < TempNumbers; ++n) {
        if (auto held = THeldFile::CreateNew(TempName(_dir, _prefix, n), &taken))
            return held;
        if (!taken)
            return nullptr;
    }
    return nullptr;
}

std::unique_ptr<THeldFile> NewProgressFile(const QString &_appDataDir)
{
    return DrawTempFile(_appDataDir, QStringLiteral("progress"));
}

void RemoveStaleTemporaries(const QString &_appDataDir)
{
    if (!DirectoryExists(_appDataDir))
        return;
    const QDir dir(_appDataDir);
    static const QRegularExpression tempName(
        QStringLiteral("^(progress|concat)(0|[1-9][0-9]{0,3})\\.txt$"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // With System, links (dangling ones too) are seen: nobody of ours makes one.
    const QFileInfoList temps =
        dir.entryInfoList({QStringLiteral("progress*.txt"), QStringLiteral("concat*.txt")},
                          QDir::Files | QDir::System | QDir::Hidden);
    for (const QFileInfo &entry : temps) {
        if (!tempName.match(entry.fileName()).hasMatch())
            continue;
        const bool old = entry.lastModified().toUTC().secsTo(now) > StaleAfterSeconds;
        if (entry.isSymLink() || (old && !IsHeldFile(entry.filePath())))
            QFile::remove(entry.filePath());
    }
    // A lock whose holder has died is taken over, and taking it removes it.
    const QStringList locks =
        dir.entryList({QStringLiteral("output-*.lock")}, QDir::Files | QDir::Hidden);
    for (const QString &name : locks) {
        QLockFile lock(dir.filePath(name));
        lock.setStaleLockTime(0);
        if (lock.tryLock(0))
            lock.unlock();
    }
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
        std::shared_ptr<THeldFile> list = DrawTempFile(_appDataDir, QStringLiteral("concat"));
        if (list && list->Write(lines)) {
            written = true;
            result.ConcatListFileName = list->FileName();
            result.ConcatListHold = std::move(list);
        } else if (list) {
            QFile::remove(list->FileName());
        }
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

#include "support/PathUtils.h"

#include "support/TextUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

static qsizetype LastDelim(const QString &Path)
{
#ifdef Q_OS_WIN
    return std::max(Path.lastIndexOf(u'\\'), Path.lastIndexOf(u':'));
#else
    return Path.lastIndexOf(PathDelim);
#endif
}

QString ExtractFileName(const QString &Path)
{
    return Path.mid(LastDelim(Path) + 1);
}

QString ExtractFileExt(const QString &Path)
{
    const QString name = ExtractFileName(Path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

QString ExtractFileDir(const QString &Path)
{
    const qsizetype at = LastDelim(Path);
    if (at < 0)
        return QString();
#ifdef Q_OS_WIN
    if (at > 0 && Path[at] == u'\\' && Path[at - 1] == u':')
        return Path.left(at + 1);
#else
    if (at == 0)
        return Path.left(1);
#endif
    return Path.left(at);
}

QString ChangeFileExt(const QString &Path, const QString &Ext)
{
    const QString ext = ExtractFileExt(Path);
    return Path.left(Path.size() - ext.size()) + Ext;
}

bool EndsWithPathDelim(const QString &Path)
{
    return !Path.isEmpty() && Path.back() == PathDelim;
}

QString IncludeTrailingPathDelimiter(const QString &Path)
{
    return EndsWithPathDelim(Path) ? Path : Path + PathDelim;
}

QString ExcludeTrailingPathDelimiter(const QString &Path)
{
    QString r = Path;
    while (r.size() > 1 && EndsWithPathDelim(r))
        r.chop(1);
    return r;
}

QString JoinPath(const QString &Folder, const QString &Name)
{
    if (Folder.isEmpty())
        return Name;
    QString name = Name;
    while (!name.isEmpty() && name.front() == PathDelim)
        name.remove(0, 1);
    return IncludeTrailingPathDelimiter(Folder) + name;
}

QString NormalizeDirPath(const QString &Path)
{
    QString s = TrimBlanksAndControls(Path);
    if (s.isEmpty())
        return QString();
    const QString pair(2, PathDelim);
    // A pair at the very start ("//server/share") marks a network path; once
    // one is found there, the collapsing stops altogether.
    for (;;) {
        const qsizetype at = s.indexOf(pair);
        if (at < 3)
            break;
        s.remove(at, 1);
    }
    // A pair near the start also stops the collapsing at the end ("/a//"),
    // but callers append names to the result and need exactly one separator.
    while (s.size() > 1 && s.endsWith(pair))
        s.chop(1);
    return EndsWithPathDelim(s) ? s : s + PathDelim;
}

bool FileExists(const QString &Path)
{
    if (Path.isEmpty())
        return false;
    const QFileInfo fi(Path);
    return fi.exists() && !fi.isDir();
}

bool RegularFileExists(const QString &Path)
{
    if (Path.isEmpty())
        return false;
#ifdef Q_OS_UNIX
    struct stat st;
    return ::stat(QFile::encodeName(Path).constData(), &st) == 0 && S_ISREG(st.st_mode);
#else
    return QFileInfo(Path).isFile();
#endif
}

bool DirectoryExists(const QString &Path)
{
    return !Path.isEmpty() && QFileInfo(Path).isDir();
}

bool SplitNumberedName(const QString &FileName, QString &Base, qint64 &Number, QString &Ext)
{
    Ext = ExtractFileExt(FileName);
    Base = FileName.left(FileName.size() - Ext.size());
    const qsizetype open = Base.indexOf(u'[');
    const qsizetype close = Base.indexOf(u']');
    if (open < 0 || close != Base.size() - 1)
        return false;
    const QStringView digits = QStringView(Base).sliced(open + 1, close - open - 1);
    if (digits.isEmpty() || digits.size() > MaxNameNumberDigits)
        return false;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return false;
    }
    Number = digits.toLongLong();
    Base.truncate(open);
    return true;
}

QString MakeUniqueFileName(const QString &FileName)
{
    QString result = FileName;
    QString base;
    QString ext;
    qint64 number = 0;
    qint64 counter = 1;
    if (SplitNumberedName(FileName, base, number, ext))
        counter = number + 1;
    while (FileExists(result)) {
        result = base + u'[' + QString::number(counter) + u']' + ext;
        ++counter;
    }
    return result;
}

QString GetSpecialFolderPath(int Folder)
{
    if (Folder != CSIDL_APPDATA)
        return QString();
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (path.isEmpty() || !QDir().mkpath(path))
        return QString();
    return path;
}

QString GetVolumeLabel(const QString &RootPath)
{
    QStorageInfo info(RootPath);
    if (!info.isValid() || !info.isReady())
        return QString();
    return info.name();
}

QByteArray FileIdentity(const QString &_path)
{
    if (_path.isEmpty())
        return QByteArray();
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(_path).constData(), &st) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(st.st_dev)) + ':' +
           QByteArray::number(qulonglong(st.st_ino));
#else
    const QString canonical = QFileInfo(_path).canonicalFilePath();
    return canonical.toUtf8();
#endif
}

bool RemoveIfSameFile(const QString &_path, const QByteArray &_identity)
{
    if (_identity.isEmpty() || FileIdentity(_path) != _identity)
        return false;
    return QFile::remove(_path);
}

bool ReadRegularFile(const QString &_path, qint64 _maxSize, QByteArray &_bytes)
{
    _bytes.clear();
    if (_path.isEmpty())
        return false;
    QFile file;
#ifdef Q_OS_UNIX
    // Opened without waiting, so a FIFO cannot hold us; judged by what was
    // opened, so nothing can be swapped in between the look and the read.
    const int fd =
        ::open(QFile::encodeName(_path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > _maxSize ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
#else
    const QFileInfo info(_path);
    file.setFileName(_path);
    if (!info.isFile() || info.size() > _maxSize || !file.open(QIODevice::ReadOnly))
        return false;
#endif
    // One byte past the limit tells a file that grew meanwhile.
    QByteArray bytes = file.read(_maxSize + 1);
    if (bytes.size() > _maxSize || file.error() != QFileDevice::NoError)
        return false;
    _bytes = std::move(bytes);
    return true;
}

std::unique_ptr<THeldFile> THeldFile::CreateNew(const QString &_path, bool *_taken)
{
    if (_taken)
        *_taken = false;
    std::unique_ptr<THeldFile> held(new THeldFile);
    held->FName = _path;
    held->FFile.setFileName(_path);
#ifdef Q_OS_UNIX
    // O_EXCL refuses any name that is there, a link included, so a link
    // planted in our place never makes us write through it.
    const int fd = ::open(QFile::encodeName(_path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (_taken)
            *_taken = errno == EEXIST;
        return nullptr;
    }
    // The kernel lets go of the mark when we die, however we die.
    ::flock(fd, LOCK_SH);
    if (!held->FFile.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        QFile::remove(_path);
        return nullptr;
    }
#else
    if (!held->FFile.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (_taken)
            *_taken = QFileInfo::exists(_path) || QFileInfo(_path).isSymLink();
        return nullptr;
    }
#endif
    return held;
}

bool THeldFile::Write(const QByteArray &_bytes)
{
    const bool written = FFile.write(_bytes) == _bytes.size();
    return FFile.flush() && written;
}

bool IsHeldFile(const QString &_path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(_path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
#else
    // A file another copy has open cannot be deleted there; the caller's
    // deletion fails by itself.
    Q_UNUSED(_path);
    return false;
#endif
}

bool IsPrivateFolder(const QString &_path, bool _followLink)
{
    if (_path.isEmpty())
        return false;
#ifdef Q_OS_UNIX
    // Without the trailing separator, so that lstat looks at a link itself.
    const QByteArray name = QFile::encodeName(ExcludeTrailingPathDelimiter(_path));
    struct stat st;
    const int found = _followLink ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st);
    return found == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
           ::faccessat(AT_FDCWD, name.constData(), W_OK | X_OK, AT_EACCESS) == 0;
#else
    Q_UNUSED(_followLink);
    const QFileInfo info(_path);
    return info.isDir() && info.isWritable();
#endif
}

QString MakePrivateFolder(const QString &_path, bool _followLink)
{
    if (_path.isEmpty())
        return QString();
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(ExcludeTrailingPathDelimiter(_path));
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    struct stat st;
    const int found = _followLink ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st);
    if (found != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return QString();
    // Our own folder, made under a looser umask: nobody else needs to write there.
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 &&
        ::chmod(name.constData(), st.st_mode & 07777 & ~(S_IWGRP | S_IWOTH)) != 0)
        return QString();
#else
    QDir().mkpath(_path);
#endif
    return IsPrivateFolder(_path, _followLink) ? IncludeTrailingPathDelimiter(_path) : QString();
}

QString MakeFreshPrivateFolder(const QString &_parent, const QString &_prefix)
{
#ifdef Q_OS_UNIX
    // mkdtemp makes the folder with owner-only access under a name nobody
    // could have taken before us.
    QByteArray name = QFile::encodeName(JoinPath(_parent, _prefix + QStringLiteral("XXXXXX")));
    if (!::mkdtemp(name.data()))
        return QString();
    const QString made = QFile::decodeName(name);
#else
    QTemporaryDir dir(JoinPath(_parent, _prefix + QStringLiteral("XXXXXX")));
    if (!dir.isValid())
        return QString();
    dir.setAutoRemove(false);
    const QString made = dir.path();
#endif
    return IsPrivateFolder(made, false) ? IncludeTrailingPathDelimiter(made) : QString();
}

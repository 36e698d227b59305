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

static qsizetype LastDelim(const QString &_path)
{
#ifdef Q_OS_WIN
    return std::max(_path.lastIndexOf(u'\\'), _path.lastIndexOf(u':'));
#else
    return _path.lastIndexOf(PathDelim);
#endif
}

QString ExtractFileName(const QString &_path)
{
    return _path.mid(LastDelim(_path) + 1);
}

QString ExtractFileExt(const QString &_path)
{
    const QString name = ExtractFileName(_path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

QString ExtractFileDir(const QString &_path)
{
    const qsizetype at = LastDelim(_path);
    if (at < 0)
        return QString();
#ifdef Q_OS_WIN
    if (at > 0 && _path[at] == u'\\' && _path[at - 1] == u':')
        return _path.left(at + 1);
#else
    if (at == 0)
        return _path.left(1);
#endif
    return _path.left(at);
}

QString ChangeFileExt(const QString &_path, const QString &_ext)
{
    const QString ext = ExtractFileExt(_path);
    return _path.left(_path.size() - ext.size()) + _ext;
}

bool EndsWithPathDelim(const QString &_path)
{
    return !_path.isEmpty() && _path.back() == PathDelim;
}

QString IncludeTrailingPathDelimiter(const QString &_path)
{
    return EndsWithPathDelim(_path) ? _path : _path + PathDelim;
}

QString ExcludeTrailingPathDelimiter(const QString &_path)
{
    QString r = _path;
    while (r.size() > 1 && EndsWithPathDelim(r))
        r.chop(1);
    return r;
}

QString JoinPath(const QString &_folder, const QString &_name)
{
    if (_folder.isEmpty())
        return _name;
    QString name = _name;
    while (!name.isEmpty() && name.front() == PathDelim)
        name.remove(0, 1);
    return IncludeTrailingPathDelimiter(_folder) + name;
}

QString NormalizeDirPath(const QString &_path)
{
    QString s = TrimBlanksAndControls(_path);
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

bool FileExists(const QString &_path)
{
    if (_path.isEmpty())
        return false;
    const QFileInfo fi(_path);
    return fi.exists() && !fi.isDir();
}

bool RegularFileExists(const QString &_path)
{
    // A NUL would end the name the system sees early: "a.avi\0x" is no name.
    if (_path.isEmpty() || _path.contains(QChar(u'\0')))
        return false;
#ifdef Q_OS_UNIX
    struct stat st;
    return ::stat(QFile::encodeName(_path).constData(), &st) == 0 && S_ISREG(st.st_mode);
#else
    return QFileInfo(_path).isFile();
#endif
}

bool DirectoryExists(const QString &_path)
{
    return !_path.isEmpty() && QFileInfo(_path).isDir();
}

bool SplitNumberedName(const QString &_fileName, QString &_base, qint64 &_number, QString &_ext)
{
    _ext = ExtractFileExt(_fileName);
    _base = _fileName.left(_fileName.size() - _ext.size());
    const qsizetype open = _base.indexOf(u'[');
    const qsizetype close = _base.indexOf(u']');
    if (open < 0 || close != _base.size() - 1)
        return false;
    const QStringView digits = QStringView(_base).sliced(open + 1, close - open - 1);
    if (digits.isEmpty() || digits.size() > MaxNameNumberDigits)
        return false;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return false;
    }
    _number = digits.toLongLong();
    _base.truncate(open);
    return true;
}

QString MakeUniqueFileName(const QString &_fileName)
{
    QString result = _fileName;
    QString base;
    QString ext;
    qint64 number = 0;
    qint64 counter = 1;
    if (SplitNumberedName(_fileName, base, number, ext))
        counter = number + 1;
    while (FileExists(result)) {
        result = base + u'[' + QString::number(counter) + u']' + ext;
        ++counter;
    }
    return result;
}

QString GetSpecialFolderPath(int _folder)
{
    if (_folder != CSIDL_APPDATA)
        return QString();
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (path.isEmpty() || !QDir().mkpath(path))
        return QString();
    return path;
}

QString GetVolumeLabel(const QString &_rootPath)
{
    QStorageInfo info(_rootPath);
    if (!info.isValid() || !info.isReady())
        return QString();
    return info.name();
}

QByteArray FileIdentity(const QString &_path)
{
    if (_path.isEmpty() || _path.contains(QChar(u'\0')))
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

QString AbsolutePath(const QString &_path)
{
    if (_path.isEmpty() || QDir::isAbsolutePath(_path))
        return _path;
    return JoinPath(QDir::currentPath(), _path);
}

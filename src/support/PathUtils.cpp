#include "support/PathUtils.h"

#include "support/TextUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
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

bool DirectoryExists(const QString &Path)
{
    return !Path.isEmpty() && QFileInfo(Path).isDir();
}

QString MakeUniqueFileName(const QString &FileName)
{
    QString result = FileName;
    const QString ext = ExtractFileExt(FileName);
    QString base = FileName.left(FileName.size() - ext.size());
    qint64 counter = 1;
    const qsizetype firstOpen = base.indexOf(u'[');
    const qsizetype firstClose = base.indexOf(u']');
    if (base.endsWith(u']') && firstClose == base.size() - 1 && firstOpen >= 0) {
        const QString digits = base.mid(firstOpen + 1, firstClose - firstOpen - 1);
        bool ok = !digits.isEmpty();
        for (const QChar c : digits)
            ok = ok && c >= u'0' && c <= u'9';
        const qint64 n = ok ? digits.toLongLong(&ok) : 0;
        if (ok) {
            counter = n + 1;
            base = base.left(firstOpen);
        }
    }
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

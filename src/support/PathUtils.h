#pragma once

#include <QFile>
#include <QString>

#include <memory>

// The platform's path separator; the root "/" plays the drive root's part.
#ifdef Q_OS_WIN
inline constexpr QChar PathDelim = u'\\';
#else
inline constexpr QChar PathDelim = u'/';
#endif

// Path parts, from the text alone.
QString ExtractFileName(const QString &_path); // after the last separator
QString ExtractFileExt(const QString &_path);  // from the last dot of the name, dot included
QString
ExtractFileDir(const QString &_path); // before the last separator; the root keeps its separator
QString ChangeFileExt(const QString &_path, const QString &_ext);
QString JoinPath(const QString &_folder, const QString &_name); // exactly one separator between
bool EndsWithPathDelim(const QString &_path);
QString IncludeTrailingPathDelimiter(const QString &_path);
QString ExcludeTrailingPathDelimiter(const QString &_path);

// Trims blanks and control characters, collapses doubled separators (a pair
// at the very start stays) and ends with exactly one separator; empty stays empty.
QString NormalizeDirPath(const QString &_path);

// "name.ext" when no file of that name exists, else "name[n].ext" with the
// first free n; a "[n]" already in the name counts on from n + 1.
QString MakeUniqueFileName(const QString &_fileName);
// The parts of a numbered name "base[n].ext": true when the name part ends
// in a bracketed number and holds no other bracket before it. A number of
// more than MaxNameNumberDigits digits is text like any other, so counting
// on from it can never overflow.
bool SplitNumberedName(const QString &_fileName, QString &_base, qint64 &_number, QString &_ext);
inline constexpr int MaxNameNumberDigits = 18;

// Shell special-folder numbers we use.
inline constexpr int CSIDL_APPDATA = 26;
// The folder's path (created when missing), or empty.
QString GetSpecialFolderPath(int _folder);

// Label of the volume whose root is RootPath ("/" or a mount point; a drive
// letter on Windows), or empty.
QString GetVolumeLabel(const QString &_rootPath);

// True when anything but a folder is there (a file, a link, a FIFO...): a
// name that is taken.
bool FileExists(const QString &_path);
// True for a regular file, or a link to one: what may be read as a source or
// a data file. A FIFO, device or socket is not one: reading it can block for
// ever or never end.
bool RegularFileExists(const QString &_path);
bool DirectoryExists(const QString &_path);

// _path made absolute against the working folder, without tidying it up:
// "link/../clip.avi" must keep naming the file the system finds for it.
QString AbsolutePath(const QString &_path);

// Which file a path names now (device and inode where the platform has
// them), so that a file remembered once is never mistaken for another that
// later takes its name. Empty when nothing is there.
QByteArray FileIdentity(const QString &_path);
// Deletes _path only while it is still the file _identity names.
bool RemoveIfSameFile(const QString &_path, const QByteArray &_identity);

// The whole of a regular file of at most _maxSize bytes; false (and nothing
// read) for anything else: a FIFO or device is never opened for a blocking
// read, a larger file never read into memory.
bool ReadRegularFile(const QString &_path, qint64 _maxSize, QByteArray &_bytes);

// A file this copy of the program made for its own use and holds while it
// needs it. Another copy tells a held file from one that a copy which died
// left behind (IsHeldFile), so it never deletes a running copy's file.
class THeldFile
{
public:
    // Makes _path anew: a file or link already there is never opened, so a
    // name is only used when we have just created that file ourselves. Null
    // when it cannot be made; *_taken then tells whether something was there.
    static std::unique_ptr<THeldFile> CreateNew(const QString &_path, bool *_taken = nullptr);

    QString FileName() const { return FName; }
    // Writes _bytes and flushes; false when not all of them were written.
    bool Write(const QByteArray &_bytes);

private:
    THeldFile() = default;
    QString FName; // a file opened by its handle has no name of its own
    QFile FFile;
};

// True while a living process holds _path as a THeldFile.
bool IsHeldFile(const QString &_path);

// A folder only this user can use: it is a folder (not a link to one unless
// _followLink), this user owns it, and nobody else may write in it. Another
// user could otherwise plant links there for our temporary names.
bool IsPrivateFolder(const QString &_path, bool _followLink);
// _path made a private folder: created with owner-only access when missing
// (its parent must exist), a folder of ours with a group or other write bit
// losing it. Empty when it is not, or cannot be made, private.
QString MakePrivateFolder(const QString &_path, bool _followLink);
// A new private folder _parent/_prefix + random letters; empty when none can
// be made.
QString MakeFreshPrivateFolder(const QString &_parent, const QString &_prefix);

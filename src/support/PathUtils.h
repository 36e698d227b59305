#pragma once

#include <QString>

// The platform's path separator; the root "/" plays the drive root's part.
#ifdef Q_OS_WIN
inline constexpr QChar PathDelim = u'\\';
#else
inline constexpr QChar PathDelim = u'/';
#endif

// Path parts, from the text alone.
QString ExtractFileName(const QString &Path); // after the last separator
QString ExtractFileExt(const QString &Path);  // from the last dot of the name, dot included
QString
ExtractFileDir(const QString &Path); // before the last separator; the root keeps its separator
QString ChangeFileExt(const QString &Path, const QString &Ext);
QString JoinPath(const QString &Folder, const QString &Name); // exactly one separator between
bool EndsWithPathDelim(const QString &Path);
QString IncludeTrailingPathDelimiter(const QString &Path);
QString ExcludeTrailingPathDelimiter(const QString &Path);

// Trims blanks and control characters, collapses doubled separators (a pair
// at the very start stays) and ends with exactly one separator; empty stays empty.
QString NormalizeDirPath(const QString &Path);

// "name.ext" when no file of that name exists, else "name[n].ext" with the
// first free n; a "[n]" already in the name counts on from n + 1.
QString MakeUniqueFileName(const QString &FileName);

// Shell special-folder numbers we use.
inline constexpr int CSIDL_APPDATA = 26;
// The folder's path (created when missing), or empty.
QString GetSpecialFolderPath(int Folder);

// Label of the volume whose root is RootPath ("/" or a mount point; a drive
// letter on Windows), or empty.
QString GetVolumeLabel(const QString &RootPath);

// True for an existing regular file (a folder of that name does not count).
bool FileExists(const QString &Path);
bool DirectoryExists(const QString &Path);

// Which file a path names now (device and inode where the platform has
// them), so that a file remembered once is never mistaken for another that
// later takes its name. Empty when nothing is there.
QByteArray FileIdentity(const QString &_path);
// Deletes _path only while it is still the file _identity names.
bool RemoveIfSameFile(const QString &_path, const QByteArray &_identity);

#pragma once

#include "support/PathUtils.h"

#include <QString>
#include <QStringList>

#include <memory>

// Folder and DVD sources: recognising a media folder and choosing its files.

// The filter text of the source file dialog ("description|masks|..."). It is
// also the list of accepted source extensions.
QString SourceMediaFilter();

// True when the lower-cased extension of _fileName is one of the masks of
// SourceMediaFilter() as a whole ("*.mp4"): a name without an extension, or
// one whose extension only begins like a mask (".m"), is no media file.
bool MatchesMediaFilter(const QString &_fileName);

// The DVD size threshold in bytes.
inline constexpr qint64 DVDMinVOBSize = 200000000;

// The name of the DVD subfolder, with its trailing separator ("VIDEO_TS/").
QString VideoTSFolderName();

// True when the folder, or its VIDEO_TS subfolder (descending again), holds a
// regular file matching the media filter. _path is rewritten in every case:
// normalised, and with VIDEO_TS/ appended when the answer came from there.
bool FindMediaFolder(QString &_path);

// The regular files (no folders, no hidden files) of a folder, sorted by
// name, optionally only those whose lower-cased extension is _lowerExt.
QStringList RegularFilesOf(const QString &_folder, const QString &_lowerExt = QString());

// What CollectFolderFiles chose.
struct TFolderFiles
{
    QStringList Files;          // full paths, in chosen order
    QString ConcatListFileName; // empty when nothing was chosen or it could not be written
    std::shared_ptr<THeldFile> ConcatListHold; // held while the list is in use
    qint64 TotalSize = 0;                      // sum of GetFileSizeByAttributes over Files
    QStringList ProbeInputArgs;                // "-i", path, ... (each path one argument)
    bool ListWriteFailed = false;
};

// Chooses the files of _folder (DVD rules when _isDVD is set or the folder
// holds at least two .VOB files, which sets _isDVD), writes the concat list
// into _appDataDir and fills the lists. When the concat list cannot be
// written, ListWriteFailed is set and nothing counts as chosen.
TFolderFiles CollectFolderFiles(const QString &_folder, bool &_isDVD, const QString &_appDataDir);

// The files of a byte-wise join as one text: "path1"+"path2"+...
QString CopyConcatText(const QStringList &_files);

// One line of a concat list, without its line end: file '<path>' with every
// ' written as '\''.
QByteArray ConcatListLine(const QString &_path);

// A temporary file _dir + _prefix + N + ".txt", N drawn from 0 to 9999 and
// drawn again while that name is taken, made anew and held by us (a name
// that is there, whoever made it, is never used). Null when the folder
// cannot be written or every name is taken.
std::unique_ptr<THeldFile> DrawTempFile(const QString &_dir, const QString &_prefix);
// "progress<N>.txt" in _appDataDir.
std::unique_ptr<THeldFile> NewProgressFile(const QString &_appDataDir);

// Removes from _appDataDir the progress files, concat lists and output locks
// that copies of the program which died left behind; those of a copy still
// running are kept.
void RemoveStaleTemporaries(const QString &_appDataDir);

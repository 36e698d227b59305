// Folder-path normalising and the path-part functions.
#include "FuzzCommon.h"

#include "support/PathUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList fields = FuzzFields(FuzzText(data, size), 2);
    const QString &path = fields[0];
    const QString &name = fields[1];
    const QString pair(2, PathDelim);

    const QString dir = NormalizeDirPath(path);
    if (dir.isEmpty()) {
        for (const QChar c : path)
            FUZZ_CHECK(IsBlankOrControl(c));
    } else {
        FUZZ_CHECK(dir.endsWith(PathDelim));
        FUZZ_CHECK(dir == QString(PathDelim) || !dir.endsWith(pair));
        FUZZ_CHECK(!IsBlankOrControl(dir.front()));
        FUZZ_CHECK(NormalizeDirPath(dir) == dir);
        FUZZ_CHECK(dir.size() <= path.size() + 1);
    }

    const QString fileName = ExtractFileName(path);
    const QString ext = ExtractFileExt(path);
    const QString folder = ExtractFileDir(path);
    FUZZ_CHECK(!fileName.contains(PathDelim) && path.endsWith(fileName));
    FUZZ_CHECK(ext.isEmpty() || (ext.startsWith(u'.') && fileName.endsWith(ext)));
    FUZZ_CHECK(ext.indexOf(u'.', 1) < 0);
    if (path.contains(PathDelim)) {
        // The folder and the name give the path back.
        const QString rebuilt =
            path.lastIndexOf(PathDelim) == 0 ? folder + fileName : folder + PathDelim + fileName;
        FUZZ_CHECK(rebuilt == path);
    } else {
        FUZZ_CHECK(folder.isEmpty() && fileName == path);
    }
    FUZZ_CHECK(ChangeFileExt(path, ext) == path);
    FUZZ_CHECK(ExtractFileExt(ChangeFileExt(path, QStringLiteral(".mp4"))) ==
               QLatin1String(".mp4"));

    const QString included = IncludeTrailingPathDelimiter(path);
    FUZZ_CHECK(included.endsWith(PathDelim) && included.startsWith(path));
    const QString excluded = ExcludeTrailingPathDelimiter(path);
    FUZZ_CHECK(!excluded.endsWith(PathDelim) || excluded == QString(PathDelim));
    FUZZ_CHECK(path.startsWith(excluded));

    // Joining drops the name's leading separators and nothing else.
    const QString joinedPath = JoinPath(path, name);
    if (path.isEmpty()) {
        FUZZ_CHECK(joinedPath == name);
    } else {
        const QString rest = joinedPath.mid(included.size());
        FUZZ_CHECK(joinedPath.startsWith(included) && !rest.startsWith(PathDelim));
        FUZZ_CHECK(name.endsWith(rest));
        for (qsizetype i = 0; i < name.size() - rest.size(); ++i)
            FUZZ_CHECK(name[i] == PathDelim);
    }
    return 0;
}

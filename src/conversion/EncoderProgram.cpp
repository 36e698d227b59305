#include "conversion/EncoderProgram.h"

#include "support/PathUtils.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString &ProgramFolderOverride()
{
    static QString folder;
    return folder;
}

QString &EncoderOverride()
{
    static QString path;
    return path;
}
} // namespace

QString EncoderFileName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("ffmpeg.exe");
#else
    return QStringLiteral("ffmpeg");
#endif
}

QString ProgramFolder()
{
    if (!ProgramFolderOverride().isEmpty())
        return ProgramFolderOverride();
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Before the application object exists (or in a tool without one), the
    // running image still tells where the program lies.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

void SetProgramFolder(const QString &_folder)
{
    ProgramFolderOverride() = ExcludeTrailingPathDelimiter(_folder);
}

QString EncoderProgramPath()
{
    if (!EncoderOverride().isEmpty())
        return EncoderOverride();
    const QString fromEnvironment = qEnvironmentVariable("FROBNIK_ENCODER");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString beside = JoinPath(ProgramFolder(), EncoderFileName());
    const QFileInfo besideInfo(beside);
    if (besideInfo.isFile() && besideInfo.isExecutable())
        return beside;
    const QString onPath = QStandardPaths::findExecutable(EncoderFileName());
    return onPath.isEmpty() ? beside : onPath;
}

void SetEncoderProgram(const QString &_path)
{
    EncoderOverride() = _path;
}

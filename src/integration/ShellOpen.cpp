#include "integration/ShellOpen.h"

#include "support/TextUtils.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace {

std::function<void(const QString &, const QString &)> &Opener()
{
    static std::function<void(const QString &, const QString &)> opener;
    return opener;
}

// "http:", "mailto:" and the like; a single letter before the colon is a
// Windows drive, not a scheme.
bool HasUrlScheme(const QString &Target)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(Target).hasMatch();
}

} // namespace

void ShellOpen(const QString &Target, const QString &Parameters)
{
    if (Opener()) {
        Opener()(Target, Parameters);
        return;
    }
    if (Target.isEmpty())
        return;
    if (!Parameters.isEmpty()) {
        QProcess::startDetached(Target, SplitCommandText(Parameters));
        return;
    }
    if (HasUrlScheme(Target))
        QDesktopServices::openUrl(QUrl(Target));
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(Target).absoluteFilePath()));
}

void SetShellOpener(std::function<void(const QString &Target, const QString &Parameters)> Opener_)
{
    Opener() = std::move(Opener_);
}

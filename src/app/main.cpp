#include "app/InfoRequest.h"
#include "app/SignalHandling.h"
#include "conversion/EncoderProgram.h"
#include "support/BuildInfo.h"
#include "support/PathUtils.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    // Answered before Qt looks for a display and before any lock or setting.
    if (const int status = AnswerInfoRequest(argc, argv); status >= 0)
        return status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(TMainForm::AppTitle);
    // The desktop entry's name: taskbars group the window under its launcher.
    QApplication::setDesktopFileName(FrobnikDesktopId);
    // An installed copy finds its icon in the theme, a built one beside itself.
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("frobnik"),
        QIcon(
            JoinPath(ProgramFolder(), QStringLiteral("icons/hicolor/256x256/apps/frobnik.png")))));

    // Installed before the window comes up: a signal that arrives during
    // start-up waits in the pipe until the event loop runs.
    TMainForm *form = nullptr;
    TSignalHandling signalHandling([&form](int) {
        if (form)
            form->CloseForSignal();
    });

    TMainForm window;
    form = &window;
    window.show();
    const int status = app.exec();
    // A program ended by a signal says so, whatever its last run did.
    return signalHandling.ExitStatus() != 0 ? signalHandling.ExitStatus() : status;
}

#include "ui/MainForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(TMainForm::AppTitle);
    TMainForm window;
    window.show();
    return app.exec();
}

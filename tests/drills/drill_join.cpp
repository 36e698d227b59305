// One byte-wise join run the way a conversion runs it, as a program of its
// own that a drill can kill: drill_join <joined file> <file>...

#include "conversion/ChildRunner.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3)
        return 2;
    TChildRunner runner;
    return runner.Run(JoinCommand(arguments.mid(2), arguments.at(1)), TStepKind::Join, {});
}

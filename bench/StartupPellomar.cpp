// The program's start-up path (checks, database, login screen), ending as
// soon as the login screen is shown. Takes the program folder as argument.
#include "program/Program.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QCoreApplication::applicationDirPath();
    return runProgram(folder, [](QWidget *) { QCoreApplication::exit(0); });
}

#include "app/Program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellomar"));
    QApplication::setQuitOnLastWindowClosed(false);
    return runProgram(QCoreApplication::applicationDirPath());
}

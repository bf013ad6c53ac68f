#include "program/Program.h"
#include "store/DataFolder.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellomar"));
    QApplication::setDesktopFileName(QStringLiteral("pellomar"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    loadQtTranslation();
    return runProgram(
        DataFolder::choose(QCoreApplication::applicationDirPath(),
                           QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

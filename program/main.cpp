#include "program/Program.h"
#include "program/ServerCommands.h"
#include "store/DataFolder.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>
#include <QTextStream>

namespace {

QString dataFolder()
{
    return DataFolder::choose(QCoreApplication::applicationDirPath(),
                              QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Setting up a server runs on the terminal, without any window.
    if (ServerCommands::isCommand(arguments)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Pellomar"));
        QTextStream out(stdout);
        QTextStream err(stderr);
        return ServerCommands::run(arguments, dataFolder(), out, err);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellomar"));
    QApplication::setDesktopFileName(QStringLiteral("pellomar"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    loadQtTranslation();
    return runProgram(dataFolder());
}

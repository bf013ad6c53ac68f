// Writes the delivered databases: zero.mdb (the blank template) and
// table.mdb (the first live database), both holding only the built-in
// administrator "admin" with the password "123456".
//
//   pellomar_makedb <folder>

#include "base/StoreError.h"
#include "rules/admins/PasswordHash.h"
#include "store/Database.h"
#include "store/sqlite/SqliteEngine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: pellomar_makedb <folder>\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString zero = folder + QStringLiteral("/zero.mdb");
    const QString table = folder + QStringLiteral("/table.mdb");
    QFile::remove(zero);
    QFile::remove(table);

    QString error;
    if (!Database::createFile(zero, PasswordHash::hash(QStringLiteral("123456")),
                                 QStringLiteral("系统内置管理员"), &error)) {
        err << "cannot create " << zero << ": " << error << "\n";
        return 1;
    }
    {
        Database store(zero);
        if (!store.open()) {
            err << "cannot open " << zero << ": " << store.lastError() << "\n";
            return 1;
        }
        try {
            store.exec(QStringLiteral("VACUUM"));
        } catch (const StoreError &e) {
            err << "cannot write " << zero << ": " << e.text() << "\n";
            return 1;
        }
        // Delivered in the rollback journal, so that the files are whole as
        // they are copied; the program's first open switches to the log.
        if (const QString problem = SqliteEngine::leaveLog(store.database()); !problem.isEmpty()) {
            err << "cannot leave the log of " << zero << ": " << problem << "\n";
            return 1;
        }
    }
    if (!QFile::copy(zero, table)) {
        err << "cannot copy to " << table << "\n";
        return 1;
    }
    QTextStream(stdout) << "zero.mdb: " << QFileInfo(zero).size() << " bytes\n";
    return 0;
}

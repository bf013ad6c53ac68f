#include "program/ServerCommands.h"

#include "program/Startup.h"
#include "rules/admins/AdminRules.h"
#include "rules/admins/PasswordHash.h"
#include "rules/server/ServerMove.h"
#include "store/Database.h"
#include "store/ServerSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace ServerCommands {

namespace {

const QString kUsage = QStringLiteral("用法：pellomar --create-server-database\n"
                                      "      pellomar --move-to-server 数据文件（table.mdb）");

bool createDatabase(const ServerSettings &server, QString *error)
{
    return Database::createServerDatabase(server,
                                          PasswordHash::hash(AdminRules::kDeliveredPassword),
                                          AdminRules::kBuiltInRemark, error);
}

int create(const ServerSettings &server, QTextStream &out, QTextStream &err)
{
    out << QStringLiteral("在 %1 上创建数据库……").arg(server.describe()) << '\n';
    out.flush();
    QString error;
    if (!createDatabase(server, &error)) {
        err << QStringLiteral("创建失败：") << error << '\n';
        return 1;
    }
    out << QStringLiteral("创建完成。内置管理员 admin 的密码是 %1，请登录后尽快修改。")
               .arg(AdminRules::kDeliveredPassword)
        << '\n';
    return 0;
}

int move(const ServerSettings &server, const QString &path, QTextStream &out, QTextStream &err)
{
    if (!QFileInfo(path).isFile()) {
        err << QStringLiteral("找不到数据文件：") << QDir::toNativeSeparators(path) << '\n';
        return 1;
    }
    Database file(path);
    if (!file.open()) {
        err << Startup::kUnusableDatabase << '\n' << file.lastError() << '\n';
        return 1;
    }
    // A database without any table gets the tables first; one that has them
    // already is checked for rows by the move.
    QString created;
    if (createDatabase(server, &created))
        out << QStringLiteral("已在 %1 上创建数据库。").arg(server.describe()) << '\n';
    Database target(server);
    if (!target.open()) {
        err << Startup::kServerUnreachable << '\n' << target.lastError() << '\n';
        if (!created.isEmpty())
            err << created << '\n';
        return 1;
    }
    out << QStringLiteral("把 %1 迁移到 %2……")
               .arg(QDir::toNativeSeparators(path), server.describe())
        << '\n';
    out.flush();
    const QString problem = ServerMove(file, target, out).run();
    if (!problem.isEmpty()) {
        err << problem << '\n';
        return 1;
    }
    out << ServerMove::kMoved << '\n';
    return 0;
}

} // namespace

bool isCommand(const QStringList &arguments)
{
    return arguments.contains(kCreate) || arguments.contains(kMove);
}

int run(const QStringList &arguments, const QString &dataFolder, QTextStream &out, QTextStream &err)
{
    const QStringList args = arguments.mid(1);
    const bool create = args == QStringList{kCreate};
    const bool move = args.size() == 2 && args.first() == kMove;
    if (!create && !move) {
        err << kUsage << '\n';
        return 1;
    }
    QString problem;
    const std::optional<ServerSettings> server = Startup::chooseServer(dataFolder, &problem);
    if (!server) {
        err << (problem.isEmpty()
                    ? QStringLiteral("数据文件夹 %1 中没有 %2，不知道要连接哪个数据库服务器。")
                          .arg(QDir::toNativeSeparators(dataFolder), ServerSettings::kFileName)
                    : problem)
            << '\n';
        return 1;
    }
    const int code = create ? ServerCommands::create(*server, out, err)
                            : ServerCommands::move(*server, args.at(1), out, err);
    out.flush();
    err.flush();
    return code;
}

} // namespace ServerCommands

#include "store/DatabaseErrorText.h"

namespace DatabaseErrorText {

namespace {

enum class Kind {
    Busy,
    ReadOnly,
    Disk,
    Full,
    Damaged,
    CannotOpen,
    Memory,
    Denied,
    Maintenance,
    Unreachable,
    Conflict,
    Other
};

// The engine's primary result codes.
Kind byCode(int code)
{
    switch (code & 0xff) {
    case 3:  // SQLITE_PERM
    case 23: // SQLITE_AUTH
        return Kind::Denied;
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return Kind::Busy;
    case 7: // SQLITE_NOMEM
        return Kind::Memory;
    case 8: // SQLITE_READONLY
        return Kind::ReadOnly;
    case 10: // SQLITE_IOERR
        return Kind::Disk;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return Kind::Damaged;
    case 13: // SQLITE_FULL
        return Kind::Full;
    case 14: // SQLITE_CANTOPEN
        return Kind::CannotOpen;
    default:
        return Kind::Other;
    }
}

// The file engine's messages for the same codes.
Kind byText(const QString &text)
{
    const struct
    {
        const char *words;
        Kind kind;
    } known[] = {
        // The store's own words for a server (store/Engine.h).
        {"the database is under maintenance", Kind::Maintenance},
        {"the connection to the database server was lost", Kind::Unreachable},
        {"another till's transaction stood in the way", Kind::Conflict},
        {"database is locked", Kind::Busy},
        {"database table is locked", Kind::Busy},
        {"readonly database", Kind::ReadOnly},
        {"read-only", Kind::ReadOnly},
        {"disk I/O error", Kind::Disk},
        {"database or disk is full", Kind::Full},
        {"database disk image is malformed", Kind::Damaged},
        {"file is not a database", Kind::Damaged},
        {"unable to open database", Kind::CannotOpen},
        {"database is not open", Kind::CannotOpen},
        {"out of memory", Kind::Memory},
        {"access permission denied", Kind::Denied},
        {"authorization denied", Kind::Denied},
    };
    for (const auto &k : known)
        if (text.contains(QLatin1String(k.words), Qt::CaseInsensitive))
            return k.kind;
    return Kind::Other;
}

Kind kindOf(const QString &engineText, int code)
{
    const Kind kind = byCode(code);
    return kind == Kind::Other ? byText(engineText) : kind;
}

} // namespace

bool isAboutTheDisk(const QString &engineText, int code)
{
    switch (kindOf(engineText, code)) {
    case Kind::Busy:
    case Kind::ReadOnly:
    case Kind::Disk:
    case Kind::Full:
    case Kind::Denied:
        return true;
    case Kind::Damaged:
    case Kind::CannotOpen:
    case Kind::Memory:
    case Kind::Maintenance:
    case Kind::Unreachable:
    case Kind::Conflict:
    case Kind::Other:
        break;
    }
    return false;
}

QString sentence(const QString &engineText, int code)
{
    switch (kindOf(engineText, code)) {
    case Kind::Busy:
        return QStringLiteral(
            "数据文件正被其他程序占用。请关闭其他正在使用数据文件的程序，稍后重试。");
    case Kind::ReadOnly:
        return QStringLiteral("数据文件是只读的，无法写入。请取消 table.mdb 的只读属性，"
                              "确认程序所在的文件夹可以写入，然后重新打开程序。");
    case Kind::Disk:
        return QStringLiteral("读写磁盘时出错。请检查磁盘（或U盘、网络盘）是否连接正常，"
                              "重新打开程序后再试，并尽快备份数据。");
    case Kind::Full:
        return QStringLiteral("磁盘空间已满。请清理磁盘，腾出空间后重试。");
    case Kind::Damaged:
        return QStringLiteral("数据文件已损坏。请不要继续使用，从备份还原数据，并联系技术支持。");
    case Kind::CannotOpen:
        return QStringLiteral("无法打开数据文件。请确认 table.mdb 在程序文件夹中并且可以访问，"
                              "然后重新打开程序。");
    case Kind::Memory:
        return QStringLiteral("内存不足。请关闭其他程序后重试。");
    case Kind::Denied:
        return QStringLiteral("没有访问数据文件的权限。请检查 table.mdb 及程序文件夹的权限，"
                              "然后重新打开程序。");
    case Kind::Maintenance:
        return QStringLiteral("数据库正在维护，请稍后再试！");
    case Kind::Unreachable:
        return QStringLiteral("无法连接数据库服务器，请检查网络或联系管理员。"
                              "本次操作没有记账，请等连接恢复后再试，程序会自动重新连接。");
    case Kind::Conflict:
        return QStringLiteral("其他收银台正在处理同一笔数据，本次操作没有记账，请稍后再试！");
    case Kind::Other:
        break;
    }
    return QStringLiteral("数据库发生错误。请重新打开程序后重试；仍然失败时请联系技术支持。");
}

QString withDetail(const QString &engineText, int code)
{
    const QString said = sentence(engineText, code);
    return engineText.trimmed().isEmpty()
               ? said
               : said + QStringLiteral("\n详细信息：") + engineText.trimmed();
}

} // namespace DatabaseErrorText

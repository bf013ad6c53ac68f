#include "rules/export/MemberExport.h"

#include "base/Clock.h"
#include "base/DiskCalls.h"
#include "base/Formats.h"
#include "base/Session.h"
#include "base/StagedFile.h"
#include "rules/admins/Permissions.h"
#include "store/AuditLog.h"
#include "store/Database.h"
#include "store/MemberTable.h"
#include "store/Schema.h"
#include "workbook/XlsWriter.h"

#include <QFile>
#include <QFileInfo>

static_assert(MemberExport::kMembersPerSheet == XlsWriter::kDataRowsPerSheet);

namespace MemberExport {

Written write(Database &store, const QString &path, DiskCalls &calls)
{
    // One snapshot for the count and the rows; nothing is written, so it
    // rolls back at the end.
    Transaction snapshot(store);
    MemberTable members(store);
    const qint64 count = members.count();

    StagedFile staged(path, calls);
    if (!staged.isOpen())
        return {staged.error()};
    XlsWriter xls(QStringLiteral("sheet"), QFileInfo(path).absolutePath(), calls);
    bool changed = false;
    const bool written =
        xls.write(staged.handle(), Schema::kMemberColumns, [&](XlsWriter::Rows &rows) {
            qint64 n = 0;
            members.forEachStored([&](const StoredMember &m) {
                if (n == count) {
                    changed = true;
                    return false;
                }
                rows.storedText(0, m.name);
                rows.storedText(1, m.sex);
                rows.storedText(2, m.phone);
                rows.number(3, double(m.consumed.fen()) / 100);
                rows.storedText(4, m.referrer);
                rows.storedText(5, m.referrerPhone);
                rows.number(6, double(m.consumptions));
                rows.number(7, double(m.balance.fen()) / 100);
                rows.date(8, m.registered);
                rows.endRow();
                ++n;
                return true;
            });
            changed = changed || n != count;
        });
    if (changed)
        return {QStringLiteral("导出期间会员数据发生了变化")};
    if (!written)
        return {xls.error()};
    if (!staged.commit(StagedFile::Existing::Replace))
        return {staged.error()};
    return {QString(), xls.cutCells()};
}

Written write(Database &store, const QString &path)
{
    return write(store, path, DiskCalls::system());
}

Written writeAlongside(const Database &store, const QString &path)
{
    const std::unique_ptr<Database> same = store.sameDatabase();
    Database &reader = *same;
    reader.openAlongside();
    return write(reader, path);
}

std::optional<Outcome> refusal(const Session &session, const QString &typed)
{
    if (!Permissions::allows(session, Permissions::Action::Export))
        return Outcome{Outcome::Kind::Refused, kNotAllowed};
    if (!session.confirms(typed))
        return Outcome{Outcome::Kind::Refused, kWrongPassword};
    return std::nullopt;
}

Outcome run(Database &store, const QString &path, const Session &session, const QString &typed,
            DiskCalls &calls)
{
    if (auto refused = refusal(session, typed))
        return *refused;
    return finish(store, path, write(store, path, calls));
}

Outcome finish(Database &store, const QString &path, const Written &result)
{
    if (!result.failure.isEmpty())
        return {Outcome::Kind::Failed, kFailed + QLatin1Char('\n') + result.failure};
    AuditLog::record(store, AuditLog::kExport, QFileInfo(path).fileName());
    QString message = kExported + Formats::shortDate(Clock::today());
    if (result.cutCells > 0)
        message += QLatin1Char('\n') + kCut.arg(result.cutCells);
    return {Outcome::Kind::Exported, message};
}

Outcome run(Database &store, const QString &path, const Session &session, const QString &typed)
{
    return run(store, path, session, typed, DiskCalls::system());
}

} // namespace MemberExport

#pragma once

#include "rules/reports/Tally.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// 推荐人报表: what one referrer's referees spent and what he earned from
// each, summed from the ledger. An entry counts in the range when it was
// written in it: a consumption reversed later counts in its own range and
// its reversal (and the commission taken back) in theirs. The referees are
// the members now naming him, and anyone whose entries in the range
// concern him (a deleted referee among them, with what his entries say).
namespace ReferrerReport {

struct Referee
{
    qint64 account = 0;  // 0: a member without an account yet
    qint64 memberId = 0; // 0: deleted
    QString name;
    QString phone;
    QDate registered;  // invalid when deleted
    Tally consumption; // the consumptions that credited the referrer, reversals netted
    Money commission;  // credited less taken back
};

struct Report
{
    qint64 account = 0;
    QString name;
    QString phone;
    bool deleted = false;
    QDate from;
    QDate to;
    QList<Referee> referees; // most commission first
    Tally consumption;       // of every referee
    Money commission;
    // The commission of each of the last 12 months, the oldest first; the
    // last is the month of `to`.
    QList<QDate> months;
    QList<Money> monthly;
};

// The referrer's account: by member row id; 0 when he has none.
qint64 accountOfMember(Database &store, qint64 memberId);

// Throws StoreError when the database fails.
Report compute(Database &store, qint64 account, const QDate &from, const QDate &to);

QStringList headers();
QStringList cells(const Referee &r);
QString totalsText(const Report &r);
QString title(const Report &r);

inline const QString kNoReferrer = QStringLiteral("请先输入推荐人的会员名或手机号！");
inline const QString kNotFound = QStringLiteral("查无此人，请检查是否输入有误！");
inline const QString kExportFailed = QStringLiteral("推荐人报表导出失败！");
inline const QString kExported = QStringLiteral("推荐人报表已导出到 ");

} // namespace ReferrerReport

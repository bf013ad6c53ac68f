#pragma once

// The member workbook as the database says it must read back, and the check
// of a written workbook against it with every reader.
#include "XlsReadBack.h"
#include "rules/export/MemberExport.h"
#include "store/Database.h"
#include "store/MemberTable.h"
#include "store/Schema.h"

#include <QElapsedTimer>

namespace MemberWorkbook {

// What a cell holds of a text: all of it up to 32,767 UTF-16 units, one
// less when the last would be the first half of a surrogate pair.
inline QString cellText(const QString &text)
{
    if (text.size() <= 32767)
        return text;
    const bool pair = text.at(32766).isHighSurrogate() && text.at(32767).isLowSurrogate();
    return text.left(pair ? 32766 : 32767);
}

inline bool isCut(const QString &text)
{
    return text.size() > 32767;
}

// libfreexl counts every fourth year as a leap year, 2100 and 2200 too, so
// from March 2100 on it reads a serial number as a later day than Excel
// does: the day it gives for this date's serial number.
inline QDate freexlDay(QDate day)
{
    qint64 left = QDate(1900, 1, 1).daysTo(day) + (day >= QDate(1900, 3, 1) ? 1 : 0);
    int year = 1900;
    for (;;) {
        const int days = year % 4 == 0 ? 366 : 365;
        if (left < days)
            break;
        left -= days;
        ++year;
    }
    int month = 1;
    for (;; ++month) {
        const int days =
            month == 2 ? (year % 4 == 0 ? 29 : 28) : QDate(2001, month, 1).daysInMonth();
        if (left < days)
            break;
        left -= days;
    }
    return QDate(year, month, int(left) + 1);
}

// Whom a dump is for: a reader that holds every value, or libfreexl, which
// hands texts out as C strings (a text ends at its first U+0000) without a
// leading byte order mark, and counts days its own way (freexlDay).
enum class Reader { Exact, Freexl };

// The longest text that libfreexl 1.0.6 reads: it takes the rest of a
// string continued from one record as lying whole in the next, so a string
// stored in more than two records (more than one CONTINUE) is misread.
// A string needs three records only from 8,223 bytes on.
constexpr int kFreexlMaxStoredBytes = 8222;

inline int storedBytes(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7F)
            return int(text.size()) * 2;
    }
    return int(text.size());
}

// The dump of every member in the database, for this reader. longest, when
// given, receives the stored size in bytes of the longest text.
inline QByteArray expected(Database &store, Reader reader = Reader::Exact, int *longest = nullptr)
{
    const bool upToNul = reader == Reader::Freexl;
    int most = 0;
    XlsReadBack::Dump dump;
    int sheet = 0;
    int inSheet = MemberExport::kMembersPerSheet;
    auto text = [&](const QString &value) {
        if (value.isEmpty())
            return dump.empty();
        QString held = cellText(value);
        most = qMax(most, storedBytes(held));
        if (upToNul && held.contains(QChar(0)))
            held.truncate(held.indexOf(QChar(0)));
        if (upToNul && held.startsWith(QChar(0xFEFF)))
            held.remove(0, 1); // libfreexl drops a text's leading byte order mark
        dump.text(held);
    };
    auto header = [&] {
        dump.sheet(QStringLiteral("sheet%1").arg(++sheet));
        for (const QString &column : Schema::kMemberColumns)
            dump.text(column);
        dump.endRow();
        inSheet = 0;
    };
    header();
    MemberTable(store).forEach([&](const Member &m) {
        if (inSheet == MemberExport::kMembersPerSheet)
            header();
        text(m.name);
        text(m.sex);
        text(m.phone);
        dump.number(double(m.consumed.fen()) / 100);
        text(m.referrer);
        text(m.referrerPhone);
        dump.number(double(m.consumptions));
        dump.number(double(m.balance.fen()) / 100);
        if (!m.registered.isValid())
            dump.empty();
        else if (m.registered.year() < 1900)
            dump.text(m.registered.toString(Qt::ISODate)); // no serial number for it
        else
            dump.date(reader == Reader::Freexl ? freexlDay(m.registered) : m.registered);
        dump.endRow();
        ++inSheet;
        return true;
    });
    if (longest)
        *longest = most;
    return dump.bytes();
}

// Members 1..n straight from SQL: texts, numbers and dates of every column.
// One member in 50 has a registration date: libfreexl turns a serial
// number into a day by counting the days from 1900 one at a time, which
// for 200,000 dates of this century alone takes it about ten seconds.
inline void generate(Database &store, qint64 n)
{
    Transaction tx(store);
    store
        .exec(QStringLiteral(
                  "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                  "INSERT INTO 会员登记 (会员名, 性别, 手机号, 消费金额, 推荐人, 推荐人手机, "
                  "被推荐人消费次数, 余额, 注册时间) "
                  "SELECT '会员' || i, CASE i % 3 WHEN 0 THEN '男' WHEN 1 THEN '女' ELSE '' END, "
                  "printf('138%08d', i), (i % 100000) / 100.0, 'r' || (i % 50), '', i % 7, "
                  "-(i % 1000) / 100.0, "
                  "CASE WHEN i % 50 = 1 THEN date('2020-01-01', '+' || (i % 3000) || ' days') "
                  "ELSE '' END FROM n"),
              {n})
        .finish();
    tx.commit();
}

// Reads the workbook at path with the walker, libfreexl, xlrd and gnumeric
// and compares each with the database; returns the differences, empty when
// there are none. libfreexl is left out for a workbook holding a text it
// cannot read (kFreexlMaxStoredBytes); the other three read every text.
// walked receives the walker's view.
inline QString compare(Database &store, const QString &path, bool types,
                       XlsReadBack::Workbook *walked = nullptr)
{
    const int columns = int(Schema::kMemberColumns.size());
    const QByteArray whole = expected(store);
    QStringList problems;
    XlsReadBack::Workbook wb = XlsReadBack::walk(path, columns);
    if (!wb.error.isEmpty())
        problems << QStringLiteral("walker: ") + wb.error;
    else
        problems << XlsReadBack::firstDifference(whole, wb.dump, QStringLiteral("walker"));
    int longest = 0;
    const QByteArray forFreexl = expected(store, Reader::Freexl, &longest);
    if (longest <= kFreexlMaxStoredBytes) {
        QByteArray freexl;
        const QString failed = XlsReadBack::readWithFreexl(path, columns, &freexl);
        if (!failed.isEmpty())
            problems << QStringLiteral("freexl: ") + failed;
        else
            problems << XlsReadBack::firstDifference(forFreexl, freexl, QStringLiteral("freexl"));
    }
    problems << XlsReadBack::readWithOthers(path, whole, types);
    problems.removeAll(QString());
    if (walked)
        *walked = wb;
    return problems.join(QLatin1Char('\n'));
}

} // namespace MemberWorkbook

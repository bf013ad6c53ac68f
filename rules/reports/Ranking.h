#pragma once

#include "rules/reports/Tally.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// 推荐排行: the referrers of a range ranked by the commission they earned or
// by what their referees spent, both net of the reversals written in the
// range. Deleted referrers keep their place.
namespace Ranking {

enum class By { Commission, Spending };

struct Row
{
    qint64 account = 0;
    QString name; // as his last entry names him
    QString phone;
    bool deleted = false;
    Money commission;
    Money spending;
};

inline constexpr int kTop = 20;

// The top `top` rows, best first (ties by account). Throws StoreError.
QList<Row> compute(Database &store, const QDate &from, const QDate &to, By by, int top = kTop);

// The one statement that sums the range per referrer: bound with the
// commission kind, the range, the reversed-commission kind, the range, the
// consumption reversal kind, the range and the commission kind again.
extern const QString kSums;

QStringList headers();
QStringList cells(int place, const Row &row);

inline const QStringList kByTexts = {QStringLiteral("按提成"), QStringLiteral("按被推荐人消费")};
inline const QString kExportFailed = QStringLiteral("推荐排行导出失败！");
inline const QString kExported = QStringLiteral("推荐排行已导出到 ");

} // namespace Ranking

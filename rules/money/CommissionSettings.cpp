#include "rules/money/CommissionSettings.h"

#include "base/NumberText.h"
#include "store/AuditLog.h"
#include "store/CommissionTable.h"
#include "store/Database.h"

#include <cmath>

namespace CommissionSettings {

qint64 wholeValue(const QString &text)
{
    const double v = NumberText::leadingValue(text);
    if (!std::isfinite(v) || std::fabs(v) > 1e15)
        return 0;
    return qint64(std::nearbyint(v)); // default rounding mode: halves to even
}

Outcome save(Database &store, Mode mode, const QString &fixedText, const QString &percentText)
{
    if (mode == Mode::None)
        return {Outcome::Kind::Refused, kNoMode};
    const bool fixed = mode == Mode::Fixed;
    const QString &text = fixed ? fixedText : percentText;
    if (!NumberText::isNumeric(text))
        return {Outcome::Kind::Refused, fixed ? kFixedNotNumber : kPercentNotNumber};
    const qint64 value = wholeValue(text);
    if (value <= 0)
        return {Outcome::Kind::Refused, kNotPositive};

    CommissionSetting setting;
    (fixed ? setting.fixedYuan : setting.percent) = value;
    Transaction tx(store);
    if (!CommissionTable(store).storeIfUnset(setting))
        return {Outcome::Kind::AlreadySet, {}};
    AuditLog(store).add(AuditLog::kSettings,
                        fixed ? QStringLiteral("固定提成 %1 元").arg(value)
                              : QStringLiteral("消费比例提成 %1%").arg(value),
                        store.operatorName());
    tx.commit();
    return {Outcome::Kind::Saved, kSaved};
}

Shown shown(const CommissionSetting &setting)
{
    Shown s;
    if (setting.fixedYuan != 0)
        s.fixedText = QString::number(setting.fixedYuan);
    if (setting.percent != 0)
        s.percentText = QString::number(setting.percent);
    return s;
}

std::optional<CommissionSetting> load(Database &store)
{
    return CommissionTable(store).load();
}

} // namespace CommissionSettings

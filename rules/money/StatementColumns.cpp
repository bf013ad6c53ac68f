#include "rules/money/StatementColumns.h"

#include "rules/money/Statement.h"
#include "store/SettingsTable.h"

namespace StatementColumns {

namespace {

const QLatin1Char kSeparator(',');

} // namespace

Shown usual()
{
    const QStringList rarely = {QStringLiteral("会员名"), QStringLiteral("手机号"),
                                QStringLiteral("消费变动"), QStringLiteral("次数变动")};
    Shown shown;
    for (const QString &caption : Statement::headers())
        shown << !rarely.contains(caption);
    return shown;
}

bool alwaysShown(int column)
{
    return column == 0 || column == Statement::kKindColumn;
}

QString text(const Shown &shown)
{
    const QStringList captions = Statement::headers();
    QStringList names;
    for (int c = 0; c < captions.size(); ++c) {
        if (shown.value(c) || alwaysShown(c))
            names << captions.at(c);
    }
    return names.join(kSeparator);
}

Shown fromText(const std::optional<QString> &stored)
{
    if (!stored)
        return usual();
    const QStringList names = stored->split(kSeparator);
    Shown shown;
    for (const QString &caption : Statement::headers())
        shown << names.contains(caption);
    for (int c = 0; c < shown.size(); ++c)
        shown[c] = shown.at(c) || alwaysShown(c);
    return shown;
}

Shown load(Database &store)
{
    return fromText(SettingsTable(store).value(kSetting));
}

void keep(Database &store, const Shown &shown)
{
    SettingsTable(store).setValue(kSetting, text(shown));
}

} // namespace StatementColumns

#pragma once

#include <QList>
#include <QString>
#include <optional>

class Database;

// Which columns of the statement (Statement::headers()) the screen shows.
// The usual ones fit a 1366-pixel-wide screen; the member's name and phone
// (the same on every row, and said above the grid) and the consumption
// total and count changes are shown only when chosen. Each account keeps
// its own choice.
namespace StatementColumns {

// One flag per column of Statement::headers(): shown or not.
using Shown = QList<bool>;

inline const QString kSetting = QStringLiteral("会员流水/列");

Shown usual();
// The entry number and its kind are always shown.
bool alwaysShown(int column);

// The choice kept as text: the captions of the shown columns, comma
// separated, so that the choice outlives a change in the order of the
// columns. Nothing stored gives the usual columns.
QString text(const Shown &shown);
Shown fromText(const std::optional<QString> &stored);

// The choice of the store's operator; throw StoreError when the database
// fails.
Shown load(Database &store);
void keep(Database &store, const Shown &shown);

} // namespace StatementColumns

#pragma once

#include <QPushButton>

class Database;
class QWidget;

// The slip after a consumption, a recharge or a reversal: printed at once on
// the default printer when 自动打印小票 is on, else from the screen's 打印小票
// button. A failed print is told; the action stays done.
namespace SlipPrint {

// Prints the slip of the action with this ledger entry and operation number;
// false when it failed.
bool print(QWidget *parent, Database &store, qint64 entry, const QString &operation);

// 打印小票 (xiaopiao): prints the slip of the screen's last action; disabled
// until there is one.
class Button : public QPushButton
{
    Q_OBJECT
public:
    Button(Database &store, QWidget *parent);

    // Called once the action's transaction is committed: the button now
    // prints this entry's slip, and it prints at once when the setting says
    // so.
    void actionDone(qint64 entry, const QString &operation);
    qint64 entry() const { return m_entry; }

private:
    Database &m_store;
    qint64 m_entry = 0;
    QString m_operation;
};

} // namespace SlipPrint

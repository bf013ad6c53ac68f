#pragma once

#include "screens/ScreenDialog.h"

class Database;
class QCheckBox;
class QLabel;
class QLineEdit;
namespace SlipPrint {
class Button;
}

// 充值系统 (chongzhi): recharges a member's balance; with 余额对冲 ticked and
// confirmed the amount is taken off instead. Stays open for further
// recharges.
class RechargeDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit RechargeDialog(Database &store, QWidget *parent = nullptr);

    // Shows today's date and clears the status line.
    void activate() override;

    // Fills in the member's name and phone, and puts the cursor on the amount.
    void fillMember(const QString &name, const QString &phone);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void formCleared() override;

private:
    Database &m_store;
    void recharge();
    void offsetToggled(bool ticked);
    void amountChanged(const QString &text);
    bool inOffsetMode() const;

    QLineEdit *m_nameBox;
    QLineEdit *m_phoneBox;
    QLineEdit *m_amountBox;
    QCheckBox *m_offsetBox;
    QLabel *m_dateLabel;
    QLabel *m_statusLabel;
    SlipPrint::Button *m_slipButton;
};

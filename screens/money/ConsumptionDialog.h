#pragma once

#include "screens/ScreenDialog.h"
#include "store/AdminTable.h"
#include "store/CommissionTable.h"

class QComboBox;
class QLabel;
class QLineEdit;
namespace SlipPrint {
class Button;
}

// 消费登记 (xiaofei): records a member's consumption, paid from his balance or
// in cash, and pays his referrer's commission.
class MemberStore;

class ConsumptionDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit ConsumptionDialog(MemberStore &store, QWidget *parent = nullptr);

    // Selects the balance payment and loads the commission setting; without
    // a setting the screen says so and closes.
    void activate() override;

private:
    MemberStore &m_store;
    void paymentChosen(int index);
    void confirm();

    CommissionSetting m_setting;
    QLineEdit *m_nameBox;
    QLineEdit *m_phoneBox;
    QComboBox *m_paymentBox;
    QLineEdit *m_amountBox;
    QLabel *m_resultLabel;
    SlipPrint::Button *m_slipButton;
};

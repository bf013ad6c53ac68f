#pragma once

#include "app/ScreenDialog.h"
#include "store/AdminTable.h"

class QComboBox;
class QLabel;
class QLineEdit;

// 消费登记 (xiaofei): records a member's consumption, paid from his balance or
// in cash, and pays his referrer's commission.
class ConsumptionDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit ConsumptionDialog(AppContext &context, QWidget *parent = nullptr);

    // Selects the balance payment and loads the commission setting; without
    // a setting the screen says so and closes.
    void activate() override;

private:
    void paymentChosen(int index);
    void confirm();

    CommissionSetting m_setting;
    QLineEdit *m_text1;
    QLineEdit *m_text2;
    QComboBox *m_combo1;
    QLineEdit *m_text5;
    QLabel *m_label4;
};

#pragma once

#include "screens/ScreenDialog.h"
#include "store/CommissionSetting.h"

class Database;
class QComboBox;
struct Session;
class QLabel;
class QLineEdit;
namespace SlipPrint {
class Button;
}

// 消费登记 (xiaofei): records a member's consumption, paid from his balance or
// in cash, and pays his referrer's commission.
class ConsumptionDialog : public ScreenDialog
{
    Q_OBJECT
public:
    // With a session, the long cash hint is shown once per login; without
    // one, each time cash is chosen.
    explicit ConsumptionDialog(Database &store, QWidget *parent = nullptr,
                               Session *session = nullptr);

    // Selects the balance payment and loads the commission setting; without
    // a setting the screen says so and closes.
    void activate() override;

    // Fills in the member's name and phone, and puts the cursor on the amount.
    void fillMember(const QString &name, const QString &phone);

protected:
    void formCleared() override;

private:
    Database &m_store;
    Session *m_session;
    void paymentChosen(int index);
    void showPaymentNote();
    void confirm();

    CommissionSetting m_setting;
    QLineEdit *m_nameBox;
    QLineEdit *m_phoneBox;
    QComboBox *m_paymentBox;
    QLineEdit *m_amountBox;
    QLabel *m_resultLabel;
    QLabel *m_paymentNote;
    SlipPrint::Button *m_slipButton;
};

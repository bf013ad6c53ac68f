#include "screens/money/RechargeDialog.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "rules/money/Recharge.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "screens/reports/SlipPrint.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QLatin1Char kMinus('-');
// Characters the amount box takes (9999999.99); the "-" of offset mode comes
// on top of them.
constexpr int kAmountDigits = 10;
} // namespace

RechargeDialog::RechargeDialog(Database &store, QWidget *parent)
    : ScreenDialog(QStringLiteral("chongzhi"), QStringLiteral("充值系统"), parent), m_store(store)
{
    QGroupBox *inputFrame = frame("Frame1", QStringLiteral("输入充值信息"));
    m_nameBox = textBox("Text1", 0, inputFrame);
    m_phoneBox = textBox("Text2", 11, inputFrame);
    Ui::digitsOnly(m_phoneBox);

    QGroupBox *amountFrame = frame("Frame2", QStringLiteral("充值金额"), inputFrame);
    m_amountBox = textBox("Text3", kAmountDigits, amountFrame);
    Ui::amountOnly(m_amountBox);
    // Installed last, so it sees a key first.
    m_amountBox->installEventFilter(this);
    auto *amount = new QHBoxLayout(amountFrame);
    amount->addWidget(m_amountBox);
    amount->addWidget(label("Label7", QStringLiteral("元"), amountFrame));

    m_offsetBox = checkBox("Check1", QStringLiteral("余额对冲"), inputFrame);
    m_offsetBox->setStyleSheet(QStringLiteral("color: red;"));
    auto *offsetHint =
        label("Label8", QStringLiteral("（用于误多充值时减去充值额使用）"), inputFrame);
    offsetHint->setStyleSheet(QStringLiteral("color: red;"));
    QPushButton *confirmButton =
        mainAction(button("Command1", QStringLiteral("确定（&S）"), inputFrame));
    QPushButton *exitButton = button("Command2", QStringLiteral("退出（&E）"), inputFrame);

    auto *grid = new QGridLayout(inputFrame);
    grid->addWidget(label("Label1", QStringLiteral("用户名："), inputFrame), 0, 0);
    grid->addWidget(m_nameBox, 0, 1);
    grid->addWidget(label("Label2", QStringLiteral("手机号："), inputFrame), 1, 0);
    grid->addWidget(m_phoneBox, 1, 1);
    grid->addWidget(amountFrame, 2, 0, 1, 2);
    auto *offset = new QHBoxLayout;
    offset->addWidget(m_offsetBox);
    offset->addWidget(offsetHint);
    offset->addStretch();
    grid->addLayout(offset, 3, 0, 1, 2);
    QHBoxLayout *buttons = buttonRow(confirmButton, exitButton);
    m_slipButton = new SlipPrint::Button(store, inputFrame);
    buttons->addWidget(m_slipButton);
    grid->addLayout(buttons, 4, 0, 1, 2);

    m_dateLabel = label("Label4", QStringLiteral("Label4"));
    m_statusLabel = label("Label6", QStringLiteral("充值完成！余额：XXXX元"));
    auto *status = new QGridLayout;
    status->addWidget(label("Label3", QStringLiteral("当前时间")), 0, 0);
    status->addWidget(m_dateLabel, 0, 1);
    status->addWidget(label("Label5", QStringLiteral("操作提示：")), 1, 0);
    status->addWidget(m_statusLabel, 1, 1);
    status->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(inputFrame);
    layout->addLayout(status);

    escapeClears({m_nameBox, m_phoneBox, m_amountBox}); // the amount's "-" and tick go with it
    connect(confirmButton, &QPushButton::clicked, this, &RechargeDialog::recharge);
    connect(m_offsetBox, &QCheckBox::toggled, this, &RechargeDialog::offsetToggled);
    connect(m_amountBox, &QLineEdit::textChanged, this, &RechargeDialog::amountChanged);
}

void RechargeDialog::activate()
{
    m_dateLabel->setText(Formats::shortDate(Clock::today()));
    m_statusLabel->clear();
}

void RechargeDialog::fillMember(const QString &name, const QString &phone)
{
    m_nameBox->setText(name);
    m_phoneBox->setText(phone);
    m_amountBox->setFocus(Qt::OtherFocusReason);
}

void RechargeDialog::formCleared()
{
    m_statusLabel->clear();
}

bool RechargeDialog::inOffsetMode() const
{
    return m_amountBox->text().startsWith(kMinus);
}

bool RechargeDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_amountBox && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        // Backspace, editing keys and shortcuts pass; no character is typed
        // while the amount carries the "-" (the amount filter checks the rest).
        if (!text.isEmpty() && text.at(0).isPrint() && inOffsetMode()) {
            Dialogs::message(this, Recharge::kOffsetTyping);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void RechargeDialog::offsetToggled(bool ticked)
{
    if (!ticked) {
        if (inOffsetMode())
            m_amountBox->setText(m_amountBox->text().mid(1));
        return;
    }
    if (Dialogs::isOk(Dialogs::input(this, Recharge::kOffsetPrompt))) {
        if (!m_amountBox->text().isEmpty() && !inOffsetMode()) {
            m_amountBox->setMaxLength(kAmountDigits + 1);
            m_amountBox->setText(kMinus + m_amountBox->text());
        }
        return;
    }
    m_offsetBox->setChecked(false); // removes the "-" through the branch above
    if (inOffsetMode())
        m_amountBox->setText(m_amountBox->text().mid(1));
}

void RechargeDialog::amountChanged(const QString &text)
{
    m_amountBox->setMaxLength(kAmountDigits + (text.startsWith(kMinus) ? 1 : 0));
    if (!text.contains(kMinus))
        m_offsetBox->setChecked(false);
}

void RechargeDialog::recharge()
{
    const Recharge::Request request{m_nameBox->text(), m_phoneBox->text(), m_amountBox->text(),
                                    m_offsetBox->isChecked()};
    const auto result = attempt([&] { return Recharge::recharge(m_store, request); });
    if (!result)
        return;
    const Recharge::Outcome &outcome = *result;
    Dialogs::message(this, outcome.message);
    if (outcome.done) {
        m_statusLabel->setText(outcome.status);
        m_slipButton->actionDone(outcome.entry, outcome.operation);
        // A second press must not recharge again.
        m_amountBox->clear();
    } else if (outcome.focus == Recharge::Focus::Name)
        m_nameBox->setFocus();
    else if (outcome.focus == Recharge::Focus::Phone)
        m_phoneBox->setFocus();
}

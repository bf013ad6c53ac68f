#include "screens/money/RechargeDialog.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "base/NumberText.h"
#include "base/StoreError.h"
#include "rules/money/Recharge.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

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
// Digits the amount box takes; the "-" of offset mode comes on top of them.
constexpr int kAmountDigits = 7;
} // namespace

RechargeDialog::RechargeDialog(MemberStore &store, QWidget *parent)
    : ScreenDialog(QStringLiteral("chongzhi"), QStringLiteral("充值系统"), parent), m_store(store)
{
    auto *frame1 = new QGroupBox(QStringLiteral("输入充值信息"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    m_text1 = newTextBox("Text1", 0, frame1);
    m_text2 = newTextBox("Text2", 11, frame1);
    Ui::digitsOnly(m_text2);

    auto *frame2 = new QGroupBox(QStringLiteral("充值金额"), frame1);
    frame2->setObjectName(QStringLiteral("Frame2"));
    m_text3 = newTextBox("Text3", kAmountDigits, frame2);
    m_text3->installEventFilter(this);
    auto *amount = new QHBoxLayout(frame2);
    amount->addWidget(m_text3);
    amount->addWidget(newLabel("Label7", QStringLiteral("元"), frame2));

    m_check1 = new QCheckBox(QStringLiteral("余额对冲"), frame1);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setStyleSheet(QStringLiteral("color: red;"));
    auto *label8 = newLabel("Label8", QStringLiteral("（用于误多充值时减去充值额使用）"), frame1);
    label8->setStyleSheet(QStringLiteral("color: red;"));
    QPushButton *command1 = newButton("Command1", QStringLiteral("确定（&S）"), frame1);
    QPushButton *command2 = newButton("Command2", QStringLiteral("退出（&E）"), frame1);

    auto *grid = new QGridLayout(frame1);
    grid->addWidget(newLabel("Label1", QStringLiteral("用户名："), frame1), 0, 0);
    grid->addWidget(m_text1, 0, 1);
    grid->addWidget(newLabel("Label2", QStringLiteral("手机号："), frame1), 1, 0);
    grid->addWidget(m_text2, 1, 1);
    grid->addWidget(frame2, 2, 0, 1, 2);
    auto *offset = new QHBoxLayout;
    offset->addWidget(m_check1);
    offset->addWidget(label8);
    offset->addStretch();
    grid->addLayout(offset, 3, 0, 1, 2);
    grid->addLayout(newButtonRow(command1, command2), 4, 0, 1, 2);

    m_label4 = newLabel("Label4", QStringLiteral("Label4"), this);
    m_label6 = newLabel("Label6", QStringLiteral("充值完成！余额：XXXX元"), this);
    auto *status = new QGridLayout;
    status->addWidget(newLabel("Label3", QStringLiteral("当前时间"), this), 0, 0);
    status->addWidget(m_label4, 0, 1);
    status->addWidget(newLabel("Label5", QStringLiteral("操作提示："), this), 1, 0);
    status->addWidget(m_label6, 1, 1);
    status->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    layout->addLayout(status);

    connect(command1, &QPushButton::clicked, this, &RechargeDialog::recharge);
    connect(m_check1, &QCheckBox::toggled, this, &RechargeDialog::offsetToggled);
    connect(m_text3, &QLineEdit::textChanged, this, &RechargeDialog::amountChanged);
}

void RechargeDialog::activate()
{
    m_label4->setText(Formats::shortDate(Clock::today()));
    m_label6->clear();
}

bool RechargeDialog::inOffsetMode() const
{
    return m_text3->text().startsWith(kMinus);
}

bool RechargeDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text3 && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        // Backspace, editing keys and shortcuts pass; typed characters are
        // digits only, and none at all while the amount carries the "-".
        if (!text.isEmpty() && text.at(0).isPrint()) {
            if (inOffsetMode()) {
                Dialogs::message(this, Recharge::kOffsetTyping);
                return true;
            }
            if (!NumberText::isDigitKey(text.at(0)))
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void RechargeDialog::offsetToggled(bool ticked)
{
    if (!ticked) {
        if (inOffsetMode())
            m_text3->setText(m_text3->text().mid(1));
        return;
    }
    if (Dialogs::isOk(Dialogs::input(this, Recharge::kOffsetPrompt))) {
        if (!m_text3->text().isEmpty() && !inOffsetMode()) {
            m_text3->setMaxLength(kAmountDigits + 1);
            m_text3->setText(kMinus + m_text3->text());
        }
        return;
    }
    m_check1->setChecked(false); // removes the "-" through the branch above
    if (inOffsetMode())
        m_text3->setText(m_text3->text().mid(1));
}

void RechargeDialog::amountChanged(const QString &text)
{
    m_text3->setMaxLength(kAmountDigits + (text.startsWith(kMinus) ? 1 : 0));
    if (!text.contains(kMinus))
        m_check1->setChecked(false);
}

void RechargeDialog::recharge()
{
    const Recharge::Request request{m_text1->text(), m_text2->text(), m_text3->text(),
                                    m_check1->isChecked()};
    Recharge::Outcome outcome;
    try {
        outcome = Recharge::recharge(m_store, request);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    Dialogs::message(this, outcome.message);
    if (outcome.done)
        m_label6->setText(outcome.status);
    else if (outcome.focus == Recharge::Focus::Name)
        m_text1->setFocus();
    else if (outcome.focus == Recharge::Focus::Phone)
        m_text2->setFocus();
}

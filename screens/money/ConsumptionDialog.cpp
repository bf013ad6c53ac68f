#include "screens/money/ConsumptionDialog.h"

#include "base/Session.h"
#include "rules/money/Commission.h"
#include "rules/money/CommissionSettings.h"
#include "rules/money/Consumption.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "screens/reports/SlipPrint.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ConsumptionDialog::ConsumptionDialog(Database &store, QWidget *parent, Session *session)
    : ScreenDialog(QStringLiteral("xiaofei"), QStringLiteral("消费登记"), parent), m_store(store),
      m_session(session)
{
    QGroupBox *inputFrame = frame("Frame1", QStringLiteral("输入消费信息"));
    m_nameBox = textBox("Text1", 10, inputFrame);
    m_phoneBox = textBox("Text2", 11, inputFrame);
    Ui::digitsOnly(m_phoneBox);

    QGroupBox *amountFrame = frame("Frame2", QStringLiteral("消费金额"), inputFrame);
    m_paymentBox = comboBox("Combo1", {Consumption::kCash, Consumption::kBalance}, amountFrame);
    m_amountBox = textBox("Text5", 0, amountFrame);
    Ui::amountOnly(m_amountBox);
    // What cash means, in short, while cash is chosen.
    m_paymentNote = label("Label5", QStringLiteral("现金：照常记录与提成，不扣余额"), amountFrame);
    m_paymentNote->setStyleSheet(QStringLiteral("color: red;"));
    auto *amount = new QGridLayout(amountFrame);
    amount->addWidget(m_paymentBox, 0, 0);
    amount->addWidget(m_amountBox, 0, 1);
    amount->addWidget(m_paymentNote, 1, 0, 1, 2);

    m_resultLabel = label("Label4", QString(), inputFrame);
    // The result: amount, balance and the referrer's commission.
    m_resultLabel->setMinimumHeight(m_resultLabel->fontMetrics().lineSpacing() * 3);
    QPushButton *confirmButton =
        mainAction(button("Command1", QStringLiteral("确定（&S)"), inputFrame));
    QPushButton *exitButton = button("Command2", QStringLiteral("退出（&E）"), inputFrame);

    auto *grid = new QGridLayout(inputFrame);
    grid->addWidget(label("Label1", QStringLiteral("用 户 名："), inputFrame), 0, 0);
    grid->addWidget(m_nameBox, 0, 1);
    grid->addWidget(label("Label2", QStringLiteral("手 机 号："), inputFrame), 1, 0);
    grid->addWidget(m_phoneBox, 1, 1);
    grid->addWidget(amountFrame, 2, 0, 1, 2);
    grid->addWidget(label("Label3", QStringLiteral("操作提示："), inputFrame), 3, 0, Qt::AlignTop);
    grid->addWidget(m_resultLabel, 3, 1, Qt::AlignTop);
    grid->setRowStretch(3, 1);
    QHBoxLayout *buttons = buttonRow(confirmButton, exitButton);
    m_slipButton = new SlipPrint::Button(store, inputFrame);
    buttons->addWidget(m_slipButton);
    grid->addLayout(buttons, 4, 0, 1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(inputFrame);
    // Room for a three-line result: a seven-digit amount, its balance and the
    // referrer's commission.
    Ui::resizeTwips(this, 5400, 4600);

    m_paymentBox->setCurrentIndex(1);
    showPaymentNote();
    escapeClears({m_nameBox, m_phoneBox, m_amountBox});
    connect(m_paymentBox, &QComboBox::activated, this, &ConsumptionDialog::paymentChosen);
    connect(m_paymentBox, &QComboBox::currentIndexChanged, this,
            &ConsumptionDialog::showPaymentNote);
    connect(confirmButton, &QPushButton::clicked, this, &ConsumptionDialog::confirm);
}

void ConsumptionDialog::activate()
{
    m_paymentBox->setCurrentIndex(m_paymentBox->findText(Consumption::kBalance));
    const auto loaded = attempt([this] { return CommissionSettings::load(m_store); });
    if (!loaded) {
        closeLater();
        return;
    }
    const std::optional<CommissionSetting> &setting = *loaded;
    if (!setting) {
        Dialogs::message(this, Commission::kNotSet);
        closeLater();
        return;
    }
    m_setting = *setting;
}

void ConsumptionDialog::fillMember(const QString &name, const QString &phone)
{
    m_nameBox->setText(name);
    m_phoneBox->setText(phone);
    m_amountBox->setFocus(Qt::OtherFocusReason);
}

void ConsumptionDialog::formCleared()
{
    m_resultLabel->clear();
}

void ConsumptionDialog::showPaymentNote()
{
    m_paymentNote->setVisible(m_paymentBox->currentText() == Consumption::kCash);
}

void ConsumptionDialog::paymentChosen(int index)
{
    if (m_paymentBox->itemText(index) != Consumption::kCash)
        return;
    if (m_session && m_session->cashHintShown)
        return;
    if (m_session)
        m_session->cashHintShown = true;
    Dialogs::message(this, Consumption::kCashHint);
}

void ConsumptionDialog::confirm()
{
    const Consumption::Request request{m_nameBox->text(), m_phoneBox->text(),
                                       m_paymentBox->currentText(), m_amountBox->text()};
    const auto confirmUnrecorded = [this] {
        return Dialogs::isOk(Dialogs::input(this, Consumption::kUnrecordedPrompt));
    };
    const auto result = attempt(
        [&] { return Consumption::confirm(m_store, request, m_setting, confirmUnrecorded); });
    if (!result)
        return;
    const Consumption::Outcome &outcome = *result;
    if (!outcome.message.isEmpty())
        Dialogs::message(this, outcome.message);
    if (outcome.kind == Consumption::Outcome::Kind::CloseScreen) {
        reject();
        return;
    }
    if (outcome.kind == Consumption::Outcome::Kind::Done) {
        m_resultLabel->setText(outcome.result);
        m_slipButton->actionDone(outcome.entry, outcome.operation);
    }
    if (outcome.freshAmount)
        m_amountBox->clear();
    if (outcome.focus == Consumption::Focus::Name)
        m_nameBox->setFocus();
    else if (outcome.focus == Consumption::Focus::Phone)
        m_phoneBox->setFocus();
}

#include "screens/money/ConsumptionDialog.h"

#include "base/StoreError.h"
#include "rules/money/Commission.h"
#include "rules/money/Consumption.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "store/CommissionTable.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ConsumptionDialog::ConsumptionDialog(MemberStore &store, QWidget *parent)
    : ScreenDialog(QStringLiteral("xiaofei"), QStringLiteral("消费登记"), parent), m_store(store)
{
    auto *frame1 = new QGroupBox(QStringLiteral("输入消费信息"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    m_text1 = newTextBox("Text1", 10, frame1);
    m_text2 = newTextBox("Text2", 11, frame1);
    Ui::digitsOnly(m_text2);

    auto *frame2 = new QGroupBox(QStringLiteral("消费金额"), frame1);
    frame2->setObjectName(QStringLiteral("Frame2"));
    m_combo1 = new QComboBox(frame2);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->addItems({Consumption::kCash, Consumption::kBalance});
    m_text5 = newTextBox("Text5", 7, frame2);
    Ui::digitsOnly(m_text5);
    auto *amount = new QHBoxLayout(frame2);
    amount->addWidget(m_combo1);
    amount->addWidget(m_text5);

    m_label4 = newLabel("Label4", QString(), frame1);
    m_label4->setMinimumHeight(m_label4->fontMetrics().lineSpacing() * 2);
    QPushButton *command1 = newButton("Command1", QStringLiteral("确定（&S)"), frame1);
    QPushButton *command2 = newButton("Command2", QStringLiteral("退出（&E）"), frame1);

    auto *grid = new QGridLayout(frame1);
    grid->addWidget(newLabel("Label1", QStringLiteral("用 户 名："), frame1), 0, 0);
    grid->addWidget(m_text1, 0, 1);
    grid->addWidget(newLabel("Label2", QStringLiteral("手 机 号："), frame1), 1, 0);
    grid->addWidget(m_text2, 1, 1);
    grid->addWidget(frame2, 2, 0, 1, 2);
    grid->addWidget(newLabel("Label3", QStringLiteral("操作提示："), frame1), 3, 0, Qt::AlignTop);
    grid->addWidget(m_label4, 3, 1, Qt::AlignTop);
    grid->setRowStretch(3, 1);
    grid->addLayout(newButtonRow(command1, command2), 4, 0, 1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    // Room for a two-line result such as a seven-digit amount and its balance.
    Ui::resizeTwips(this, 5400, 4200);

    m_combo1->setCurrentIndex(1);
    connect(m_combo1, &QComboBox::activated, this, &ConsumptionDialog::paymentChosen);
    connect(command1, &QPushButton::clicked, this, &ConsumptionDialog::confirm);
}

void ConsumptionDialog::activate()
{
    m_combo1->setCurrentIndex(m_combo1->findText(Consumption::kBalance));
    std::optional<CommissionSetting> setting;
    try {
        setting = CommissionTable(m_store).load();
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        closeLater();
        return;
    }
    if (!setting) {
        Dialogs::message(this, Commission::kNotSet);
        closeLater();
        return;
    }
    m_setting = *setting;
}

void ConsumptionDialog::paymentChosen(int index)
{
    if (m_combo1->itemText(index) == Consumption::kCash)
        Dialogs::message(this, Consumption::kCashHint);
}

void ConsumptionDialog::confirm()
{
    const Consumption::Request request{m_text1->text(), m_text2->text(), m_combo1->currentText(),
                                       m_text5->text()};
    const auto confirmUnrecorded = [this] {
        return Dialogs::isOk(Dialogs::input(this, Consumption::kUnrecordedPrompt));
    };
    Consumption::Outcome outcome;
    try {
        outcome = Consumption::confirm(m_store, request, m_setting, confirmUnrecorded);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    if (!outcome.message.isEmpty())
        Dialogs::message(this, outcome.message);
    if (outcome.kind == Consumption::Outcome::Kind::CloseScreen) {
        reject();
        return;
    }
    if (outcome.kind == Consumption::Outcome::Kind::Done)
        m_label4->setText(outcome.result);
    if (outcome.clearAmount)
        m_text5->clear();
    if (outcome.focus == Consumption::Focus::Name)
        m_text1->setFocus();
    else if (outcome.focus == Consumption::Focus::Phone)
        m_text2->setFocus();
}

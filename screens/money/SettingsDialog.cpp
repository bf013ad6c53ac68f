#include "screens/money/SettingsDialog.h"

#include "base/StoreError.h"
#include "rules/money/CommissionSettings.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "store/CommissionTable.h"
#include "store/MemberStore.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

SettingsDialog::SettingsDialog(MemberStore &store, QWidget *parent)
    : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("shezhi"));
    setWindowTitle(QStringLiteral("抽成模式设置"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *frame = new QGroupBox(QStringLiteral("模式设置"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_option1 = new QRadioButton(QStringLiteral("固定抽成"), frame);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_text1 = new QLineEdit(frame);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setMaxLength(5);
    Ui::digitsOnly(m_text1);
    auto *label3 = new QLabel(QStringLiteral("元"), frame);
    label3->setObjectName(QStringLiteral("Label3"));
    m_option2 = new QRadioButton(QStringLiteral("消费比例提成"), frame);
    m_option2->setObjectName(QStringLiteral("Option2"));
    m_text2 = new QLineEdit(frame);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setMaxLength(2);
    Ui::digitsOnly(m_text2);
    auto *label2 = new QLabel(QStringLiteral("%"), frame);
    label2->setObjectName(QStringLiteral("Label2"));

    auto *grid = new QGridLayout(frame);
    grid->addWidget(m_option1, 0, 0);
    grid->addWidget(m_text1, 0, 1);
    grid->addWidget(label3, 0, 2);
    grid->addWidget(m_option2, 1, 0);
    grid->addWidget(m_text2, 1, 1);
    grid->addWidget(label2, 1, 2);

    auto *label1 = new QLabel(QStringLiteral("温馨提示：\n固定抽成：每消费一次，推荐人得 X 元！\n"
                                             "比例提成：每消费一次，推荐人得消费金额的 X% 抽成！"),
                              this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setWordWrap(true);
    auto *label4 = new QLabel(QStringLiteral("设置后不能修改，请慎重设置！"), this);
    label4->setObjectName(QStringLiteral("Label4"));
    label4->setStyleSheet(QStringLiteral("color: red;"));

    m_command1 = new QPushButton(QStringLiteral("确定设置（&S）"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command2 = new QPushButton(QStringLiteral("退出设置（&E）"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    // The setting is final once stored: Enter in a box must not store it.
    m_command1->setAutoDefault(false);
    m_command2->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(label1);
    layout->addWidget(label4);
    layout->addLayout(buttons);

    setMinimumWidth(Ui::twips(5400));

    connect(m_option1, &QRadioButton::clicked, this, [this] { optionClicked(m_option1); });
    connect(m_option2, &QRadioButton::clicked, this, [this] { optionClicked(m_option2); });
    connect(m_command1, &QPushButton::clicked, this, &SettingsDialog::save);
    connect(m_command2, &QPushButton::clicked, this, &QDialog::reject);

    activate();
}

void SettingsDialog::activate()
{
    std::optional<CommissionSetting> setting;
    try {
        setting = CommissionTable(m_store).load();
    } catch (const StoreError &e) {
        m_databaseFailed = true;
        Dialogs::databaseFailure(this, e.text());
        lockAll();
        return;
    }
    if (!setting)
        return;
    const CommissionSettings::Shown shown = CommissionSettings::shown(*setting);
    m_text1->setText(shown.fixedText);
    m_text2->setText(shown.percentText);
    lockAll();
    if (setting->fixedYuan > 0)
        m_option1->setChecked(true);
    if (setting->percent > 0)
        m_option2->setChecked(true);
}

void SettingsDialog::lockAll()
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_option1, m_text1, m_option2, m_text2, m_command1})
        w->setEnabled(false);
}

void SettingsDialog::optionClicked(QRadioButton *option)
{
    QLineEdit *own = option == m_option1 ? m_text1 : m_text2;
    QLineEdit *other = option == m_option1 ? m_text2 : m_text1;
    if (option->isChecked()) {
        own->setEnabled(true);
        other->clear();
        other->setEnabled(false);
    }
    if (!m_command1->isEnabled()) {
        m_text1->setEnabled(false);
        m_text2->setEnabled(false);
    }
}

void SettingsDialog::save()
{
    using namespace CommissionSettings;
    const Mode mode = m_option1->isChecked()   ? Mode::Fixed
                      : m_option2->isChecked() ? Mode::Percent
                                               : Mode::None;
    Outcome outcome;
    try {
        outcome = CommissionSettings::save(m_store, mode, m_text1->text(), m_text2->text());
    } catch (const StoreError &e) {
        m_databaseFailed = true;
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    switch (outcome.kind) {
    case Outcome::Kind::Refused:
        Dialogs::message(this, outcome.message);
        if (mode != Mode::None)
            (mode == Mode::Fixed ? m_text1 : m_text2)->setFocus();
        return;
    case Outcome::Kind::AlreadySet:
        return;
    case Outcome::Kind::Saved:
        lockAll();
        Dialogs::message(this, outcome.message);
        return;
    }
}

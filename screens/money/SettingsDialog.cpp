#include "screens/money/SettingsDialog.h"

#include "rules/money/CommissionSettings.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

SettingsDialog::SettingsDialog(Database &store, QWidget *parent)
    : ScreenDialog(QStringLiteral("shezhi"), QStringLiteral("抽成模式设置"), parent), m_store(store)
{
    setAttribute(Qt::WA_DeleteOnClose, false);

    QGroupBox *modeFrame = frame("Frame1", QStringLiteral("模式设置"));
    m_fixedButton = radio("Option1", QStringLiteral("固定抽成"), modeFrame);
    m_fixedBox = textBox("Text1", 5, modeFrame);
    Ui::digitsOnly(m_fixedBox);
    m_percentButton = radio("Option2", QStringLiteral("消费比例提成"), modeFrame);
    m_percentBox = textBox("Text2", 2, modeFrame);
    Ui::digitsOnly(m_percentBox);

    auto *modes = new QGridLayout(modeFrame);
    modes->addWidget(m_fixedButton, 0, 0);
    modes->addWidget(m_fixedBox, 0, 1);
    modes->addWidget(label("Label3", QStringLiteral("元"), modeFrame), 0, 2);
    modes->addWidget(m_percentButton, 1, 0);
    modes->addWidget(m_percentBox, 1, 1);
    modes->addWidget(label("Label2", QStringLiteral("%"), modeFrame), 1, 2);

    QLabel *hint =
        label("Label1", QStringLiteral("温馨提示：\n固定抽成：每消费一次，推荐人得 X 元！\n"
                                       "比例提成：每消费一次，推荐人得消费金额的 X% 抽成！"));
    hint->setWordWrap(true);
    QLabel *warning = label("Label4", QStringLiteral("设置后不能修改，请慎重设置！"));
    warning->setStyleSheet(QStringLiteral("color: red;"));

    // The setting is final once stored: Enter in a box must not store it, so
    // neither button is a default.
    m_confirmButton = button("Command1", QStringLiteral("确定设置（&S）"));
    QPushButton *exitButton = button("Command2", QStringLiteral("退出设置（&E）"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(modeFrame);
    layout->addWidget(hint);
    layout->addWidget(warning);
    layout->addLayout(buttonRow(m_confirmButton, exitButton));

    Ui::arrowsChoose({m_fixedButton, m_percentButton});
    setMinimumWidth(Ui::twips(5400));

    connect(m_fixedButton, &QRadioButton::clicked, this, [this] { modeClicked(m_fixedButton); });
    connect(m_percentButton, &QRadioButton::clicked, this,
            [this] { modeClicked(m_percentButton); });
    connect(m_confirmButton, &QPushButton::clicked, this, &SettingsDialog::save);

    activateOnce();
}

void SettingsDialog::activate()
{
    const auto loaded = attempt([this] { return CommissionSettings::load(m_store); });
    if (!loaded) {
        lockAll();
        return;
    }
    const std::optional<CommissionSetting> &setting = *loaded;
    if (!setting)
        return;
    const CommissionSettings::Shown shown = CommissionSettings::shown(*setting);
    m_fixedBox->setText(shown.fixedText);
    m_percentBox->setText(shown.percentText);
    lockAll();
    if (setting->fixedYuan > 0)
        m_fixedButton->setChecked(true);
    if (setting->percent > 0)
        m_percentButton->setChecked(true);
}

void SettingsDialog::lockAll()
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_fixedButton, m_fixedBox, m_percentButton,
                                                       m_percentBox, m_confirmButton})
        w->setEnabled(false);
}

void SettingsDialog::modeClicked(QRadioButton *mode)
{
    QLineEdit *own = mode == m_fixedButton ? m_fixedBox : m_percentBox;
    QLineEdit *other = mode == m_fixedButton ? m_percentBox : m_fixedBox;
    if (mode->isChecked()) {
        own->setEnabled(true);
        other->clear();
        other->setEnabled(false);
    }
    if (!m_confirmButton->isEnabled()) {
        m_fixedBox->setEnabled(false);
        m_percentBox->setEnabled(false);
    }
}

void SettingsDialog::save()
{
    using namespace CommissionSettings;
    const Mode mode = m_fixedButton->isChecked()     ? Mode::Fixed
                      : m_percentButton->isChecked() ? Mode::Percent
                                                     : Mode::None;
    const auto result = attempt([&] {
        return CommissionSettings::save(m_store, mode, m_fixedBox->text(), m_percentBox->text());
    });
    if (!result)
        return;
    const Outcome &outcome = *result;
    switch (outcome.kind) {
    case Outcome::Kind::Refused:
        Dialogs::message(this, outcome.message);
        if (mode != Mode::None)
            (mode == Mode::Fixed ? m_fixedBox : m_percentBox)->setFocus();
        return;
    case Outcome::Kind::AlreadySet:
        return;
    case Outcome::Kind::Saved:
        lockAll();
        Dialogs::message(this, outcome.message);
        return;
    }
}

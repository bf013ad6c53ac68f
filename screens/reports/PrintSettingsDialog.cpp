#include "screens/reports/PrintSettingsDialog.h"

#include "base/Session.h"
#include "rules/reports/PrintSettings.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QStringList kPapers = {QStringLiteral("58 毫米"), QStringLiteral("80 毫米")};

} // namespace

PrintSettingsDialog::PrintSettingsDialog(Database &store, const Session &session, QWidget *parent)
    : ScreenDialog(QStringLiteral("dayinshezhi"), QStringLiteral("打印设置"), parent),
      m_store(store), m_session(session)
{
    auto *grid = new QGridLayout;
    m_shopBox = textRow(grid, 0, "Label1", QStringLiteral("店名："), "dianming", 30);
    m_shopBox->setEnabled(m_session.isBuiltInAdmin());
    m_autoBox = checkBox("zidongdayin", PrintSettings::kAutoPrintText);
    grid->addWidget(m_autoBox, 1, 1);
    m_paperBox = comboBox("zhikuan", kPapers);
    grid->addWidget(label("Label2", QStringLiteral("小票宽度：")), 2, 0);
    grid->addWidget(m_paperBox, 2, 1);
    QPushButton *saveButton = mainAction(button("baocun", QStringLiteral("保存(&S)")));
    QPushButton *exitButton = button("tuichu", QStringLiteral("退出(&E)"));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttonRow(saveButton, exitButton));
    Ui::resizeTwips(this, 6000, 2600);
    connect(saveButton, &QPushButton::clicked, this, &PrintSettingsDialog::save);

    if (const auto values = attempt([&] { return PrintSettings::load(m_store); })) {
        m_shopBox->setText(values->shop);
        m_autoBox->setChecked(values->autoPrint);
        m_paperBox->setCurrentIndex(values->paperMm == 80 ? 1 : 0);
    }
}

void PrintSettingsDialog::save()
{
    PrintSettings::Values values;
    values.shop = m_shopBox->text();
    values.autoPrint = m_autoBox->isChecked();
    values.paperMm = m_paperBox->currentIndex() == 1 ? 80 : 58;
    const auto refusal =
        attempt([&] { return PrintSettings::save(m_store, values, m_session.isBuiltInAdmin()); });
    if (!refusal)
        return;
    Dialogs::message(this, refusal->isEmpty() ? PrintSettings::kSaved : *refusal);
    if (refusal->isEmpty())
        accept();
}

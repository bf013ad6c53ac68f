#include "screens/admins/AuditLogDialog.h"

#include "base/Clock.h"
#include "rules/admins/AuditTrail.h"
#include "rules/admins/Permissions.h"
#include "screens/Ui.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

AuditLogDialog::AuditLogDialog(Database &store, const Session &session, QWidget *parent)
    : ScreenDialog(QStringLiteral("rizhi"), QStringLiteral("操作日志"), parent), m_store(store),
      m_session(session)
{
    m_fromBox = dateBox("DTPicker1", Clock::today().addMonths(-1));
    m_toBox = dateBox("DTPicker2", Clock::today());
    m_kindBox = comboBox("Combo1", QStringList{QStringLiteral("全部")} + AuditTrail::kinds());
    m_grid =
        table("Grid1", {QStringLiteral("序号"), QStringLiteral("时间"), QStringLiteral("管理员"),
                        QStringLiteral("角色"), QStringLiteral("操作"), QStringLiteral("内容")});
    m_grid->horizontalHeader()->setStretchLastSection(true);
    QPushButton *exitButton = button("Command1", QStringLiteral("退出(&E)"));
    QHBoxLayout *filters = rowOf({label("Label1", QStringLiteral("日期从：")), m_fromBox,
                                  label("Label2", QStringLiteral("到：")), m_toBox,
                                  label("Label3", QStringLiteral("操作：")), m_kindBox});
    filters->addStretch(1);
    filters->addWidget(exitButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_grid, 1);
    Ui::resizeTwips(this, 12600, 6600);
    connect(m_fromBox, &QDateEdit::dateChanged, this, &AuditLogDialog::refresh);
    connect(m_toBox, &QDateEdit::dateChanged, this, &AuditLogDialog::refresh);
    connect(m_kindBox, &QComboBox::currentIndexChanged, this, &AuditLogDialog::refresh);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

    activateOnce();
}

void AuditLogDialog::activate()
{
    if (!refuseUnless(Permissions::allows(m_session, Permissions::Action::AuditLog), kNotAllowed))
        refresh();
}

void AuditLogDialog::refresh()
{
    if (refused())
        return;
    const QString kind = m_kindBox->currentIndex() == 0 ? QString() : m_kindBox->currentText();
    const auto read = attempt(
        [&] { return AuditTrail::rows(m_store, m_fromBox->date(), m_toBox->date(), kind); });
    if (!read)
        return;
    QList<QStringList> rows;
    for (const AuditLog::Row &row : *read)
        rows << QStringList{QString::number(row.number),
                            row.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                            row.admin,
                            row.role,
                            row.kind,
                            row.detail};
    showRows(m_grid, rows);
}

#include "screens/admins/AuditLogDialog.h"

#include "base/Clock.h"
#include "base/Session.h"
#include "base/StoreError.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "store/AuditLog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

AuditLogDialog::AuditLogDialog(MemberStore &store, const Session &session, QWidget *parent)
    : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("rizhi"));
    setWindowTitle(QStringLiteral("操作日志"));
    auto *label1 = new QLabel(QStringLiteral("日期从："), this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_fromBox = new QDateEdit(Clock::today().addMonths(-1), this);
    m_fromBox->setObjectName(QStringLiteral("DTPicker1"));
    m_fromBox->setCalendarPopup(true);
    m_fromBox->setDisplayFormat(QStringLiteral("yyyy/M/d"));
    auto *label2 = new QLabel(QStringLiteral("到："), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_toBox = new QDateEdit(Clock::today(), this);
    m_toBox->setObjectName(QStringLiteral("DTPicker2"));
    m_toBox->setCalendarPopup(true);
    m_toBox->setDisplayFormat(QStringLiteral("yyyy/M/d"));
    auto *label3 = new QLabel(QStringLiteral("操作："), this);
    label3->setObjectName(QStringLiteral("Label3"));
    m_kindBox = new QComboBox(this);
    m_kindBox->setObjectName(QStringLiteral("Combo1"));
    m_kindBox->addItem(QStringLiteral("全部"));
    m_kindBox->addItems(AuditLog::kinds());
    const QStringList headers = {QStringLiteral("序号"), QStringLiteral("时间"),
                                 QStringLiteral("管理员"), QStringLiteral("操作"),
                                 QStringLiteral("内容")};
    m_grid = new QTableWidget(0, int(headers.size()), this);
    m_grid->setObjectName(QStringLiteral("Grid1"));
    m_grid->setHorizontalHeaderLabels(headers);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *exitButton = new QPushButton(QStringLiteral("退出(&E)"), this);
    exitButton->setObjectName(QStringLiteral("Command1"));
    auto *filters = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(label1), static_cast<QWidget *>(m_fromBox),
                       static_cast<QWidget *>(label2), static_cast<QWidget *>(m_toBox),
                       static_cast<QWidget *>(label3), static_cast<QWidget *>(m_kindBox)})
        filters->addWidget(w);
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

    m_refused = !session.isBuiltInAdmin();
    if (m_refused) {
        Dialogs::message(this, kNotAllowed);
        QTimer::singleShot(0, this, &QDialog::reject);
        return;
    }
    refresh();
}

int AuditLogDialog::exec()
{
    if (m_refused)
        return QDialog::Rejected;
    return QDialog::exec();
}

void AuditLogDialog::refresh()
{
    if (m_refused)
        return;
    QList<AuditLog::Row> rows;
    try {
        rows = AuditLog(m_store).rows(m_fromBox->date(), m_toBox->date(),
                                      m_kindBox->currentIndex() == 0 ? QString()
                                                                     : m_kindBox->currentText());
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    m_grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const AuditLog::Row &row = rows.at(r);
        const QStringList cells = {QString::number(row.number),
                                   row.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                   row.admin, row.kind, row.detail};
        for (int c = 0; c < cells.size(); ++c)
            m_grid->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
}

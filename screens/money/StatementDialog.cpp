#include "screens/money/StatementDialog.h"

#include "base/Clock.h"
#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/money/MemberLookup.h"
#include "rules/money/Reversal.h"
#include "rules/money/Statement.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "store/AuditLog.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kTypedOk = QStringLiteral("\n\n---输入OK代表确认！，其他输入不改变！---");

} // namespace

StatementDialog::StatementDialog(MemberStore &store, const DataFiles &files, const Session &session,
                                 QWidget *parent)
    : QDialog(parent), m_store(store), m_files(files), m_session(session)
{
    setObjectName(QStringLiteral("liushui"));
    setWindowTitle(QStringLiteral("会员流水"));

    auto *label1 = new QLabel(QStringLiteral("会员名："), this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_nameBox = new QLineEdit(this);
    m_nameBox->setObjectName(QStringLiteral("Text1"));
    m_nameBox->setMaxLength(10);
    auto *label2 = new QLabel(QStringLiteral("手机号："), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_phoneBox = new QLineEdit(this);
    m_phoneBox->setObjectName(QStringLiteral("Text2"));
    m_phoneBox->setMaxLength(11);
    Ui::digitsOnly(m_phoneBox);
    auto *findButton = new QPushButton(QStringLiteral("查询(&S)"), this);
    findButton->setObjectName(QStringLiteral("Command1"));

    auto *label3 = new QLabel(QStringLiteral("日期从："), this);
    label3->setObjectName(QStringLiteral("Label3"));
    m_fromBox = new QDateEdit(QDate(2000, 1, 1), this);
    m_fromBox->setObjectName(QStringLiteral("DTPicker1"));
    m_fromBox->setCalendarPopup(true);
    m_fromBox->setDisplayFormat(QStringLiteral("yyyy/M/d"));
    auto *label4 = new QLabel(QStringLiteral("到："), this);
    label4->setObjectName(QStringLiteral("Label4"));
    m_toBox = new QDateEdit(Clock::today(), this);
    m_toBox->setObjectName(QStringLiteral("DTPicker2"));
    m_toBox->setCalendarPopup(true);
    m_toBox->setDisplayFormat(QStringLiteral("yyyy/M/d"));
    auto *label5 = new QLabel(QStringLiteral("类别："), this);
    label5->setObjectName(QStringLiteral("Label5"));
    m_kindBox = new QComboBox(this);
    m_kindBox->setObjectName(QStringLiteral("Combo1"));
    m_kindBox->addItem(Statement::kAllKinds);
    m_kindBox->addItems(Ledger::kinds());

    m_memberLabel = new QLabel(this);
    m_memberLabel->setObjectName(QStringLiteral("Label6"));
    m_grid = new QTableWidget(0, int(Statement::headers().size()), this);
    m_grid->setObjectName(QStringLiteral("Grid1"));
    m_grid->setHorizontalHeaderLabels(Statement::headers());
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_totalsLabel = new QLabel(this);
    m_totalsLabel->setObjectName(QStringLiteral("Label7"));

    auto *exportButton = new QPushButton(QStringLiteral("导出(&X)"), this);
    exportButton->setObjectName(QStringLiteral("Command2"));
    m_reverseButton = new QPushButton(QStringLiteral("撤销消费(&R)"), this);
    m_reverseButton->setObjectName(QStringLiteral("Command3"));
    m_reverseButton->setEnabled(m_session.isBuiltInAdmin());
    auto *exitButton = new QPushButton(QStringLiteral("退出(&E)"), this);
    exitButton->setObjectName(QStringLiteral("Command4"));

    auto *keys = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(label1), static_cast<QWidget *>(m_nameBox),
                       static_cast<QWidget *>(label2), static_cast<QWidget *>(m_phoneBox),
                       static_cast<QWidget *>(findButton)})
        keys->addWidget(w);
    auto *filters = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(label3), static_cast<QWidget *>(m_fromBox),
                       static_cast<QWidget *>(label4), static_cast<QWidget *>(m_toBox),
                       static_cast<QWidget *>(label5), static_cast<QWidget *>(m_kindBox)})
        filters->addWidget(w);
    filters->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_totalsLabel, 1);
    buttons->addWidget(exportButton);
    buttons->addWidget(m_reverseButton);
    buttons->addWidget(exitButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(keys);
    layout->addLayout(filters);
    layout->addWidget(m_memberLabel);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    Ui::resizeTwips(this, 13500, 7800);

    connect(findButton, &QPushButton::clicked, this, &StatementDialog::find);
    connect(m_fromBox, &QDateEdit::dateChanged, this, &StatementDialog::refresh);
    connect(m_toBox, &QDateEdit::dateChanged, this, &StatementDialog::refresh);
    connect(m_kindBox, &QComboBox::currentIndexChanged, this, &StatementDialog::refresh);
    connect(exportButton, &QPushButton::clicked, this, &StatementDialog::exportRows);
    connect(m_reverseButton, &QPushButton::clicked, this, &StatementDialog::reverse);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
}

QString StatementDialog::exportPath() const
{
    return QDir(m_files.folder()).filePath(QStringLiteral("会员流水导出.xls"));
}

void StatementDialog::showMember(qint64 memberId)
{
    try {
        const std::optional<Member> m = MemberTable(m_store).byId(memberId);
        if (!m) {
            Dialogs::message(this, Statement::kNotFound);
            return;
        }
        m_nameBox->setText(m->name);
        m_phoneBox->setText(m->phone);
        m_memberLabel->setText(QStringLiteral("会员：") + m->name + QStringLiteral("  手机号：") +
                               m->phone + QStringLiteral("  余额：") + m->balance.toString() +
                               QStringLiteral(" 元"));
        Transaction tx(m_store);
        m_account = Ledger(m_store).accountOf(memberId);
        tx.commit();
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    refresh();
}

void StatementDialog::find()
{
    if (m_nameBox->text().isEmpty() && m_phoneBox->text().isEmpty()) {
        Dialogs::message(this, Statement::kNoMember);
        return;
    }
    std::optional<Member> m;
    try {
        MemberTable members(m_store);
        m = MemberLookup(m_nameBox->text(), m_phoneBox->text()).find(members);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    if (!m) {
        Dialogs::message(this, Statement::kNotFound);
        return;
    }
    showMember(m->id);
}

void StatementDialog::refresh()
{
    if (m_account == 0)
        return;
    const QString kind = m_kindBox->currentIndex() == 0 ? QString() : m_kindBox->currentText();
    try {
        m_entries = Ledger(m_store).statement(m_account, m_fromBox->date(), m_toBox->date(), kind);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    m_grid->setRowCount(int(m_entries.size()));
    for (int row = 0; row < m_entries.size(); ++row) {
        const QStringList cells = Statement::cells(m_entries.at(row));
        for (int column = 0; column < cells.size(); ++column)
            m_grid->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    m_totalsLabel->setText(Statement::totalsText(Statement::totals(m_entries)));
}

void StatementDialog::exportRows()
{
    Ui::reportExport(this, m_store, exportPath(), Statement::exportTo(exportPath(), m_entries),
                     Statement::kExportFailed, Statement::kExported);
}

void StatementDialog::reverse()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= m_entries.size()) {
        Dialogs::message(this, Reversal::kNothingSelected);
        return;
    }
    const Ledger::Entry entry = m_entries.at(row);
    const QString typed = Dialogs::input(this, QStringLiteral("请输入系统管理员密码："),
                                         Dialogs::kAppTitle, Dialogs::Echo::Password);
    if (typed != m_session.password) {
        Dialogs::message(this, Reversal::kWrongPassword);
        return;
    }
    if (!Dialogs::isOk(
            Dialogs::input(this, Reversal::confirmQuestion(entry.number, entry.amount) + kTypedOk)))
        return;
    Reversal::Outcome outcome;
    try {
        outcome = Reversal::reverse(
            m_store, m_session, entry.number, typed, [this](const QString &question) {
                return Dialogs::isOk(Dialogs::input(this, question + kTypedOk));
            });
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    Dialogs::message(this, outcome.message);
    if (!outcome.done)
        return;
    std::optional<qint64> memberId;
    try {
        memberId = Ledger(m_store).memberOf(m_account);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    if (memberId)
        showMember(*memberId);
    else
        refresh();
}

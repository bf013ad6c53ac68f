#include "screens/money/StatementDialog.h"

#include "base/Clock.h"
#include "base/Session.h"
#include "rules/money/Reversal.h"
#include "rules/money/Statement.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "screens/reports/ReportOutput.h"
#include "screens/reports/SlipPrint.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kTypedOk = QStringLiteral("\n\n---输入OK代表确认！，其他输入不改变！---");

} // namespace

StatementDialog::StatementDialog(MemberStore &store, const DataFiles &files, const Session &session,
                                 QWidget *parent)
    : ScreenDialog(QStringLiteral("liushui"), QStringLiteral("会员流水"), parent), m_store(store),
      m_files(files), m_session(session)
{
    m_nameBox = textBox("Text1", 10);
    m_phoneBox = textBox("Text2", 11);
    Ui::digitsOnly(m_phoneBox);
    QPushButton *findButton = mainAction(button("Command1", QStringLiteral("查询(&S)")));

    m_fromBox = dateBox("DTPicker1", QDate(2000, 1, 1));
    m_toBox = dateBox("DTPicker2", Clock::today());
    m_kindBox = comboBox("Combo1", QStringList{Statement::kAllKinds} + Ledger::kinds());

    m_memberLabel = label("Label6", QString());
    m_grid = table("Grid1", Statement::headers());
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A long statement is read a page at a time: the next one when the grid
    // is scrolled to its end, or while it has room for more rows.
    QScrollBar *scroll = m_grid->verticalScrollBar();
    connect(
        scroll, &QScrollBar::valueChanged, this,
        [this, scroll](int value) {
            if (value == scroll->maximum())
                showMore();
        },
        Qt::QueuedConnection);
    connect(
        scroll, &QScrollBar::rangeChanged, this,
        [this](int, int maximum) {
            if (maximum == 0)
                showMore();
        },
        Qt::QueuedConnection);
    m_totalsLabel = label("Label7", QString());

    QPushButton *exportButton = button("Command2", QStringLiteral("导出(&X)"));
    m_reverseButton = button("Command3", QStringLiteral("撤销消费(&R)"));
    m_reverseButton->setEnabled(m_session.isBuiltInAdmin());
    QPushButton *exitButton = button("Command4", QStringLiteral("退出(&E)"));
    QPushButton *printButton = button("Command5", QStringLiteral("打印(&P)"));
    QPushButton *pdfButton = button("Command6", QStringLiteral("PDF"));
    QPushButton *referrerButton = button("tuijian", QStringLiteral("推荐人报表(&T)"));
    m_slipButton = new SlipPrint::Button(m_store, this);

    QHBoxLayout *filters = rowOf({label("Label3", QStringLiteral("日期从：")), m_fromBox,
                                  label("Label4", QStringLiteral("到：")), m_toBox,
                                  label("Label5", QStringLiteral("类别：")), m_kindBox});
    filters->addStretch(1);
    QHBoxLayout *buttons = rowOf({m_totalsLabel, exportButton, printButton, pdfButton,
                                  referrerButton, m_reverseButton, m_slipButton, exitButton});
    buttons->setStretch(0, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(rowOf({label("Label1", QStringLiteral("会员名：")), m_nameBox,
                             label("Label2", QStringLiteral("手机号：")), m_phoneBox, findButton}));
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
    connect(printButton, &QPushButton::clicked, this, [this] { print(false); });
    connect(pdfButton, &QPushButton::clicked, this, [this] { print(true); });
    connect(referrerButton, &QPushButton::clicked, this, [this] {
        const auto memberId = attempt([&] { return Ledger(m_store).memberOf(m_account); });
        if (!memberId)
            return;
        if (m_account == 0 || !*memberId)
            Dialogs::message(this, Statement::kNoMember);
        else if (m_referrerOpener)
            m_referrerOpener(**memberId);
    });
}

QString StatementDialog::pdfPath() const
{
    return QDir(m_files.folder()).filePath(QStringLiteral("会员流水.pdf"));
}

std::optional<Printout::Report> StatementDialog::printable()
{
    const auto entries = attempt([&] {
        return Ledger(m_store).statement(m_account, m_fromBox->date(), m_toBox->date(), kind());
    });
    if (!entries)
        return std::nullopt;
    Printout::Report report;
    report.title = QStringLiteral("会员流水");
    report.landscape = true;
    report.about = {m_memberLabel->text(),
                    QStringLiteral("日期：") + m_fromBox->date().toString(Qt::ISODate) +
                        QStringLiteral(" 至 ") + m_toBox->date().toString(Qt::ISODate) +
                        QStringLiteral("  类别：") + m_kindBox->currentText()};
    report.headers = Statement::headers();
    for (const Ledger::Entry &entry : *entries)
        report.rows << Statement::cells(entry);
    report.footer = {Statement::totalsText(Statement::totals(*entries))};
    return report;
}

void StatementDialog::print(bool pdf)
{
    if (m_account == 0) {
        Dialogs::message(this, Statement::kNoMember);
        return;
    }
    const std::optional<Printout::Report> report = printable();
    if (!report)
        return;
    if (pdf)
        ReportOutput::savePdf(this, m_store, *report, pdfPath());
    else
        ReportOutput::print(this, m_store, *report);
}

QString StatementDialog::exportPath() const
{
    return QDir(m_files.folder()).filePath(QStringLiteral("会员流水导出.xls"));
}

void StatementDialog::showMember(qint64 memberId)
{
    const auto found = attempt([&] {
        const std::optional<Member> m = MemberTable(m_store).byId(memberId);
        if (!m)
            return false;
        Transaction tx(m_store);
        m_account = Ledger(m_store).accountOf(memberId);
        tx.commit();
        m_nameBox->setText(m->name);
        m_phoneBox->setText(m->phone);
        m_memberLabel->setText(QStringLiteral("会员：") + m->name + QStringLiteral("  手机号：") +
                               m->phone + QStringLiteral("  余额：") + m->balance.toString() +
                               QStringLiteral(" 元"));
        return true;
    });
    if (!found)
        return;
    if (!*found) {
        Dialogs::message(this, Statement::kNotFound);
        return;
    }
    refresh();
}

void StatementDialog::find()
{
    if (const auto id = findMember(m_store, m_nameBox->text(), m_phoneBox->text(),
                                   Statement::kNoMember, Statement::kNotFound))
        showMember(*id);
}

QString StatementDialog::kind() const
{
    return m_kindBox->currentIndex() == 0 ? QString() : m_kindBox->currentText();
}

namespace {

QList<QStringList> cellsOf(const QList<Ledger::Entry> &entries)
{
    QList<QStringList> rows;
    for (const Ledger::Entry &entry : entries)
        rows << Statement::cells(entry);
    return rows;
}

} // namespace

void StatementDialog::refresh()
{
    if (m_account == 0)
        return;
    const auto first = attempt([&] {
        return Statement::firstScreen(m_store, m_account, m_fromBox->date(), m_toBox->date(),
                                      kind());
    });
    m_entries.clear();
    m_more = false;
    if (!first) {
        showRows(m_grid, {});
        m_totalsLabel->clear();
        return;
    }
    m_entries = first->page.entries;
    m_more = first->page.more;
    showRows(m_grid, cellsOf(m_entries));
    m_totalsLabel->setText(Statement::totalsText(first->totals));
}

void StatementDialog::showMore()
{
    if (!m_more || m_entries.isEmpty())
        return;
    m_more = false; // until the page is read: never the same page twice
    const auto page = attempt([&] {
        return Statement::nextPage(m_store, m_account, m_fromBox->date(), m_toBox->date(), kind(),
                                   m_entries.constLast().number);
    });
    if (!page)
        return;
    m_entries += page->entries;
    m_more = page->more;
    appendRows(m_grid, cellsOf(page->entries));
}

void StatementDialog::exportRows()
{
    // Every entry of the statement, not only the pages shown.
    const auto entries = attempt([&] {
        return Ledger(m_store).statement(m_account, m_fromBox->date(), m_toBox->date(), kind());
    });
    if (!entries)
        return;
    Ui::reportExport(this, m_store, exportPath(), Statement::exportTo(exportPath(), *entries),
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
    if (!m_session.confirms(typed)) {
        Dialogs::message(this, Reversal::kWrongPassword);
        return;
    }
    if (!Dialogs::isOk(
            Dialogs::input(this, Reversal::confirmQuestion(entry.number, entry.amount) + kTypedOk)))
        return;
    const auto outcome = attempt([&] {
        return Reversal::reverse(
            m_store, m_session, entry.number, typed, [this](const QString &question) {
                return Dialogs::isOk(Dialogs::input(this, question + kTypedOk));
            });
    });
    if (!outcome)
        return;
    Dialogs::message(this, outcome->message);
    if (!outcome->done)
        return;
    m_slipButton->actionDone(outcome->entry);
    const auto memberId = attempt([&] { return Ledger(m_store).memberOf(m_account); });
    if (!memberId)
        return;
    if (*memberId)
        showMember(**memberId);
    else
        refresh();
}

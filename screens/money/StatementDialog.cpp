#include "screens/money/StatementDialog.h"

#include "base/Clock.h"
#include "base/Session.h"
#include "rules/admins/Permissions.h"
#include "rules/backup/TaskProgress.h"
#include "rules/money/MemberLookup.h"
#include "rules/money/Reversal.h"
#include "rules/money/Statement.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "screens/reports/ReportOutput.h"
#include "screens/reports/SlipPrint.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kTypedOk = QStringLiteral("\n\n---输入OK代表确认！，其他输入不改变！---");

} // namespace

StatementDialog::StatementDialog(Database &store, const DataFiles &files, const Session &session,
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
    m_kindBox = comboBox("Combo1", Statement::kinds());

    m_memberLabel = label("Label6", QString());
    m_grid = table("Grid1", Statement::headers());
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    QPushButton *columnsButton = button("lieshezhi", QStringLiteral("列…"));
    columnsButton->setToolTip(QStringLiteral("选择显示的列"));
    m_columnMenu = columnMenu();
    columnsButton->setMenu(m_columnMenu);
    pageOnScroll();
    m_totalsLabel = label("Label7", QString());

    QHBoxLayout *filters = rowOf({label("Label3", QStringLiteral("日期从：")), m_fromBox,
                                  label("Label4", QStringLiteral("到：")), m_toBox,
                                  label("Label5", QStringLiteral("类别：")), m_kindBox});
    filters->addStretch(1);
    filters->addWidget(columnsButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(rowOf({label("Label1", QStringLiteral("会员名：")), m_nameBox,
                             label("Label2", QStringLiteral("手机号：")), m_phoneBox, findButton}));
    layout->addLayout(filters);
    layout->addWidget(m_memberLabel);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttonRow());
    Ui::resizeTwips(this, 13500, 7800);

    connect(findButton, &QPushButton::clicked, this, &StatementDialog::find);
    connect(m_fromBox, &QDateEdit::dateChanged, this, &StatementDialog::refresh);
    connect(m_toBox, &QDateEdit::dateChanged, this, &StatementDialog::refresh);
    connect(m_kindBox, &QComboBox::currentIndexChanged, this, &StatementDialog::refresh);
    // Once the double click is over: its last release would select the
    // clicked row again.
    connect(
        m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { showLinked(row); },
        Qt::QueuedConnection);

    const auto shown = attempt([this] { return StatementColumns::load(m_store); });
    showColumns(shown ? *shown : StatementColumns::usual());
}

// A long statement is read a page at a time: the next one when the grid is
// scrolled to its end, or while it has room for more rows.
void StatementDialog::pageOnScroll()
{
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
}

// The totals and the buttons under the grid.
QHBoxLayout *StatementDialog::buttonRow()
{
    QPushButton *exportButton = button("Command2", QStringLiteral("导出(&X)"));
    m_reverseButton = button("Command3", QStringLiteral("撤销消费(&R)"));
    if (!Permissions::allows(m_session, Permissions::Action::ReverseAny))
        m_reverseButton->setToolTip(QStringLiteral("收银员可撤销本人15分钟内登记的消费，"
                                                   "其他消费仅店长可撤销"));
    QPushButton *exitButton = button("Command4", QStringLiteral("退出(&E)"));
    QPushButton *printButton = button("Command5", QStringLiteral("打印(&P)"));
    QPushButton *pdfButton = button("Command6", QStringLiteral("PDF"));
    QPushButton *referrerButton = button("tuijian", QStringLiteral("推荐人报表(&T)"));
    m_slipButton = new SlipPrint::Button(m_store, this);
    connect(exportButton, &QPushButton::clicked, this, &StatementDialog::exportRows);
    connect(m_reverseButton, &QPushButton::clicked, this, &StatementDialog::reverse);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(printButton, &QPushButton::clicked, this, [this] { print(false); });
    connect(pdfButton, &QPushButton::clicked, this, [this] { print(true); });
    connect(referrerButton, &QPushButton::clicked, this, &StatementDialog::openReferrerReport);
    QHBoxLayout *buttons = rowOf({m_totalsLabel, exportButton, printButton, pdfButton,
                                  referrerButton, m_reverseButton, m_slipButton, exitButton});
    buttons->setStretch(0, 1);
    return buttons;
}

void StatementDialog::openReferrerReport()
{
    const auto memberId = attempt([&] { return Statement::memberOf(m_store, m_account); });
    if (!memberId)
        return;
    if (m_account == 0 || !*memberId)
        Dialogs::message(this, Statement::kNoMember);
    else if (m_referrerOpener)
        m_referrerOpener(**memberId);
}

QMenu *StatementDialog::columnMenu()
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("lieshezhiMenu"));
    const QStringList captions = Statement::headers();
    for (int c = 0; c < captions.size(); ++c) {
        QAction *choice = menu->addAction(captions.at(c));
        choice->setObjectName(captions.at(c));
        choice->setCheckable(true);
        choice->setEnabled(!StatementColumns::alwaysShown(c));
        connect(choice, &QAction::triggered, this, &StatementDialog::chooseColumns);
    }
    return menu;
}

void StatementDialog::showColumns(const StatementColumns::Shown &shown)
{
    const QList<QAction *> choices = m_columnMenu->actions();
    for (int c = 0; c < m_grid->columnCount(); ++c) {
        m_grid->setColumnHidden(c, !shown.value(c));
        choices.at(c)->setChecked(shown.value(c));
    }
    fitColumns();
}

void StatementDialog::chooseColumns()
{
    StatementColumns::Shown shown;
    for (const QAction *choice : m_columnMenu->actions())
        shown << choice->isChecked();
    showColumns(shown);
    attempt([&] { StatementColumns::keep(m_store, shown); });
}

void StatementDialog::fitColumns()
{
    int last = m_grid->columnCount() - 1;
    while (last > 0 && m_grid->isColumnHidden(last))
        --last;
    for (int c = 0; c < last; ++c) {
        if (!m_grid->isColumnHidden(c))
            m_grid->resizeColumnToContents(c);
    }
}

QString StatementDialog::pdfPath() const
{
    return QDir(m_files.folder()).filePath(QStringLiteral("会员流水.pdf"));
}

std::optional<Printout::Report> StatementDialog::printable()
{
    const auto entries = attempt([&] {
        return Statement::all(m_store, m_account, m_fromBox->date(), m_toBox->date(), kind());
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
    const auto found = attempt([&] { return Statement::holder(m_store, memberId); });
    if (!found)
        return;
    if (!*found) {
        Dialogs::message(this, Statement::kNotFound);
        return;
    }
    const Member &m = (*found)->member;
    m_account = (*found)->account;
    m_nameBox->setText(m.name);
    m_phoneBox->setText(m.phone);
    m_memberLabel->setText(QStringLiteral("会员：") + m.name + QStringLiteral("  手机号：") +
                           m.phone + QStringLiteral("  余额：") + m.balance.toString() +
                           QStringLiteral(" 元"));
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

void StatementDialog::showEntries(const QList<Ledger::Entry> &entries,
                                  const Statement::Reversals &reversals, bool append)
{
    if (!append) {
        m_entries.clear();
        m_reversals.clear();
    }
    m_entries += entries;
    m_reversals.insert(reversals);
    QList<QStringList> rows;
    for (const Ledger::Entry &entry : entries)
        rows << Statement::cells(entry, m_reversals);
    if (append)
        appendRows(m_grid, rows);
    else
        showRows(m_grid, rows);
    fitColumns();
}

void StatementDialog::showLinked(int row)
{
    if (row < 0 || row >= m_entries.size())
        return;
    const qint64 linked = Statement::linkedEntry(m_entries.at(row), m_reversals);
    if (linked == 0)
        return;
    for (int shown = 0;; ++shown) {
        if (shown == m_entries.size()) {
            // Older entries come in pages; a reversal is newer than what it
            // reverses, so the linked entry is either shown or further down.
            if (!m_more)
                break;
            showMore();
            if (shown == m_entries.size())
                break;
        }
        if (m_entries.at(shown).number == linked) {
            m_grid->setCurrentCell(shown, 0);
            m_grid->selectRow(shown);
            m_grid->scrollToItem(m_grid->item(shown, 0));
            return;
        }
    }
    Dialogs::message(this, Statement::linkedNotListed(linked));
}

void StatementDialog::refresh()
{
    // A member without an account has no entries to read.
    const auto first = m_account == 0 ? std::optional<Statement::FirstScreen>() : attempt([&] {
        return Statement::firstScreen(m_store, m_account, m_fromBox->date(), m_toBox->date(),
                                      kind());
    });
    m_more = false;
    if (!first) {
        showEntries({}, {}, false);
        m_totalsLabel->clear();
        return;
    }
    m_more = first->page.more;
    showEntries(first->page.entries, first->page.reversals, false);
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
    m_more = page->more;
    showEntries(page->entries, page->reversals, true);
}

void StatementDialog::exportRows()
{
    // Every entry of the statement, not only the pages shown, read and
    // written off the window's thread through a connection of its own; the
    // audit row is written here once the workbook is in place.
    const QString path = exportPath();
    const Ledger::Filter filter{m_account, m_fromBox->date(), m_toBox->date(), kind()};
    TaskProgress progress;
    progress.setPhase(QStringLiteral("正在导出会员流水…"), -1);
    TableExport::Written written;
    if (!Dialogs::runTask(this, QStringLiteral("会员流水导出"), progress,
                          [&] { written = Statement::exportAlongside(m_store, filter, path); }))
        return;
    Ui::reportExport(this, m_store, path, written, Statement::kExportFailed, Statement::kExported);
}

void StatementDialog::reverse()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= m_entries.size()) {
        Dialogs::message(this, Reversal::kNothingSelected);
        return;
    }
    const Ledger::Entry entry = m_entries.at(row);
    if (!Permissions::mayReverse(m_session, entry.admin, Ledger::timeOf(entry.time),
                                 Clock::now())) {
        Dialogs::message(this, Reversal::kOwnRecentOnly);
        return;
    }
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
    m_slipButton->actionDone(outcome->entry, outcome->operation);
    const auto memberId = attempt([&] { return Statement::memberOf(m_store, m_account); });
    if (!memberId)
        return;
    if (*memberId)
        showMember(**memberId);
    else
        refresh();
}

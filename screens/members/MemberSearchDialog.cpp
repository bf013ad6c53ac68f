#include "screens/members/MemberSearchDialog.h"

#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/members/MemberDelete.h"
#include "rules/members/MemberListModel.h"
#include "rules/members/MemberSearch.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "screens/members/MemberModifyDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

const QString MemberSearchDialog::kModifyPrompt =
    QStringLiteral("请输入管理员密码来确认更改会员信息：");
const QString MemberSearchDialog::kModifyRefused = QStringLiteral("密码不正确，非法修改！");
const QString MemberSearchDialog::kDeletePrompt =
    QStringLiteral("请输入管理员密码验证，非必要情况，不建议删除记录！");
const QString MemberSearchDialog::kDeleteRefused = QStringLiteral("验证错误，请勿非法执行！");
const QString MemberSearchDialog::kNoMemberSelected = QStringLiteral("请先在列表中选择会员！");

namespace {

// Column widths in twips; 0 hides the fixed column, -1 keeps the default.
constexpr int kColumnWidths[] = {0, 1100, 600, 1200, -1, -1, 1200, 1700, -1, 1700};
constexpr int kPhoneColumn = 3;         // 手机号
constexpr int kReferrerPhoneColumn = 6; // 推荐人手机

} // namespace

MemberSearchDialog::MemberSearchDialog(MemberStore &store, const Session &session, QWidget *parent)
    : QDialog(parent), m_store(store), m_session(session),
      m_modifyRunner([](MemberModifyDialog &d) { d.exec(); })
{
    setObjectName(QStringLiteral("msearch"));
    setWindowTitle(QStringLiteral("会员查询系统"));

    auto *frame1 = new QGroupBox(QStringLiteral("输入查询信息"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto *label1 = new QLabel(QStringLiteral("会员名："), frame1);
    label1->setObjectName(QStringLiteral("Label1"));
    m_text1 = new QLineEdit(frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setMaxLength(10);
    auto *label2 = new QLabel(QStringLiteral("手 机 号："), frame1);
    label2->setObjectName(QStringLiteral("Label2"));
    m_text2 = new QLineEdit(frame1);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setMaxLength(11);
    Ui::digitsOnly(m_text2);

    auto *command1 = new QPushButton(QStringLiteral("查询（&S）"), frame1);
    command1->setObjectName(QStringLiteral("Command1"));
    m_command2 = new QPushButton(QStringLiteral("修改（&M）"), frame1);
    m_command2->setObjectName(QStringLiteral("Command2"));
    auto *command3 = new QPushButton(QStringLiteral("重置（&C）"), frame1);
    command3->setObjectName(QStringLiteral("Command3"));
    m_command4 = new QPushButton(QStringLiteral("删除（&D）"), frame1);
    m_command4->setObjectName(QStringLiteral("Command4"));
    auto *command5 = new QPushButton(QStringLiteral("退出（&E）"), frame1);
    command5->setObjectName(QStringLiteral("Command5"));
    // The selected member's statement, for every administrator.
    auto *command6 = new QPushButton(QStringLiteral("流水（&L）"), frame1);
    command6->setObjectName(QStringLiteral("Command6"));
    connect(command6, &QPushButton::clicked, this, [this] {
        if (m_selected.id == 0)
            Dialogs::message(this, kNoMemberSelected);
        else if (m_statementOpener)
            m_statementOpener(m_selected.id);
    });
    setChangeEnabled(false);

    auto *inputs = new QGridLayout;
    inputs->addWidget(label1, 0, 0);
    inputs->addWidget(m_text1, 0, 1);
    inputs->addWidget(label2, 1, 0);
    inputs->addWidget(m_text2, 1, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {command1, m_command2, command3, m_command4, command6, command5})
        buttons->addWidget(b);
    auto *frame1Layout = new QVBoxLayout(frame1);
    frame1Layout->addLayout(inputs);
    frame1Layout->addLayout(buttons);

    m_label3 = new QLabel(this);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setWordWrap(true);
    m_label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label3->setMinimumWidth(Ui::twips(3600));

    // The selected member's name; kept hidden like the other holders.
    m_text5 = new QLineEdit(this);
    m_text5->setObjectName(QStringLiteral("Text5"));
    m_text5->hide();

    auto *frame2 = new QGroupBox(QStringLiteral("信息列表"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    m_model = new MemberListModel(store, this);
    m_grid = new QTableView(frame2);
    m_grid->setObjectName(QStringLiteral("MSHFlexGrid1"));
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_grid->horizontalHeader()->setMinimumSectionSize(0);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    auto *frame2Layout = new QVBoxLayout(frame2);
    frame2Layout->addWidget(m_grid);

    auto *top = new QHBoxLayout;
    top->addWidget(frame1, 1);
    top->addWidget(m_label3);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(frame2, 1);
    Ui::resizeTwips(this, 12600, 7800);

    connect(command1, &QPushButton::clicked, this, &MemberSearchDialog::search);
    connect(m_command2, &QPushButton::clicked, this, &MemberSearchDialog::modify);
    connect(command3, &QPushButton::clicked, this, &MemberSearchDialog::reset);
    connect(m_command4, &QPushButton::clicked, this, &MemberSearchDialog::remove);
    connect(command5, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_grid, &QTableView::clicked, this,
            [this](const QModelIndex &index) { selectRow(index.row()); });
    // Keyboard moves select as well, so the highlighted row is always the
    // member that modify and delete work on.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    selectRow(current.row());
            });
    connect(
        m_model, &MemberListModel::loadFailed, this,
        [this](const QString &detail) { Dialogs::databaseFailure(this, detail); },
        Qt::QueuedConnection);
}

MemberSearchDialog::~MemberSearchDialog() = default;

void MemberSearchDialog::setChangeEnabled(bool enabled)
{
    m_command2->setEnabled(enabled);
    m_command4->setEnabled(enabled);
}

void MemberSearchDialog::applyColumnWidths()
{
    QHeaderView *header = m_grid->horizontalHeader();
    // A phone column always shows the whole number, whatever the font.
    const int margin = m_grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_grid);
    const int phoneWidth =
        m_grid->fontMetrics().horizontalAdvance(QStringLiteral("00000000000")) + 2 * (margin + 2);
    for (int column = 0; column < MemberListModel::kColumns; ++column) {
        const int tw = kColumnWidths[column];
        int width = tw < 0 ? header->defaultSectionSize() : Ui::twips(tw);
        if (column == kPhoneColumn || column == kReferrerPhoneColumn)
            width = std::max(width, phoneWidth);
        header->resizeSection(column, width);
    }
}

void MemberSearchDialog::dropSelection()
{
    m_selected = Member{};
    m_text5->clear();
    setChangeEnabled(false);
}

void MemberSearchDialog::search()
{
    MemberSearch::Outcome outcome;
    try {
        outcome = MemberSearch::run(*m_model, m_text1->text(), m_text2->text());
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    if (outcome.kind == MemberSearch::Outcome::Kind::Refused) {
        Dialogs::message(this, outcome.message);
        return;
    }
    // The list now shows other rows: nothing outside it stays selected.
    dropSelection();
    applyColumnWidths();
    if (outcome.kind == MemberSearch::Outcome::Kind::NotFound) {
        Dialogs::message(this, outcome.message);
        (outcome.focus == MemberSearch::Field::Name ? m_text1 : m_text2)->setFocus();
        return;
    }
    m_label3->setText(MemberSearch::note(m_session));
}

void MemberSearchDialog::selectRow(int row)
{
    if (m_listChanging)
        return;
    m_selected = m_model->member(row);
    m_text5->setText(m_selected.name);
    setChangeEnabled(!m_selected.name.isEmpty() && MemberSearch::canChange(m_session));
}

bool MemberSearchDialog::passwordConfirmed(const QString &prompt, const QString &refused)
{
    // Exact comparison, letter case and blanks included; Cancel answers "".
    const QString answer =
        Dialogs::input(this, prompt, Dialogs::kAppTitle, Dialogs::Echo::Password);
    if (answer == m_session.password)
        return true;
    Dialogs::message(this, refused);
    return false;
}

void MemberSearchDialog::modify()
{
    if (!passwordConfirmed(kModifyPrompt, kModifyRefused))
        return;
    if (m_selected.id == 0)
        return;
    MemberModifyDialog dialog(m_store, m_selected, this);
    dialog.setModal(true);
    m_modifyRunner(dialog);
    if (const std::optional<Member> saved = dialog.saved()) {
        m_selected = *saved;
        m_model->update(*saved);
    }
}

void MemberSearchDialog::reset()
{
    m_model->clear();
    m_text1->clear();
    m_text2->clear();
    m_text1->setFocus();
    setChangeEnabled(false);
}

void MemberSearchDialog::remove()
{
    if (!passwordConfirmed(kDeletePrompt, kDeleteRefused))
        return;
    const QString name = m_text5->text();
    if (name.isEmpty()) {
        setChangeEnabled(false);
        return;
    }
    MemberDelete::Outcome outcome;
    try {
        outcome = MemberDelete::remove(m_store, name);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    if (outcome.removed.isEmpty()) {
        Dialogs::message(this, MemberDelete::kNotFound);
        return;
    }
    // The rows go from the list at once. The selection keeps the deleted name,
    // so a second delete reports that the member is gone; the grid's own
    // current row must not move on to a neighbour meanwhile.
    m_listChanging = true;
    m_model->removeIds(outcome.removed);
    m_grid->selectionModel()->clear();
    m_listChanging = false;
    Dialogs::message(this, MemberDelete::deletedMessage(name));
}

#include "screens/members/MemberSearchDialog.h"

#include "base/Session.h"
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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
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

// The widest value a column usually holds, for its width before any row is
// shown: the longest phone, an amount of five digits, the longest date.
const char *const kWidestValues[] = {"",         "会员名称",  "男",          "00000000000",
                                     "99999.99", "会员名称",  "00000000000", "9999",
                                     "99999.99", "2026/12/31"};

} // namespace

MemberSearchDialog::MemberSearchDialog(Database &store, const Session &session, QWidget *parent)
    : ScreenDialog(QStringLiteral("msearch"), QStringLiteral("会员查询系统"), parent),
      m_store(store), m_session(session), m_modifyRunner([](MemberModifyDialog &d) { d.exec(); })
{
    QGroupBox *inputFrame = searchFrame();
    setChangeEnabled(false);

    m_noteLabel = label("Label3", QString());
    m_noteLabel->setWordWrap(true);
    m_noteLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_noteLabel->setMinimumWidth(Ui::twips(3600));

    // The selected member's name; kept hidden like the other holders.
    m_selectedNameBox = textBox("Text5");
    m_selectedNameBox->hide();

    QGroupBox *list = listFrame(store);
    auto *top = new QHBoxLayout;
    top->addWidget(inputFrame, 1);
    top->addWidget(m_noteLabel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list, 1);
    Ui::resizeTwips(this, 12600, 7800);
    // Wide enough to show every column of the list without scrolling.
    const QMargins outer = layout->contentsMargins();
    const QMargins inner = list->layout()->contentsMargins();
    const int margins = outer.left() + outer.right() + inner.left() + inner.right() +
                        2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
    resize(std::max(width(), listWidth() + margins), height());
}

QGroupBox *MemberSearchDialog::searchFrame()
{
    QGroupBox *inputFrame = frame("Frame1", QStringLiteral("输入查询信息"));
    m_nameBox = textBox("Text1", 10, inputFrame);
    m_phoneBox = textBox("Text2", 11, inputFrame);
    Ui::digitsOnly(m_phoneBox);
    // Part of a name, or the last digits of a phone.
    m_partBox = textBox("Text6", 11, inputFrame);

    auto *inputs = new QGridLayout;
    inputs->addWidget(label("Label1", QStringLiteral("会员名："), inputFrame), 0, 0);
    inputs->addWidget(m_nameBox, 0, 1);
    inputs->addWidget(label("Label2", QStringLiteral("手 机 号："), inputFrame), 1, 0);
    inputs->addWidget(m_phoneBox, 1, 1);
    inputs->addWidget(label("Label4", QStringLiteral("模糊查询："), inputFrame), 2, 0);
    inputs->addWidget(m_partBox, 2, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : actionButtons(inputFrame))
        buttons->addWidget(b);
    auto *inputLayout = new QVBoxLayout(inputFrame);
    inputLayout->addLayout(inputs);
    inputLayout->addLayout(buttons);
    return inputFrame;
}

QList<QPushButton *> MemberSearchDialog::actionButtons(QGroupBox *inputFrame)
{
    QPushButton *searchButton = button("Command1", QStringLiteral("查询（&S）"), inputFrame);
    m_modifyButton = button("Command2", QStringLiteral("修改（&M）"), inputFrame);
    QPushButton *resetButton = button("Command3", QStringLiteral("重置（&C）"), inputFrame);
    m_deleteButton = button("Command4", QStringLiteral("删除（&D）"), inputFrame);
    QPushButton *exitButton = button("Command5", QStringLiteral("退出（&E）"), inputFrame);
    // The selected member's statement, for every administrator.
    QPushButton *statementButton = button("Command6", QStringLiteral("流水（&L）"), inputFrame);
    // The selected member's consumption and recharge, his name and phone
    // filled in.
    QPushButton *consumptionButton = button("xiaofei", QStringLiteral("消费（&X）"), inputFrame);
    QPushButton *rechargeButton = button("chongzhi", QStringLiteral("充值（&Z）"), inputFrame);
    // What the selected member brought as a referrer.
    QPushButton *referrerButton = button("tuijian", QStringLiteral("推荐（&T）"), inputFrame);
    connect(searchButton, &QPushButton::clicked, this, &MemberSearchDialog::search);
    connect(m_modifyButton, &QPushButton::clicked, this, &MemberSearchDialog::modify);
    connect(resetButton, &QPushButton::clicked, this, &MemberSearchDialog::reset);
    connect(m_deleteButton, &QPushButton::clicked, this, &MemberSearchDialog::remove);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(statementButton, &QPushButton::clicked, this, &MemberSearchDialog::openStatement);
    connect(consumptionButton, &QPushButton::clicked, this,
            [this] { openAction(Action::Consumption); });
    connect(rechargeButton, &QPushButton::clicked, this, [this] { openAction(Action::Recharge); });
    connect(referrerButton, &QPushButton::clicked, this, [this] {
        if (m_selected.id == 0)
            Dialogs::message(this, kNoMemberSelected);
        else if (m_referrerOpener)
            m_referrerOpener(m_selected.id);
    });
    const QList<QPushButton *> row = {searchButton,   m_modifyButton,  resetButton,
                                      m_deleteButton, statementButton, consumptionButton,
                                      rechargeButton, referrerButton,  exitButton};
    // Enter in a box searches.
    for (QPushButton *b : row)
        b->setAutoDefault(true);
    searchButton->setDefault(true);
    return row;
}

QGroupBox *MemberSearchDialog::listFrame(Database &store)
{
    QGroupBox *listFrame = frame("Frame2", QStringLiteral("信息列表"));
    m_model = new MemberListModel(store, this);
    m_grid = grid("MSHFlexGrid1", listFrame);
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setWordWrap(false);
    m_grid->horizontalHeader()->setMinimumSectionSize(0);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    auto *listLayout = new QVBoxLayout(listFrame);
    listLayout->addWidget(m_grid);

    connect(m_grid, &QTableView::clicked, this,
            [this](const QModelIndex &index) { selectRow(index.row()); });
    // Enter on a row, or a double click, opens his statement; Down in a
    // search box moves onto the list.
    connect(m_grid, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        selectRow(index.row());
        openStatement();
    });
    m_grid->installEventFilter(this);
    for (QLineEdit *box : {m_nameBox, m_phoneBox, m_partBox})
        box->installEventFilter(this);
    // Keyboard moves select as well, so the highlighted row is always the
    // member that modify and delete work on. Tabbing into the grid only
    // marks a current cell and selects nobody.
    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected) {
                if (!selected.isEmpty())
                    selectRow(selected.indexes().first().row());
            });
    connect(
        m_model, &MemberListModel::loadFailed, this,
        [this](const QString &detail) { Dialogs::databaseFailure(this, detail); },
        Qt::QueuedConnection);
    return listFrame;
}

MemberSearchDialog::~MemberSearchDialog() = default;

bool MemberSearchDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return ScreenDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (watched == m_grid && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        openStatement();
        return true;
    }
    if (watched != m_grid && key == Qt::Key_Down && m_model->rowCount() > 0) {
        m_grid->setFocus(Qt::TabFocusReason);
        m_grid->selectRow(std::max(0, m_grid->currentIndex().row()));
        return true;
    }
    return ScreenDialog::eventFilter(watched, event);
}

void MemberSearchDialog::openStatement()
{
    if (m_selected.id == 0)
        Dialogs::message(this, kNoMemberSelected);
    else if (m_statementOpener)
        m_statementOpener(m_selected.id);
}

void MemberSearchDialog::openAction(Action action)
{
    if (m_selected.id == 0)
        Dialogs::message(this, kNoMemberSelected);
    else if (m_actionOpener)
        m_actionOpener(action, m_selected);
}

void MemberSearchDialog::setChangeEnabled(bool enabled)
{
    for (QPushButton *button : {m_modifyButton, m_deleteButton}) {
        button->setEnabled(enabled);
        ownerOnly(button, MemberSearch::canChange(m_session));
    }
}

int MemberSearchDialog::columnWidth(int column) const
{
    if (column == 0) // the fixed column stays hidden
        return 0;
    const QHeaderView *header = m_grid->horizontalHeader();
    const int headerMargin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
    const int cellMargin =
        2 * (m_grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_grid) + 4);
    const QString caption = m_model->headerData(column, Qt::Horizontal).toString();
    int width =
        std::max(header->fontMetrics().horizontalAdvance(caption) + headerMargin,
                 m_grid->fontMetrics().horizontalAdvance(QString::fromUtf8(kWidestValues[column])) +
                     cellMargin);
    if (m_model->columnCount() > column)
        width = std::max(width,
                         static_cast<const QAbstractItemView *>(m_grid)->sizeHintForColumn(column));
    return width;
}

void MemberSearchDialog::applyColumnWidths()
{
    QHeaderView *header = m_grid->horizontalHeader();
    for (int column = 0; column < MemberListModel::kColumns; ++column)
        header->resizeSection(column, columnWidth(column));
}

int MemberSearchDialog::listWidth() const
{
    int width = 0;
    for (int column = 0; column < MemberListModel::kColumns; ++column)
        width += columnWidth(column);
    return width + m_grid->verticalScrollBar()->sizeHint().width() + 2 * m_grid->frameWidth();
}

void MemberSearchDialog::dropSelection()
{
    m_selected = Member{};
    m_selectedNameBox->clear();
    setChangeEnabled(false);
}

void MemberSearchDialog::search()
{
    const auto found = attempt([&] {
        return MemberSearch::run(*m_model, m_nameBox->text(), m_phoneBox->text(),
                                 m_partBox->text());
    });
    if (!found)
        return;
    const MemberSearch::Outcome &outcome = *found;
    if (outcome.kind == MemberSearch::Outcome::Kind::Refused) {
        Dialogs::message(this, outcome.message);
        return;
    }
    // The list now shows other rows: nothing outside it stays selected.
    dropSelection();
    applyColumnWidths();
    if (outcome.kind == MemberSearch::Outcome::Kind::NotFound) {
        Dialogs::message(this, outcome.message);
        switch (outcome.focus) {
        case MemberSearch::Field::Name:
            m_nameBox->setFocus();
            break;
        case MemberSearch::Field::Phone:
            m_phoneBox->setFocus();
            break;
        case MemberSearch::Field::Part:
            m_partBox->setFocus();
            break;
        case MemberSearch::Field::None:
            break;
        }
        return;
    }
    m_noteLabel->setText(MemberSearch::note(m_session));
}

void MemberSearchDialog::selectRow(int row)
{
    if (m_listChanging)
        return;
    m_selected = m_model->member(row);
    m_selectedNameBox->setText(m_selected.name);
    setChangeEnabled(!m_selected.name.isEmpty() && MemberSearch::canChange(m_session));
}

bool MemberSearchDialog::passwordConfirmed(const QString &prompt, const QString &refused)
{
    // Exact comparison, letter case and blanks included; Cancel answers "".
    const QString answer =
        Dialogs::input(this, prompt, Dialogs::kAppTitle, Dialogs::Echo::Password);
    if (m_session.confirms(answer))
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
    m_nameBox->clear();
    m_phoneBox->clear();
    m_partBox->clear();
    m_nameBox->setFocus();
    setChangeEnabled(false);
}

void MemberSearchDialog::remove()
{
    const auto warning =
        attempt([&] { return MemberDelete::balanceWarning(m_store, m_selectedNameBox->text()); });
    if (!warning)
        return;
    if (!warning->isEmpty())
        Dialogs::message(this, *warning);
    if (!passwordConfirmed(kDeletePrompt, kDeleteRefused))
        return;
    const QString name = m_selectedNameBox->text();
    if (name.isEmpty()) {
        setChangeEnabled(false);
        return;
    }
    const auto removed = attempt([&] { return MemberDelete::remove(m_store, name); });
    if (!removed)
        return;
    const MemberDelete::Outcome &outcome = *removed;
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

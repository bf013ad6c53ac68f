#include "screens/ScreenDialog.h"

#include "base/Session.h"
#include "rules/admins/Permissions.h"
#include "rules/money/Statement.h"
#include "screens/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTableView>
#include <QTableWidget>
#include <algorithm>

namespace {

template <typename T> T *named(T *control, const char *name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// Amounts and counts stand right-aligned, where the eye expects numbers: the
// columns whose caption names an amount, a count or an entry's number.
bool holdsNumbers(const QString &caption)
{
    static const QStringList kNumberWords = {
        QStringLiteral("金额"), QStringLiteral("余额"),     QStringLiteral("消费"),
        QStringLiteral("次数"), QStringLiteral("差额"),     QStringLiteral("流水号"),
        QStringLiteral("序号"), QStringLiteral("关联流水"), QStringLiteral("提成"),
        QStringLiteral("名次"), QStringLiteral("数额")};
    return std::any_of(kNumberWords.begin(), kNumberWords.end(),
                       [&](const QString &word) { return caption.contains(word); });
}

template <typename View> View *readOnlyGrid(View *view)
{
    view->verticalHeader()->hide();
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid; the arrows move inside it.
    view->setTabKeyNavigation(false);
    return view;
}

} // namespace

ScreenDialog::ScreenDialog(const QString &name, const QString &title, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(title);
}

void ScreenDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_activateOnShow && !event->spontaneous())
        activate();
}

void ScreenDialog::keyPressEvent(QKeyEvent *event)
{
    const bool filled = std::any_of(m_escapeClears.begin(), m_escapeClears.end(),
                                    [](const QLineEdit *box) { return !box->text().isEmpty(); });
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && filled) {
        for (QLineEdit *box : m_escapeClears)
            box->clear();
        formCleared();
        m_escapeClears.first()->setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ScreenDialog::escapeClears(std::initializer_list<QLineEdit *> boxes)
{
    m_escapeClears = boxes;
}

void ScreenDialog::activateOnce()
{
    m_activateOnShow = false;
    activate();
}

void ScreenDialog::closeLater()
{
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

int ScreenDialog::exec()
{
    if (m_refused)
        return QDialog::Rejected;
    return QDialog::exec();
}

bool ScreenDialog::refuseUnless(bool allowed, const QString &message)
{
    m_refused = !allowed;
    if (m_refused) {
        Dialogs::message(parentWidget() ? parentWidget() : this, message);
        closeLater();
    }
    return m_refused;
}

void ScreenDialog::ownerOnly(QWidget *control, bool allowed)
{
    if (allowed)
        return;
    control->setEnabled(false);
    control->setToolTip(Permissions::kOwnerOnly);
}

void ScreenDialog::failed(const StoreError &error)
{
    Dialogs::databaseFailure(this, error);
    storeFailed();
}

QLabel *ScreenDialog::label(const char *name, const QString &text, QWidget *parent)
{
    return named(new QLabel(text, parent ? parent : this), name);
}

QLineEdit *ScreenDialog::textBox(const char *name, int maxLength, QWidget *parent)
{
    auto *edit = named(new QLineEdit(parent ? parent : this), name);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

QPushButton *ScreenDialog::button(const char *name, const QString &text, QWidget *parent)
{
    auto *b = named(new QPushButton(text, parent ? parent : this), name);
    b->setAutoDefault(false);
    return b;
}

QRadioButton *ScreenDialog::radio(const char *name, const QString &text, QWidget *parent)
{
    return named(new QRadioButton(text, parent ? parent : this), name);
}

QCheckBox *ScreenDialog::checkBox(const char *name, const QString &text, QWidget *parent)
{
    return named(new QCheckBox(text, parent ? parent : this), name);
}

QComboBox *ScreenDialog::comboBox(const char *name, const QStringList &items, QWidget *parent)
{
    auto *combo = named(new QComboBox(parent ? parent : this), name);
    combo->addItems(items);
    return combo;
}

QGroupBox *ScreenDialog::frame(const char *name, const QString &title, QWidget *parent)
{
    return named(new QGroupBox(title, parent ? parent : this), name);
}

QDateEdit *ScreenDialog::dateBox(const char *name, const QDate &date, QWidget *parent)
{
    auto *box = named(new QDateEdit(date, parent ? parent : this), name);
    box->setCalendarPopup(true);
    box->setDisplayFormat(QStringLiteral("yyyy/M/d"));
    return box;
}

QTableView *ScreenDialog::grid(const char *name, QWidget *parent)
{
    return readOnlyGrid(named(new QTableView(parent ? parent : this), name));
}

QTableWidget *ScreenDialog::table(const char *name, const QStringList &headers, QWidget *parent)
{
    auto *view =
        readOnlyGrid(named(new QTableWidget(0, int(headers.size()), parent ? parent : this), name));
    view->setHorizontalHeaderLabels(headers);
    view->setWordWrap(false); // a time stays on one line
    return view;
}

void ScreenDialog::showRows(QTableWidget *table, const QList<QStringList> &rows)
{
    table->setRowCount(0);
    appendRows(table, rows);
}

void ScreenDialog::appendRows(QTableWidget *table, const QList<QStringList> &rows)
{
    const int first = table->rowCount();
    table->setRowCount(first + int(rows.size()));
    QList<bool> numbers;
    for (int column = 0; column < table->columnCount(); ++column) {
        const QTableWidgetItem *header = table->horizontalHeaderItem(column);
        numbers << (header && holdsNumbers(header->text()));
    }
    for (int row = 0; row < rows.size(); ++row) {
        const QStringList &cells = rows.at(row);
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells.at(column));
            if (numbers.value(column))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(first + row, column, item);
        }
    }
}

QPushButton *ScreenDialog::mainAction(QPushButton *b)
{
    b->setAutoDefault(true);
    b->setDefault(true);
    return b;
}

QLineEdit *ScreenDialog::textRow(QGridLayout *layout, int row, const char *labelName,
                                 const QString &caption, const char *boxName, int maxLength)
{
    QWidget *owner = layout->parentWidget() ? layout->parentWidget() : this;
    QLabel *l = label(labelName, caption, owner);
    QLineEdit *box = textBox(boxName, maxLength, owner);
    l->setBuddy(box);
    layout->addWidget(l, row, 0);
    layout->addWidget(box, row, 1);
    return box;
}

QHBoxLayout *ScreenDialog::rowOf(std::initializer_list<QWidget *> controls)
{
    auto *row = new QHBoxLayout;
    for (QWidget *control : controls)
        row->addWidget(control);
    return row;
}

QHBoxLayout *ScreenDialog::buttonRow(QPushButton *confirm, QPushButton *exit)
{
    auto *row = new QHBoxLayout;
    row->addWidget(confirm);
    row->addWidget(exit);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    return row;
}

std::optional<qint64> ScreenDialog::findMember(Database &store, const QString &name,
                                               const QString &phone, const QString &noKey,
                                               const QString &notFound)
{
    if (name.isEmpty() && phone.isEmpty()) {
        Dialogs::message(this, noKey);
        return std::nullopt;
    }
    const auto found = attempt([&] { return Statement::find(store, name, phone); });
    if (!found)
        return std::nullopt;
    if (!*found) {
        Dialogs::message(this, notFound);
        return std::nullopt;
    }
    return (*found)->id;
}

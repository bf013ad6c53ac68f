#include "screens/ScreenDialog.h"

#include "base/Session.h"
#include "rules/money/MemberLookup.h"
#include "screens/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTableView>
#include <QTableWidget>

namespace {

template <typename T> T *named(T *control, const char *name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
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

bool ScreenDialog::refuseUnlessBuiltIn(const Session &session, const QString &message)
{
    m_refused = !session.isBuiltInAdmin();
    if (m_refused) {
        Dialogs::message(parentWidget() ? parentWidget() : this, message);
        closeLater();
    }
    return m_refused;
}

void ScreenDialog::failed(const QString &detail)
{
    Dialogs::databaseFailure(this, detail);
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
    for (int row = 0; row < rows.size(); ++row) {
        const QStringList &cells = rows.at(row);
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(first + row, column, new QTableWidgetItem(cells.at(column)));
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

std::optional<qint64> ScreenDialog::findMember(MemberStore &store, const QString &name,
                                               const QString &phone, const QString &noKey,
                                               const QString &notFound)
{
    if (name.isEmpty() && phone.isEmpty()) {
        Dialogs::message(this, noKey);
        return std::nullopt;
    }
    const auto found = attempt([&] {
        MemberTable members(store);
        return MemberLookup(name, phone).find(members);
    });
    if (!found)
        return std::nullopt;
    if (!*found) {
        Dialogs::message(this, notFound);
        return std::nullopt;
    }
    return (*found)->id;
}

#include "screens/ScreenDialog.h"

#include "screens/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
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

namespace {

template <typename T> T *named(T *control, const char *name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
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

QTableView *ScreenDialog::grid(const char *name, QWidget *parent)
{
    auto *view = named(new QTableView(parent ? parent : this), name);
    view->verticalHeader()->hide();
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid; the arrows move inside it.
    view->setTabKeyNavigation(false);
    return view;
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

QHBoxLayout *ScreenDialog::buttonRow(QPushButton *confirm, QPushButton *exit)
{
    auto *row = new QHBoxLayout;
    row->addWidget(confirm);
    row->addWidget(exit);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    return row;
}

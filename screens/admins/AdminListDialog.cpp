#include "screens/admins/AdminListDialog.h"

#include "base/ProgramEnd.h"
#include "base/StoreError.h"
#include "rules/admins/AdminListModel.h"
#include "rules/admins/AdminRules.h"
#include "screens/Dialogs.h"
#include "screens/admins/AdminDeleteDialog.h"
#include "screens/admins/AdminModifyDialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

AdminListDialog::AdminListDialog(MemberStore &store, Session &session, ProgramEnd &end,
                                 QWidget *parent)
    : QDialog(parent), m_store(store), m_session(session), m_end(end),
      m_runner([](QDialog &d) { d.exec(); })
{
    setObjectName(QStringLiteral("ssearch"));
    setWindowTitle(QStringLiteral("管理员查询"));

    auto *frame1 = new QGroupBox(QStringLiteral("显示区域"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    m_model = new AdminListModel(this);
    m_grid = new QTableView(frame1);
    m_grid->setObjectName(QStringLiteral("MSHFlexGrid1"));
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    auto *frame1Layout = new QVBoxLayout(frame1);
    frame1Layout->addWidget(m_grid);

    auto *frame2 = new QGroupBox(QStringLiteral("操作面板"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto *label1 = new QLabel(QStringLiteral("操作修改或是删除有风险\n若无必须情况，一般不建议\n"
                                             "进行修改或是删除哦！"),
                              frame2);
    label1->setObjectName(QStringLiteral("Label1"));
    m_command1 = new QPushButton(QStringLiteral("修改资料(&M)"), frame2);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command2 = new QPushButton(QStringLiteral("删除管理员(&D)"), frame2);
    m_command2->setObjectName(QStringLiteral("Command2"));
    auto *command3 = new QPushButton(QStringLiteral("退出(&E)"), frame2);
    command3->setObjectName(QStringLiteral("Command3"));
    for (QPushButton *b : {m_command1, m_command2, command3})
        b->setAutoDefault(false);
    auto *frame2Layout = new QVBoxLayout(frame2);
    frame2Layout->addWidget(label1);
    frame2Layout->addWidget(m_command1);
    frame2Layout->addWidget(m_command2);
    frame2Layout->addWidget(command3);
    frame2Layout->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(frame1, 1);
    layout->addWidget(frame2);
    resize(640, 320);

    connect(m_grid, &QTableView::clicked, this, &AdminListDialog::gridClicked);
    // Moving with the keyboard after a click keeps delete off the admin row.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (m_command1->isEnabled())
                    gridClicked(current);
            });
    connect(m_command1, &QPushButton::clicked, this, &AdminListDialog::modify);
    connect(m_command2, &QPushButton::clicked, this, &AdminListDialog::remove);
    connect(command3, &QPushButton::clicked, this, &QDialog::reject);

    activate();
}

void AdminListDialog::activate()
{
    try {
        m_model->reload(m_store);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
    }
    m_grid->setColumnWidth(AdminListModel::HeaderColumn, 40);
    m_grid->setColumnHidden(AdminListModel::PasswordColumn, true);
    m_grid->setCurrentIndex(QModelIndex());
    m_command1->setEnabled(false);
    m_command2->setEnabled(false);
}

void AdminListDialog::gridClicked(const QModelIndex &index)
{
    if (!index.isValid()) {
        m_command1->setEnabled(false);
        m_command2->setEnabled(false);
        return;
    }
    m_command1->setEnabled(true);
    m_command2->setEnabled(AdminRules::isDeletable(m_model->admin(index.row()).name));
}

void AdminListDialog::modify()
{
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid())
        return;
    const Admin row = m_model->admin(current.row());
    if (!AdminRules::isOwnAccount(m_session, row.name)) {
        Dialogs::error(this, AdminRules::kNotOwnAccount);
        return;
    }
    AdminModifyDialog screen(m_store, m_session, row, this);
    run(screen);
}

void AdminListDialog::remove()
{
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid() || current.data().toString().isEmpty()) {
        Dialogs::message(this, AdminRules::kNothingSelected);
        return;
    }
    AdminDeleteDialog screen(m_store, m_end, m_model->admin(current.row()), this);
    run(screen);
}

void AdminListDialog::run(QDialog &screen)
{
    screen.setModal(true);
    m_runner(screen);
    if (m_end.requested()) {
        reject();
        return;
    }
    activate();
}

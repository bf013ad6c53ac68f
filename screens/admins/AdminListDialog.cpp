#include "screens/admins/AdminListDialog.h"

#include "base/ProgramEnd.h"
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

AdminListDialog::AdminListDialog(Database &store, Session &session, ProgramEnd &end,
                                 QWidget *parent)
    : ScreenDialog(QStringLiteral("ssearch"), QStringLiteral("管理员查询"), parent), m_store(store),
      m_session(session), m_end(end), m_runner([](QDialog &d) { d.exec(); })
{
    QGroupBox *listFrame = frame("Frame1", QStringLiteral("显示区域"));
    m_model = new AdminListModel(this);
    m_grid = grid("MSHFlexGrid1", listFrame);
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    auto *listLayout = new QVBoxLayout(listFrame);
    listLayout->addWidget(m_grid);

    QGroupBox *panel = frame("Frame2", QStringLiteral("操作面板"));
    QLabel *warning = label("Label1",
                            QStringLiteral("操作修改或是删除有风险\n若无必须情况，一般不建议\n"
                                           "进行修改或是删除哦！"),
                            panel);
    m_modifyButton = button("Command1", QStringLiteral("修改资料(&M)"), panel);
    m_deleteButton = button("Command2", QStringLiteral("删除管理员(&D)"), panel);
    QPushButton *exitButton = button("Command3", QStringLiteral("退出(&E)"), panel);
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(warning);
    panelLayout->addWidget(m_modifyButton);
    panelLayout->addWidget(m_deleteButton);
    panelLayout->addWidget(exitButton);
    panelLayout->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(listFrame, 1);
    layout->addWidget(panel);
    resize(640, 320);

    connect(m_grid, &QTableView::clicked, this, &AdminListDialog::gridClicked);
    // Moving with the keyboard after a click keeps delete off the admin row.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (m_chosen)
                    gridClicked(current);
            });
    connect(m_modifyButton, &QPushButton::clicked, this, &AdminListDialog::modify);
    connect(m_deleteButton, &QPushButton::clicked, this, &AdminListDialog::remove);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

    activateOnce();
}

void AdminListDialog::activate()
{
    attempt([this] { m_model->reload(m_store); });
    m_grid->setColumnWidth(AdminListModel::HeaderColumn, 40);
    m_grid->setColumnHidden(AdminListModel::PasswordColumn, true);
    m_grid->setCurrentIndex(QModelIndex());
    m_chosen = false;
    m_modifyButton->setEnabled(false);
    m_deleteButton->setEnabled(false);
}

void AdminListDialog::gridClicked(const QModelIndex &index)
{
    if (!index.isValid()) {
        m_modifyButton->setEnabled(false);
        m_deleteButton->setEnabled(false);
        return;
    }
    const QString name = m_model->admin(index.row()).name;
    m_chosen = true;
    m_modifyButton->setEnabled(true);
    m_deleteButton->setEnabled(AdminRules::isDeletable(name));
    for (QPushButton *b : {m_modifyButton, m_deleteButton})
        b->setToolTip({});
    // Another account is an owner's to change.
    ownerOnly(m_modifyButton, AdminRules::mayModify(m_session, name));
    ownerOnly(m_deleteButton,
              !AdminRules::isDeletable(name) || AdminRules::mayDelete(m_session, name));
}

void AdminListDialog::modify()
{
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid())
        return;
    const Admin row = m_model->admin(current.row());
    if (!AdminRules::mayModify(m_session, row.name)) {
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
    AdminDeleteDialog screen(m_store, m_end, m_model->admin(current.row()), m_session, this);
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

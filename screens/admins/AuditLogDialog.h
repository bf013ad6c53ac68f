#pragma once

#include "screens/ScreenDialog.h"

class Database;
struct Session;
class QComboBox;
class QDateEdit;
class QTableWidget;

// 操作日志 (rizhi): the administrative actions, newest first, filtered by
// date range and kind, with the role of who did each. Only owners may read
// it; a cashier is refused when the screen opens, and the screen closes at
// once.
class AuditLogDialog : public ScreenDialog
{
    Q_OBJECT
public:
    static inline const QString kNotAllowed =
        QStringLiteral("本管理员不具有查看操作日志功能，请使用正确的管理员账号！");

    AuditLogDialog(Database &store, const Session &session, QWidget *parent = nullptr);

    // Refuses and closes for a cashier; lists the log for an owner.
    void activate() override;
    void refresh();

private:
    Database &m_store;
    const Session &m_session;
    QDateEdit *m_fromBox;
    QDateEdit *m_toBox;
    QComboBox *m_kindBox;
    QTableWidget *m_grid;
};

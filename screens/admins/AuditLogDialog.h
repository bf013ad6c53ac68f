#pragma once

#include <QDialog>

class MemberStore;
struct Session;
class QComboBox;
class QDateEdit;
class QTableWidget;

// 操作日志 (rizhi): the administrative actions, newest first, filtered by
// date range and kind. Only the built-in account may read it; any other
// session is refused when the screen opens, and the screen closes at once.
class AuditLogDialog : public QDialog
{
    Q_OBJECT
public:
    static inline const QString kNotAllowed =
        QStringLiteral("本管理员不具有查看操作日志功能，请使用正确的管理员账号！");

    AuditLogDialog(MemberStore &store, const Session &session, QWidget *parent = nullptr);
    bool refused() const { return m_refused; }
    int exec() override;
    void refresh();

private:
    MemberStore &m_store;
    bool m_refused = false;
    QDateEdit *m_fromBox;
    QDateEdit *m_toBox;
    QComboBox *m_kindBox;
    QTableWidget *m_grid;
};

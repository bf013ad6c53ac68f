#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

// 管理员注册 (sregedit): adds an administrator account.
class MemberStore;

class AdminRegistrationDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AdminRegistrationDialog(MemberStore &store, QWidget *parent = nullptr);

private:
    void registerAccount();

    MemberStore &m_store;
    QLineEdit *m_text1;
    QLineEdit *m_text2;
    QLineEdit *m_text3;
    QLineEdit *m_text4;
    QCheckBox *m_check1;
};

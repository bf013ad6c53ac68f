#pragma once

#include <QDialog>

struct AppContext;
class QCheckBox;
class QLineEdit;

// 管理员注册 (sregedit): adds an administrator account.
class AdminRegistrationDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AdminRegistrationDialog(AppContext &context, QWidget *parent = nullptr);

private:
    void registerAccount();

    AppContext &m_context;
    QLineEdit *m_text1;
    QLineEdit *m_text2;
    QLineEdit *m_text3;
    QLineEdit *m_text4;
    QCheckBox *m_check1;
};

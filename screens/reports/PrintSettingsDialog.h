#pragma once

#include "screens/ScreenDialog.h"

class Database;
struct Session;
class QCheckBox;
class QComboBox;
class QLineEdit;

// 打印设置 (dayinshezhi): the shop's name on slips and reports (only the
// built-in account may change it), 自动打印小票 and the slip paper's width.
class PrintSettingsDialog : public ScreenDialog
{
    Q_OBJECT
public:
    PrintSettingsDialog(Database &store, const Session &session, QWidget *parent = nullptr);

private:
    void save();

    Database &m_store;
    const Session &m_session;
    QLineEdit *m_shopBox;
    QCheckBox *m_autoBox;
    QComboBox *m_paperBox;
};

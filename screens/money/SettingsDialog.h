#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

// 抽成模式设置 (shezhi): the one-time choice of commission mode. Editable
// while no mode is stored, read-only afterwards.
class MemberStore;

class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(MemberStore &store, QWidget *parent = nullptr);

    // Loads the stored setting and sets the controls' states.
    void activate();

    // Whether the database failed while the screen was open, so that a
    // setting could not be read or stored.
    bool databaseFailed() const { return m_databaseFailed; }

private:
    void optionClicked(QRadioButton *option);
    void save();
    void lockAll();

    MemberStore &m_store;
    QRadioButton *m_option1;
    QRadioButton *m_option2;
    QLineEdit *m_text1;
    QLineEdit *m_text2;
    QPushButton *m_command1;
    QPushButton *m_command2;
    bool m_databaseFailed = false;
};

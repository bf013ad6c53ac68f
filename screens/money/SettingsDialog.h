#pragma once

#include "screens/ScreenDialog.h"

class Database;
class QLineEdit;
class QPushButton;
class QRadioButton;

// 抽成模式设置 (shezhi): the one-time choice of commission mode. Editable
// while no mode is stored, read-only afterwards.
class SettingsDialog : public ScreenDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(Database &store, QWidget *parent = nullptr);

    // Loads the stored setting and sets the controls' states.
    void activate() override;

    // Whether the database failed while the screen was open, so that a
    // setting could not be read or stored.
    bool databaseFailed() const { return m_databaseFailed; }

protected:
    void storeFailed() override { m_databaseFailed = true; }

private:
    void modeClicked(QRadioButton *mode);
    void save();
    void lockAll();

    Database &m_store;
    QRadioButton *m_fixedButton;
    QRadioButton *m_percentButton;
    QLineEdit *m_fixedBox;
    QLineEdit *m_percentBox;
    QPushButton *m_confirmButton;
    bool m_databaseFailed = false;
};

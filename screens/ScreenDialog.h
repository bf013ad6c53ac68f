#pragma once

#include "base/StoreError.h"

#include <QDialog>
#include <QStringList>
#include <initializer_list>
#include <optional>
#include <type_traits>

class Database;
class QCheckBox;
class QComboBox;
class QDate;
class QDateEdit;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QTableWidget;
struct Session;

// A screen the main window opens modally. activate() runs each time the
// screen is shown, unless the screen ran it once at construction.
//
// The factory functions create every control under the objectName the
// screen is known by outside (tests and the old forms use those names); the
// members holding them are named after what they are. A control's parent is
// the screen unless one is given.
class ScreenDialog : public QDialog
{
    Q_OBJECT
public:
    ScreenDialog(const QString &name, const QString &title, QWidget *parent = nullptr);

    virtual void activate() {}

    // True when the screen refused the session (see refuseUnless());
    // exec() then returns at once.
    bool refused() const { return m_refused; }
    int exec() override;

    // A control the session's role may not use is disabled, and its tooltip
    // says who may; one it may use keeps its state.
    static void ownerOnly(QWidget *control, bool allowed);

protected:
    void showEvent(QShowEvent *event) override;
    // Esc empties the boxes given to escapeClears() first, if any holds text;
    // it closes the screen only when they are empty.
    void keyPressEvent(QKeyEvent *event) override;

    // The boxes Esc empties for the next customer, the first one taking the
    // focus; the screen's formCleared() runs after them.
    void escapeClears(std::initializer_list<QLineEdit *> boxes);
    virtual void formCleared() {}

    // Runs activate() now and never again on show: for screens whose state is
    // set up when they are created.
    void activateOnce();

    // Closes the screen once its event loop runs: closing from inside show()
    // would leave exec() waiting on a hidden window.
    void closeLater();

    // For the screens a role may not use (its rule decides allowed): the
    // session is told message over the window the screen was opened from
    // (the screen itself never appears) and the screen closes however it is
    // shown. Returns whether the session was refused.
    bool refuseUnless(bool allowed, const QString &message);

    QLabel *label(const char *name, const QString &text, QWidget *parent = nullptr);
    // maxLength 0 leaves the length free.
    QLineEdit *textBox(const char *name, int maxLength = 0, QWidget *parent = nullptr);
    // A button that Enter in a text box does not press.
    QPushButton *button(const char *name, const QString &text, QWidget *parent = nullptr);
    QRadioButton *radio(const char *name, const QString &text, QWidget *parent = nullptr);
    QCheckBox *checkBox(const char *name, const QString &text, QWidget *parent = nullptr);
    QComboBox *comboBox(const char *name, const QStringList &items, QWidget *parent = nullptr);
    QGroupBox *frame(const char *name, const QString &title, QWidget *parent = nullptr);
    // A date with a calendar to pick from, shown as 2026/12/7.
    QDateEdit *dateBox(const char *name, const QDate &date, QWidget *parent = nullptr);
    // A read-only grid without row numbers; one cell or row selectable at a
    // time.
    QTableView *grid(const char *name, QWidget *parent);
    // A grid as above holding texts, under these column headers.
    QTableWidget *table(const char *name, const QStringList &headers, QWidget *parent = nullptr);
    // Replaces the rows of a table with these texts.
    static void showRows(QTableWidget *table, const QList<QStringList> &rows);
    // Adds these rows below the ones the table holds.
    static void appendRows(QTableWidget *table, const QList<QStringList> &rows);
    // A caption and its text box as one row of a two-column grid; the caption
    // is the box's buddy.
    QLineEdit *textRow(QGridLayout *grid, int row, const char *labelName, const QString &caption,
                       const char *boxName, int maxLength = 0);
    // The screen's main action: Enter in any box of the screen presses it.
    static QPushButton *mainAction(QPushButton *button);
    // Controls side by side, in this order.
    static QHBoxLayout *rowOf(std::initializer_list<QWidget *> controls);
    // The confirm and exit buttons side by side; exit closes the screen.
    QHBoxLayout *buttonRow(QPushButton *confirm, QPushButton *exit);

    // Runs a rule. When the store fails (or a library the rule uses throws),
    // the database-failure message, saying what became of the action, is
    // shown and nothing is returned.
    template <typename Action> auto attempt(Action &&action)
    {
        using Result = std::invoke_result_t<Action>;
        if constexpr (std::is_void_v<Result>) {
            try {
                action();
                return true;
            } catch (const StoreError &e) {
                failed(e);
            } catch (const std::exception &e) {
                failed(StoreError(QString::fromLocal8Bit(e.what())));
            }
            return false;
        } else {
            try {
                return std::optional<Result>(action());
            } catch (const StoreError &e) {
                failed(e);
            } catch (const std::exception &e) {
                failed(StoreError(QString::fromLocal8Bit(e.what())));
            }
            return std::optional<Result>();
        }
    }

    // The member a name box and a phone box find (as the money screens look
    // members up): his row id, or nothing once the screen has said why
    // (noKey with both boxes empty, notFound, or a database failure).
    std::optional<qint64> findMember(Database &store, const QString &name, const QString &phone,
                                     const QString &noKey, const QString &notFound);

    // Runs after the message for each failure attempt() caught; a screen that
    // must remember a failure overrides it.
    virtual void storeFailed() {}

private:
    void failed(const StoreError &error);

    QList<QLineEdit *> m_escapeClears;
    bool m_activateOnShow = true;
    bool m_refused = false;
};

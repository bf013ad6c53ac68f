#pragma once

#include "program/Screens.h"

#include <QMainWindow>
#include <functional>

struct AppContext;
struct ServerSettings;
class QAction;
class QLabel;
class QTimer;

// 主程序 (zhuchengxu): toolbar, menus, status bar with clock, the centred
// title. Every other screen is opened from here, modally; after each one
// closes the activation routine runs again. The sizes the account last gave
// this window and each screen are kept in the database and come back.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);

    // Shows a screen; the default runs it with exec(). Tests replace it.
    using ScreenRunner = std::function<void(QDialog &)>;
    void setScreenRunner(ScreenRunner runner) { m_runner = std::move(runner); }

    // Runs at first show and after every screen opened from here closes:
    // reopens the database if a maintenance operation closed it, and asks for
    // the commission mode until one is stored.
    void activate();
    void openScreen(Screen screen);
    // Performs the action of the toolbar button whose caption equals caption
    // exactly; any other caption does nothing.
    void dispatchToolbar(const QString &caption);
    // Closes the database and ends the program.
    void exitProgram();

    static QString clockText(const QDateTime &now);
    // The status bar's panel on a database server: the server and the till.
    static QString serverText(const ServerSettings &server);

    static inline const QString kOwnerSetsCommission =
        QStringLiteral("还未设置提成，请店长登录后设置提成类型数据！");

    // Whether the session's role may open the screen; the menu entries and
    // toolbar buttons of the others are disabled, saying who may.
    bool mayOpen(Screen screen) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void allowByRole(QAction *action, Screen screen);
    void buildToolbar();
    void buildMenus();
    void buildStatusBar();
    void tick();
    void centreTitle();
    void takeFocusBack();
    void showPasswordNotice();
    void changeDeliveredPassword();

    AppContext &m_context;
    ScreenRunner m_runner;
    QLabel *m_title;
    QLabel *m_panels[4];
    QTimer *m_timer;
    QWidget *m_passwordNotice;
    QSize m_shownSize; // at the start, the kept size restored
    bool m_activating = false;
    bool m_toldOwnerSets = false;
};

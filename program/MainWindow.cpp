#include "program/MainWindow.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "base/StoreError.h"
#include "base/Version.h"
#include "program/AppContext.h"
#include "program/Startup.h"
#include "rules/admins/AdminRules.h"
#include "rules/admins/Permissions.h"
#include "screens/Dialogs.h"
#include "screens/Ui.h"
#include "screens/admins/AdminModifyDialog.h"
#include "screens/money/SettingsDialog.h"
#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "store/Database.h"
#include "store/SettingsTable.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <map>

namespace {

struct ToolbarButton
{
    const char *caption;
    const char *icon;
    std::optional<Screen> screen; // nothing: exit
};

const ToolbarButton kToolbar[] = {
    {"    登 记    ", ":/icons/register.png", Screen::MemberRegistration},
    {"查询", ":/icons/search.png", Screen::MemberSearch},
    {"消费", ":/icons/consume.png", Screen::Consumption},
    {"充值", ":/icons/recharge.png", Screen::Recharge},
    {"设置", ":/icons/settings.png", Screen::Settings},
    {"关于", ":/icons/about.png", Screen::About},
    {"退出", ":/icons/exit.png", std::nullopt},
};

// The reports, on a toolbar of their own below the first one, which the
// seven buttons above fill.
const ToolbarButton kReportButtons[] = {
    {"推荐人报表", ":/icons/search.png", Screen::ReferrerReport},
    {"推荐排行", ":/icons/search.png", Screen::Ranking},
    {"日结", ":/icons/export.png", Screen::DayClose},
};

// Window sizes are kept for each account, as "width x height" or "max".
const QString kSizeSetting = QStringLiteral("窗口大小/");

std::optional<QString> storedSize(Database &store, const QString &window)
{
    try {
        return SettingsTable(store).value(kSizeSetting + window);
    } catch (const StoreError &) {
        return std::nullopt; // the default size does
    }
}

void restoreSize(QWidget &window, Database &store)
{
    const std::optional<QString> stored = storedSize(store, window.objectName());
    if (!stored)
        return;
    if (*stored == QLatin1String("max")) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
        return;
    }
    const QStringList parts = stored->split(QLatin1Char('x'));
    const QSize size(parts.value(0).toInt(), parts.value(1).toInt());
    if (parts.size() == 2 && size.isValid() && !size.isEmpty())
        window.resize(size);
}

// Keeps the window's size when it was changed since it was shown with
// shownWith.
void keepSize(const QWidget &window, Database &store, QSize shownWith)
{
    if (!store.isOpen() || (!window.isMaximized() && window.size() == shownWith))
        return;
    const QString size = window.isMaximized()
                             ? QStringLiteral("max")
                             : QStringLiteral("%1x%2").arg(window.width()).arg(window.height());
    try {
        SettingsTable(store).setValue(kSizeSetting + window.objectName(), size);
    } catch (const StoreError &) {
        // A size not kept is no reason to stop the cashier.
    }
}

// The screens only owners may open, and the action each stands for.
std::optional<Permissions::Action> ownerAction(Screen screen)
{
    switch (screen) {
    case Screen::Export:
        return Permissions::Action::Export;
    case Screen::AuditLog:
        return Permissions::Action::AuditLog;
    case Screen::Settings:
        return Permissions::Action::Settings;
    default:
        return std::nullopt;
    }
}

} // namespace

bool MainWindow::mayOpen(Screen screen) const
{
    const auto action = ownerAction(screen);
    return !action || Permissions::allows(m_context.session, *action);
}

void MainWindow::allowByRole(QAction *action, Screen screen)
{
    if (mayOpen(screen))
        return;
    action->setEnabled(false);
    action->setToolTip(Permissions::kOwnerOnly);
}

MainWindow::MainWindow(AppContext &context, QWidget *parent)
    : QMainWindow(parent), m_context(context), m_runner([](QDialog &d) { d.exec(); })
{
    setObjectName(QStringLiteral("zhuchengxu"));
    setWindowTitle(QStringLiteral("Pellomar会员系统-support@pellomar.example"));

    auto *central = new QWidget(this);
    m_title = new QLabel(QStringLiteral("Pellomar会员系统"), central);
    m_title->setObjectName(QStringLiteral("Label1"));
    QFont font;
    font.setFamilies(Ui::songTi());
    font.setPointSize(60);
    m_title->setFont(font);
    m_title->adjustSize();
    setCentralWidget(central);

    buildToolbar();
    buildMenus();
    buildStatusBar();

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &MainWindow::tick);
    m_timer->start();
    tick();

    Ui::resizeTwips(this, 11445, 8025);
    restoreSize(*this, m_context.store);
    m_shownSize = size();
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void MainWindow::buildToolbar()
{
    auto *toolbar = addToolBar(QStringLiteral("Toolbar1"));
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(32, 32));
    int n = 0;
    for (const ToolbarButton &b : kToolbar) {
        const QString caption = QString::fromUtf8(b.caption);
        QAction *action = toolbar->addAction(QIcon(QString::fromLatin1(b.icon)), caption);
        action->setObjectName(QStringLiteral("Button%1").arg(++n));
        if (auto *button = qobject_cast<QToolButton *>(toolbar->widgetForAction(action)))
            // 1773 x 1482 twips each, narrowed where needed so that all seven
            // fit across the window's 11445-twip width.
            button->setMinimumSize(Ui::twips(11445 / 7) - 4, Ui::twips(1482));
        connect(action, &QAction::triggered, this,
                [this, action] { dispatchToolbar(action->text()); });
        if (b.screen)
            allowByRole(action, *b.screen);
    }
    addToolBarBreak();
    auto *reports = addToolBar(QStringLiteral("Toolbar2"));
    reports->setObjectName(QStringLiteral("Toolbar2"));
    reports->setMovable(false);
    reports->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    reports->setIconSize(QSize(16, 16));
    for (const ToolbarButton &b : kReportButtons) {
        QAction *action =
            reports->addAction(QIcon(QString::fromLatin1(b.icon)), QString::fromUtf8(b.caption));
        action->setObjectName(QStringLiteral("Button%1").arg(++n));
        const Screen screen = *b.screen;
        connect(action, &QAction::triggered, this, [this, screen] { openScreen(screen); });
    }
}

void MainWindow::buildMenus()
{
    // The cashier's screens open by a function key as well, shown beside
    // their menu entries.
    const std::map<Screen, QKeySequence> keys{
        {Screen::Consumption, QKeySequence(Qt::Key_F2)},
        {Screen::Recharge, QKeySequence(Qt::Key_F3)},
        {Screen::MemberSearch, QKeySequence(Qt::Key_F4)},
        {Screen::MemberRegistration, QKeySequence(Qt::Key_F5)},
        {Screen::Statement, QKeySequence(Qt::Key_F6)}};
    auto item = [this, keys](QMenu *menu, const QString &name, Screen screen, const char *icon) {
        QAction *a = menu->addAction(QIcon(QString::fromLatin1(icon)), name);
        a->setObjectName(name);
        if (const auto key = keys.find(screen); key != keys.end())
            a->setShortcut(key->second);
        addAction(a); // the key works while the menus are closed
        connect(a, &QAction::triggered, this, [this, screen] { openScreen(screen); });
        allowByRole(a, screen);
    };
    auto menu = [this](const QString &name, const QString &caption) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name);
        return m;
    };
    auto top = [this](const QString &name, const QString &caption, std::function<void()> f) {
        QAction *a = menuBar()->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, std::move(f));
        return a;
    };

    QMenu *admin = menu(QStringLiteral("管理登记系统"), QStringLiteral("管理登记系统(&C)"));
    item(admin, QStringLiteral("管理员登记"), Screen::AdminRegistration, ":/icons/register.png");
    item(admin, QStringLiteral("管理员查询"), Screen::AdminList, ":/icons/search.png");
    item(admin, QStringLiteral("数据库备份还原"), Screen::Backup, ":/icons/backup.png");
    item(admin, QStringLiteral("会员资料导出"), Screen::Export, ":/icons/export.png");
    item(admin, QStringLiteral("操作日志"), Screen::AuditLog, ":/icons/search.png");
    QMenu *members = menu(QStringLiteral("会员登记系统"), QStringLiteral("会员登记系统(&M)"));
    item(members, QStringLiteral("会员登记"), Screen::MemberRegistration, ":/icons/register.png");
    item(members, QStringLiteral("会员查询"), Screen::MemberSearch, ":/icons/search.png");
    QMenu *money = menu(QStringLiteral("消费登记系统"), QStringLiteral("消费登记系统(&P)"));
    item(money, QStringLiteral("消费登记"), Screen::Consumption, ":/icons/consume.png");
    item(money, QStringLiteral("消费充值"), Screen::Recharge, ":/icons/recharge.png");
    item(money, QStringLiteral("会员流水"), Screen::Statement, ":/icons/search.png");
    item(money, QStringLiteral("对账"), Screen::Reconcile, ":/icons/search.png");
    QMenu *reports = menu(QStringLiteral("报表"), QStringLiteral("报表(&R)"));
    item(reports, QStringLiteral("推荐人报表"), Screen::ReferrerReport, ":/icons/search.png");
    item(reports, QStringLiteral("推荐排行"), Screen::Ranking, ":/icons/search.png");
    item(reports, QStringLiteral("日结"), Screen::DayClose, ":/icons/export.png");
    item(reports, QStringLiteral("打印设置"), Screen::PrintSettings, ":/icons/settings.png");
    allowByRole(top(QStringLiteral("设置"), QStringLiteral("设置(&S)"),
                    [this] { openScreen(Screen::Settings); }),
                Screen::Settings);
    for (QMenu *m : {admin, members, money, reports})
        m->setToolTipsVisible(true);
    top(QStringLiteral("关于"), QStringLiteral("关于(&A)"), [this] { openScreen(Screen::About); });
    top(QStringLiteral("退出"), QStringLiteral("退出(&X)"), [this] { exitProgram(); });
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const QString texts[4] = {
        QStringLiteral("Pellomar会员系统"),
        QStringLiteral("当前操作管理员：") + m_context.session.name,
        QStringLiteral("当前时间："),
        QStringLiteral("当前版本：Ver " PELLOMAR_VERSION),
    };
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel(texts[i], bar);
        m_panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        m_panels[i]->setFrameShape(QFrame::Panel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(m_panels[i], i == 2 ? 2 : 1);
    }
    // On a database server: which server, and which till this is.
    if (m_context.server) {
        auto *server = new QLabel(serverText(*m_context.server), bar);
        server->setObjectName(QStringLiteral("Panel5"));
        server->setFrameShape(QFrame::Panel);
        server->setFrameShadow(QFrame::Sunken);
        bar->addWidget(server, 1);
    }
    // While admin keeps the delivered password: a red notice with the way to
    // change it, which blocks nothing.
    m_passwordNotice = new QWidget(bar);
    m_passwordNotice->setObjectName(QStringLiteral("mimatishi"));
    auto *notice = new QLabel(AdminRules::kDeliveredPasswordNotice, m_passwordNotice);
    notice->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    auto *change = new QPushButton(QStringLiteral("修改资料"), m_passwordNotice);
    change->setObjectName(QStringLiteral("xiugaimima"));
    auto *row = new QHBoxLayout(m_passwordNotice);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(notice);
    row->addWidget(change);
    bar->addPermanentWidget(m_passwordNotice);
    connect(change, &QPushButton::clicked, this, &MainWindow::changeDeliveredPassword);
    showPasswordNotice();
}

void MainWindow::showPasswordNotice()
{
    bool delivered = false;
    try {
        delivered = AdminRules::builtInHasDeliveredPassword(m_context.store, m_context.session);
    } catch (const StoreError &) {
        // The next action that needs the database reports the failure.
    }
    m_passwordNotice->setVisible(delivered);
}

void MainWindow::changeDeliveredPassword()
{
    if (!m_context.session.isBuiltInAdmin()) {
        Dialogs::message(this, QStringLiteral("请用 admin 账号登录后修改密码"));
        return;
    }
    std::optional<Admin> row;
    try {
        const QList<Admin> rows = AdminTable(m_context.store).byName(AdminRules::kBuiltInName);
        if (!rows.isEmpty())
            row = rows.first();
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(this, e.text());
        return;
    }
    if (!row)
        return;
    AdminModifyDialog dialog(m_context.store, m_context.session, *row, this);
    dialog.setModal(true);
    m_runner(dialog);
    takeFocusBack();
    showPasswordNotice();
}

QString MainWindow::clockText(const QDateTime &now)
{
    return QStringLiteral("当前时间：  ") + Formats::shortDate(now.date()) + QStringLiteral("  ") +
           Formats::longTime(now.time());
}

QString MainWindow::serverText(const ServerSettings &server)
{
    return QStringLiteral("数据库服务器：%1  收银台：%2").arg(server.describe(), server.till);
}

void MainWindow::tick()
{
    m_panels[2]->setText(clockText(Clock::now()));
}

void MainWindow::activate()
{
    if (m_context.ending() || m_activating)
        return;
    m_activating = true;
    while (!m_context.ending()) {
        if (!m_context.store.reopenIfClosed() && m_context.server) {
            // A till works on once the server answers again: the next
            // action connects anew.
            Dialogs::error(this, Startup::kServerUnreachable + QLatin1Char('\n') +
                                     m_context.store.lastError());
            break;
        }
        if (!m_context.store.isOpen()) {
            Dialogs::error(this, QStringLiteral("数据文件无法打开，程序即将退出！\n") +
                                     m_context.store.lastError());
            m_activating = false;
            m_context.requestEnd(1);
            return;
        }
        bool set = false;
        try {
            set = CommissionTable(m_context.store).isSet();
        } catch (const StoreError &e) {
            Dialogs::databaseFailure(this, e);
            break;
        }
        if (set)
            break;
        if (!mayOpen(Screen::Settings)) {
            // A cashier works on; an owner sets the mode at his login.
            if (!m_toldOwnerSets)
                Dialogs::message(this, kOwnerSetsCommission);
            m_toldOwnerSets = true;
            break;
        }
        Dialogs::message(this, QStringLiteral("还未设置提成，请设置提成类型数据！"));
        if (QDialog *dialog = createScreen(Screen::Settings, m_context, this)) {
            m_runner(*dialog);
            // A database that cannot store the setting would bring the same
            // two windows back for ever, and the main window, with its exit,
            // would never be reached. The next activation asks again.
            const auto *settings = qobject_cast<SettingsDialog *>(dialog);
            const bool failed = settings && settings->databaseFailed();
            delete dialog;
            takeFocusBack();
            if (failed)
                break;
        }
    }
    m_activating = false;
}

void MainWindow::openScreen(Screen screen)
{
    if (m_context.ending() || !mayOpen(screen))
        return;
    QDialog *dialog = createScreen(screen, m_context, this);
    if (!dialog)
        return;
    dialog->setModal(true);
    restoreSize(*dialog, m_context.store);
    const QSize shownWith = dialog->size();
    m_runner(*dialog);
    keepSize(*dialog, m_context.store, shownWith);
    delete dialog;
    takeFocusBack();
    if (screen == Screen::AdminList) // where a password is changed
        showPasswordNotice();
    activate();
}

void MainWindow::takeFocusBack()
{
    // A window manager may leave no window active once a modal screen that
    // closed itself has gone; the cashier's next key must reach this window.
    if (!isVisible())
        return;
    raise();
    activateWindow();
}

void MainWindow::dispatchToolbar(const QString &caption)
{
    for (const ToolbarButton &b : kToolbar) {
        if (caption != QString::fromUtf8(b.caption))
            continue;
        if (b.screen)
            openScreen(*b.screen);
        else
            exitProgram();
        return;
    }
}

void MainWindow::exitProgram()
{
    if (m_context.ending())
        return;
    keepSize(*this, m_context.store, m_shownSize);
    m_context.requestEnd(0);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    exitProgram();
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    centreTitle();
}

void MainWindow::centreTitle()
{
    const QWidget *area = centralWidget();
    m_title->move((area->width() - m_title->width()) / 2, (area->height() - m_title->height()) / 2);
}

#pragma once

class QDialog;
class QWidget;
struct AppContext;

// The screens the main window opens, each as a modal dialog.
enum class Screen {
    MemberRegistration, // msignin
    MemberSearch,       // msearch
    Consumption,        // xiaofei
    Recharge,           // chongzhi
    Settings,           // shezhi
    About,              // guanyu
    AdminRegistration,  // sregedit
    AdminList,          // ssearch
    Backup,             // backup
    Export,             // daochu
    Statement,          // liushui
    Reconcile,          // duizhang
    AuditLog,           // rizhi
    ReferrerReport,     // tuijianbaobiao
    Ranking,            // tuijianpaihang
    DayClose,           // rijie
    PrintSettings,      // dayinshezhi
};

// Creates the screen, or returns nullptr when this build has no such screen.
QDialog *createScreen(Screen screen, AppContext &context, QWidget *parent);

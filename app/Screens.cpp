#include "app/Screens.h"

#include "app/AboutDialog.h"
#include "maintenance/BackupDialog.h"
#include "maintenance/ExportDialog.h"
#include "money/SettingsDialog.h"

QDialog *createScreen(Screen screen, AppContext &context, QWidget *parent)
{
    switch (screen) {
    case Screen::Settings:
        return new SettingsDialog(context, parent);
    case Screen::About:
        return new AboutDialog(parent);
    case Screen::Backup:
        return new BackupDialog(context, parent);
    case Screen::Export:
        return new ExportDialog(context, parent);
    case Screen::MemberRegistration:
    case Screen::MemberSearch:
    case Screen::Consumption:
    case Screen::Recharge:
    case Screen::AdminRegistration:
    case Screen::AdminList:
        break;
    }
    return nullptr;
}

#include "app/Screens.h"

#include "admins/AdminListDialog.h"
#include "admins/AdminRegistrationDialog.h"
#include "app/AboutDialog.h"
#include "maintenance/BackupDialog.h"
#include "maintenance/ExportDialog.h"
#include "members/MemberSearchDialog.h"
#include "members/RegistrationDialog.h"
#include "money/ConsumptionDialog.h"
#include "money/RechargeDialog.h"
#include "money/SettingsDialog.h"

QDialog *createScreen(Screen screen, AppContext &context, QWidget *parent)
{
    switch (screen) {
    case Screen::MemberRegistration:
        return new RegistrationDialog(context, parent);
    case Screen::MemberSearch:
        return new MemberSearchDialog(context, parent);
    case Screen::Consumption:
        return new ConsumptionDialog(context, parent);
    case Screen::Recharge:
        return new RechargeDialog(context, parent);
    case Screen::Settings:
        return new SettingsDialog(context, parent);
    case Screen::About:
        return new AboutDialog(parent);
    case Screen::AdminRegistration:
        return new AdminRegistrationDialog(context, parent);
    case Screen::AdminList:
        return new AdminListDialog(context, parent);
    case Screen::Backup:
        return new BackupDialog(context, parent);
    case Screen::Export:
        return new ExportDialog(context, parent);
    }
    return nullptr;
}

#include "program/Screens.h"

#include "program/AppContext.h"
#include "screens/AboutDialog.h"
#include "screens/admins/AdminListDialog.h"
#include "screens/admins/AdminRegistrationDialog.h"
#include "screens/maintenance/BackupDialog.h"
#include "screens/maintenance/ExportDialog.h"
#include "screens/members/MemberSearchDialog.h"
#include "screens/members/RegistrationDialog.h"
#include "screens/money/ConsumptionDialog.h"
#include "screens/money/RechargeDialog.h"
#include "screens/money/SettingsDialog.h"

QDialog *createScreen(Screen screen, AppContext &context, QWidget *parent)
{
    switch (screen) {
    case Screen::MemberRegistration:
        return new RegistrationDialog(context.store, parent);
    case Screen::MemberSearch:
        return new MemberSearchDialog(context.store, context.session, parent);
    case Screen::Consumption:
        return new ConsumptionDialog(context.store, parent);
    case Screen::Recharge:
        return new RechargeDialog(context.store, parent);
    case Screen::Settings:
        return new SettingsDialog(context.store, parent);
    case Screen::About:
        return new AboutDialog(parent);
    case Screen::AdminRegistration:
        return new AdminRegistrationDialog(context.store, parent);
    case Screen::AdminList:
        return new AdminListDialog(context.store, context.session, context.end, parent);
    case Screen::Backup:
        return new BackupDialog(context.store, context.files, context.session, context.end, parent);
    case Screen::Export:
        return new ExportDialog(context.store, context.files, context.session, parent);
    }
    return nullptr;
}

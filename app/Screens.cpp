#include "app/Screens.h"

#include "app/AboutDialog.h"
#include "members/RegistrationDialog.h"
#include "money/ConsumptionDialog.h"
#include "money/RechargeDialog.h"
#include "money/SettingsDialog.h"

QDialog *createScreen(Screen screen, AppContext &context, QWidget *parent)
{
    switch (screen) {
    case Screen::Settings:
        return new SettingsDialog(context, parent);
    case Screen::About:
        return new AboutDialog(parent);
    case Screen::MemberRegistration:
        return new RegistrationDialog(context, parent);
    case Screen::Consumption:
        return new ConsumptionDialog(context, parent);
    case Screen::Recharge:
        return new RechargeDialog(context, parent);
    case Screen::MemberSearch:
    case Screen::AdminRegistration:
    case Screen::AdminList:
    case Screen::Backup:
    case Screen::Export:
        break;
    }
    return nullptr;
}

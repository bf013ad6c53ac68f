#include "program/Screens.h"

#include "program/AppContext.h"
#include "screens/AboutDialog.h"
#include "screens/admins/AdminListDialog.h"
#include "screens/admins/AdminRegistrationDialog.h"
#include "screens/admins/AuditLogDialog.h"
#include "screens/maintenance/BackupDialog.h"
#include "screens/maintenance/ExportDialog.h"
#include "screens/members/MemberSearchDialog.h"
#include "screens/members/RegistrationDialog.h"
#include "screens/money/ConsumptionDialog.h"
#include "screens/money/RechargeDialog.h"
#include "screens/money/ReconcileDialog.h"
#include "screens/money/SettingsDialog.h"
#include "screens/money/StatementDialog.h"
#include "screens/reports/DayCloseDialog.h"
#include "screens/reports/PrintSettingsDialog.h"
#include "screens/reports/RankingDialog.h"
#include "screens/reports/ReferrerReportDialog.h"

#include <memory>
#include <optional>

namespace {

// The referrer report of a member or of a ledger account, over the screen
// that asked for it.
void openReferrerReport(AppContext &context, QWidget *parent, std::optional<qint64> memberId,
                        qint64 account = 0)
{
    ReferrerReportDialog report(context.store, context.files, parent);
    if (memberId)
        report.showMember(*memberId);
    else
        report.showAccount(account);
    report.exec();
}

StatementDialog *statementScreen(AppContext &context, QWidget *parent)
{
    auto *statement = new StatementDialog(context.store, context.files, context.session, parent);
    statement->setReferrerOpener([&context, statement](qint64 memberId) {
        openReferrerReport(context, statement, memberId);
    });
    return statement;
}

} // namespace

QDialog *createScreen(Screen screen, AppContext &context, QWidget *parent)
{
    switch (screen) {
    case Screen::MemberRegistration:
        return new RegistrationDialog(context.store, parent);
    case Screen::MemberSearch: {
        auto *search = new MemberSearchDialog(context.store, context.session, parent);
        search->setStatementOpener([&context, search](qint64 memberId) {
            std::unique_ptr<StatementDialog> statement(statementScreen(context, search));
            statement->showMember(memberId);
            statement->exec();
        });
        search->setReferrerOpener(
            [&context, search](qint64 memberId) { openReferrerReport(context, search, memberId); });
        search->setActionOpener(
            [&context, search](MemberSearchDialog::Action action, const Member &member) {
                if (action == MemberSearchDialog::Action::Consumption) {
                    ConsumptionDialog consumption(context.store, search, &context.session);
                    consumption.fillMember(member.name, member.phone);
                    consumption.exec();
                } else {
                    RechargeDialog recharge(context.store, search);
                    recharge.fillMember(member.name, member.phone);
                    recharge.exec();
                }
            });
        return search;
    }
    case Screen::Consumption:
        return new ConsumptionDialog(context.store, parent, &context.session);
    case Screen::Recharge:
        return new RechargeDialog(context.store, parent);
    case Screen::Settings:
        return new SettingsDialog(context.store, parent);
    case Screen::About:
        return new AboutDialog(parent);
    case Screen::AdminRegistration:
        return new AdminRegistrationDialog(context.store, context.session, parent);
    case Screen::AdminList:
        return new AdminListDialog(context.store, context.session, context.end, parent);
    case Screen::Backup:
        return new BackupDialog(context.store, context.files, context.session, context.end, parent,
                                nullptr, context.server ? &*context.server : nullptr);
    case Screen::Export:
        return new ExportDialog(context.store, context.files, context.session, parent);
    case Screen::Statement:
        return statementScreen(context, parent);
    case Screen::Reconcile:
        return new ReconcileDialog(context.store, context.files, parent);
    case Screen::AuditLog:
        return new AuditLogDialog(context.store, context.session, parent);
    case Screen::ReferrerReport:
        return new ReferrerReportDialog(context.store, context.files, parent);
    case Screen::Ranking: {
        auto *ranking = new RankingDialog(context.store, context.files, parent);
        ranking->setReferrerOpener([&context, ranking](qint64 account) {
            openReferrerReport(context, ranking, std::nullopt, account);
        });
        return ranking;
    }
    case Screen::DayClose:
        return new DayCloseDialog(context.store, context.files, parent);
    case Screen::PrintSettings:
        return new PrintSettingsDialog(context.store, context.session, parent);
    }
    return nullptr;
}

#include "screens/reports/SlipPrint.h"

#include "base/StoreError.h"
#include "rules/reports/PrintSettings.h"
#include "rules/reports/Slip.h"
#include "screens/Dialogs.h"
#include "screens/reports/Printout.h"

#include <QTextDocument>

namespace SlipPrint {

bool print(QWidget *parent, Database &store, qint64 entry, const QString &operation)
{
    std::optional<Slip::Content> slip;
    PrintSettings::Values settings;
    try {
        settings = PrintSettings::load(store);
        slip = Slip::ofEntry(store, entry, operation, settings.shop);
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(parent, e.text());
        return false;
    }
    if (!slip) {
        Dialogs::message(parent, Slip::kNothingToPrint);
        return false;
    }
    const auto document = Printout::slipDocument(slip->shop, Slip::lines(*slip), settings.paperMm);
    if (Printout::toDefaultPrinter(*document))
        return true;
    Dialogs::error(parent, Slip::kPrintFailed);
    return false;
}

Button::Button(Database &store, QWidget *parent)
    : QPushButton(QStringLiteral("打印小票"), parent), m_store(store)
{
    setObjectName(QStringLiteral("xiaopiao"));
    setAutoDefault(false);
    setEnabled(false);
    connect(this, &QPushButton::clicked, this, [this] {
        if (m_entry > 0)
            print(window(), m_store, m_entry, m_operation);
    });
}

void Button::actionDone(qint64 entry, const QString &operation)
{
    m_entry = entry;
    m_operation = operation;
    setEnabled(entry > 0);
    if (entry <= 0)
        return;
    bool automatic = false;
    try {
        automatic = PrintSettings::load(m_store).autoPrint;
    } catch (const StoreError &e) {
        Dialogs::databaseFailure(window(), e.text());
        return;
    }
    if (automatic)
        print(window(), m_store, entry, operation);
}

} // namespace SlipPrint

#include "interest/print_settlement.h"

#include "documents/print_model_dialog.h"
#include "documents/word_processor_dialog.h"
#include "interest/settlement_report.h"
#include "report/report_preview.h"
#include "store/app_context.h"

#include <QApplication>
#include <QScopeGuard>

void PrintSettlement(AppContext &context, QWidget *parent, const SettlementInput &input,
                     const SettlementResult &result, SettlementHeading heading)
{
    if (result.rows.empty())
        return;
    TFormDctoSel choice(context, parent);
    if (choice.exec() != QDialog::Accepted)
        return;
    if (choice.wordProcessorChosen() && !choice.chosenTemplate().isEmpty()) {
        TFormWord word(context, WordMode::Settlement, choice.chosenTemplate(), parent);
        word.setSettlement(MergeData::From(input, result));
        word.exec();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    heading.office = OfficeNameFromSettings(context.settingsPath);
    const BandReport report = SettlementReport(input, result, QDate::currentDate(), heading);
    const std::vector<ReportPage> pages = report.build();
    restore.dismiss();
    QApplication::restoreOverrideCursor();
    PreviewReport(pages, report.geometry(), report.title(), parent);
}

#include "shell/window_openers.h"

#include "core/version.h"
#include "backup/backup_window.h"
#include "backup/restore_window.h"
#include "clients/clients_window.h"
#include "clients/contacts_window.h"
#include "documents/template_catalogue_window.h"
#include "fees/criteria_window.h"
#include "fees/fee_calculator_window.h"
#include "fees/region_window.h"
#include "fees/table_editor.h"
#include "interest/rate_list_window.h"
#include "interest/settlement_input_window.h"
#include "invoicing/company_data_window.h"
#include "invoicing/invoice_list_window.h"
#include "invoicing/invoice_search_window.h"
#include "shell/about_window.h"
#include "shell/lock_list_window.h"
#include "shell/startup.h"
#include "store/app_context.h"

#include <QCoreApplication>

namespace Openers {

void OpenCompanyData(AppContext &context, QWidget *parent)
{
    TFormConfHono window(context, parent);
    if (window.exec() == QDialog::Accepted && parent)
        parent->window()->setWindowTitle(kMainCaption);
}

void OpenInvoicing(AppContext &context, QWidget *parent)
{
    ShowInvoiceList(context, parent);
}

void OpenInvoiceList(AppContext &context, QWidget *parent)
{
    ShowInvoiceListSearch(context, parent);
}

void OpenAbout(AppContext &context, QWidget *parent)
{
    tformacerca about(context.settings(), ReadVersionValue(QStringLiteral("FileVersion")),
                      QCoreApplication::applicationDirPath(), parent);
    about.exec();
}

void OpenRateTable(AppContext &context, QWidget *parent)
{
    ::OpenRateTable(context, parent);
}

void OpenSettlement(AppContext &context, QWidget *parent)
{
    OpenSettlementInput(context, parent);
}

void OpenTemplates(AppContext &context, QWidget *parent)
{
    ShowTemplateCatalogue(context, parent);
}

void OpenBackup(AppContext &context, QWidget *parent)
{
    ShowBackupWindow(context, parent);
}

void OpenRestore(AppContext &context, QWidget *parent)
{
    ShowRestoreWindow(context, parent);
}

void OpenFeeCalculator(AppContext &context, QWidget *parent)
{
    ShowFeeCalculator(context, parent);
}

void OpenLocks(AppContext &context, QWidget *parent)
{
    ShowLockListWindow(context, parent);
}

void OpenClients(AppContext &context, QWidget *parent)
{
    ShowClients(context, parent);
}

void OpenContacts(AppContext &context, QWidget *parent)
{
    ShowContacts(context, parent);
}

void OpenRegionSelection(AppContext &context, QWidget *parent)
{
    OpenRegionWindow(context, parent);
}

void OpenFeeConcepts(AppContext &context, QWidget *parent)
{
    OpenCriteriaWindow(context, parent);
}

void OpenScaleTables(AppContext &context, QWidget *parent)
{
    OpenTableEditor(context, parent);
}

// Not part of the program yet: these actions do nothing until their windows are.
void CreateRunWindows(AppContext &, QWidget *) {}

} // namespace Openers

#pragma once

class QWidget;
struct AppContext;

// What each action of the main window opens: one function per action, each given the
// program's context and the main window as parent. Actions whose window is not part of the
// program yet do nothing.
namespace Openers {

// "&Tipos de Interés" (tiposdeinteres): the rate table.
void OpenRateTable(AppContext &context, QWidget *parent);
// "&Liquidaciones" (liquidaciones): the settlement input.
void OpenSettlement(AppContext &context, QWidget *parent);
// "&Configurar Datos Empresa" (Action10): the company data; on " Aceptar" the main window's
// caption is set again.
void OpenCompanyData(AppContext &context, QWidget *parent);
// "Configurar Plantillas de &Intereses" (Action12): the template catalogue.
void OpenTemplates(AppContext &context, QWidget *parent);
// "&Realizar Copia de Seguridad" (Action9) and "R&estaurar Copia de Seguridad" (Action1).
void OpenBackup(AppContext &context, QWidget *parent);
void OpenRestore(AppContext &context, QWidget *parent);
// "&Bloqueos" (ActionBloqueos): the record locks held now, to release one left behind.
void OpenLocks(AppContext &context, QWidget *parent);
// "&Info. Versión" (Action8): the about box.
void OpenAbout(AppContext &context, QWidget *parent);

// The fees group, hidden in the main window.
void OpenRegionSelection(AppContext &context, QWidget *parent); // Action11
void OpenFeeConcepts(AppContext &context, QWidget *parent);     // Gestionar_Honorarios
void OpenScaleTables(AppContext &context, QWidget *parent);     // Editar_Tabla
void OpenInvoicing(AppContext &context, QWidget *parent);       // Facturar
void OpenInvoiceList(AppContext &context, QWidget *parent);     // ListadoFacturas
void OpenFeeCalculator(AppContext &context, QWidget *parent);   // Action13

// Clients and contacts: each opens only when no window of its name is open.
void OpenClients(AppContext &context, QWidget *parent);  // clientes
void OpenContacts(AppContext &context, QWidget *parent); // contactos

// Windows that live for the whole run, made once the databases are open (the fee-table
// editor, the invoice list, the word-processor merge window).
void CreateRunWindows(AppContext &context, QWidget *parent);

} // namespace Openers

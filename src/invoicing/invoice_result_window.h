#pragma once

#include "invoicing/invoice_search.h"

#include <QDialog>

class InvoiceRowsModel;
class MoneyBox;
class QTableView;
struct AppContext;

// "Resultado Búsqueda" (TFormFacRes): the invoices found with their count and sums;
// "&Modif.", "&Imprimir", "&Listado", "&Comisión", and the grid's pop-up menu that exports them.
class TFormFacRes final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormFacRes)

public:
    TFormFacRes(AppContext &context, InvoiceSearchResult result, QWidget *parent = nullptr);

    InvoiceRowsModel *model() const { return m_model; }
    void modifyInvoice();
    void printInvoice();
    void printList();
    void showCommission();
    void exportToExcel();
    void copyToClipboard();
    void saveAsText();

private:
    const InvoiceHeader *current() const;

    AppContext &m_context;
    InvoiceSearchResult m_result;
    InvoiceRowsModel *m_model;
    QTableView *m_grid;
};

// "Comisión Facturas" (TFormFacCom): a percentage of the fees found.
class TFormFacCom final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormFacCom)

public:
    TFormFacCom(double fees, QWidget *parent = nullptr);
    void setPercent(double percent);

private:
    double m_fees;
    MoneyBox *m_hono;
    MoneyBox *m_por;
    MoneyBox *m_total;
};

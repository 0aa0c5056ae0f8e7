#pragma once

#include <QString>

// The money arithmetic of invoices, free of any table. Every product is formed in long double
// and handed to RoundTo2 as a double; sums of amounts already rounded are not rounded again.

// Line types as stored (capital initial, part of the format the printouts select on).
inline const QString kTipoHonorario = QStringLiteral("Honorario");
inline const QString kTipoProvision = QStringLiteral("Provision");
inline const QString kTipoSuplido = QStringLiteral("Suplido");

// The lower-cased type decides, so "HONORARIO" written by another tool is still a fee line.
bool IsFeeType(const QString &tipo);
bool IsProvisionType(const QString &tipo);
bool IsOutlayType(const QString &tipo);

// The three rates of an invoice or a line, in percent; a blank rate counts as 0.
struct InvoiceRates
{
    double iva = 0.0;
    double irpf = 0.0;
    double dcto = 0.0;

    bool operator==(const InvoiceRates &) const = default;
};

struct LineAmounts
{
    double totalDCTO = 0.0;
    double totalIVA = 0.0;
    double totalIRPF = 0.0;
    double total = 0.0;

    bool operator==(const LineAmounts &) const = default;
};

// TotalDCTO = RoundTo2(SubTotal x DCTO / 100); base = SubTotal - TotalDCTO (not rounded);
// TotalIVA = RoundTo2(IVA / 100 x base); TotalIRPF = RoundTo2(IRPF / 100 x base);
// Total = RoundTo2(base + TotalIVA - TotalIRPF). Withholding is a positive rate subtracted.
LineAmounts CalcularLinea(double subTotal, const InvoiceRates &rates);

// The modification dialog's preview, not rounded: base = S - S x D / 100, then
// base - base x W / 100 + base x V / 100.
double LinePreview(double subTotal, const InvoiceRates &rates);

// The calculated columns of a line: fees and outlays are outgoings of the client's account
// (SALIDAS = SubTotal), anything else (provisions) incomings (ENTRADAS = SubTotal).
struct LineColumns
{
    double entradas = 0.0;
    double salidas = 0.0;
};
LineColumns EntradasSalidas(const QString &tipo, double subTotal);

// The seven amounts of an invoice header.
struct InvoiceTotals
{
    double total = 0.0;
    double totalSuplidos = 0.0;
    double totalHonorario = 0.0;
    double totalDcto = 0.0;
    double totalIVA = 0.0;
    double totalIRPF = 0.0;
    double totalProvisiones = 0.0;

    bool operator==(const InvoiceTotals &) const = default;
};

// Raw sums of the lines, as the three sum queries give them (a sum over no rows is 0).
struct LineSums
{
    double subTotales = 0.0; // fee lines' SubTotal
    double dctos = 0.0;      // fee lines' TotalDCTO
    double ivas = 0.0;
    double irpfs = 0.0;
    double provisiones = 0.0; // provision lines' Total
    double suplidos = 0.0;    // outlay lines' Total
};

// Each sum rounded to cents, then Total = TotalHonorario - TotalDcto + TotalIVA - TotalIRPF
// - TotalProvisiones + TotalSuplidos (not rounded again). Total may be negative.
InvoiceTotals TotalsFromSums(const LineSums &sums);

// After re-rating the fee lines: the accumulated discount, VAT and withholding (not rounded)
// replace those totals; the other three stay; Total = RoundTo2(TotalSuplidos + TotalHonorario
// + TotalIVA - TotalIRPF - TotalDcto - TotalProvisiones).
InvoiceTotals TotalsAfterRerating(const InvoiceTotals &before, double dctos, double ivas, double irpfs);

// A rate typed into the invoice: the number read with the decimal comma, or 0 when the text
// is not a number (no message).
double TypedRate(const QString &text);

// Numbers typed for an amount, an invoice number or a year. Text that is not a number throws
// AppError with the conversion message ("\"12a\" no es un número válido.", "... no es un número
// entero válido."); an amount beyond the limit throws "El importe es demasiado grande.".
double AmountFromText(const QString &text);
int IntegerFromText(const QString &text);

class IniFile;
// Rates a new invoice starts with: FACTURACION/IVA read as a number (21, the general rate,
// when absent) and FACTURACION/IRPF (0 when absent); the discount is never defaulted.
double DefaultInvoiceVat(const IniFile &settings);
double DefaultInvoiceWithholding(const IniFile &settings);

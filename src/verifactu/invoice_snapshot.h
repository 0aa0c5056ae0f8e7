#pragma once

#include <QDate>
#include <QString>

#include <vector>

// VAT (or IGIC) of the fee lines at one rate: the base after discount and its tax, in euros
// already rounded to cents as the invoice stores them.
struct TaxLine
{
    double rate = 0;
    double base = 0;
    double tax = 0;

    bool operator==(const TaxLine &) const = default;
};

// What an invoicing record says about one invoice, taken from the invoice when it is issued,
// changed or deleted. Outlays and provisions stay out; IRPF withholding is not part of it.
struct InvoiceSnapshot
{
    int number = 0; // Id
    int year = 0;   // Iyear
    QDate date;     // Fecha
    QString issuerNif;
    QString issuerName;
    QString clientName;
    QString clientNif;
    QString description; // blank gives "Honorarios profesionales"
    std::vector<TaxLine> feeLines;
    bool canarias = false; // IGIC instead of VAT

    bool operator==(const InvoiceSnapshot &) const = default;
};

// One fee line of an invoice: SubTotal, TotalDCTO, IVA (rate) and TotalIVA.
struct FeeLineAmounts
{
    double subTotal = 0;
    double discount = 0;
    double rate = 0;
    double tax = 0;
};

// Groups fee lines by rate, in the order each rate first appears: base = sum of
// (SubTotal - TotalDCTO), tax = sum of TotalIVA, both summed in cents.
std::vector<TaxLine> GroupFeeLines(const std::vector<FeeLineAmounts> &lines);

#pragma once

#include "invoicing/invoice_store.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <vector>

class Prompter;

// Searching, collecting and deleting stored invoices ("Facturas", "Búsqueda de Facturas",
// "Resultado Búsqueda"). Every typed value reaches the query as a bound parameter.

inline const QString kNumberOrderMessage =
    QStringLiteral("El número de factura hasta no puede ser inferior al número de factura desde.");
inline const QString kDateOrderMessage = QStringLiteral("La fecha hasta no puede ser inferior a la fecha desde.");
inline const QString kBadTotalMessage = QStringLiteral("La candidad introducida no es válida.");
inline const QString kNothingFoundMessage =
    QStringLiteral("No existe ninguna factura dentro del rango seleccionado.");
inline const QString kSearchingMessage = QStringLiteral("Buscando Facturas. Espere por favor...");
inline constexpr int kLastInvoiceNumber = 999999999;

struct InvoiceSearchCriteria
{
    enum class Cobro { Todas, Cobradas, NoCobradas };

    std::optional<qint64> cliente; // "Con Cliente": the chosen client's number
    QString nif;                   // "Con N.I.F./C.I.F": matched anywhere, case ignored
    QString ref;                   // "Ref. Factura"
    bool byTotal = false;          // "Desde Total Fact.: " with both bounds as typed
    QString totalDesde = QStringLiteral("0");
    QString totalHasta = QStringLiteral("0");
    bool byNumber = true; // "Desde Factura Núm:"; otherwise "Desde Fecha Factura:"
    int numeroDesde = 0;
    int numeroHasta = kLastInvoiceNumber;
    QDate fechaDesde{1900, 1, 1};
    QDate fechaHasta = QDate::currentDate();
    Cobro cobro = Cobro::Todas;
    bool byCollectionDate = false; // "Desde Fecha Cobro:", only with Cobradas
    QDate cobroDesde{1900, 1, 1};
    QDate cobroHasta = QDate::currentDate();
};

// A total bound as the user meant it: "1.234,5", "1234,5", "1.234" and "12.5" read as 1234.5,
// 1234.5, 1234 and 12.5. nullopt for anything else, and for amounts beyond the limit.
std::optional<double> ReadTotalBound(const QString &text);

// Why a search does not run: the message and the field it belongs to.
struct SearchRefusal
{
    enum class Field { NumeroDesde, FechaDesde, TotalDesde, TotalHasta };
    Field field;
    QString message;
};
std::optional<SearchRefusal> CheckSearch(const InvoiceSearchCriteria &criteria);

// The statement and its named values, for the engine of the Qt SQL driver named. Throws
// AppError with kBadTotalMessage for a total bound that is not a number (CheckSearch says
// which one first).
struct SearchStatement
{
    QString sql;
    QVariantMap values;
};
SearchStatement BuildInvoiceSearch(const InvoiceSearchCriteria &criteria, const QString &driverName);

// Sums over the rows found: Total of all, Total of the collected ones, TotalHonorario.
struct SearchSums
{
    double facturas = 0.0;
    double cobrado = 0.0;
    double honorarios = 0.0;
    double pendiente() const { return facturas - cobrado; }
};

// Rows carry the header fields the query returns (Notas stays empty).
struct InvoiceSearchResult
{
    std::vector<InvoiceHeader> rows;
    SearchSums sums;
};
InvoiceSearchResult SearchInvoices(const QSqlDatabase &db, const InvoiceSearchCriteria &criteria);
SearchSums SumRows(const std::vector<InvoiceHeader> &rows);

// "Facturas encontradas: 3" and "Tot.Facturas: 1.234,50  Tot.Cobrado: 0,00  Tot.Pendiente: 1.234,50".
QString FoundLabel(std::size_t count);
QString SumsLabel(const SearchSums &sums);

// The invoice list in key order (number, then year), read by position so that a hundred
// thousand invoices open at once: how many there are, `count` rows from row `first` with the
// fields the list shows, and the row of an invoice (-1 when it is not stored).
int CountInvoices(const QSqlDatabase &db);
std::vector<InvoiceHeader> ListInvoices(const QSqlDatabase &db, int first, int count);
int InvoiceListRow(const QSqlDatabase &db, const InvoiceKey &key);

// Commission on the fees found: RoundTo2(percent x fees / 100); 10 % of 1234,56 is 123,46.
inline constexpr double kMaxCommissionPercent = 100.0;
double Commission(double fees, double percent);

// "&Cobrar": the question for the invoice's present state, then Cobrado and FechaCobro
// (today when collected, blank when not). Returns false when the user said No or the
// invoice no longer exists.
QString CollectQuestion(bool cobrado, const QDate &today);
bool SetCollected(const QSqlDatabase &db, const InvoiceKey &key, bool cobrado, const QDate &today);
bool ToggleCollected(const QSqlDatabase &db, Prompter &prompter, const InvoiceKey &key, const QDate &today);

// "Ba&jas": a collected invoice is confirmed first, then the deletion; lines and header go in
// one transaction with what `beforeDelete` writes (the cancellation record of an issued
// invoice). Returns true when something was deleted.
inline const QString kDeleteCollectedQuestion =
    QStringLiteral("La factura seleccionada está cobrada, ¿Desea darla de baja igualmente?");
inline const QString kDeleteQuestion = QStringLiteral("¿Desea eliminar la factura seleccionada?");
inline const QString kModifyCollectedQuestion =
    QStringLiteral("La factura seleccionada está cobrada, ¿Desea modificarla?");
bool AskAndDeleteInvoice(const QSqlDatabase &db, Prompter &prompter, const InvoiceKey &key,
                         const InvoiceChangeHook &beforeDelete = {});

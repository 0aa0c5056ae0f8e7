#include "invoicing/invoice_search.h"

#include "core/amount_limit.h"
#include "core/date_text.h"
#include "core/errors.h"
#include "core/number_text.h"
#include "core/prompter.h"
#include "core/rounding.h"
#include "store/record_locks.h"
#include "store/sql.h"
#include "store/text_match.h"

#include <QRegularExpression>
#include <QSqlQuery>

#include <algorithm>

namespace {

std::vector<InvoiceHeader> ReadRows(QSqlQuery &q)
{
    std::vector<InvoiceHeader> rows;
    while (q.next())
        rows.push_back(InvoiceHeaderFromRow(q));
    return rows;
}

double RequireBound(const QString &text)
{
    const auto value = ReadTotalBound(text);
    if (!value)
        throw AppError(kBadTotalMessage, text);
    return *value;
}

// The pattern of a text criterion: typed "%" and "_" stay wildcards, quotes are plain text.
QString Pattern(const QString &text)
{
    return QLatin1Char('%') + text + QLatin1Char('%');
}

} // namespace

std::optional<double> ReadTotalBound(const QString &text)
{
    static const QRegularExpression grouped(QStringLiteral("^[+-]?\\d{1,3}(\\.\\d{3})+(,\\d*)?$"));
    static const QRegularExpression pointDecimal(QStringLiteral("^[+-]?\\d*\\.\\d+$"));
    const QString t = text.trimmed();
    std::optional<double> value;
    if (grouped.match(t).hasMatch())
        value = ParseSpanishNumber(QString(t).remove(QLatin1Char('.')));
    else if (pointDecimal.match(t).hasMatch())
        value = ParseSpanishNumber(QString(t).replace(QLatin1Char('.'), QLatin1Char(',')));
    else
        value = ParseSpanishNumber(t);
    if (!value || !AmountInRange(*value))
        return std::nullopt;
    return value;
}

std::optional<SearchRefusal> CheckSearch(const InvoiceSearchCriteria &c)
{
    if (c.numeroHasta < c.numeroDesde)
        return SearchRefusal{SearchRefusal::Field::NumeroDesde, kNumberOrderMessage};
    if (c.fechaDesde > c.fechaHasta)
        return SearchRefusal{SearchRefusal::Field::FechaDesde, kDateOrderMessage};
    if (c.byTotal) {
        if (!ReadTotalBound(c.totalDesde))
            return SearchRefusal{SearchRefusal::Field::TotalDesde, kBadTotalMessage};
        if (!ReadTotalBound(c.totalHasta))
            return SearchRefusal{SearchRefusal::Field::TotalHasta, kBadTotalMessage};
    }
    return std::nullopt;
}

SearchStatement BuildInvoiceSearch(const InvoiceSearchCriteria &c, const QString &driverName)
{
    SearchStatement s;
    QString w;
    const auto piece = [&w](const QString &text) {
        if (!w.isEmpty())
            w += QStringLiteral(" and ");
        w += text;
    };
    if (c.cliente && *c.cliente > 0) {
        w += QStringLiteral("icodcli=:icodcli");
        s.values.insert(QStringLiteral(":icodcli"), *c.cliente);
    }
    // Case is ignored for every letter ("Ñ", "Á"), in the way the engine can.
    const auto textPiece = [&](const QString &column, const QString &typed) {
        const QString placeholder = QLatin1Char(':') + column;
        const FoldedLike match = MatchFoldedCase(driverName, column, placeholder, Pattern(typed));
        piece(match.condition);
        s.values.insert(match.values);
    };
    if (!c.nif.isEmpty())
        textPiece(QStringLiteral("nif"), c.nif);
    if (!c.ref.isEmpty())
        textPiece(QStringLiteral("ref"), c.ref);
    if (c.byTotal) {
        piece(QStringLiteral(" total>=:totaldesde and total<=:totalhasta"));
        s.values.insert(QStringLiteral(":totaldesde"), RequireBound(c.totalDesde));
        s.values.insert(QStringLiteral(":totalhasta"), RequireBound(c.totalHasta));
    }
    if (c.byNumber) {
        piece(QStringLiteral(" id>=:iddesde and id<=:idhasta"));
        s.values.insert(QStringLiteral(":iddesde"), c.numeroDesde);
        s.values.insert(QStringLiteral(":idhasta"), c.numeroHasta);
    }
    if (c.cobro == InvoiceSearchCriteria::Cobro::Cobradas) {
        QString text = QStringLiteral(" cobrado=:cobrado");
        s.values.insert(QStringLiteral(":cobrado"), 1);
        if (c.byCollectionDate) {
            text += QStringLiteral(" and fechacobro>=:dfechacobroini and fechacobro<=:dfechacobrofin");
            s.values.insert(QStringLiteral(":dfechacobroini"), DateToIso(c.cobroDesde));
            s.values.insert(QStringLiteral(":dfechacobrofin"), DateToIso(c.cobroHasta));
        }
        piece(text);
    } else if (c.cobro == InvoiceSearchCriteria::Cobro::NoCobradas) {
        piece(QStringLiteral(" ((cobrado=:cobrado) or (cobrado is null))"));
        s.values.insert(QStringLiteral(":cobrado"), 0);
    }
    if (!c.byNumber) {
        piece(QStringLiteral(" fecha>=:dfechaini and fecha<=:dfechafin"));
        s.values.insert(QStringLiteral(":dfechaini"), DateToIso(c.fechaDesde));
        s.values.insert(QStringLiteral(":dfechafin"), DateToIso(c.fechaHasta));
    }
    s.sql = QStringLiteral("select ") + InvoiceHeaderColumns() + QStringLiteral(" from facturas f ");
    if (!w.isEmpty())
        s.sql += QStringLiteral("\nwhere ") + w;
    // The key is unique, so the rows need no "distinct"; its order is the one it would give.
    s.sql += QStringLiteral("\norder by iYear, id");
    return s;
}

SearchSums SumRows(const std::vector<InvoiceHeader> &rows)
{
    SearchSums sums;
    for (const InvoiceHeader &row : rows) {
        sums.facturas += row.totals.total;
        if (row.cobrado)
            sums.cobrado += row.totals.total;
        sums.honorarios += row.totals.totalHonorario;
    }
    return sums;
}

InvoiceSearchResult SearchInvoices(const QSqlDatabase &db, const InvoiceSearchCriteria &criteria)
{
    const SearchStatement s = BuildInvoiceSearch(criteria, db.driverName());
    QSqlQuery q = Prepare(db, s.sql);
    q.setForwardOnly(true);
    for (auto it = s.values.cbegin(); it != s.values.cend(); ++it)
        q.bindValue(it.key(), it.value());
    Exec(q);
    InvoiceSearchResult result;
    result.rows = ReadRows(q);
    result.sums = SumRows(result.rows);
    return result;
}

QString FoundLabel(std::size_t count)
{
    return QStringLiteral("Facturas encontradas: ") + QString::number(count);
}

QString SumsLabel(const SearchSums &sums)
{
    return QStringLiteral("Tot.Facturas: ") + FormatThousands2(sums.facturas) + QStringLiteral("  Tot.Cobrado: ")
           + FormatThousands2(sums.cobrado) + QStringLiteral("  Tot.Pendiente: ") + FormatThousands2(sums.pendiente());
}

int CountInvoices(const QSqlDatabase &db)
{
    return Scalar(db, QStringLiteral("select count(*) from facturas")).toInt();
}

std::vector<InvoiceHeader> ListInvoices(const QSqlDatabase &db, int first, int count)
{
    // The key's index gives the order; only the rows asked for are read from the records.
    QSqlQuery q = Prepare(db, QStringLiteral("select Iyear, Id, Fecha, NombreCliente, Ref, TotalHonorario, TotalDcto,"
                                             " TotalIVA, TotalIRPF, Total, Cobrado, FechaCobro from facturas"
                                             " order by Id, Iyear limit ? offset ?"));
    q.setForwardOnly(true);
    q.addBindValue(std::max(count, 0));
    q.addBindValue(std::max(first, 0));
    Exec(q);
    std::vector<InvoiceHeader> rows;
    rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
    while (q.next()) {
        InvoiceHeader h;
        h.key = {q.value(1).toInt(), q.value(0).toInt()};
        h.fecha = DateFromIso(q.value(2).toString());
        h.nombreCliente = q.value(3).toString();
        h.ref = q.value(4).toString();
        h.totals.totalHonorario = q.value(5).toDouble();
        h.totals.totalDcto = q.value(6).toDouble();
        h.totals.totalIVA = q.value(7).toDouble();
        h.totals.totalIRPF = q.value(8).toDouble();
        h.totals.total = q.value(9).toDouble();
        h.cobrado = q.value(10).toInt() != 0;
        h.fechaCobro = DateFromIso(q.value(11).toString());
        rows.push_back(std::move(h));
    }
    return rows;
}

int InvoiceListRow(const QSqlDatabase &db, const InvoiceKey &key)
{
    if (!InvoiceExists(db, key))
        return -1;
    // Two ranges of the key's index rather than one "or", which would walk the whole table.
    return Scalar(db, QStringLiteral("select count(*) from facturas where Id < ?"), {key.id}).toInt()
           + Scalar(db, QStringLiteral("select count(*) from facturas where Id = ? and Iyear < ?"), {key.id, key.iyear})
                 .toInt();
}

double Commission(double fees, double percent)
{
    return RoundTo2(static_cast<double>(static_cast<long double>(percent) * fees / 100.0L));
}

QString CollectQuestion(bool cobrado, const QDate &today)
{
    if (cobrado)
        return QStringLiteral("¿Desea marcar esta factura como NO cobrada?");
    return QStringLiteral("¿Desea marcar esta factura como cobrada con fecha ") + FormatDate(today) + QLatin1Char('?');
}

bool SetCollected(const QSqlDatabase &db, const InvoiceKey &key, bool cobrado, const QDate &today)
{
    const QSqlQuery q = RunSql(db, QStringLiteral("UPDATE facturas SET Cobrado = ?, FechaCobro = ? WHERE Id = ? AND Iyear = ?"),
                               {cobrado ? 1 : 0, cobrado ? DateOrNull(today) : DateOrNull(QDate()), key.id, key.iyear});
    return q.numRowsAffected() > 0;
}

bool ToggleCollected(const QSqlDatabase &db, Prompter &prompter, const InvoiceKey &key, const QDate &today)
{
    const auto header = LoadInvoice(db, key);
    if (!header)
        return false;
    if (!prompter.askYesNo(CollectQuestion(header->cobrado, today), Prompter::Icon::Information))
        return false;
    return SetCollected(db, key, !header->cobrado, today);
}

bool AskAndDeleteInvoice(const QSqlDatabase &db, Prompter &prompter, const InvoiceKey &key,
                         const InvoiceChangeHook &beforeDelete)
{
    const auto header = LoadInvoice(db, key);
    if (!header)
        return false;
    if (header->cobrado && !prompter.askYesNo(kDeleteCollectedQuestion, Prompter::Icon::Information))
        return false;
    if (!prompter.askYesNo(kDeleteQuestion))
        return false;
    // An invoice open in an editor here or elsewhere is not pulled from under it.
    const ScopedRecordLock lock(RecordLocks(db), kInvoiceTable, InvoiceLockKey(key));
    return DeleteInvoice(db, key, beforeDelete);
}

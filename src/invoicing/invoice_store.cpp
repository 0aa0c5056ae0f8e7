#include "invoicing/invoice_store.h"

#include "core/date_text.h"
#include "store/sql.h"
#include "verifactu/verifactu_ledger.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace {

const QString kHeaderColumns = QStringLiteral(
    "Id, Iyear, Fecha, Icodcli, Ref, NombreCliente, Nif, Direccion, Poblacion, Provincia, CodPostal,"
    " IVA, IRPF, DCTO, Notas, Cobrado, FechaCobro, Total, TotalSuplidos, TotalHonorario, TotalDcto,"
    " TotalIVA, TotalIRPF, TotalProvisiones");
const QString kLineColumns = QStringLiteral(
    "Fecha, Linea, Criterio, Titulo, IVA, IRPF, DCTO, TotalIVA, TotalIRPF, TotalDCTO, Fijo, Incremento,"
    " Reduccion, Tabla, Porcentaje, Tipo, SubTotal, Total");

// The sum queries, line by line as they are kept; the line breaks count as blanks.
const QString kFeeSums = QStringList{
    QStringLiteral("SELECT SUM(subtotal) as SubTotales, "),
    QStringLiteral("SUM(TotalDCTO) as DCTOS, "),
    QStringLiteral("SUM(TotalIVA) as IVAS, "),
    QStringLiteral("SUM(TotalIRPF) as IRPFS"),
    QStringLiteral("from LineasFact where lower(tipo)='honorario' "),
    QStringLiteral("and Id=:Id and Iyear=:Iyear")}.join(QLatin1Char('\n'));
const QString kProvisionSum = QStringList{
    QStringLiteral("select SUM(Total) as TotalProvisiones"),
    QStringLiteral(" from LineasFact "),
    QStringLiteral("where lower(Tipo)='provision' and id=:id and iyear=:iyear")}.join(QLatin1Char('\n'));
const QString kOutlaySum = QStringList{
    QStringLiteral("select SUM(Total) as TotalSuplidos"),
    QStringLiteral(" from LineasFact "),
    QStringLiteral("where lower(Tipo)='suplido' and id=:id and iyear=:iyear")}.join(QLatin1Char('\n'));

QVariant OptionalNumber(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> NumberOrBlank(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toDouble();
}

QSqlQuery RunNamed(const QSqlDatabase &db, const QString &sql, const InvoiceKey &key, bool lowerNames)
{
    QSqlQuery q = Prepare(db, sql);
    q.bindValue(lowerNames ? QStringLiteral(":id") : QStringLiteral(":Id"), key.id);
    q.bindValue(lowerNames ? QStringLiteral(":iyear") : QStringLiteral(":Iyear"), key.iyear);
    Exec(q);
    q.next();
    return q;
}

// Takes the header's place in the transaction: a header deleted by another program stops the
// change before any line is written.
void RequireHeader(const QSqlDatabase &db, const InvoiceKey &key)
{
    if (!InvoiceExists(db, key))
        throw StoreError(StoreCode::DeletedByOther, kInvoiceDeletedMessage,
                         QStringLiteral("facturas %1").arg(InvoiceLockKey(key)));
}

void WriteTotals(const QSqlDatabase &db, const InvoiceKey &key, const InvoiceTotals &t)
{
    RunSql(db,
           QStringLiteral("UPDATE facturas SET Total = ?, TotalSuplidos = ?, TotalHonorario = ?, TotalDcto = ?,"
                          " TotalIVA = ?, TotalIRPF = ?, TotalProvisiones = ? WHERE Id = ? AND Iyear = ?"),
           {t.total, t.totalSuplidos, t.totalHonorario, t.totalDcto, t.totalIVA, t.totalIRPF, t.totalProvisiones,
            key.id, key.iyear});
}

// What the user types into a header: client data, reference, rates and notes.
void WriteHeaderFields(const QSqlDatabase &db, const InvoiceHeader &h)
{
    RunSql(db,
           QStringLiteral("UPDATE facturas SET Icodcli = ?, Ref = ?, NombreCliente = ?, Nif = ?, Direccion = ?,"
                          " Poblacion = ?, Provincia = ?, CodPostal = ?, IVA = ?, IRPF = ?, DCTO = ?, Notas = ?"
                          " WHERE Id = ? AND Iyear = ?"),
           {h.icodcli ? QVariant(*h.icodcli) : QVariant(QMetaType::fromType<qlonglong>()), TextOrNull(h.ref),
            TextOrNull(h.nombreCliente), TextOrNull(h.nif), TextOrNull(h.direccion), TextOrNull(h.poblacion),
            TextOrNull(h.provincia), TextOrNull(h.codPostal), OptionalNumber(h.iva), OptionalNumber(h.irpf),
            OptionalNumber(h.dcto), TextOrNull(h.notas), h.key.id, h.key.iyear});
}

InvoiceTotals StoreRecalculatedTotals(const QSqlDatabase &db, const InvoiceKey &key)
{
    const InvoiceTotals totals = RecalcularTotales(db, key);
    WriteTotals(db, key, totals);
    return totals;
}

// The first Linea from the line's own that no stored line of that invoice and date holds: what
// renumbering on every key collision arrives at, found with one query.
int FirstFreeLinea(const QSqlDatabase &db, const InvoiceKey &key, const QDate &fecha, int from)
{
    QSqlQuery q = RunSql(db,
                         QStringLiteral("SELECT Linea FROM lineasfact WHERE Id = ? AND Iyear = ? AND Fecha = ?"
                                        " AND Linea >= ? ORDER BY Linea"),
                         {key.id, key.iyear, DateToIso(fecha), from});
    int free = from;
    while (q.next() && q.value(0).toInt() == free)
        ++free;
    return free;
}

void InsertLine(const QSqlDatabase &db, const InvoiceKey &key, InvoiceLine &line)
{
    QSqlQuery insert = Prepare(db, QStringLiteral("INSERT INTO lineasfact (Id, Iyear, ") + kLineColumns
                                       + QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (;;) {
        line.linea = FirstFreeLinea(db, key, line.fecha, line.linea);
        const QVariantList values{key.id, key.iyear, DateToIso(line.fecha), line.linea, TextOrNull(line.criterio),
                                  TextOrNull(line.titulo), OptionalNumber(line.iva), OptionalNumber(line.irpf),
                                  OptionalNumber(line.dcto), line.amounts.totalIVA, line.amounts.totalIRPF,
                                  line.amounts.totalDCTO, line.fijo, line.incremento, line.reduccion, line.tabla,
                                  line.porcentaje, TextOrNull(line.tipo), line.subTotal, line.amounts.total};
        for (int i = 0; i < values.size(); ++i)
            insert.bindValue(i, values.at(i));
        try {
            Exec(insert);
            return;
        } catch (const StoreError &e) {
            if (e.code() != StoreCode::KeyViolation)
                throw;
            ++line.linea;
        }
    }
}

void RunHook(const InvoiceChangeHook &hook, const QSqlDatabase &db, const InvoiceKey &key)
{
    if (hook)
        hook(db, key);
}

InvoiceLine LineFromRecord(const QSqlQuery &q)
{
    InvoiceLine l;
    l.fecha = DateFromIso(q.value(0).toString());
    l.linea = q.value(1).toInt();
    l.criterio = q.value(2).toString();
    l.titulo = q.value(3).toString();
    l.iva = NumberOrBlank(q.value(4));
    l.irpf = NumberOrBlank(q.value(5));
    l.dcto = NumberOrBlank(q.value(6));
    l.amounts.totalIVA = q.value(7).toDouble();
    l.amounts.totalIRPF = q.value(8).toDouble();
    l.amounts.totalDCTO = q.value(9).toDouble();
    l.fijo = q.value(10).toDouble();
    l.incremento = q.value(11).toDouble();
    l.reduccion = q.value(12).toDouble();
    l.tabla = q.value(13).toInt();
    l.porcentaje = q.value(14).toDouble();
    l.tipo = q.value(15).toString();
    l.subTotal = q.value(16).toDouble();
    l.amounts.total = q.value(17).toDouble();
    return l;
}

} // namespace

QString InvoiceLockKey(const InvoiceKey &key)
{
    return QStringLiteral("%1;%2").arg(key.id).arg(key.iyear);
}

bool InvoiceExists(const QSqlDatabase &db, const InvoiceKey &key)
{
    return Scalar(db, QStringLiteral("SELECT 1 FROM facturas WHERE Id = ? AND Iyear = ?"), {key.id, key.iyear}).isValid();
}

std::optional<InvoiceHeader> LoadInvoice(const QSqlDatabase &db, const InvoiceKey &key)
{
    QSqlQuery q = RunSql(db, QStringLiteral("SELECT ") + kHeaderColumns + QStringLiteral(" FROM facturas WHERE Id = ? AND Iyear = ?"),
                         {key.id, key.iyear});
    if (!q.next())
        return std::nullopt;
    return InvoiceHeaderFromRow(q);
}

const QString &InvoiceHeaderColumns()
{
    return kHeaderColumns;
}

InvoiceHeader InvoiceHeaderFromRow(const QSqlQuery &q)
{
    InvoiceHeader h;
    h.key = {q.value(0).toInt(), q.value(1).toInt()};
    h.fecha = DateFromIso(q.value(2).toString());
    if (!q.value(3).isNull())
        h.icodcli = q.value(3).toLongLong();
    h.ref = q.value(4).toString();
    h.nombreCliente = q.value(5).toString();
    h.nif = q.value(6).toString();
    h.direccion = q.value(7).toString();
    h.poblacion = q.value(8).toString();
    h.provincia = q.value(9).toString();
    h.codPostal = q.value(10).toString();
    h.iva = NumberOrBlank(q.value(11));
    h.irpf = NumberOrBlank(q.value(12));
    h.dcto = NumberOrBlank(q.value(13));
    h.notas = q.value(14).toString();
    h.cobrado = q.value(15).toInt() != 0;
    h.fechaCobro = DateFromIso(q.value(16).toString());
    h.totals = {q.value(17).toDouble(), q.value(18).toDouble(), q.value(19).toDouble(), q.value(20).toDouble(),
                q.value(21).toDouble(), q.value(22).toDouble(), q.value(23).toDouble()};
    return h;
}

std::vector<InvoiceLine> LoadInvoiceLines(const QSqlDatabase &db, const InvoiceKey &key)
{
    QSqlQuery q = Prepare(db, QStringLiteral("SELECT ") + kLineColumns
                                  + QStringLiteral(" FROM lineasfact WHERE Id = ? AND Iyear = ? ORDER BY Fecha, Linea"));
    q.setForwardOnly(true);
    q.addBindValue(key.id);
    q.addBindValue(key.iyear);
    Exec(q);
    std::vector<InvoiceLine> lines;
    while (q.next())
        lines.push_back(LineFromRecord(q));
    return lines;
}

LineSums SumInvoiceLines(const QSqlDatabase &db, const InvoiceKey &key)
{
    LineSums s;
    const QSqlQuery fees = RunNamed(db, kFeeSums, key, false);
    s.subTotales = fees.value(0).toDouble();
    s.dctos = fees.value(1).toDouble();
    s.ivas = fees.value(2).toDouble();
    s.irpfs = fees.value(3).toDouble();
    s.provisiones = RunNamed(db, kProvisionSum, key, true).value(0).toDouble();
    s.suplidos = RunNamed(db, kOutlaySum, key, true).value(0).toDouble();
    return s;
}

InvoiceTotals RecalcularTotales(const QSqlDatabase &db, const InvoiceKey &key)
{
    return TotalsFromSums(SumInvoiceLines(db, key));
}

std::optional<int> ProposedInvoiceNumber(const QSqlDatabase &db)
{
    const QVariant last = Scalar(db, QStringLiteral("SELECT Id FROM facturas ORDER BY Id DESC, Iyear DESC LIMIT 1"));
    if (!last.isValid())
        return std::nullopt;
    return last.toInt() + 1;
}

void CreateInvoice(const QSqlDatabase &db, const InvoiceKey &key, const QDate &fecha)
{
    try {
        RunSql(db, QStringLiteral("INSERT INTO facturas (Id, Iyear, Fecha, DCTO, Total) VALUES (?, ?, ?, 0, 0)"),
               {key.id, key.iyear, DateOrNull(fecha)});
    } catch (const StoreError &e) {
        if (e.code() == StoreCode::KeyViolation)
            throw InvoiceRefusal(kDuplicateInvoiceMessage, e.detail());
        throw;
    }
}

LineChange AddInvoiceLine(const QSqlDatabase &db, const InvoiceKey &key, InvoiceLine line,
                          const InvoiceChangeHook &afterChange)
{
    Transaction transaction(db);
    RequireHeader(db, key);
    InsertLine(db, key, line);
    const InvoiceTotals totals = StoreRecalculatedTotals(db, key);
    RunHook(afterChange, db, key);
    transaction.commit();
    return {std::move(line), totals};
}

InvoiceTotals ModifyInvoiceLine(const QSqlDatabase &db, const InvoiceKey &key, const InvoiceLine &line,
                                const InvoiceChangeHook &afterChange)
{
    Transaction transaction(db);
    RequireHeader(db, key);
    QSqlQuery q = RunSql(db,
                         QStringLiteral("UPDATE lineasfact SET Titulo = ?, IVA = ?, IRPF = ?, DCTO = ?, SubTotal = ?,"
                                        " TotalDCTO = ?, TotalIVA = ?, TotalIRPF = ?, Total = ?"
                                        " WHERE Id = ? AND Iyear = ? AND Fecha = ? AND Linea = ?"),
                         {TextOrNull(line.titulo), OptionalNumber(line.iva), OptionalNumber(line.irpf),
                          OptionalNumber(line.dcto), line.subTotal, line.amounts.totalDCTO, line.amounts.totalIVA,
                          line.amounts.totalIRPF, line.amounts.total, key.id, key.iyear, DateToIso(line.fecha),
                          line.linea});
    if (q.numRowsAffected() == 0)
        throw StoreError(StoreCode::DeletedByOther, kInvoiceDeletedMessage);
    const InvoiceTotals totals = StoreRecalculatedTotals(db, key);
    RunHook(afterChange, db, key);
    transaction.commit();
    return totals;
}

InvoiceTotals DeleteInvoiceLine(const QSqlDatabase &db, const InvoiceKey &key, const QDate &fecha, int linea,
                                const InvoiceChangeHook &afterChange)
{
    Transaction transaction(db);
    RequireHeader(db, key);
    RunSql(db, QStringLiteral("DELETE FROM lineasfact WHERE Id = ? AND Iyear = ? AND Fecha = ? AND Linea = ?"),
           {key.id, key.iyear, DateToIso(fecha), linea});
    const InvoiceTotals totals = StoreRecalculatedTotals(db, key);
    RunHook(afterChange, db, key);
    transaction.commit();
    return totals;
}

InvoiceTotals RerateInvoice(const QSqlDatabase &db, const InvoiceKey &key, const InvoiceRates &rates,
                            const InvoiceTotals &before, const InvoiceChangeHook &afterChange)
{
    Transaction transaction(db);
    RequireHeader(db, key);
    QSqlQuery update = Prepare(db, QStringLiteral("UPDATE lineasfact SET IVA = ?, IRPF = ?, DCTO = ?, TotalDCTO = ?,"
                                                  " TotalIVA = ?, TotalIRPF = ?, Total = ?"
                                                  " WHERE Id = ? AND Iyear = ? AND Fecha = ? AND Linea = ?"));
    // Accumulated in stored order, not rounded, as the lines are walked.
    double ivas = 0.0;
    double irpfs = 0.0;
    double dctos = 0.0;
    for (const InvoiceLine &line : LoadInvoiceLines(db, key)) {
        if (!IsFeeType(line.tipo))
            continue;
        const LineAmounts a = CalcularLinea(line.subTotal, rates);
        const QVariantList values{rates.iva, rates.irpf, rates.dcto, a.totalDCTO, a.totalIVA, a.totalIRPF, a.total,
                                  key.id, key.iyear, DateToIso(line.fecha), line.linea};
        for (int i = 0; i < values.size(); ++i)
            update.bindValue(i, values.at(i));
        Exec(update);
        ivas += a.totalIVA;
        irpfs += a.totalIRPF;
        dctos += a.totalDCTO;
    }
    const InvoiceTotals totals = TotalsAfterRerating(before, dctos, ivas, irpfs);
    RunSql(db, QStringLiteral("UPDATE facturas SET IVA = ?, IRPF = ?, DCTO = ? WHERE Id = ? AND Iyear = ?"),
           {rates.iva, rates.irpf, rates.dcto, key.id, key.iyear});
    WriteTotals(db, key, totals);
    RunHook(afterChange, db, key);
    transaction.commit();
    return totals;
}

InvoiceTotals StoreInvoiceHeader(const QSqlDatabase &db, const InvoiceHeader &h, const InvoiceChangeHook &afterChange)
{
    Transaction transaction(db);
    RequireHeader(db, h.key);
    WriteHeaderFields(db, h);
    const InvoiceTotals totals = StoreRecalculatedTotals(db, h.key);
    RunHook(afterChange, db, h.key);
    transaction.commit();
    return totals;
}

InvoiceHeader StoreNewInvoice(const QSqlDatabase &db, InvoiceHeader header, std::vector<InvoiceLine> &lines,
                              const InvoiceChangeHook &afterChange)
{
    Transaction transaction(db);
    if (VerifactuLedger::NumberWasCancelled(db, header.key.id, header.key.iyear))
        throw InvoiceRefusal(kNumberCancelledMessage);
    try {
        RunSql(db, QStringLiteral("INSERT INTO facturas (Id, Iyear, Fecha, Cobrado) VALUES (?, ?, ?, 0)"),
               {header.key.id, header.key.iyear, DateOrNull(header.fecha)});
    } catch (const StoreError &e) {
        if (e.code() == StoreCode::KeyViolation)
            throw InvoiceRefusal(kDuplicateInvoiceMessage, e.detail());
        throw;
    }
    for (InvoiceLine &line : lines) {
        if (!line.fecha.isValid())
            line.fecha = header.fecha;
        line.calculate();
        InsertLine(db, header.key, line);
    }
    WriteHeaderFields(db, header);
    header.totals = StoreRecalculatedTotals(db, header.key);
    RunHook(afterChange, db, header.key);
    transaction.commit();
    return header;
}

bool DeleteInvoice(const QSqlDatabase &db, const InvoiceKey &key, const InvoiceChangeHook &beforeDelete)
{
    Transaction transaction(db);
    if (beforeDelete && InvoiceExists(db, key))
        beforeDelete(db, key);
    RunSql(db, QStringLiteral("DELETE FROM lineasfact WHERE Id = ? AND Iyear = ?"), {key.id, key.iyear});
    const QSqlQuery q = RunSql(db, QStringLiteral("DELETE FROM facturas WHERE Id = ? AND Iyear = ?"), {key.id, key.iyear});
    const bool existed = q.numRowsAffected() > 0;
    transaction.commit();
    return existed;
}

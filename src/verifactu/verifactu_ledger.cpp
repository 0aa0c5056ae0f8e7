#include "verifactu/verifactu_ledger.h"

#include "core/date_text.h"
#include "store/sql.h"
#include "verifactu/declaration.h"
#include "verifactu/record_hash.h"

#include <QCryptographicHash>
#include <QSqlRecord>

namespace {

const QString kSelectRecord = QStringLiteral(
    "SELECT Numero, Emisor, Anterior, Tipo, Subsanacion, NumSerie, FechaExpedicion, IdFactura, Iyear, Generado,"
    " HuellaAnterior, Huella, Xml, Estado, CodigoError, DescripcionError, Csv, Respuesta, Intentos"
    " FROM VerifactuRegistros ");

StoredRecord FromQuery(const QSqlQuery &q)
{
    StoredRecord r;
    r.numero = q.value(0).toLongLong();
    r.emisor = q.value(1).toString();
    r.anterior = q.value(2).toLongLong();
    r.alta = q.value(3).toString() == QLatin1String("Alta");
    r.subsanacion = q.value(4).toInt() != 0;
    r.numSerie = q.value(5).toString();
    r.fecha = q.value(6).toString();
    r.idFactura = q.value(7).toInt();
    r.iyear = q.value(8).toInt();
    r.generado = q.value(9).toString();
    r.huellaAnterior = q.value(10).toString();
    r.huella = q.value(11).toString();
    r.xml = q.value(12).toString().toUtf8();
    r.estado = q.value(13).toString();
    r.codigoError = q.value(14).toString();
    r.descripcionError = q.value(15).toString();
    r.csv = q.value(16).toString();
    r.respuesta = q.value(17).toString();
    r.intentos = q.value(18).toInt();
    return r;
}

std::optional<StoredRecord> FirstRecord(const QSqlDatabase &db, const QString &where, std::initializer_list<QVariant> values)
{
    QSqlQuery q = RunSql(db, kSelectRecord + where, values);
    if (!q.next())
        return std::nullopt;
    return FromQuery(q);
}

// The first write of the savepoint: from here until the caller commits, every other program
// waits for the database (busy time-out) before it can read a chain's end to extend it.
void TakeWriteLock(const QSqlDatabase &db)
{
    RunSql(db, QStringLiteral("UPDATE VerifactuInstalacion SET Cerrojo = Cerrojo + 1 WHERE Clave = 1"));
}

// What a change must alter to need a new record: the date, the client and the figures.
QString ContentDigest(const InvoiceSnapshot &s)
{
    QStringList parts{RecordDate(s.date), s.clientName.trimmed(), NormalizedTaxId(s.clientNif),
                      s.canarias ? QStringLiteral("IGIC") : QStringLiteral("IVA")};
    for (const TaxLine &line : s.feeLines)
        parts << RecordRate(line.rate) + QLatin1Char(':') + RecordAmount(line.base) + QLatin1Char(':') + RecordAmount(line.tax);
    return Huella(parts.join(QChar(0x1f)));
}

// Whether the agency accepted some alta of the invoice `alta` belongs to.
bool AgencyHoldsInvoice(const QSqlDatabase &db, const StoredRecord &alta)
{
    return Scalar(db,
                  QStringLiteral("SELECT count(*) FROM VerifactuRegistros WHERE NumSerie = ? AND Tipo = 'Alta'"
                                 " AND Emisor = ? AND FechaExpedicion = ? AND Estado IN (?, ?)"),
                  {alta.numSerie, alta.emisor, alta.fecha, kStateAccepted, kStateAcceptedWithErrors})
               .toInt()
           > 0;
}

std::vector<TaxLine> DesgloseLines(const InvoiceSnapshot &s)
{
    // The schema wants at least one line: an invoice of outlays alone has a zero base.
    return s.feeLines.empty() ? std::vector<TaxLine>{TaxLine{}} : s.feeLines;
}

std::optional<ChainLink> ChainEnd(const QSqlDatabase &db, const QString &emisor, qint64 *numero)
{
    *numero = 0;
    const auto last = FirstRecord(db, QStringLiteral("WHERE Emisor = ? ORDER BY Numero DESC LIMIT 1"), {emisor});
    if (!last)
        return std::nullopt;
    *numero = last->numero;
    return ChainLink{last->emisor, last->numSerie, last->fecha, last->huella};
}

// A blank text stored as '' (a null QString would bind as NULL).
QString Blank(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

qint64 Insert(const QSqlDatabase &db, const StoredRecord &r, const QString &contenido)
{
    const qint64 numero = InsertReturningKey(
        db,
        QStringLiteral("INSERT INTO VerifactuRegistros (Emisor, Anterior, Tipo, Subsanacion, NumSerie, FechaExpedicion,"
                       " IdFactura, Iyear, Contenido, Generado, HuellaAnterior, Huella, Xml, Estado)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        QStringLiteral("Numero"),
        {r.emisor, r.anterior, r.alta ? QStringLiteral("Alta") : QStringLiteral("Anulacion"), r.subsanacion ? 1 : 0,
         r.numSerie, r.fecha, r.idFactura, r.iyear, TextOrNull(contenido), r.generado, Blank(r.huellaAnterior), r.huella,
         QString::fromUtf8(r.xml), kStatePending});
    // The chain's end, kept apart so that a record cut off the end is noticed.
    if (r.anterior == 0)
        RunSql(db, QStringLiteral("INSERT INTO VerifactuCadenas (Emisor, Ultimo, Huella) VALUES (?, ?, ?)"),
               {r.emisor, numero, r.huella});
    else
        RunSql(db, QStringLiteral("UPDATE VerifactuCadenas SET Ultimo = ?, Huella = ? WHERE Emisor = ?"),
               {numero, r.huella, r.emisor});
    return numero;
}

} // namespace

QString SnapshotCuotaTotal(const InvoiceSnapshot &s)
{
    qint64 cents = 0;
    for (const TaxLine &line : s.feeLines)
        cents += AmountCents(line.tax);
    return CentsText(cents);
}

QString SnapshotImporteTotal(const InvoiceSnapshot &s)
{
    qint64 cents = 0;
    for (const TaxLine &line : s.feeLines)
        cents += AmountCents(line.base) + AmountCents(line.tax);
    return CentsText(cents);
}

VerifactuLedger::VerifactuLedger(LedgerOptions options)
    : m_options(std::move(options))
{
}

SystemBlock VerifactuLedger::systemBlock(const QSqlDatabase &db, const QString &emisor) const
{
    // A record without its producer is refused by the agency: the declaration must be filled.
    const SoftwareIdentity &id = m_options.identity;
    const QString producerNif = NormalizedTaxId(id.producerNif);
    if (id.producerName.trimmed().isEmpty() || producerNif.size() != 9 || id.systemName.trimmed().isEmpty()
        || id.systemId.trimmed().isEmpty() || id.version.trimmed().isEmpty())
        throw RecordRefusal(QStringLiteral("No se pueden generar registros VERI*FACTU: faltan los datos del productor "
                                           "del programa en la declaración responsable (%1 de la carpeta del programa). "
                                           "El productor debe rellenar las claves Nombre y NIF de la sección "
                                           "[PRODUCTOR] de ese archivo.")
                                .arg(kDeclarationFile));
    SystemBlock block;
    block.identity = m_options.identity;
    block.installationNumber = InstallationNumber(db);
    block.multipleIssuers =
        Scalar(db, QStringLiteral("SELECT count(*) FROM VerifactuCadenas WHERE Emisor <> ?"), {emisor}).toInt() > 0;
    return block;
}

StoredRecord VerifactuLedger::writeAlta(const QSqlDatabase &db, const InvoiceSnapshot &s, bool subsanacion,
                                        bool rechazoPrevio, const QString &contenido, const QDateTime &now) const
{
    AltaRecord a;
    a.emisor = NormalizedTaxId(s.issuerNif);
    a.numSerie = InvoiceSeriesNumber(s.number, s.year);
    a.fecha = RecordDate(s.date);
    a.issuerName = s.issuerName.trimmed();
    a.subsanacion = subsanacion;
    a.rechazoPrevio = rechazoPrevio;
    a.description = s.description.trimmed().isEmpty() ? QStringLiteral("Honorarios profesionales") : s.description.trimmed();
    a.clientName = s.clientName.trimmed();
    a.clientNif = NormalizedTaxId(s.clientNif);
    a.canarias = s.canarias;
    a.lines = DesgloseLines(s);
    a.cuotaTotal = SnapshotCuotaTotal(s);
    a.importeTotal = SnapshotImporteTotal(s);

    StoredRecord r;
    a.previous = ChainEnd(db, a.emisor, &r.anterior);
    a.system = systemBlock(db, a.emisor);
    a.timestamp = RecordTimestamp(now, m_options.timeZone);
    r.huellaAnterior = a.previous ? a.previous->huella : QString();
    a.huella = Huella(HashInput(AltaHashFields{a.emisor, a.numSerie, a.fecha, QStringLiteral("F1"), a.cuotaTotal,
                                               a.importeTotal, r.huellaAnterior, a.timestamp}));
    r.emisor = a.emisor;
    r.alta = true;
    r.subsanacion = subsanacion;
    r.numSerie = a.numSerie;
    r.fecha = a.fecha;
    r.idFactura = s.number;
    r.iyear = s.year;
    r.generado = a.timestamp;
    r.huella = a.huella;
    r.xml = AltaXml(a);
    r.estado = kStatePending;
    r.numero = Insert(db, r, contenido);
    return r;
}

StoredRecord VerifactuLedger::writeAnulacion(const QSqlDatabase &db, const StoredRecord &alta, const QDateTime &now) const
{
    AnulacionRecord a;
    a.emisor = alta.emisor;
    a.numSerie = alta.numSerie;
    a.fecha = alta.fecha;
    a.sinRegistroPrevio = alta.estado == kStateRejected && !AgencyHoldsInvoice(db, alta);

    StoredRecord r;
    a.previous = ChainEnd(db, a.emisor, &r.anterior);
    a.system = systemBlock(db, a.emisor);
    a.timestamp = RecordTimestamp(now, m_options.timeZone);
    r.huellaAnterior = a.previous ? a.previous->huella : QString();
    a.huella = Huella(HashInput(AnulacionHashFields{a.emisor, a.numSerie, a.fecha, r.huellaAnterior, a.timestamp}));
    r.emisor = a.emisor;
    r.alta = false;
    r.numSerie = a.numSerie;
    r.fecha = a.fecha;
    r.idFactura = alta.idFactura;
    r.iyear = alta.iyear;
    r.generado = a.timestamp;
    r.huella = a.huella;
    r.xml = AnulacionXml(a);
    r.estado = kStatePending;
    r.numero = Insert(db, r, {});
    return r;
}

std::optional<StoredRecord> VerifactuLedger::recordIssue(const QSqlDatabase &db, const InvoiceSnapshot &s) const
{
    CheckInvoiceSnapshot(s);
    Savepoint savepoint(db);
    TakeWriteLock(db);
    // Read once the lock is held, so that the times follow the chain's order.
    const QDateTime now = m_options.clock();
    // The agency refuses an issue date later than the day the record is made.
    if (s.date > now.toTimeZone(m_options.timeZone).date())
        throw RecordRefusal(QStringLiteral("La fecha de la factura (%1) no puede ser posterior a hoy en una factura "
                                           "VERI*FACTU.").arg(FormatDate(s.date)));
    if (NumberWasCancelled(db, s.number, s.year))
        throw RecordRefusal(kNumberCancelledMessage);

    const QString contenido = ContentDigest(s);
    const auto last = LastAlta(db, s.number, s.year);
    std::optional<StoredRecord> written;
    if (!last) {
        written = writeAlta(db, s, false, false, contenido, now);
    } else {
        const QString previousContent =
            Scalar(db, QStringLiteral("SELECT Contenido FROM VerifactuRegistros WHERE Numero = ?"), {last->numero}).toString();
        const bool sameInvoice = last->emisor == NormalizedTaxId(s.issuerNif) && last->fecha == RecordDate(s.date);
        if (!sameInvoice) {
            // For the agency an invoice is its issuer, number and date: another date or issuer
            // is another invoice, so the old one is cancelled and the new one issued.
            writeAnulacion(db, *last, now);
            written = writeAlta(db, s, false, false, contenido, now);
        } else if (previousContent != contenido || last->estado == kStateRejected) {
            // The agency keeps no rejected record: a correction of one says so.
            written = writeAlta(db, s, true, last->estado == kStateRejected && !AgencyHoldsInvoice(db, *last), contenido,
                                now);
        }
    }
    savepoint.release();
    return written;
}

std::optional<StoredRecord> VerifactuLedger::recordCancellation(const QSqlDatabase &db, int number, int year) const
{
    Savepoint savepoint(db);
    TakeWriteLock(db);
    std::optional<StoredRecord> written;
    if (!NumberWasCancelled(db, number, year)) {
        if (const auto last = LastAlta(db, number, year))
            written = writeAnulacion(db, *last, m_options.clock());
    }
    savepoint.release();
    return written;
}

bool VerifactuLedger::NumberWasCancelled(const QSqlDatabase &db, int number, int year)
{
    return Scalar(db,
                  QStringLiteral("SELECT Tipo FROM VerifactuRegistros WHERE NumSerie = ? ORDER BY Numero DESC LIMIT 1"),
                  {InvoiceSeriesNumber(number, year)})
               .toString()
           == QLatin1String("Anulacion");
}

QString VerifactuLedger::InstallationNumber(const QSqlDatabase &db)
{
    return Scalar(db, QStringLiteral("SELECT NumeroInstalacion FROM VerifactuInstalacion WHERE Clave = 1")).toString();
}

std::optional<StoredRecord> VerifactuLedger::Record(const QSqlDatabase &db, qint64 numero)
{
    return FirstRecord(db, QStringLiteral("WHERE Numero = ?"), {numero});
}

std::vector<StoredRecord> VerifactuLedger::Records(const QSqlDatabase &db, const QDate &from, const QDate &to)
{
    // Generado begins with the office's own day ("2027-07-15T...").
    QSqlQuery q = Prepare(db, kSelectRecord
                                  + QStringLiteral("WHERE (CAST(? AS TEXT) IS NULL OR substr(Generado, 1, 10) >= ?)"
                                                   " AND (CAST(? AS TEXT) IS NULL OR substr(Generado, 1, 10) <= ?)"
                                                   " ORDER BY Numero"));
    q.setForwardOnly(true);
    for (const QDate &d : {from, to}) {
        q.addBindValue(DateOrNull(d));
        q.addBindValue(DateOrNull(d));
    }
    Exec(q);
    std::vector<StoredRecord> result;
    while (q.next())
        result.push_back(FromQuery(q));
    return result;
}

std::optional<StoredRecord> VerifactuLedger::LastAltaOfIssuer(const QSqlDatabase &db, const QString &emisor)
{
    return FirstRecord(db, QStringLiteral("WHERE Emisor = ? AND Tipo = 'Alta' ORDER BY Numero DESC LIMIT 1"), {emisor});
}

std::vector<StoredRecord> VerifactuLedger::PendingRecords(const QSqlDatabase &db, int limit)
{
    QSqlQuery q = RunSql(db, kSelectRecord + QStringLiteral("WHERE Estado = ? ORDER BY Numero LIMIT ?"),
                         {kStatePending, limit});
    std::vector<StoredRecord> result;
    while (q.next())
        result.push_back(FromQuery(q));
    return result;
}

std::optional<StoredRecord> VerifactuLedger::LastAlta(const QSqlDatabase &db, int number, int year)
{
    return FirstRecord(db, QStringLiteral("WHERE NumSerie = ? AND Tipo = 'Alta' ORDER BY Numero DESC LIMIT 1"),
                       {InvoiceSeriesNumber(number, year)});
}

#pragma once

#include "verifactu/invoice_snapshot.h"
#include "verifactu/record_format.h"
#include "verifactu/record_xml.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QTimeZone>

#include <functional>
#include <optional>
#include <vector>

inline const QString kNumberCancelledMessage = QStringLiteral("Ese número ya se usó en una factura anulada.");

// Sending states of a record (column Estado): the agency's own words once it has answered.
inline const QString kStatePending = QStringLiteral("Pendiente");
inline const QString kStateAccepted = QStringLiteral("Correcto");
inline const QString kStateAcceptedWithErrors = QStringLiteral("AceptadoConErrores");
inline const QString kStateRejected = QStringLiteral("Incorrecto");

// One row of VerifactuRegistros.
struct StoredRecord
{
    qint64 numero = 0;
    QString emisor;
    qint64 anterior = 0; // Numero of the previous record of the chain, 0 for the first
    bool alta = true;
    bool subsanacion = false;
    QString numSerie;
    QString fecha; // dd-mm-yyyy, as in the record
    int idFactura = 0;
    int iyear = 0;
    QString generado; // FechaHoraHusoGenRegistro
    QString huellaAnterior;
    QString huella;
    QByteArray xml;
    QString estado;
    QString codigoError;
    QString descripcionError;
    QString csv;
    QString respuesta; // when the agency answered
    int intentos = 0;  // sendings tried
};

struct LedgerOptions
{
    SoftwareIdentity identity;
    QTimeZone timeZone = OfficeTimeZone(false);
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
};

// The invoicing records of an installation: written, chained and hashed as the tax agency
// requires, one chain per issuer NIF, in table VerifactuRegistros of Datos. Each write runs
// inside the caller's transaction when there is one (so the record and the invoice change
// that caused it are stored together) and takes the installation's write lock first, so two
// programs never chain to the same record. All functions throw StoreError on a database
// failure; nothing is left half written.
class VerifactuLedger
{
public:
    explicit VerifactuLedger(LedgerOptions options);

    // The invoice as it now stands. The first call writes its RegistroAlta; a later call whose
    // figures or client differ writes one with Subsanacion "S"; a changed issue date or issuer
    // (another invoice for the agency) writes a RegistroAnulacion of the old one and a new
    // RegistroAlta. Nothing changed: nothing written, nullopt, unless the agency rejected the
    // last record: then it is sent again as a correction (Subsanacion and RechazoPrevio "S").
    // Throws RecordRefusal for data the record cannot hold, an issue date after today or a
    // cancelled number (kNumberCancelledMessage).
    std::optional<StoredRecord> recordIssue(const QSqlDatabase &db, const InvoiceSnapshot &invoice) const;
    // The invoice number/year is deleted: a RegistroAnulacion of its last RegistroAlta; nullopt
    // when it was never issued or is already cancelled.
    std::optional<StoredRecord> recordCancellation(const QSqlDatabase &db, int number, int year) const;

    // True when the invoice number/year was issued and then cancelled: it is never used again.
    static bool NumberWasCancelled(const QSqlDatabase &db, int number, int year);
    // NumeroInstalacion, generated once when the data were created.
    static QString InstallationNumber(const QSqlDatabase &db);
    static std::optional<StoredRecord> Record(const QSqlDatabase &db, qint64 numero);
    // Records in generation order whose generation day (office time) is within [from, to]; an
    // invalid date leaves that end open.
    static std::vector<StoredRecord> Records(const QSqlDatabase &db, const QDate &from = {}, const QDate &to = {});
    // The last RegistroAlta of an invoice number/year (what its QR code shows).
    static std::optional<StoredRecord> LastAlta(const QSqlDatabase &db, int number, int year);
    static std::optional<StoredRecord> LastAltaOfIssuer(const QSqlDatabase &db, const QString &emisor);
    // The first `limit` records still to be sent, in generation order.
    static std::vector<StoredRecord> PendingRecords(const QSqlDatabase &db, int limit);

private:
    SystemBlock systemBlock(const QSqlDatabase &db, const QString &emisor) const;
    StoredRecord writeAlta(const QSqlDatabase &db, const InvoiceSnapshot &invoice, bool subsanacion,
                           bool rechazoPrevio, const QString &contenido, const QDateTime &now) const;
    StoredRecord writeAnulacion(const QSqlDatabase &db, const StoredRecord &alta, const QDateTime &now) const;

    LedgerOptions m_options;
};

// Totals of a record: CuotaTotal = sum of taxes; ImporteTotal = sum of bases and taxes.
QString SnapshotCuotaTotal(const InvoiceSnapshot &invoice);
QString SnapshotImporteTotal(const InvoiceSnapshot &invoice);

#include "invoicing/invoice_issuing.h"

#include "core/ini_file.h"
#include "core/spanish_ids.h"
#include "invoicing/invoice_math.h"
#include "store/sql.h"
#include "verifactu/declaration.h"

#include <QDir>

namespace {

// What the producer must fill before any record names the system.
void CheckProducer(const Declaration &d, const QString &path)
{
    if (!d.producerName.isEmpty() && !d.producerNif.isEmpty())
        return;
    throw RecordRefusal(
        QStringLiteral("No se pueden emitir facturas VERI*FACTU: faltan el nombre y el N.I.F. del productor del "
                       "programa en la declaración responsable \"%1\". El productor debe rellenar las claves Nombre "
                       "y NIF de la sección [PRODUCTOR] de ese archivo.")
            .arg(QDir::toNativeSeparators(path)));
}

} // namespace

InvoiceSnapshot SnapshotOfInvoice(const InvoiceHeader &header, const std::vector<InvoiceLine> &lines,
                                  const CompanyData &company, bool canarias)
{
    InvoiceSnapshot s;
    s.number = header.key.id;
    s.year = header.key.iyear;
    s.date = header.fecha;
    s.issuerNif = company.nif;
    s.issuerName = company.empresa;
    s.clientName = header.nombreCliente;
    s.clientNif = header.nif;
    s.canarias = canarias;
    std::vector<FeeLineAmounts> fees;
    for (const InvoiceLine &line : lines) {
        if (IsFeeType(line.tipo))
            fees.push_back({line.subTotal, line.amounts.totalDCTO, line.iva.value_or(0.0), line.amounts.totalIVA});
    }
    s.feeLines = GroupFeeLines(fees);
    return s;
}

bool InvoiceIsIssued(const QSqlDatabase &db, const InvoiceKey &key)
{
    return VerifactuLedger::LastAlta(db, key.id, key.iyear).has_value()
           && !VerifactuLedger::NumberWasCancelled(db, key.id, key.iyear);
}

std::optional<QString> IssuerTaxIdRefusal(const QString &nif)
{
    if (nif.trimmed().isEmpty())
        return QStringLiteral("Falta el N.I.F. de la empresa: escríbalo en \"Datos Empresa\" antes de emitir facturas "
                              "VERI*FACTU.");
    if (CheckTaxId(nif) == TaxIdKind::Invalid)
        return QStringLiteral("El N.I.F. de la empresa (%1) no es un N.I.F., N.I.E. ni C.I.F. válido: corríjalo en "
                              "\"Datos Empresa\" antes de emitir facturas VERI*FACTU.")
            .arg(nif.trimmed());
    return std::nullopt;
}

InvoiceIssuing::InvoiceIssuing(CompanyData company, bool canarias, QString declarationPath, LedgerOptions options)
    : m_company(std::move(company))
    , m_canarias(canarias)
    , m_declarationPath(std::move(declarationPath))
    , m_options(std::move(options))
{
    m_options.timeZone = OfficeTimeZone(m_canarias);
}

InvoiceIssuing InvoiceIssuing::ForInstallation(const QString &programDir, const IniFile &settings,
                                               const QString &regionName)
{
    return InvoiceIssuing(ReadCompanyData(settings), regionName == QLatin1String("Canarias"),
                          programDir + QLatin1Char('/') + kDeclarationFile);
}

VerifactuLedger InvoiceIssuing::ledger() const
{
    const Declaration declaration = ReadDeclaration(m_declarationPath);
    CheckProducer(declaration, m_declarationPath);
    LedgerOptions options = m_options;
    options.identity = IdentityFromDeclaration(declaration);
    return VerifactuLedger(options);
}

void InvoiceIssuing::checkIssuer() const
{
    if (const auto refusal = IssuerTaxIdRefusal(m_company.nif))
        throw RecordRefusal(*refusal);
}

std::optional<StoredRecord> InvoiceIssuing::issue(const QSqlDatabase &db, const InvoiceKey &key) const
{
    const auto header = LoadInvoice(db, key);
    if (!header)
        return std::nullopt;
    checkIssuer();
    return ledger().recordIssue(db, SnapshotOfInvoice(*header, LoadInvoiceLines(db, key), m_company, m_canarias));
}

std::optional<StoredRecord> InvoiceIssuing::recordChange(const QSqlDatabase &db, const InvoiceKey &key) const
{
    if (!InvoiceIsIssued(db, key))
        return std::nullopt;
    return issue(db, key);
}

std::optional<StoredRecord> InvoiceIssuing::cancel(const QSqlDatabase &db, const InvoiceKey &key) const
{
    if (!InvoiceIsIssued(db, key))
        return std::nullopt;
    return ledger().recordCancellation(db, key.id, key.iyear);
}

InvoiceChangeHook InvoiceIssuing::issueHook() const
{
    return [this](const QSqlDatabase &db, const InvoiceKey &key) { issue(db, key); };
}

InvoiceChangeHook InvoiceIssuing::changeHook() const
{
    return [this](const QSqlDatabase &db, const InvoiceKey &key) { recordChange(db, key); };
}

InvoiceChangeHook InvoiceIssuing::cancelHook() const
{
    return [this](const QSqlDatabase &db, const InvoiceKey &key) { cancel(db, key); };
}

std::optional<StoredRecord> InvoiceIssuing::issueForPrinting(const QSqlDatabase &db, const InvoiceKey &key) const
{
    if (!InvoiceIsIssued(db, key)) {
        Transaction transaction(db);
        if (!InvoiceExists(db, key))
            return std::nullopt;
        issue(db, key);
        transaction.commit();
    }
    return VerifactuLedger::LastAlta(db, key.id, key.iyear);
}

#pragma once

#include "invoicing/company_data.h"
#include "invoicing/invoice_store.h"
#include "verifactu/verifactu_ledger.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

class IniFile;

// An invoice is issued the first time it is accepted in the editor with a line, stored whole
// (devenix-cli factura alta) or printed; from then on its tax record follows every change to
// its figures, client or date, and its deletion cancels it. The records go in the same
// transaction as the invoice change (see InvoiceChangeHook).

// The invoice as its tax record sees it: the office as issuer, the client, the fee lines
// grouped by VAT rate (base after discount and its tax); outlays and provisions stay out.
InvoiceSnapshot SnapshotOfInvoice(const InvoiceHeader &header, const std::vector<InvoiceLine> &lines,
                                  const CompanyData &company, bool canarias);

// True when the invoice has a RegistroAlta and was not cancelled since.
bool InvoiceIsIssued(const QSqlDatabase &db, const InvoiceKey &key);

class InvoiceIssuing
{
public:
    // `declarationPath` is the producer's declaration, read when a record is written.
    InvoiceIssuing(CompanyData company, bool canarias, QString declarationPath, LedgerOptions options = {});
    // The office data of the settings file and the declaration of the installation's folder;
    // the region "Canarias" issues with IGIC in the Canary Islands' time.
    static InvoiceIssuing ForInstallation(const QString &programDir, const IniFile &settings,
                                          const QString &regionName);

    // Inside the caller's transaction. Throws RecordRefusal with the user's message: producer
    // data or the office's N.I.F. missing or wrong, a field the record cannot hold, a cancelled
    // number. issue() writes the first record or the correction the stored invoice needs;
    // recordChange() does the same only for an invoice already issued; cancel() writes the
    // RegistroAnulacion of an issued invoice.
    std::optional<StoredRecord> issue(const QSqlDatabase &db, const InvoiceKey &key) const;
    std::optional<StoredRecord> recordChange(const QSqlDatabase &db, const InvoiceKey &key) const;
    std::optional<StoredRecord> cancel(const QSqlDatabase &db, const InvoiceKey &key) const;

    InvoiceChangeHook issueHook() const;
    InvoiceChangeHook changeHook() const;
    InvoiceChangeHook cancelHook() const;

    // Before printing: an invoice not yet issued is issued (its own transaction). Returns the
    // RegistroAlta its QR code shows; nullopt when there is no such invoice.
    std::optional<StoredRecord> issueForPrinting(const QSqlDatabase &db, const InvoiceKey &key) const;

private:
    VerifactuLedger ledger() const;
    void checkIssuer() const;

    CompanyData m_company;
    bool m_canarias = false;
    QString m_declarationPath;
    LedgerOptions m_options;
};

// Why the office's N.I.F. ("Datos Empresa") cannot issue invoices: blank or not a valid
// N.I.F., N.I.E. or C.I.F.; nullopt when it can.
std::optional<QString> IssuerTaxIdRefusal(const QString &nif);

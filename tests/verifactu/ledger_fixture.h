#pragma once

#include "store/data_store.h"
#include "store/sql.h"
#include "support/temp_installation.h"
#include "verifactu/verifactu_ledger.h"

#include <QDateTime>

// An invoice as the office issues it: one fee line of 1000 at 21 % after a 10 % discount.
inline InvoiceSnapshot SampleInvoice(int number, int year = 2027)
{
    InvoiceSnapshot s;
    s.number = number;
    s.year = year;
    s.date = QDate(year, 7, 15);
    s.issuerNif = QStringLiteral("89890001K");
    s.issuerName = QStringLiteral("Bufete Pérez & Asociados, S.L.P.");
    s.clientName = QStringLiteral("Construcciones Martínez <Norte>, S.A.");
    s.clientNif = QStringLiteral("12345678-z");
    s.feeLines = {TaxLine{21, 900, 189}};
    return s;
}

inline SoftwareIdentity TestIdentity()
{
    return {QStringLiteral("Productor de Pruebas S.L."), QStringLiteral("B12345678"), QStringLiteral("Cuantix"),
            QStringLiteral("CX"), QStringLiteral("26.12.1.0")};
}

// A ledger whose clock starts at 15/07/2027 10:00 Madrid time and moves a minute per record.
inline LedgerOptions TestLedgerOptions()
{
    LedgerOptions options;
    options.identity = TestIdentity();
    auto next = std::make_shared<QDateTime>(QDateTime(QDate(2027, 7, 15), QTime(8, 0), QTimeZone::utc()));
    options.clock = [next] {
        *next = next->addSecs(60);
        return *next;
    };
    return options;
}

// The Datos database of a fresh installation.
class LedgerFixture
{
public:
    explicit LedgerFixture(const QString &prefix = QStringLiteral("vf-"))
        : store(prefix)
    {
        store.setPath(Alias::Devenix, install.datos());
        store.connect(Alias::Devenix);
    }
    QSqlDatabase db() const { return store.database(Alias::Devenix); }

    TempInstallation install;
    DataStore store;
};

// Drops one of the records' guarding triggers (a test tampering with the table as an
// outsider could).
inline void DropRecordsTrigger(const QSqlDatabase &db, const char *name)
{
    RunSql(db, QStringLiteral("DROP TRIGGER ") + QLatin1String(name)
                   + (IsServer(db) ? QStringLiteral(" ON VerifactuRegistros") : QString()));
}

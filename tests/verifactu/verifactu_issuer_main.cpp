// verifactu_issuer DATOS FIRST COUNT: another running program issuing invoices FIRST ..
// FIRST + COUNT - 1, once a line arrives on standard input (so that
// two of them start together). Prints "LISTO" when done.
#include "ledger_fixture.h"

#include "store/sql.h"

#include <QCoreApplication>

#include <QThread>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

// This program runs on the real clock: its invoices are dated today.
InvoiceSnapshot Today(InvoiceSnapshot s)
{
    s.date = QDate::currentDate();
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return 2;
    DataStore store(QStringLiteral("issuer-"));
    store.setPath(Alias::Devenix, args.at(1));
    try {
        store.connect(Alias::Devenix);
        const QSqlDatabase db = store.database(Alias::Devenix);
        LedgerOptions options;
        options.identity = TestIdentity();
        const VerifactuLedger ledger(options);
        std::puts("PREPARADO");
        std::fflush(stdout);
        std::string go;
        std::getline(std::cin, go);
        const int first = args.at(2).toInt();
        for (int n = first; n < first + args.at(3).toInt(); ++n) {
            // Odd numbers with no transaction of the caller: the ledger's own lock serialises them.
            if (n % 2 != 0) {
                ledger.recordIssue(db, Today(SampleInvoice(n)));
            } else {
                Transaction transaction(db);
                ledger.recordIssue(db, Today(SampleInvoice(n)));
                transaction.commit();
            }
            QThread::msleep(5); // a user between two invoices
        }
    } catch (const AppError &e) {
        std::printf("ERROR %s\n", e.message().toUtf8().constData());
        return 1;
    }
    std::puts("LISTO");
    return 0;
}

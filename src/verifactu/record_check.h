#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

// "Comprobar registros": every record's hash recomputed from its own XML, its columns compared
// with that XML, and each chain followed from its first record to the end kept apart.
struct ChainCheck
{
    int checked = 0;
    std::optional<qint64> brokenAt; // Numero of the first record found wrong
    QString problem;                // what is wrong with it, naming the record

    bool ok() const { return problem.isEmpty(); }
};

// Throws StoreError on a database failure.
ChainCheck CheckRecordChain(const QSqlDatabase &db);
// "Registros comprobados: N. Todas las huellas y la cadena son correctas." or the problem.
QString ChainCheckText(const ChainCheck &check);

#include "verifactu/record_check.h"

#include "store/sql.h"
#include "verifactu/verifactu_ledger.h"

#include <QHash>

namespace {

QString RecordName(const StoredRecord &r)
{
    return QStringLiteral("El registro %1 (%2 de la factura %3 del %4)")
        .arg(r.numero)
        .arg(r.alta ? (r.subsanacion ? QStringLiteral("subsanación") : QStringLiteral("alta")) : QStringLiteral("anulación"),
             r.numSerie, r.fecha);
}

// The end of a chain so far: its last record's number and what the next must repeat of it.
struct ChainEnd
{
    qint64 numero = 0;
    ChainLink link;
};

// What is wrong with one record given the end of its chain so far (none for a first).
QString Problem(const StoredRecord &r, const ChainEnd *previous)
{
    const auto parsed = ParseRecordXml(r.xml);
    if (!parsed)
        return QStringLiteral("tiene el XML dañado.");
    if (parsed->alta != r.alta || parsed->emisor != r.emisor || parsed->numSerie != r.numSerie
        || parsed->fecha != r.fecha || parsed->timestamp != r.generado || parsed->huella != r.huella
        || parsed->previous.huella != r.huellaAnterior || parsed->subsanacion != r.subsanacion)
        return QStringLiteral("no coincide con su XML.");
    if (RecomputedHuella(*parsed) != parsed->huella)
        return QStringLiteral("tiene una huella que no corresponde a su contenido.");
    if (!previous) {
        if (!parsed->firstRecord || r.anterior != 0)
            return QStringLiteral("no encadena con ningún registro anterior del N.I.F. %1.").arg(r.emisor);
        return {};
    }
    if (parsed->firstRecord || parsed->previous != previous->link || r.anterior != previous->numero)
        return QStringLiteral("no encadena con el registro %1, el anterior de su cadena.").arg(previous->numero);
    return {};
}

} // namespace

ChainCheck CheckRecordChain(const QSqlDatabase &db)
{
    ChainCheck check;
    QHash<QString, ChainEnd> ends;
    for (const StoredRecord &r : VerifactuLedger::Records(db)) {
        ++check.checked;
        const auto it = ends.constFind(r.emisor);
        const QString problem = Problem(r, it == ends.constEnd() ? nullptr : &*it);
        if (!problem.isEmpty()) {
            check.brokenAt = r.numero;
            check.problem = RecordName(r) + QLatin1Char(' ') + problem;
            return check;
        }
        ends.insert(r.emisor, ChainEnd{r.numero, ChainLink{r.emisor, r.numSerie, r.fecha, r.huella}});
    }
    QSqlQuery q = RunSql(db, QStringLiteral("SELECT Emisor, Ultimo, Huella FROM VerifactuCadenas ORDER BY Emisor"));
    int chains = 0;
    while (q.next()) {
        ++chains;
        const auto end = ends.constFind(q.value(0).toString());
        if (end == ends.constEnd() || end->numero != q.value(1).toLongLong() || end->link.huella != q.value(2).toString()) {
            check.brokenAt = q.value(1).toLongLong();
            check.problem = QStringLiteral("Falta el registro %1, el último de la cadena del N.I.F. %2.")
                                .arg(q.value(1).toLongLong())
                                .arg(q.value(0).toString());
            return check;
        }
    }
    if (chains != ends.size()) {
        check.problem = QStringLiteral("Hay registros de un N.I.F. sin cadena anotada.");
    }
    return check;
}

QString ChainCheckText(const ChainCheck &check)
{
    if (!check.ok())
        return check.problem;
    return QStringLiteral("Registros comprobados: %1. Todas las huellas y la cadena son correctas.").arg(check.checked);
}

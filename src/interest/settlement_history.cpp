#include "interest/settlement_history.h"

#include "core/date_text.h"
#include "core/number_text.h"
#include "interest/settlement_json.h"
#include "interest/working_movements.h"
#include "store/sql.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

const int AgreedIndex = static_cast<int>(InterestType::Agreed);

QDate IsoDate(const QVariant &value)
{
    return DateFromIso(value.toString());
}

void CheckLengths(const HistoryHeader &header)
{
    if (header.numAsunto.isEmpty())
        throw HistoryRefusal(EmptyCaseNumberMessage);
    if (header.numAsunto.size() > CaseNumberLength)
        throw HistoryRefusal(QStringLiteral("El Núm. de Asunto no puede tener más de %1 caracteres.").arg(CaseNumberLength));
    if (header.descripcion.size() > DescriptionLength)
        throw HistoryRefusal(QStringLiteral("La descripción no puede tener más de %1 caracteres.").arg(DescriptionLength));
}

QString RateOrZero(const QString &rate)
{
    return rate.isEmpty() ? QStringLiteral("0") : rate;
}

} // namespace

StoredSettlement StoredFromInput(const HistoryHeader &header, const SettlementInput &input)
{
    const QStringList &types = InterestTypeTexts();
    StoredSettlement s;
    s.header = header;
    s.header.numAsunto = header.numAsunto.trimmed();
    s.capital = input.principal;
    s.desde1 = input.start;
    s.hasta1 = input.end;
    s.tipoInteres1 = types.value(input.type1);
    if (input.type1 == AgreedIndex)
        s.interes1 = input.agreedRate1;
    s.conSentencia = input.secondPeriod;
    if (input.secondPeriod) {
        s.desde2 = input.end.addDays(1);
        s.hasta2 = input.secondEnd;
        s.tipoInteres2 = types.value(input.type2);
        if (input.type2 == AgreedIndex)
            s.interes2 = input.agreedRate2;
    }
    s.inteAcumu = input.compound;
    s.moneda = input.currency;
    s.tipo = HistoryKindInterest;
    s.movements = input.movements;
    std::sort(s.movements.begin(), s.movements.end(),
              [](const Movement &a, const Movement &b) { return a.date < b.date; });
    return s;
}

void StoreSettlement(const QSqlDatabase &db, const StoredSettlement &settlement)
{
    const HistoryHeader &h = settlement.header;
    CheckLengths(h);

    Transaction transaction(db);
    try {
        RunSql(db,
               QStringLiteral("INSERT INTO Cabecera (NumAsunto, Fecha, Descripcion, Notas, Capital, Desde1, Hasta1,"
                              " TipoInteres1, ConSentencia, Desde2, Hasta2, TipoInteres2, Interes1, Interes2,"
                              " InteAcumu, Moneda, Tipo) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {h.numAsunto, DateOrNull(h.fecha), TextOrNull(h.descripcion), TextOrNull(h.notas), settlement.capital,
                DateOrNull(settlement.desde1), DateOrNull(settlement.hasta1), TextOrNull(settlement.tipoInteres1),
                settlement.conSentencia ? 1 : 0, DateOrNull(settlement.desde2), DateOrNull(settlement.hasta2),
                TextOrNull(settlement.tipoInteres2), TextOrNull(settlement.interes1), TextOrNull(settlement.interes2),
                settlement.inteAcumu ? 1 : 0, TextOrNull(settlement.moneda), TextOrNull(settlement.tipo)});
    } catch (const StoreError &e) {
        if (e.code() == StoreCode::KeyViolation)
            throw HistoryRefusal(DuplicateCaseNumberMessage, e.detail());
        throw;
    }
    // Rows no settlement owns (left by a deletion of an older version) must not join this one.
    RunSql(db, QStringLiteral("DELETE FROM Pagos WHERE NumAsunto = ?"), {h.numAsunto});
    RunSql(db, QStringLiteral("DELETE FROM Tramos WHERE NumAsunto = ?"), {h.numAsunto});
    QSqlQuery insert = Prepare(db, QStringLiteral("INSERT INTO Pagos (NumAsunto, Fecha, Importe, Tipo) VALUES (?, ?, ?, ?)"));
    for (const Movement &m : settlement.movements) {
        insert.bindValue(0, h.numAsunto);
        insert.bindValue(1, DateToIso(m.date));
        insert.bindValue(2, m.amount);
        insert.bindValue(3, m.kind == EntryKind ? EntryKind : PaymentKind);
        Exec(insert);
    }
    transaction.commit();
}

bool StoredSettlementExists(const QSqlDatabase &db, const QString &numAsunto)
{
    return Scalar(db, QStringLiteral("SELECT 1 FROM Cabecera WHERE NumAsunto = ?"), {numAsunto}).isValid();
}

std::optional<StoredSettlement> LoadStoredSettlement(const QSqlDatabase &db, const QString &numAsunto)
{
    QSqlQuery header = RunSql(db,
        QStringLiteral("SELECT NumAsunto, Fecha, Descripcion, Notas, Capital, Desde1, Hasta1, TipoInteres1,"
                       " ConSentencia, Desde2, Hasta2, TipoInteres2, Interes1, Interes2, InteAcumu, Moneda, Tipo"
                       " FROM Cabecera WHERE NumAsunto = ?"),
        {numAsunto});
    if (!header.next())
        return std::nullopt;
    StoredSettlement s;
    s.header = {header.value(0).toString(), IsoDate(header.value(1)), header.value(2).toString(),
                header.value(3).toString()};
    s.capital = header.value(4).toDouble();
    s.desde1 = IsoDate(header.value(5));
    s.hasta1 = IsoDate(header.value(6));
    s.tipoInteres1 = header.value(7).toString();
    s.conSentencia = header.value(8).toInt() != 0;
    s.desde2 = IsoDate(header.value(9));
    s.hasta2 = IsoDate(header.value(10));
    s.tipoInteres2 = header.value(11).toString();
    s.interes1 = header.value(12).toString();
    s.interes2 = header.value(13).toString();
    s.inteAcumu = header.value(14).toInt() != 0;
    s.moneda = header.value(15).toString();
    s.tipo = header.value(16).toString();

    QSqlQuery movements = RunSql(db, QStringLiteral("SELECT Fecha, Importe, Tipo FROM Pagos WHERE NumAsunto = ? ORDER BY Fecha"),
                                 {numAsunto});
    while (movements.next()) {
        s.movements.push_back({IsoDate(movements.value(0)), movements.value(1).toDouble(),
                               movements.value(2).toString() == EntryKind ? EntryKind : PaymentKind});
    }
    return s;
}

SettlementInput ReloadedInput(const StoredSettlement &stored, const SettlementInput &current)
{
    SettlementInput r = current;
    r.principal = stored.capital;
    r.principalText.clear(); // the principal's own text, as the amount box shows it
    r.start = stored.desde1;
    r.end = stored.hasta1;
    // A new end of the first period moves the second period's start, and its end with it.
    if (stored.hasta1.isValid() && (!r.secondEnd.isValid() || stored.hasta1.addDays(1) > r.secondEnd))
        r.secondEnd = stored.hasta1.addDays(1);
    r.currency = stored.moneda == QLatin1String("Pta") ? QStringLiteral("Pta") : QStringLiteral("Eur");

    if (const auto type = InterestTypeIndex(stored.tipoInteres1)) {
        r.type1 = *type;
        if (*type == AgreedIndex)
            r.agreedRate1 = RateOrZero(stored.interes1);
    }

    r.secondPeriod = stored.conSentencia;
    if (stored.conSentencia) {
        if (stored.hasta2.isValid())
            r.secondEnd = stored.hasta2;
        if (const auto type = InterestTypeIndex(stored.tipoInteres2)) {
            r.type2 = *type;
            if (*type == AgreedIndex)
                r.agreedRate2 = RateOrZero(stored.interes2);
        }
    } else {
        r.type2 = 0;
    }
    r.compound = stored.inteAcumu;
    r.movements = stored.movements;
    return r;
}

SettlementInput StoredInput(const StoredSettlement &stored)
{
    SettlementInput in = ReloadedInput(stored, SettlementInput{});
    if (!in.secondPeriod)
        in.secondEnd = QDate();
    return in;
}

bool UpdateHistoryHeader(const QSqlDatabase &db, const HistoryHeader &header)
{
    if (header.descripcion.size() > DescriptionLength)
        throw HistoryRefusal(QStringLiteral("La descripción no puede tener más de %1 caracteres.").arg(DescriptionLength));
    QSqlQuery update = RunSql(db, QStringLiteral("UPDATE Cabecera SET Fecha = ?, Descripcion = ?, Notas = ? WHERE NumAsunto = ?"),
                              {DateOrNull(header.fecha), TextOrNull(header.descripcion), TextOrNull(header.notas),
                               header.numAsunto});
    return update.numRowsAffected() > 0;
}

bool DeleteStoredSettlement(const QSqlDatabase &db, const QString &numAsunto)
{
    Transaction transaction(db);
    RunSql(db, QStringLiteral("DELETE FROM Tramos WHERE NumAsunto = ?"), {numAsunto});
    RunSql(db, QStringLiteral("DELETE FROM Pagos WHERE NumAsunto = ?"), {numAsunto});
    QSqlQuery header = RunSql(db, QStringLiteral("DELETE FROM Cabecera WHERE NumAsunto = ?"), {numAsunto});
    const bool existed = header.numRowsAffected() > 0;
    transaction.commit();
    return existed;
}

QByteArray WriteStoredSettlementCase(const StoredSettlement &stored)
{
    const HistoryHeader &h = stored.header;
    QByteArray header = "{\n  \"NumAsunto\": " + JsonString(h.numAsunto) + ",\n  \"Fecha\": " + JsonString(FormatDate(h.fecha))
                        + ",\n  \"Descripcion\": " + JsonString(h.descripcion) + ",\n  \"Notas\": " + JsonString(h.notas)
                        + ",\n  ";
    const QByteArray body = WriteSettlementCase(StoredInput(stored));
    // The case's own members follow its opening "{\n  ".
    return header + body.mid(body.indexOf('"'));
}

HistoryHeader ReadHistoryHeader(const QByteArray &json)
{
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    const auto text = [&object](const QString &key) {
        const QJsonValue v = object.value(key);
        if (!v.isUndefined() && !v.isNull() && !v.isString())
            throw CaseError(QStringLiteral("El campo %1 debe ser un texto.").arg(key));
        return v.toString();
    };
    HistoryHeader h;
    const QString fecha = text(QStringLiteral("Fecha"));
    if (!object.contains(QStringLiteral("Fecha"))) {
        h.fecha = QDate::currentDate();
    } else if (!fecha.trimmed().isEmpty()) {
        h.fecha = ParseDate(fecha);
        if (!h.fecha.isValid())
            throw CaseError(QStringLiteral("El campo Fecha no es una fecha válida (dd/mm/aaaa): \"%1\".").arg(fecha));
    }
    h.descripcion = text(QStringLiteral("Descripcion"));
    h.notas = text(QStringLiteral("Notas"));
    return h;
}

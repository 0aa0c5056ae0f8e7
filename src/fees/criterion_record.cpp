#include "fees/criterion_record.h"

#include "core/amount_limit.h"
#include "core/errors.h"
#include "core/number_text.h"
#include "store/sql.h"

namespace {

std::optional<double> OptionalDouble(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

QVariant Bound(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant();
}

} // namespace

CriterionRecord ReadCriterionRecord(const QSqlDatabase &modulo, int id)
{
    QSqlQuery q = RunSql(modulo, QStringLiteral("SELECT Titulo, Criterios, Descripcion, Fijo, Incremento, Reduccion,"
                                                " Tabla, MinLibre, MaxLibre, Porcentaje, MinPorcentaje, MaxPorcentaje"
                                                " FROM principal WHERE Id = ?"),
                         {id});
    if (!q.next())
        throw AppError(QStringLiteral("El criterio %1 ya no existe.").arg(id));
    CriterionRecord r;
    r.id = id;
    r.titulo = q.value(0).toString();
    r.criterios = q.value(1).toString();
    r.descripcion = q.value(2).toString();
    r.fijo = OptionalDouble(q.value(3));
    r.incremento = OptionalDouble(q.value(4));
    r.reduccion = OptionalDouble(q.value(5));
    if (!q.value(6).isNull())
        r.tabla = q.value(6).toInt();
    r.minLibre = OptionalDouble(q.value(7));
    r.maxLibre = OptionalDouble(q.value(8));
    r.porcentaje = OptionalDouble(q.value(9));
    r.minPorcentaje = OptionalDouble(q.value(10));
    r.maxPorcentaje = OptionalDouble(q.value(11));
    return r;
}

void StoreCriterionRecord(const QSqlDatabase &modulo, const CriterionRecord &r)
{
    QSqlQuery q = Prepare(modulo, QStringLiteral("UPDATE principal SET Titulo = ?, Criterios = ?, Descripcion = ?,"
                                                 " Fijo = ?, Incremento = ?, Reduccion = ?, Tabla = ?, MinLibre = ?,"
                                                 " MaxLibre = ?, Porcentaje = ?, MinPorcentaje = ?, MaxPorcentaje = ?"
                                                 " WHERE Id = ?"));
    for (const QVariant &v : {TextOrNull(r.titulo), TextOrNull(r.criterios), TextOrNull(r.descripcion), Bound(r.fijo),
                              Bound(r.incremento), Bound(r.reduccion), r.tabla ? QVariant(*r.tabla) : QVariant(),
                              Bound(r.minLibre), Bound(r.maxLibre), Bound(r.porcentaje), Bound(r.minPorcentaje),
                              Bound(r.maxPorcentaje), QVariant(r.id)})
        q.addBindValue(v);
    Exec(q);
    if (q.numRowsAffected() == 0)
        throw AppError(QStringLiteral("El criterio %1 ya no existe.").arg(r.id));
}

double Spin(SpinField field, std::optional<double> value, bool up)
{
    const double step = up ? 1.0 : -1.0;
    switch (field) {
    case SpinField::Plain:
        return value ? *value + step : step;
    case SpinField::Percentage:
        if (!value || (up && *value > 100) || (!up && *value < -100))
            return step;
        return *value + step;
    case SpinField::Euros:
        return value ? *value + step : 2 * step;
    }
    return step;
}

double PointsToEuros(double points, double pointValue)
{
    return points * pointValue;
}

double EurosToPoints(double euros, double pointValue)
{
    return pointValue == 0.0 ? 0.0 : euros / pointValue;
}

std::optional<double> ParseFieldNumber(const QString &typed)
{
    QString text = typed.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (!text.contains(u','))
        text.replace(u'.', u',');
    const std::optional<double> value = ParseSpanishNumber(text);
    if (!value)
        throw AppError(QStringLiteral("«%1» no es un valor numérico válido.").arg(typed.trimmed()));
    CheckAmountInRange(*value);
    return value;
}

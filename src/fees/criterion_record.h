#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

// A criterion as its editor holds it: blanks stay blank, unlike Criterion.
struct CriterionRecord
{
    int id = 0;
    QString titulo;
    QString criterios;
    QString descripcion;
    std::optional<double> fijo;
    std::optional<double> incremento;
    std::optional<double> reduccion;
    std::optional<int> tabla;
    std::optional<double> minLibre;
    std::optional<double> maxLibre;
    std::optional<double> porcentaje;
    std::optional<double> minPorcentaje;
    std::optional<double> maxPorcentaje;

    bool operator==(const CriterionRecord &) const = default;
};

// Throw StoreError; Read throws AppError when the criterion no longer exists.
CriterionRecord ReadCriterionRecord(const QSqlDatabase &modulo, int id);
void StoreCriterionRecord(const QSqlDatabase &modulo, const CriterionRecord &record);

// One click of a spin button beside a criterion field.
enum class SpinField {
    Plain,      // Fijo, Incremento, Reduccion, MinLibre, MaxLibre: blank gives ±1, else ±1
    Percentage, // Porcentaje and its limits: up from blank or above 100 gives 1, down from blank
                // or below −100 gives −1, else ±1 (100 goes to 101, −100 to −101)
    Euros       // the euro amount of a points region: blank counts as ±1 and then moves, giving ±2
};
double Spin(SpinField field, std::optional<double> value, bool up);

// Points region: euros = points × point value, points = euros / point value.
double PointsToEuros(double points, double pointValue);
double EurosToPoints(double euros, double pointValue);

// A number typed in a criterion or table field: decimal comma, or a point when there is no
// comma ("2,5", "2.5"); blank gives a blank. Throws AppError "«abc» no es un valor numérico
// válido." and, beyond the amount limit, "El importe es demasiado grande.".
std::optional<double> ParseFieldNumber(const QString &text);

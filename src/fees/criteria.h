#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

// One row of "principal", the criteria tree of a region module, as the fee engine reads it: a
// blank number counts as 0, a blank Tabla as 0 (no table).
struct Criterion
{
    int id = 0;
    int idPadre = 0; // 0: a top node
    QString titulo;
    QString criterios; // short code, may be empty
    QString descripcion;
    double fijo = 0.0; // euros, or points in a points region
    double incremento = 0.0;
    double reduccion = 0.0;
    int tabla = 0;
    double minLibre = 0.0;
    double maxLibre = 0.0;
    double porcentaje = 0.0;
    double minPorcentaje = 0.0;
    double maxPorcentaje = 0.0;

    bool operator==(const Criterion &) const = default;
};

// Every criterion of the module (connection dbModulo) in Id order. Throws StoreError.
std::vector<Criterion> LoadCriteria(const QSqlDatabase &modulo);
// The criterion with that Id; nullopt when there is none. Throws StoreError.
std::optional<Criterion> FindCriterion(const QSqlDatabase &modulo, int id);

// A title search hit, in the order the rows are read (Id order).
struct TitleMatch
{
    int id = 0;
    QString titulo;
    int idPadre = 0;
    QString descripcion;
};

// Criteria whose Titulo contains `text` ignoring case and accents for every Spanish letter
// ("cuantia" finds "CUANTÍA"); "%" stands for any run of characters and "_" for one, as in
// SQL LIKE. The empty text lists every criterion that has a title. The text is never pasted
// into SQL. Throws StoreError.
std::vector<TitleMatch> SearchCriterionTitles(const QSqlDatabase &modulo, const QString &text);

// The folded form the search compares: upper case with the accents and diaereses dropped;
// Ñ stays a letter of its own ("Año" gives "AÑO", "Cuantía" gives "CUANTIA").
QString FoldForSearch(const QString &text);

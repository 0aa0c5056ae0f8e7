#pragma once

#include <QDomDocument>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class Prompter;

// Kinds of table in the register ("Directivas").
enum class TableKind : int { None = 0, CumulativeScale = 1, Brackets = 3, Questions = 4, Cases = 6 };

// One row of "tablas", the register of a module's tables. Blank numbers count as 0.
struct TableRegisterRow
{
    int id = 0;
    QString nombreTabla;
    int directivas = 0; // TableKind as stored; other values are read by no lookup
    double extraPorc = 0.0; // percent of the table's result added to it
    double extraFijo = 0.0; // euros added to the table's result

    bool operator==(const TableRegisterRow &) const = default;
};

// The register in Id order, and one row of it (nullopt when no row has that Id). Throw StoreError.
std::vector<TableRegisterRow> TableRegister(const QSqlDatabase &modulo);
std::optional<TableRegisterRow> FindTableRow(const QSqlDatabase &modulo, int id);

// "tipo" + N: the name of table N in the module database (the file tipoN.db of old).
QString TipoTableName(int n);
// True when table N exists in the module database. Throws StoreError.
bool TipoTableExists(const QSqlDatabase &modulo, int n);

// E(v) = extraPorc·v/100 + extraFijo, each term only when its field is not 0.
double TableExtra(double extraPorc, double extraFijo, double v);

// Result of a cumulative scale with the references the engine shows: the bracket's
// porcentaje (in tbxPorcentaje), its desde (in tbxFijo) and the accumulated fee below it (in
// tbxTabla).
struct ScaleResult
{
    double fee = 0.0;       // S = (v − desde)·porcentaje/100 + acumulado
    float porcentaje = 0.f; // held in single precision, as the rule says
    double desde = 0.0;
    double acumulado = 0.0; // largest acumulado of the rows whose desde < this desde; 0 when desde ≤ 0
};

// S(N, v) over table tipoN (columns id, desde, hasta, porcentaje, acumulado): the first row in
// table order with desde ≤ v ≤ hasta gives porcentaje and desde. Throws AppError with a Spanish
// message naming the table and the amount ("La tabla 3 (Escala general) no tiene un tramo para
// la cuantía 1.234,56 €.") when no row holds v or no row lies below the bracket; AppError when
// table N does not exist ("La tabla N no existe en el módulo."); StoreError on a database
// failure (a missing column, ...).
ScaleResult CumulativeScale(const QSqlDatabase &modulo, int n, double v);

// The value of column `col` in the first row (table order) of tipoN with from ≤ v ≤ to, both
// bounds inclusive. Column names come from the register or tablas.xml and are matched without
// regard to case; an unknown column throws AppError naming it. No row, or an empty value in
// it: AppError naming the table and the amount, as above. For a bracket table:
// BracketLookup(modulo, n, "Desde", "Hasta", "Porcentaje", x) gives p.
double BracketLookup(const QSqlDatabase &modulo, int n, const QString &from, const QString &to,
                     const QString &col, double v);

// The question file tablas.xml of a module, loaded once (when the invoice editor is shown).
class QuestionFile
{
public:
    // Throws AppError naming the file when it is missing or is not well-formed XML.
    static QuestionFile Load(const QString &moduleDir);
    // From XML text (tests); `fileName` names it in messages. Throws as Load.
    static QuestionFile FromText(const QString &xml, const QString &fileName);

    // What a question table needs for one chosen option.
    struct Question
    {
        QString from; // campodesde
        QString to;   // campohasta
        QString texto;
        QString resultado;
    };

    // Options of table N (the EsquemaPreguntas children's texts, document order). Throws
    // AppError when the root has no child with id N, or a child before it has no numeric id,
    // or the table has no options.
    QStringList options(int n) const;
    // The Pregunta whose id equals `option`, with Resultado of table N. Throws AppError when
    // missing, or when campodesde, campohasta, texto or Resultado is missing.
    Question question(int n, const QString &option) const;

    const QString &fileName() const { return m_fileName; }

private:
    QDomElement tableElement(int n) const;

    QDomDocument m_doc;
    QString m_fileName;
};

// Q(N): the user picks one of the table's options ("Seleccione Criterio"; a closed dialog
// keeps the first option), is asked the question ("Pregunta") and the answer, a number with
// a decimal comma or point, goes into BracketLookup with that option's columns. Throws
// AppError as QuestionFile and BracketLookup do, and "La respuesta «…» no es un número
// válido." for an answer that is not a number (also a cancelled question).
double QuestionTable(const QSqlDatabase &modulo, const QuestionFile &file, int n, Prompter &prompter);

// ChooseCase(N): the user picks one of the caso texts of tipoN (columns caso, Tabla), in table
// order; the first row with that caso gives N′ := its Tabla (0 when blank). Throws AppError
// when the table does not exist or holds no case; StoreError on a database failure.
int ChooseCase(const QSqlDatabase &modulo, int n, Prompter &prompter);

// Column titles of table N from ModuleDir/tipoN.ini, section TITULOS, key CAMPOS: split at
// commas, blanks after a comma ignored, a title in double quotes may hold a comma. nullopt
// when the file does not exist; a file without the key gives {"VACIO"}. Throws AppError
// naming the file when it cannot be read.
std::optional<QStringList> ColumnTitles(const QString &moduleDir, int n);
// The CAMPOS value split as above (exposed for tests).
QStringList SplitTitles(const QString &campos);

#include "fees/scale_tables.h"

#include "core/amount_limit.h"
#include "core/errors.h"
#include "core/ini_file.h"
#include "core/number_text.h"
#include "core/prompter.h"
#include "store/sql.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlRecord>

namespace {

// "La tabla 3 (Escala general)", or "La tabla 3" when the register does not list it.
QString TableLabel(const QSqlDatabase &modulo, int n)
{
    const auto row = FindTableRow(modulo, n);
    if (row && !row->nombreTabla.isEmpty())
        return QStringLiteral("La tabla %1 (%2)").arg(n).arg(row->nombreTabla);
    return QStringLiteral("La tabla %1").arg(n);
}

QString AmountText(double v)
{
    return QStringLiteral("la cuantía ") + FormatThousands2(v) + QStringLiteral(" €");
}

QSqlRecord TipoRecord(const QSqlDatabase &modulo, int n)
{
    if (!TipoTableExists(modulo, n))
        throw AppError(QStringLiteral("La tabla %1 no existe en el módulo de la región.").arg(n));
    return modulo.record(TipoTableName(n));
}

// The column of table N called `name` (any case), quoted for the statement; the names come
// from files the user may edit, so only names the table really has get into SQL text.
QString Column(const QSqlDatabase &modulo, const QSqlRecord &record, int n, const QString &name)
{
    for (int i = 0; i < record.count(); ++i) {
        if (record.fieldName(i).compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return modulo.driver()->escapeIdentifier(record.fieldName(i), QSqlDriver::FieldName);
    }
    throw AppError(TableLabel(modulo, n) + QStringLiteral(" no tiene la columna «%1».").arg(name.trimmed()));
}

// Table order is the order of the first column, the table's key.
QString OrderColumn(const QSqlDatabase &modulo, const QSqlRecord &record)
{
    return modulo.driver()->escapeIdentifier(record.fieldName(0), QSqlDriver::FieldName);
}

double Lookup(const QSqlDatabase &modulo, int n, const QString &from, const QString &to, const QString &col,
              double v, const QString &valueText)
{
    const QSqlRecord record = TipoRecord(modulo, n);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 >= ? AND %4 <= ? ORDER BY %5")
                            .arg(Column(modulo, record, n, col), TipoTableName(n), Column(modulo, record, n, to),
                                 Column(modulo, record, n, from), OrderColumn(modulo, record));
    QSqlQuery query = RunSql(modulo, sql, {v, v});
    if (!query.next())
        throw AppError(TableLabel(modulo, n) + QStringLiteral(" no tiene un tramo para ") + valueText + u'.');
    if (query.value(0).isNull())
        throw AppError(TableLabel(modulo, n) + QStringLiteral(" tiene vacía la columna «%1» en el tramo de ").arg(col)
                       + valueText + u'.');
    return query.value(0).toDouble();
}

[[noreturn]] void QuestionFault(const QString &file, const QString &what)
{
    throw AppError(QStringLiteral("El archivo de preguntas \"%1\" no sirve: %2").arg(file, what));
}

// "16,5" or "16.5": the answer of a question as typed.
std::optional<double> ParseAnswer(QString text)
{
    text = text.trimmed();
    if (!text.contains(u','))
        text.replace(u'.', u',');
    return ParseSpanishNumber(text);
}

} // namespace

std::vector<TableRegisterRow> TableRegister(const QSqlDatabase &modulo)
{
    QSqlQuery query = RunSql(modulo, QStringLiteral("SELECT Id, NombreTabla, Directivas, ExtraPorc, ExtraFijo"
                                                    " FROM tablas ORDER BY Id"));
    std::vector<TableRegisterRow> rows;
    while (query.next())
        rows.push_back({query.value(0).toInt(), query.value(1).toString(), query.value(2).toInt(),
                        query.value(3).toDouble(), query.value(4).toDouble()});
    return rows;
}

std::optional<TableRegisterRow> FindTableRow(const QSqlDatabase &modulo, int id)
{
    QSqlQuery query = RunSql(modulo, QStringLiteral("SELECT Id, NombreTabla, Directivas, ExtraPorc, ExtraFijo"
                                                    " FROM tablas WHERE Id = ?"), {id});
    if (!query.next())
        return std::nullopt;
    return TableRegisterRow{query.value(0).toInt(), query.value(1).toString(), query.value(2).toInt(),
                            query.value(3).toDouble(), query.value(4).toDouble()};
}

QString TipoTableName(int n)
{
    return QStringLiteral("tipo") + QString::number(n);
}

bool TipoTableExists(const QSqlDatabase &modulo, int n)
{
    return TableExists(modulo, TipoTableName(n));
}

double TableExtra(double extraPorc, double extraFijo, double v)
{
    double extra = 0.0;
    if (extraPorc != 0.0)
        extra += extraPorc * v / 100;
    if (extraFijo != 0.0)
        extra += extraFijo;
    return extra;
}

ScaleResult CumulativeScale(const QSqlDatabase &modulo, int n, double v)
{
    const QSqlRecord record = TipoRecord(modulo, n);
    const QString table = TipoTableName(n);
    const QString desdeColumn = Column(modulo, record, n, QStringLiteral("desde"));
    const QString order = OrderColumn(modulo, record);
    QSqlQuery bracket = RunSql(
        modulo,
        QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 >= ? AND %1 <= ? ORDER BY %5")
            .arg(desdeColumn, Column(modulo, record, n, QStringLiteral("porcentaje")), table,
                 Column(modulo, record, n, QStringLiteral("hasta")), order),
        {v, v});
    if (!bracket.next() || bracket.value(1).isNull())
        throw AppError(TableLabel(modulo, n) + QStringLiteral(" no tiene un tramo para ") + AmountText(v) + u'.');

    ScaleResult result;
    result.desde = bracket.value(0).toDouble();
    result.porcentaje = bracket.value(1).toFloat();
    if (result.desde > 0) {
        QSqlQuery below = RunSql(modulo,
                                 QStringLiteral("SELECT %1 FROM %2 WHERE %3 < ? AND %1 IS NOT NULL ORDER BY %1 DESC")
                                     .arg(Column(modulo, record, n, QStringLiteral("acumulado")), table, desdeColumn),
                                 {result.desde});
        if (!below.next())
            throw AppError(TableLabel(modulo, n) + QStringLiteral(" no tiene tramos por debajo de ")
                           + FormatThousands2(result.desde) + QStringLiteral(" €, necesarios para ") + AmountText(v)
                           + u'.');
        result.acumulado = below.value(0).toDouble();
    }
    result.fee = (v - result.desde) * static_cast<double>(result.porcentaje) / 100 + result.acumulado;
    return result;
}

double BracketLookup(const QSqlDatabase &modulo, int n, const QString &from, const QString &to, const QString &col,
                     double v)
{
    return Lookup(modulo, n, from, to, col, v, AmountText(v));
}

QuestionFile QuestionFile::Load(const QString &moduleDir)
{
    const QString path = moduleDir + QStringLiteral("/tablas.xml");
    QFile file(path);
    if (!file.exists())
        throw AppError(QStringLiteral("Falta el archivo de preguntas \"%1\" del módulo de la región.").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("No se ha podido leer el archivo de preguntas \"%1\".").arg(path),
                       file.errorString());
    QuestionFile result;
    result.m_fileName = path;
    QString error;
    int line = 0;
    if (!result.m_doc.setContent(file.readAll(), &error, &line))
        throw AppError(QStringLiteral("El archivo de preguntas \"%1\" está dañado (línea %2).").arg(path).arg(line),
                       error);
    return result;
}

QuestionFile QuestionFile::FromText(const QString &xml, const QString &fileName)
{
    QuestionFile result;
    result.m_fileName = fileName;
    QString error;
    int line = 0;
    if (!result.m_doc.setContent(xml, &error, &line))
        throw AppError(QStringLiteral("El archivo de preguntas \"%1\" está dañado (línea %2).").arg(fileName).arg(line),
                       error);
    return result;
}

QDomElement QuestionFile::tableElement(int n) const
{
    for (QDomElement e = m_doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        bool ok = false;
        const int id = e.attribute(QStringLiteral("id")).trimmed().toInt(&ok);
        if (!ok)
            QuestionFault(m_fileName, QStringLiteral("el elemento <%1> no lleva el número de su tabla.").arg(e.tagName()));
        if (id == n)
            return e;
    }
    QuestionFault(m_fileName, QStringLiteral("no describe la tabla %1.").arg(n));
}

QStringList QuestionFile::options(int n) const
{
    const QDomElement schema = tableElement(n).firstChildElement(QStringLiteral("EsquemaPreguntas"));
    QStringList result;
    for (QDomElement e = schema.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        result.append(e.text());
    if (result.isEmpty())
        QuestionFault(m_fileName, QStringLiteral("la tabla %1 no tiene opciones (EsquemaPreguntas).").arg(n));
    return result;
}

QuestionFile::Question QuestionFile::question(int n, const QString &option) const
{
    const QDomElement table = tableElement(n);
    QDomElement found;
    for (QDomElement e = table.firstChildElement(QStringLiteral("Pregunta")); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("id")) == option) {
            found = e;
            break;
        }
    }
    if (found.isNull())
        QuestionFault(m_fileName, QStringLiteral("la tabla %1 no tiene la pregunta de «%2».").arg(n).arg(option));
    const auto child = [&](const QDomElement &parent, const QString &name) {
        const QDomElement e = parent.firstChildElement(name);
        if (e.isNull())
            QuestionFault(m_fileName, QStringLiteral("a la tabla %1 le falta <%2> en «%3».").arg(n).arg(name, option));
        return e.text().trimmed();
    };
    Question q;
    q.from = child(found, QStringLiteral("campodesde"));
    q.to = child(found, QStringLiteral("campohasta"));
    q.texto = child(found, QStringLiteral("texto"));
    q.resultado = child(table, QStringLiteral("Resultado"));
    return q;
}

double QuestionTable(const QSqlDatabase &modulo, const QuestionFile &file, int n, Prompter &prompter)
{
    const QStringList options = file.options(n);
    // Closing the choice keeps the option that was selected: the first.
    const int chosen = prompter.choose(QStringLiteral("Seleccione Criterio"), QStringLiteral("Criterios"), options, 0)
                           .value_or(0);
    const QString option = options.value(chosen, options.first());
    const QuestionFile::Question q = file.question(n, option);
    const QString typed = prompter.askText(QStringLiteral("Pregunta"), q.texto).value_or(QString());
    const std::optional<double> answer = ParseAnswer(typed);
    if (!answer)
        throw AppError(QStringLiteral("La respuesta «%1» no es un número válido.").arg(typed.trimmed()));
    CheckAmountInRange(*answer);
    return Lookup(modulo, n, q.from, q.to, q.resultado, *answer,
                  QStringLiteral("la respuesta ") + FormatGeneral(*answer) + QStringLiteral(" («%1»)").arg(option));
}

int ChooseCase(const QSqlDatabase &modulo, int n, Prompter &prompter)
{
    const QSqlRecord record = TipoRecord(modulo, n);
    QSqlQuery query = RunSql(modulo, QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %4")
                                         .arg(Column(modulo, record, n, QStringLiteral("caso")),
                                              Column(modulo, record, n, QStringLiteral("Tabla")), TipoTableName(n),
                                              OrderColumn(modulo, record)));
    QStringList cases;
    QList<int> tables;
    while (query.next()) {
        cases.append(query.value(0).toString());
        tables.append(query.value(1).toInt());
    }
    if (cases.isEmpty())
        throw AppError(TableLabel(modulo, n) + QStringLiteral(" no tiene casos entre los que elegir."));
    const int chosen = prompter.choose(QStringLiteral("Seleccione Criterio"), QStringLiteral("Criterios"), cases, 0)
                           .value_or(0);
    // The first row with that text, as two cases may read the same.
    return tables.at(cases.indexOf(cases.value(chosen, cases.first())));
}

QStringList SplitTitles(const QString &campos)
{
    QStringList titles;
    qsizetype i = 0;
    const qsizetype size = campos.size();
    while (true) {
        while (i < size && campos.at(i) == u' ')
            ++i;
        QString title;
        if (i < size && campos.at(i) == u'"') {
            ++i;
            while (i < size) {
                if (campos.at(i) == u'"' && i + 1 < size && campos.at(i + 1) == u'"') {
                    title += u'"';
                    i += 2;
                } else if (campos.at(i) == u'"') {
                    ++i;
                    break;
                } else {
                    title += campos.at(i++);
                }
            }
            // Anything between the closing quote and the comma belongs to the title too.
            while (i < size && campos.at(i) != u',')
                title += campos.at(i++);
        } else {
            while (i < size && campos.at(i) != u',')
                title += campos.at(i++);
        }
        titles.append(title.trimmed());
        if (i >= size)
            break;
        ++i; // the comma
    }
    return titles;
}

std::optional<QStringList> ColumnTitles(const QString &moduleDir, int n)
{
    const QString path = moduleDir + QStringLiteral("/tipo") + QString::number(n) + QStringLiteral(".ini");
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return SplitTitles(IniFile(path).readString(QStringLiteral("TITULOS"), QStringLiteral("CAMPOS"),
                                                QStringLiteral("VACIO")));
}

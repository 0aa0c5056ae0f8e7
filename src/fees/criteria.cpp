#include "fees/criteria.h"

#include "store/sql.h"

#include <QRegularExpression>

namespace {

const QString kCriterionColumns = QStringLiteral(
    "SELECT Id, IdPadre, Titulo, Criterios, Descripcion, Fijo, Incremento, Reduccion, Tabla, MinLibre,"
    " MaxLibre, Porcentaje, MinPorcentaje, MaxPorcentaje FROM principal");

Criterion CriterionOf(const QSqlQuery &q)
{
    Criterion c;
    c.id = q.value(0).toInt();
    c.idPadre = q.value(1).toInt();
    c.titulo = q.value(2).toString();
    c.criterios = q.value(3).toString();
    c.descripcion = q.value(4).toString();
    c.fijo = q.value(5).toDouble();
    c.incremento = q.value(6).toDouble();
    c.reduccion = q.value(7).toDouble();
    c.tabla = q.value(8).toInt();
    c.minLibre = q.value(9).toDouble();
    c.maxLibre = q.value(10).toDouble();
    c.porcentaje = q.value(11).toDouble();
    c.minPorcentaje = q.value(12).toDouble();
    c.maxPorcentaje = q.value(13).toDouble();
    return c;
}

// "%" any run, "_" one character, as LIKE reads them; everything else literally.
QRegularExpression LikePattern(const QString &folded)
{
    QString pattern;
    for (const QChar c : folded) {
        if (c == u'%')
            pattern += QStringLiteral(".*");
        else if (c == u'_')
            pattern += u'.';
        else
            pattern += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                              QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

std::vector<Criterion> LoadCriteria(const QSqlDatabase &modulo)
{
    QSqlQuery query = RunSql(modulo, kCriterionColumns + QStringLiteral(" ORDER BY Id"));
    std::vector<Criterion> rows;
    while (query.next())
        rows.push_back(CriterionOf(query));
    return rows;
}

std::optional<Criterion> FindCriterion(const QSqlDatabase &modulo, int id)
{
    QSqlQuery query = RunSql(modulo, kCriterionColumns + QStringLiteral(" WHERE Id = ?"), {id});
    if (!query.next())
        return std::nullopt;
    return CriterionOf(query);
}

QString FoldForSearch(const QString &text)
{
    const QString decomposed = text.toUpper().normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (qsizetype i = 0; i < decomposed.size(); ++i) {
        const QChar c = decomposed.at(i);
        if (c.category() == QChar::Mark_NonSpacing) {
            // The tilde of Ñ makes another letter; every other mark is only an accent.
            if (c.unicode() == 0x0303 && !folded.isEmpty() && folded.back() == u'N')
                folded.back() = QChar(0x00D1);
            continue;
        }
        folded += c;
    }
    return folded;
}

std::vector<TitleMatch> SearchCriterionTitles(const QSqlDatabase &modulo, const QString &text)
{
    // Folded here: SQL's upper() leaves Í, Ñ... as they are, and accents should not matter.
    const QString needle = FoldForSearch(text);
    const bool plain = !needle.contains(u'%') && !needle.contains(u'_');
    const QRegularExpression like = plain ? QRegularExpression() : LikePattern(u'%' + needle + u'%');

    QSqlQuery query = RunSql(modulo, QStringLiteral("SELECT Id, Titulo, IdPadre, Descripcion FROM principal"
                                                    " WHERE Titulo IS NOT NULL ORDER BY Id"));
    std::vector<TitleMatch> matches;
    while (query.next()) {
        const QString titulo = query.value(1).toString();
        if (titulo.isEmpty())
            continue;
        const QString folded = FoldForSearch(titulo);
        if (plain ? folded.contains(needle) : like.match(folded).hasMatch())
            matches.push_back({query.value(0).toInt(), titulo, query.value(2).toInt(), query.value(3).toString()});
    }
    return matches;
}

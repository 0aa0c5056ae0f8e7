#include "fees/criteria.h"

#include "store/sql.h"

#include <QRegularExpression>

#include <array>

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
    QSqlQuery query = Prepare(modulo, kCriterionColumns + QStringLiteral(" ORDER BY Id"));
    query.setForwardOnly(true);
    Exec(query);
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
    // Latin-1 letters by table (every Spanish and Catalan letter is one), the rest through
    // Unicode decomposition; this runs over every title of a search.
    static const auto latin1 = [] {
        std::array<char16_t, 256> table{};
        for (int c = 0; c < 256; ++c) {
            const QString upper = QString(QChar(c)).toUpper();
            const QString base = upper.normalized(QString::NormalizationForm_D);
            table[static_cast<std::size_t>(c)] = upper.size() == 1 ? base.at(0).unicode() : char16_t(c);
        }
        table[0xF1] = table[0xD1] = 0xD1; // ñ and Ñ stay Ñ
        table[0xDF] = 0xDF;                // ß has no one-letter capital
        return table;
    }();
    QString folded(text.size(), Qt::Uninitialized);
    QChar *out = folded.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 256) {
            out[n++] = QChar(latin1[c]);
            continue;
        }
        const QString decomposed = QString(text.at(i)).toUpper().normalized(QString::NormalizationForm_D);
        for (const QChar d : decomposed) {
            if (d.category() == QChar::Mark_NonSpacing) {
                if (d.unicode() == 0x0303 && n > 0 && out[n - 1] == u'N')
                    out[n - 1] = QChar(0x00D1);
                continue;
            }
            if (n == folded.size()) {
                folded.resize(folded.size() + decomposed.size());
                out = folded.data();
            }
            out[n++] = d;
        }
    }
    folded.truncate(n);
    return folded;
}

std::vector<TitleMatch> SearchCriterionTitles(const QSqlDatabase &modulo, const QString &text)
{
    // Folded here: SQL's upper() leaves Í, Ñ... as they are, and accents should not matter.
    const QString needle = FoldForSearch(text);
    const bool plain = !needle.contains(u'%') && !needle.contains(u'_');
    const QRegularExpression like = plain ? QRegularExpression() : LikePattern(u'%' + needle + u'%');

    QSqlQuery query = Prepare(modulo, QStringLiteral("SELECT Id, Titulo, IdPadre, Descripcion FROM principal"
                                                     " WHERE Titulo IS NOT NULL ORDER BY Id"));
    query.setForwardOnly(true); // read once: no row kept behind
    Exec(query);
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

#include "store/text_match.h"

#include <QRegularExpression>

namespace {

// The same pattern as a regular expression over the whole text, case-insensitive for every
// letter (the regular expressions work on Unicode text).
QString RegexFromLike(const QString &likePattern)
{
    QString regex = QStringLiteral("(?is)\\A");
    QString literal;
    const auto flush = [&] {
        regex += QRegularExpression::escape(literal);
        literal.clear();
    };
    for (const QChar c : likePattern) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_')) {
            flush();
            regex += c == QLatin1Char('%') ? QStringLiteral(".*") : QStringLiteral(".");
        } else {
            literal += c;
        }
    }
    flush();
    return regex + QStringLiteral("\\z");
}

// A LIKE pattern every match of the folded pattern also meets, for SQLite's own LIKE (which
// folds ASCII only) to discard most texts before the regular expression runs: any letter it
// cannot fold stands as "_", and so do "k" and "s", which the Kelvin sign and the long s fold to.
QString AsciiSieve(const QString &likePattern)
{
    QString sieve = likePattern;
    for (QChar &c : sieve) {
        const char16_t u = c.toLower().unicode();
        if (u > 0x7f || u == u'k' || u == u's')
            c = QLatin1Char('_');
    }
    return sieve;
}

} // namespace

FoldedLike MatchFoldedCase(const QString &driverName, const QString &column, const QString &placeholder,
                           const QString &likePattern)
{
    if (driverName == QLatin1String("QSQLITE")) {
        const QString sieve = placeholder + QStringLiteral("_ascii");
        return {QStringLiteral("%1 like %2 and %1 regexp %3").arg(column, sieve, placeholder),
                {{sieve, AsciiSieve(likePattern)}, {placeholder, RegexFromLike(likePattern)}}};
    }
    // An engine whose lower() knows every letter.
    return {QStringLiteral("lower(%1) like %2").arg(column, placeholder), {{placeholder, likePattern.toLower()}}};
}

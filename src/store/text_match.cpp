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

} // namespace

FoldedLike MatchFoldedCase(const QString &driverName, const QString &column, const QString &placeholder,
                           const QString &likePattern)
{
    if (driverName == QLatin1String("QSQLITE"))
        return {QStringLiteral("%1 is not null and %1 regexp %2").arg(column, placeholder), RegexFromLike(likePattern)};
    // An engine whose lower() knows every letter.
    return {QStringLiteral("lower(%1) like %2").arg(column, placeholder), likePattern.toLower()};
}

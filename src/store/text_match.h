#pragma once

#include <QString>
#include <QVariantMap>

// A LIKE pattern ("%" any text, "_" any one character) matched with the case of every letter
// folded: "Ñ" finds "ñ" and "Á" finds "á", where SQL's lower() and SQLite's LIKE fold ASCII
// only. Each engine words the condition its own way; the pattern is always bound and a NULL
// never matches, as with LIKE.
struct FoldedLike
{
    QString condition;  // mentions the column and placeholders starting with the one given
    QVariantMap values; // placeholder -> value to bind
};
FoldedLike MatchFoldedCase(const QString &driverName, const QString &column, const QString &placeholder,
                           const QString &likePattern);

// What a SQLite connection must be opened with for MatchFoldedCase (Qt's REGEXP function).
inline const QString kSqliteFoldedCaseOption = QStringLiteral("QSQLITE_ENABLE_REGEXP");

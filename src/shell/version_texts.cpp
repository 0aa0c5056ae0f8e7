#include "shell/version_texts.h"

#include "core/date_text.h"

#include <QStringList>

VersionParts SplitVersion(const QString &fileVersion)
{
    const auto firstDot = fileVersion.indexOf(QLatin1Char('.'));
    VersionParts parts;
    parts.major = firstDot < 0 ? fileVersion : fileVersion.left(firstDot);
    if (parts.major.isEmpty())
        parts.major = QStringLiteral("0");
    const QString afterFirst = firstDot < 0 ? QString() : fileVersion.mid(firstDot + 1);
    parts.minor = afterFirst.section(QLatin1Char('.'), 0, 0).rightJustified(2, QLatin1Char('0'));
    if (!afterFirst.isEmpty())
        parts.release = afterFirst.right(1);
    const QString last = fileVersion.section(QLatin1Char('.'), -1);
    if (!last.isEmpty())
        parts.servicePack = last.left(1);
    return parts;
}

QString SupportVersionNumber(const QString &fileVersion)
{
    const VersionParts parts = SplitVersion(fileVersion);
    return parts.major + QLatin1Char('.') + parts.minor + QStringLiteral(".1.200.00000");
}

AboutTexts AboutTextsFor(const QString &fileVersion)
{
    const VersionParts parts = SplitVersion(fileVersion);
    AboutTexts texts;
    // The version as the user knows it: year.month.release, without the build number.
    const QString shown = fileVersion.section(QLatin1Char('.'), 0, 2);
    texts.versionLine = QStringLiteral("Versión: ") + (shown.isEmpty() ? QStringLiteral("0") : shown);
    texts.program = QStringLiteral("Quorvia Cuantix");
    texts.year = (parts.major.size() == 1 ? QStringLiteral("200") : QStringLiteral("20")) + parts.major;
    bool numeric = false;
    const int month = parts.minor.toInt(&numeric);
    if (numeric && month >= 1 && month <= 12)
        texts.month = SpanishMonthName(month);
    texts.servicePack = parts.servicePack;
    texts.database = QStringLiteral("sqlite");
    return texts;
}

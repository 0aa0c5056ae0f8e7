#include "shell/support_links.h"

#include "core/ini_file.h"
#include "shell/version_texts.h"

#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("SOPORTE");

} // namespace

SupportSettings ReadSupportSettings(const IniFile &settings)
{
    const auto read = [&settings](const char *key) {
        return settings.readString(kSection, QLatin1String(key)).trimmed();
    };
    return {read("URL"),   read("MANUAL"),      read("WEB1"),      read("WEB2"),
            read("EMAIL"), read("SUGERENCIAS"), read("TELEFONO1"), read("TELEFONO2")};
}

QString BuildSupportUrl(const QString &supportPage, const QString &fileVersion)
{
    if (supportPage.isEmpty())
        return {};
    return supportPage + QStringLiteral("?ver=") + kSupportProductCode + QStringLiteral("&num=")
        + SupportVersionNumber(fileVersion);
}

QString TelephoneLetters(const QString &telephone)
{
    static const char kLetters[] = "anfhcwzpij";
    QString letters;
    for (const QChar c : telephone) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            letters += QLatin1Char(kLetters[c.unicode() - u'0']);
    }
    return letters;
}

QString SupportPageAddress(const QString &supportUrl, const QString &postalCode, const QString &telephone)
{
    QString address = supportUrl;
    if (!postalCode.isEmpty())
        address += QStringLiteral("&cp=") + postalCode;
    const QString letters = TelephoneLetters(telephone);
    if (!letters.isEmpty())
        address += QStringLiteral("&tf=") + letters;
    return address;
}

QString FooterSupportAddress(const QString &supportUrl, const QString &fileVersion, const QString &regionName)
{
    return supportUrl + QStringLiteral("?ver=") + fileVersion + QStringLiteral("&region=") + regionName;
}

QUrl BrowserUrl(const QString &address)
{
    const QString text = address.trimmed();
    if (QFileInfo(text).isAbsolute() && QFileInfo::exists(text))
        return QUrl::fromLocalFile(text);
    return QUrl::fromUserInput(text);
}

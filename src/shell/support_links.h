#pragma once

#include <QString>
#include <QUrl>

class IniFile;

// The maker's addresses, read from the optional section [SOPORTE] of the settings file. An
// absent key leaves its footer link disabled.
struct SupportSettings
{
    QString url;         // URL: support page
    QString manual;      // MANUAL: the online manual (a PDF document)
    QString web1;        // WEB1, WEB2: web sites
    QString web2;
    QString email;       // EMAIL: support address
    QString suggestions; // SUGERENCIAS: suggestions address
    QString phone1;      // TELEFONO1, TELEFONO2: support telephones shown in the footer
    QString phone2;
};
SupportSettings ReadSupportSettings(const IniFile &settings);

// Product code sent as "ver" to the support page.
inline const QString kSupportProductCode = QStringLiteral("CUANTIX");

// SupportUrl: page + "?ver=" + product code + "&num=" + SupportVersionNumber(fileVersion);
// empty when there is no support page.
QString BuildSupportUrl(const QString &supportPage, const QString &fileVersion);

// The telephone as letters for "tf": digits only, 0 a, 1 n, 2 f, 3 h, 4 c, 5 w, 6 z, 7 p,
// 8 i, 9 j ("902-123 45" gives "jafnfhcw").
QString TelephoneLetters(const QString &telephone);

// The support page with the office's postal code ("&cp=") and coded telephone ("&tf="),
// each added only when not empty.
QString SupportPageAddress(const QString &supportUrl, const QString &postalCode, const QString &telephone);

// The address of the footer's support links: SupportUrl + "?ver=" + FileVersion + "&region="
// + region name, appended as they stand.
QString FooterSupportAddress(const QString &supportUrl, const QString &fileVersion, const QString &regionName);

// What the browser is given for a typed or stored address: an existing local file (the
// manual) as a file address, anything else as typed into an address line.
QUrl BrowserUrl(const QString &address);

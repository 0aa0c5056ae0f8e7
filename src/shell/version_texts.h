#pragma once

#include <QString>

// Pieces of a FileVersion text "major.minor.release.build" as the about box and the support
// address use them.
struct VersionParts
{
    QString major;       // text before the first dot, "0" when empty
    QString minor;       // text between the first and second dots, left-padded to two digits
    QString release;     // last character of the text after the first dot
    QString servicePack; // first character of the last dot-separated component
};
VersionParts SplitVersion(const QString &fileVersion);

// The "num" value of the support address: major.minor + ".1.200.00000" ("8.3.1.0" gives
// "8.03.1.200.00000").
QString SupportVersionNumber(const QString &fileVersion);

// Texts of the about box.
struct AboutTexts
{
    QString versionLine; // "Versión: " + the first three parts of the file version ("26.12.1")
    QString program;     // "Quorvia Cuantix"
    QString year;        // "200" + major for one digit, else "20" + major
    QString month;       // Spanish name of month `minor`; empty outside 1..12
    QString servicePack;
    QString database;    // the database engine's name
};
AboutTexts AboutTextsFor(const QString &fileVersion);

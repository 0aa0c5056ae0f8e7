#pragma once

#include "verifactu/record_xml.h"

#include <QString>

// The producer's "declaración responsable" of the invoicing system, read from the data file
// the producer edits (verifactu/declaracion-responsable.ini of the installation).
struct Declaration
{
    QString systemName;
    QString systemCode;
    QString version;
    QString components;
    QString onlyVerifactu;    // "S" or "N"
    QString severalIssuers;   // "S" or "N"
    QString signatureTypes;
    QString producerName;
    QString producerNif;
    QString producerAddress;
    QString compliance;
    QString date;
    QString place;

    bool operator==(const Declaration &) const = default;
};

inline const QString kDeclarationFile = QStringLiteral("verifactu/declaracion-responsable.ini");
inline const QString kDeclarationTitle = QStringLiteral("DECLARACIÓN RESPONSABLE DEL SISTEMA INFORMÁTICO DE FACTURACIÓN");

// Throws AppError naming the file when it is missing. A blank Version gives the program's.
Declaration ReadDeclaration(const QString &path);
// The text shown: the title, then each datum preceded by what it is, in the order the
// Orden HAC/1177/2024 (art. 15) gives; a datum the producer left blank reads "(sin rellenar)".
QString DeclarationText(const Declaration &declaration);
// What every record says of the system and its producer.
SoftwareIdentity IdentityFromDeclaration(const Declaration &declaration);

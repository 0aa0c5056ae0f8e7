#pragma once

#include <QString>

// Conversion of other word-processor documents (.doc, .rtf, .odt...) to .docx with the office
// suite LibreOffice, when it is installed.

// The suite's program ("soffice"), or empty when it is not installed.
QString OfficeProgram();

// Converts source into outDir with the given program and returns the .docx written there.
// Throws AppError: no program, or the conversion failed or took longer than two minutes.
QString ConvertToDocx(const QString &source, const QString &outDir, const QString &program);

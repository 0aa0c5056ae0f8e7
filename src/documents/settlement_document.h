#pragma once

#include "documents/docx_merge.h"
#include "documents/merge_values.h"

#include <QDateTime>
#include <QSqlDatabase>

// Label -> code of every row of `campos`. Throws StoreError.
MergeFieldCatalogue LoadMergeFields(const QSqlDatabase &db);
// The labels of `campos` in key order (the list the template tools offer).
QStringList MergeFieldLabels(const QSqlDatabase &db);
// The catalogue of the installation in that folder (its Datos database). Throws AppError.
MergeFieldCatalogue LoadInstallationMergeFields(const QString &installationDir);

// Merges the settlement into the template and writes the result as a new document at
// outputPath; the template is only read. Every mail-merge field is replaced (see
// SettlementFieldValue); other fields stay. A missing output folder is created. Throws
// AppError with a Spanish message: missing or damaged template (nothing is written then),
// output that would replace the template, output that cannot be written.
MergeCount MergeSettlementDocument(const QString &templatePath, const QString &outputPath,
                                   const MergeFieldCatalogue &catalogue, const MergeData &data);

// The work of `devenix-cli combinar PLANTILLA.docx SALIDA.docx`: the settlement merged into
// the template with the merge fields of the installation in installationDir. Throws AppError
// as MergeSettlementDocument, and when the installation cannot be opened.
MergeCount CombineSettlementDocument(const QString &templatePath, const QString &outputPath,
                                     const QString &installationDir, const SettlementInput &input,
                                     const SettlementResult &result);

// Where a merged document goes: documentsDir + "/" + the template's name without extension
// + " dd-MM-yyyy HH.mm.ss.docx"; a name already taken gets " (2)", " (3)"...
QString MergedDocumentPath(const QString &documentsDir, const QString &templateFileName, const QDateTime &when);

// A new empty document (one paragraph, A4) at path, replacing any file there. Throws AppError.
void WriteEmptyDocument(const QString &path);

#include "documents/settlement_document.h"

#include "core/errors.h"
#include "documents/docx_document.h"
#include "store/data_store.h"
#include "store/sql.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

MergeFieldCatalogue LoadMergeFields(const QSqlDatabase &db)
{
    MergeFieldCatalogue catalogue;
    QSqlQuery q = RunSql(db, QStringLiteral("SELECT Etiqueta, Codigo FROM campos"));
    while (q.next())
        catalogue.insert(q.value(0).toString(), q.value(1).toInt());
    return catalogue;
}

QStringList MergeFieldLabels(const QSqlDatabase &db)
{
    QStringList labels;
    QSqlQuery q = RunSql(db, QStringLiteral("SELECT Etiqueta FROM campos ORDER BY Etiqueta"));
    while (q.next())
        labels.append(q.value(0).toString());
    return labels;
}

MergeFieldCatalogue LoadInstallationMergeFields(const QString &installationDir)
{
    DataStore store(QStringLiteral("campos-%1-").arg(QUuid::createUuid().toString(QUuid::Id128)));
    store.setPath(Alias::Devenix, installationDir + QStringLiteral("/Datos"));
    store.connect(Alias::Devenix);
    MergeFieldCatalogue catalogue = LoadMergeFields(store.database(Alias::Devenix));
    store.closeAll();
    return catalogue;
}

MergeCount MergeSettlementDocument(const QString &templatePath, const QString &outputPath,
                                   const MergeFieldCatalogue &catalogue, const MergeData &data)
{
    const QFileInfo templateInfo(templatePath);
    const QFileInfo outputInfo(outputPath);
    if (outputInfo.exists() && templateInfo.exists()
        && outputInfo.canonicalFilePath() == templateInfo.canonicalFilePath()) {
        throw AppError(QStringLiteral("El documento combinado no puede sustituir a la plantilla \"%1\".")
                           .arg(QDir::toNativeSeparators(templatePath)));
    }
    DocxDocument document = DocxDocument::Open(templatePath);
    const MergeCount count = MergeFields(document, [&](const QString &instruction) {
        return SettlementFieldValue(instruction, catalogue, data);
    });
    const QString folder = outputInfo.absolutePath();
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("No se ha podido crear la carpeta \"%1\".").arg(QDir::toNativeSeparators(folder)));
    document.save(outputPath);
    return count;
}

MergeCount CombineSettlementDocument(const QString &templatePath, const QString &outputPath,
                                     const QString &installationDir, const SettlementInput &input,
                                     const SettlementResult &result)
{
    return MergeSettlementDocument(templatePath, outputPath, LoadInstallationMergeFields(installationDir),
                                   MergeData::From(input, result));
}

QString MergedDocumentPath(const QString &documentsDir, const QString &templateFileName, const QDateTime &when)
{
    const QString base = documentsDir + QLatin1Char('/') + QFileInfo(templateFileName).completeBaseName()
                         + QLatin1Char(' ') + when.toString(QStringLiteral("dd-MM-yyyy HH.mm.ss"));
    QString path = base + QStringLiteral(".docx");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral(" (%1).docx").arg(n);
    return path;
}

namespace {

const char *const kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
    "</Types>";

const char *const kPackageRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/>"
    "</Relationships>";

const char *const kDocumentRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/>"
    "</Relationships>";

const char *const kDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:body><w:p/>"
    "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
    "<w:pgMar w:top=\"1417\" w:right=\"1701\" w:bottom=\"1417\" w:left=\"1701\" w:header=\"708\" "
    "w:footer=\"708\" w:gutter=\"0\"/></w:sectPr>"
    "</w:body></w:document>";

const char *const kStyles =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:docDefaults><w:rPrDefault><w:rPr>"
    "<w:rFonts w:ascii=\"Calibri\" w:hAnsi=\"Calibri\" w:eastAsia=\"Calibri\" w:cs=\"Calibri\"/>"
    "<w:sz w:val=\"22\"/><w:szCs w:val=\"22\"/><w:lang w:val=\"es-ES\"/>"
    "</w:rPr></w:rPrDefault>"
    "<w:pPrDefault><w:pPr><w:spacing w:after=\"160\" w:line=\"259\" w:lineRule=\"auto\"/></w:pPr></w:pPrDefault>"
    "</w:docDefaults>"
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
    "</w:styles>";

} // namespace

void WriteEmptyDocument(const QString &path)
{
    const std::vector<ZipEntry> entries = {
        {QStringLiteral("[Content_Types].xml"), QByteArray(kContentTypes), true},
        {QStringLiteral("_rels/.rels"), QByteArray(kPackageRels), true},
        {QStringLiteral("word/document.xml"), QByteArray(kDocument), true},
        {QStringLiteral("word/_rels/document.xml.rels"), QByteArray(kDocumentRels), true},
        {QStringLiteral("word/styles.xml"), QByteArray(kStyles), true},
    };
    QString reason;
    if (!WriteZip(path, entries, &reason)) {
        throw AppError(QStringLiteral("No se ha podido escribir el documento \"%1\".").arg(QDir::toNativeSeparators(path)),
                       reason);
    }
}

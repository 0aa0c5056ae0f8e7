#include "verifactu/record_schema.h"

#include "core/errors.h"

#include <QDir>
#include <QFileInfo>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

namespace {

void Collect(void *data, xmlErrorPtr error)
{
    if (!error || !error->message)
        return;
    auto *messages = static_cast<QString *>(data);
    *messages += QStringLiteral("línea %1: %2").arg(error->line).arg(QString::fromUtf8(error->message).trimmed())
                 + QLatin1Char('\n');
}

} // namespace

struct RecordSchema::Impl
{
    xmlSchemaPtr schema = nullptr;
};

RecordSchema::RecordSchema(const QString &xsdPath)
    : m_impl(std::make_unique<Impl>())
{
    const QByteArray path = QFile::encodeName(QFileInfo(xsdPath).absoluteFilePath());
    QString messages;
    if (QFileInfo::exists(xsdPath)) {
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(path.constData());
        xmlSchemaSetParserStructuredErrors(parser, Collect, &messages);
        m_impl->schema = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
    }
    if (!m_impl->schema)
        throw AppError(QStringLiteral("No se ha podido leer el esquema \"%1\".").arg(QDir::toNativeSeparators(xsdPath)),
                       messages);
}

RecordSchema::~RecordSchema()
{
    xmlSchemaFree(m_impl->schema);
}

QString RecordSchema::validate(const QByteArray &xml) const
{
    QString messages;
    xmlDocPtr doc = xmlReadMemory(xml.constData(), static_cast<int>(xml.size()), "registro.xml", "UTF-8",
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc)
        return QStringLiteral("El texto no es XML bien formado.");
    xmlSchemaValidCtxtPtr context = xmlSchemaNewValidCtxt(m_impl->schema);
    xmlSchemaSetValidStructuredErrors(context, Collect, &messages);
    const int result = xmlSchemaValidateDoc(context, doc);
    xmlSchemaFreeValidCtxt(context);
    xmlFreeDoc(doc);
    if (result != 0 && messages.isEmpty())
        messages = QStringLiteral("El XML no cumple el esquema.");
    return messages.trimmed();
}

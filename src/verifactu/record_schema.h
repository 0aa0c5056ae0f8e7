#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// The tax agency's XML schemas (data/verifactu/), read with libxml2 and never from the network.
class RecordSchema
{
public:
    // `xsdPath`: SuministroInformacion.xsd for one record, SuministroLR.xsd for a whole
    // message, RespuestaSuministro.xsd for an answer. Throws AppError naming the file.
    explicit RecordSchema(const QString &xsdPath);
    ~RecordSchema();
    RecordSchema(const RecordSchema &) = delete;
    RecordSchema &operator=(const RecordSchema &) = delete;

    // Empty when `xml` is valid, else libxml2's messages, one a line.
    QString validate(const QByteArray &xml) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

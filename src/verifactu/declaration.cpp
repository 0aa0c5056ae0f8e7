#include "verifactu/declaration.h"

#include "core/errors.h"
#include "core/ini_file.h"
#include "core/version.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString YesNo(const QString &value)
{
    return value.trimmed().toUpper() == QLatin1String("S") ? QStringLiteral("S - Sí") : QStringLiteral("N - No");
}

QString OrBlank(const QString &value)
{
    return value.trimmed().isEmpty() ? QStringLiteral("(sin rellenar)") : value.trimmed();
}

} // namespace

Declaration ReadDeclaration(const QString &path)
{
    if (!QFileInfo::exists(path))
        throw AppError(QStringLiteral("No se encuentra la declaración responsable \"%1\".").arg(QDir::toNativeSeparators(path)));
    const IniFile ini(path);
    const QString system = QStringLiteral("SISTEMA");
    const QString producer = QStringLiteral("PRODUCTOR");
    const QString signature = QStringLiteral("FIRMA");
    Declaration d;
    d.systemName = ini.readString(system, QStringLiteral("Nombre")).trimmed();
    d.systemCode = ini.readString(system, QStringLiteral("Codigo")).trimmed();
    d.version = ini.readString(system, QStringLiteral("Version")).trimmed();
    if (d.version.isEmpty())
        d.version = ReadVersionValue(QStringLiteral("FileVersion"));
    d.components = ini.readString(system, QStringLiteral("Componentes")).trimmed();
    d.onlyVerifactu = ini.readString(system, QStringLiteral("SoloVerifactu")).trimmed();
    d.severalIssuers = ini.readString(system, QStringLiteral("VariosObligados")).trimmed();
    d.signatureTypes = ini.readString(system, QStringLiteral("TiposFirma")).trimmed();
    d.producerName = ini.readString(producer, QStringLiteral("Nombre")).trimmed();
    d.producerNif = ini.readString(producer, QStringLiteral("NIF")).trimmed();
    d.producerAddress = ini.readString(producer, QStringLiteral("Direccion")).trimmed();
    d.compliance = ini.readString(signature, QStringLiteral("Cumplimiento")).trimmed();
    d.date = ini.readString(signature, QStringLiteral("Fecha")).trimmed();
    d.place = ini.readString(signature, QStringLiteral("Lugar")).trimmed();
    return d;
}

QString DeclarationText(const Declaration &d)
{
    const std::pair<QString, QString> items[] = {
        {QStringLiteral("a) Nombre del sistema informático de facturación"), OrBlank(d.systemName)},
        {QStringLiteral("b) Código identificador del sistema informático"), OrBlank(d.systemCode)},
        {QStringLiteral("c) Identificador completo de la versión"), OrBlank(d.version)},
        {QStringLiteral("d) Componentes hardware y software y descripción de su funcionalidad"), OrBlank(d.components)},
        {QStringLiteral("e) Solo puede funcionar exclusivamente como VERI*FACTU"), YesNo(d.onlyVerifactu)},
        {QStringLiteral("f) Permite ser usado por varios obligados tributarios o por un mismo usuario para varios obligados"),
         YesNo(d.severalIssuers)},
        {QStringLiteral("g) Tipos de firma utilizados cuando no funciona como VERI*FACTU"), OrBlank(d.signatureTypes)},
        {QStringLiteral("h) Nombre y apellidos o razón social del productor"), OrBlank(d.producerName)},
        {QStringLiteral("i) N.I.F. del productor"), OrBlank(d.producerNif)},
        {QStringLiteral("j) Dirección postal completa de contacto del productor"), OrBlank(d.producerAddress)},
        {QStringLiteral("k) Declaración de cumplimiento"), OrBlank(d.compliance)},
        {QStringLiteral("l) Fecha y lugar de la firma"),
         d.date.isEmpty() && d.place.isEmpty() ? OrBlank({}) : OrBlank(d.date) + QStringLiteral(", ") + OrBlank(d.place)},
    };
    QString text = kDeclarationTitle + QStringLiteral("\n\n");
    for (const auto &[label, value] : items)
        text += label + QStringLiteral(":\n") + value + QStringLiteral("\n\n");
    return text.trimmed() + QLatin1Char('\n');
}

SoftwareIdentity IdentityFromDeclaration(const Declaration &d)
{
    return {d.producerName, d.producerNif, d.systemName, d.systemCode, d.version};
}

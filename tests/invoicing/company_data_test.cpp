#include "core/ini_file.h"
#include "invoicing/company_data.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(CompanyData, AbsentKeysReadAsTheProposedValues)
{
    QTemporaryDir dir;
    const IniFile settings(dir.filePath(QStringLiteral("Devenix.ini")));
    CompanyData expected;
    expected.empresa = QStringLiteral("Empresa de Ejemplo S.A.");
    expected.iva = QStringLiteral("21");
    EXPECT_EQ(ReadCompanyData(settings), expected);
}

TEST(CompanyData, TheFourteenKeysAreWrittenInOrderAndReadBack)
{
    QTemporaryDir dir;
    IniFile settings(dir.filePath(QStringLiteral("Devenix.ini")));
    const CompanyData data{QStringLiteral("Bufete Peña y Asociados, S.L.P."), QStringLiteral("B12345674"),
                           QStringLiteral("Calle Mayor, 1, 2º A"), QStringLiteral("Elche"), QStringLiteral("3"),
                           QStringLiteral("21,00"), QStringLiteral("15"), QStringLiteral("965000000"),
                           QStringLiteral("965000001"), QStringLiteral("600000000"), QStringLiteral("965000002"),
                           QStringLiteral("Inscrita en el Registro Mercantil de Alicante, tomo 1, folio 2"),
                           QStringLiteral("despacho@example.es"), QStringLiteral("03201")};
    WriteCompanyData(settings, data);
    EXPECT_EQ(ReadCompanyData(settings), data);

    QFile file(settings.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    qsizetype last = -1;
    for (const char *key : {"EMPRESA=", "NIF=", "DIRECCION=", "LOCALIDAD=", "PROVINCIA=", "IVA=", "IRPF=",
                            "TELEFONO=", "TELEFONO2=", "MOVIL=", "FAX=", "INSCRIPCION=", "EMAIL=", "CODIGOPOSTAL="}) {
        const qsizetype at = text.indexOf(QLatin1Char('\n') + QLatin1String(key));
        EXPECT_GT(at, last) << key;
        last = at;
    }
}

TEST(CompanyData, RequiredFieldsMustNotBeBlank)
{
    CompanyData data{QStringLiteral("E"), QStringLiteral("N"), QStringLiteral("D"), QStringLiteral("L"),
                     QStringLiteral("3"), {}, {}, QStringLiteral("T"), {}, {}, {}, {}, QStringLiteral("M"),
                     QStringLiteral("03201")};
    EXPECT_TRUE(HasRequiredFields(data));
    for (QString CompanyData::*field : {&CompanyData::empresa, &CompanyData::nif, &CompanyData::direccion,
                                        &CompanyData::localidad, &CompanyData::provincia, &CompanyData::telefono,
                                        &CompanyData::email, &CompanyData::codigoPostal}) {
        CompanyData missing = data;
        missing.*field = QStringLiteral("  ");
        EXPECT_FALSE(HasRequiredFields(missing));
    }
}

TEST(CompanyData, PostalCodesBeginWithTheProvinceNumber)
{
    EXPECT_EQ(ProvinceFromPostalCode(QStringLiteral("38001")), 38);
    EXPECT_EQ(ProvinceFromPostalCode(QStringLiteral("08001")), 8);
    EXPECT_EQ(ProvinceFromPostalCode(QStringLiteral("28")), 28);
    EXPECT_EQ(ProvinceFromPostalCode(QStringLiteral("3")), std::nullopt);
    EXPECT_EQ(ProvinceFromPostalCode(QStringLiteral("A8001")), std::nullopt);
    EXPECT_EQ(ProvinceFromPostalCode(QStringLiteral(" 8001")), std::nullopt);
    // Digits of other scripts are not province numbers.
    EXPECT_EQ(ProvinceFromPostalCode(QStringLiteral("\u0663\u0668001")), std::nullopt);
}

TEST(CompanyData, TheCanaryIslandsPayIgic)
{
    EXPECT_EQ(VatCaptionForProvince(QStringLiteral("Santa Cruz de Tenerife")), QStringLiteral("I.G.I.C."));
    EXPECT_EQ(VatCaptionForProvince(QStringLiteral("Las Palmas")), QStringLiteral("I.G.I.C."));
    EXPECT_EQ(VatCaptionForProvince(QStringLiteral("Madrid")), QStringLiteral("I.V.A."));
    EXPECT_EQ(VatCaptionForRegion(QStringLiteral("Canarias")), QStringLiteral("I.G.I.C."));
    EXPECT_EQ(VatCaptionForRegion(QStringLiteral("canarias")), QStringLiteral("I.V.A."));
}

#include "clients/record_export.h"
#include "clients/record_file.h"
#include "clients/record_import.h"
#include "support/app_fixture.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ExchangeTest : public ::testing::Test
{
protected:
    QSqlDatabase db() const { return m_app.store.database(Alias::Intereses); }

    AppFixture m_app;
    RecordFile m_clients{db(), ClientsFile()};
    RecordFile m_contacts{db(), ContactsFile()};
    QTemporaryDir m_dir;
};

TEST_F(ExchangeTest, ImportsWindows1252WithCommasAndQuotedLineBreaks)
{
    m_clients.insert(Record{{QStringLiteral("SNombreCli"), QStringLiteral("Ya estaba")}}, 7);
    // "Peña" and "Núñez" in Windows-1252; a comma inside quotes; a note over two lines.
    const QByteArray csv = "Nombre Cliente,SNifCli,sCodPostalCli,Notas,CuentaBanco\r\n"
                           "\"Pe\xF1" "a, Luis\",12345678Z,07001,\"primera\r\nsegunda\",1234-5678-06-1234567890\r\n"
                           "\r\n"
                           "N\xFA\xF1" "ez,,28001,,1234 5678 07 1234567890\r\n";
    const ImportOutcome outcome = ImportCsv(m_clients, csv);
    EXPECT_EQ(outcome.stored, 2);
    // A wrong account is stored as typed and told.
    EXPECT_EQ(outcome.warnings, QStringList{QStringLiteral(
                                    "Línea 5: los dígitos de control no son válidos, deberían ser '06'. revise el número de cuenta.")});
    EXPECT_EQ(m_clients.find(9)->value(QStringLiteral("CuentaBanco")).toString(), QStringLiteral("12345678071234567890"));
    const std::optional<Record> first = m_clients.find(8);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->value(QStringLiteral("SNombreCli")).toString(), QStringLiteral("Peña, Luis"));
    EXPECT_EQ(first->value(QStringLiteral("SCodPostalCli")).toString(), QStringLiteral("07001"));
    EXPECT_EQ(first->value(QStringLiteral("Notas")).toString(), QStringLiteral("primera\r\nsegunda"));
    EXPECT_EQ(m_clients.find(9)->value(QStringLiteral("SNombreCli")).toString(), QStringLiteral("Núñez"));
    EXPECT_FALSE(m_clients.find(9)->contains(QStringLiteral("SNifCli")));
}

TEST_F(ExchangeTest, BadFilesNameTheLineAndStoreNothing)
{
    struct Row
    {
        QByteArray csv;
        const char *message;
    };
    const QByteArray longName(71, 'a');
    for (const Row &row : {
             Row{"Nombre;Apellidos\nAna;Pérez\n", "Línea 1: la cabecera nombra un campo que no existe: «Nombre»."},
             Row{"SNombreCli;SNifCli\nAna;1\n\"Luis;2\n", "Línea 3: faltan las comillas de cierre de un campo."},
             Row{"SNombreCli;SNifCli\nAna;1\n\"Luis\"x;2\n", "Línea 3: hay texto después de unas comillas de cierre."},
             Row{"SNombreCli;SNifCli\nAna;1\n" + longName + ";2\n",
                 "Línea 3: el campo «SNombreCli» tiene 71 caracteres y admite como máximo 70."},
             Row{"SNombreCli;SNifCli\nAna;1\nLuis\n", "Línea 3: tiene 1 campos y la cabecera 2."},
             Row{QByteArray("SNombreCli\nAna\nPK\x03\x04\x00\x01\n", 25),
                 "Línea 3: el archivo contiene caracteres que no son texto. Guárdelo como CSV (texto delimitado)."},
         }) {
        try {
            ImportCsv(m_clients, row.csv);
            ADD_FAILURE() << "imported: " << row.message;
        } catch (const ImportError &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(row.message));
        }
        EXPECT_EQ(m_clients.count(), 0) << row.message;
    }
}

TEST_F(ExchangeTest, WorkbookKeepsIdentifiersAsTextInSharedStrings)
{
    m_clients.insert(Record{{QStringLiteral("SNombreCli"), QStringLiteral("Peña & Cía")},
                            {QStringLiteral("SCodPostalCli"), QStringLiteral("07001")}},
                     1);
    RecordList list(ClientsFile());
    list.load(db());
    const QString path = m_dir.filePath(QStringLiteral("clientes.xlsx"));
    WriteXlsx(path, ListTable(list, {QStringLiteral("Nombre Cliente"), QStringLiteral("Correo Electrónico"),
                                     QStringLiteral("Nif Cliente"), QStringLiteral("Teléfono 1"), QStringLiteral("Fax"),
                                     QStringLiteral("Móvil")}),
              QStringLiteral("Clientes"));
    WriteXlsx(m_dir.filePath(QStringLiteral("todo.xlsx")), FullTable(ClientsFile(), m_clients.all()),
              QStringLiteral("Clientes"));

    const auto unzip = [](const QString &file, const char *part) {
        QProcess p;
        p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, QLatin1String(part)});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const QString strings = unzip(path, "xl/sharedStrings.xml");
    EXPECT_TRUE(strings.contains(QStringLiteral("<t>Nombre Cliente</t>")));
    EXPECT_TRUE(strings.contains(QStringLiteral("<t>Peña &amp; Cía</t>")));
    EXPECT_TRUE(strings.contains(QStringLiteral("<t>Móvil</t>")));
    const QString full = unzip(m_dir.filePath(QStringLiteral("todo.xlsx")), "xl/sharedStrings.xml");
    EXPECT_TRUE(full.contains(QStringLiteral("<t>07001</t>")));
    EXPECT_TRUE(unzip(path, "xl/worksheets/sheet1.xml").contains(QStringLiteral("<col ")));
}

TEST_F(ExchangeTest, VcardsCarryEveryAddressAndEscapeText)
{
    Record contact{{QStringLiteral("Nombre"), QStringLiteral("Ruiz; Asociados")},
                   {QStringLiteral("Email1"), QStringLiteral("a@x.es")},
                   {QStringLiteral("Email4"), QStringLiteral("d@x.es")},
                   {QStringLiteral("Telefono1"), QStringLiteral("965 000 000")},
                   {QStringLiteral("Notas"), QString(90, QChar(0xF1))}};
    m_contacts.insert(contact, 1);
    const QByteArray cards = VCards(ContactsFile(), m_contacts.all());
    // Unfold, then read the properties.
    const QString text = QString::fromUtf8(QByteArray(cards).replace("\r\n ", ""));
    const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.first(), QStringLiteral("BEGIN:VCARD"));
    EXPECT_EQ(lines.at(1), QStringLiteral("VERSION:4.0"));
    EXPECT_TRUE(lines.contains(QStringLiteral("FN:Ruiz\\; Asociados")));
    EXPECT_TRUE(lines.contains(QStringLiteral("EMAIL;PREF=1:a@x.es")));
    EXPECT_TRUE(lines.contains(QStringLiteral("EMAIL;PREF=2:d@x.es")));
    EXPECT_TRUE(lines.contains(QStringLiteral("TEL;TYPE=\"voice,work\";VALUE=text:965 000 000")));
    EXPECT_TRUE(lines.contains(QStringLiteral("NOTE:") + QString(90, QChar(0xF1))));
    EXPECT_EQ(lines.last(), QStringLiteral("END:VCARD"));
    for (const QByteArray &physical : cards.split('\n'))
        EXPECT_LE(physical.size(), 76); // 75 octets and the CR
}

TEST_F(ExchangeTest, ClipboardTextIsOneLinePerRowWithTabs)
{
    ExportTable table{{QStringLiteral("A"), QStringLiteral("B")},
                      {{QStringLiteral("x\ty"), QStringLiteral("1\n2")}, {QStringLiteral("007"), QString()}}};
    EXPECT_EQ(TsvText(table), QStringLiteral("A\tB\nx y\t1 2\n007\t\n"));
}

TEST_F(ExchangeTest, CommandExportsAndImportsBackThroughCsv)
{
    const auto cli = [this](QStringList args) {
        QProcess p;
        p.start(BuiltProgram(QStringLiteral("devenix-cli")),
                args << QStringLiteral("--instalacion") << m_app.install.path());
        p.waitForFinished(60000);
        return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()));
    };
    m_contacts.insert(Record{{QStringLiteral("Nombre"), QStringLiteral("Ana; \"la de Elche\"")},
                             {QStringLiteral("CodPostal"), QStringLiteral("03201")},
                             {QStringLiteral("PersoFecha1"), QDate(2024, 2, 29)},
                             {QStringLiteral("PersoNum1"), 2.5},
                             {QStringLiteral("PersoLogic1"), true}},
                      1);
    const QString csv = m_dir.filePath(QStringLiteral("contactos.csv"));
    EXPECT_EQ(cli({QStringLiteral("contactos"), QStringLiteral("exportar"), csv}).first, 0);
    const auto imported = cli({QStringLiteral("contactos"), QStringLiteral("importar"), csv});
    EXPECT_EQ(imported.first, 0) << qPrintable(imported.second);
    EXPECT_EQ(imported.second, QStringLiteral("Importados: 1\n"));

    std::optional<Record> original = m_contacts.find(1);
    std::optional<Record> copy = m_contacts.find(2);
    ASSERT_TRUE(original && copy);
    copy->insert(QStringLiteral("CodContacto"), 1);
    EXPECT_EQ(*copy, *original);

    const auto listed = cli({QStringLiteral("contactos"), QStringLiteral("listar")});
    EXPECT_EQ(listed.first, 0);
    EXPECT_TRUE(listed.second.contains(QStringLiteral("\"PersoFecha1\": \"29/02/2024\"")));
    QFile bad(m_dir.filePath(QStringLiteral("mal.csv")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("Nombre;Telefono9\nAna;1\n");
    bad.close();
    const auto refused = cli({QStringLiteral("contactos"), QStringLiteral("importar"), bad.fileName()});
    EXPECT_EQ(refused.first, 2);
    EXPECT_TRUE(refused.second.startsWith(QStringLiteral("Línea 1:")));
    EXPECT_EQ(m_contacts.count(), 2);
}

} // namespace

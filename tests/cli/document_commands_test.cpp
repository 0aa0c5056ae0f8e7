#include "documents/docx_builder.h"
#include "support/temp_installation.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int status;
    QByteArray out;
    QString err;
};

CliRun Cli(const QStringList &args, const QByteArray &input)
{
    QProcess p;
    p.start(BuiltProgram(QStringLiteral("devenix-cli")), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
}

const QByteArray kCase = R"({"Capital": 10000, "Desde1": "01/01/2021", "Hasta1": "31/12/2021",
    "TipoInteres1": "Interés Legal", "Pagos": [{"Fecha": "30/06/2021", "Importe": 1000, "Tipo": "P"}]})";

QString BundledTemplate()
{
    return QStringLiteral(CUANTIX_BINARY_DIR) + QStringLiteral("/instalacion/DocPlant/CartaLiquidacion.docx");
}

} // namespace

TEST(InformeCommand, WritesTheSettlementReportAsPdf)
{
    TempInstallation install;
    const QString pdf = install.file(QStringLiteral("liquidacion.pdf"));
    // The installation may also be named before the command (this one needs fonts to paint).
    const CliRun run = Cli({QStringLiteral("--instalacion"), install.path(), QStringLiteral("informe"), pdf}, kCase);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
}

TEST(InformeCommand, BadInputWritesNothing)
{
    TempInstallation install;
    const QString pdf = install.file(QStringLiteral("liquidacion.pdf"));
    const CliRun missing = Cli({QStringLiteral("informe"), QStringLiteral("--instalacion"), install.path()}, kCase);
    EXPECT_EQ(missing.status, 2);
    const CliRun badDate = Cli({QStringLiteral("informe"), pdf, QStringLiteral("--instalacion"), install.path()},
                               R"({"Capital": 1, "Desde1": "31/02/2021", "Hasta1": "31/12/2021", "TipoInteres1": 0})");
    EXPECT_EQ(badDate.status, 2);
    EXPECT_FALSE(badDate.err.isEmpty());
    EXPECT_FALSE(QFile::exists(pdf));
    const CliRun unwritable = Cli({QStringLiteral("informe"), install.file(QStringLiteral("no/existe/x.pdf")),
                                   QStringLiteral("--instalacion"), install.path()},
                                  kCase);
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains(QStringLiteral("x.pdf"))) << unwritable.err.toStdString();
}

TEST(CombinarCommand, MergesTheCaseIntoTheBundledTemplate)
{
    TempInstallation install;
    const QString out = install.file(QStringLiteral("carta.docx"));
    const CliRun run = Cli({QStringLiteral("combinar"), BundledTemplate(), out, QStringLiteral("--instalacion"),
                            install.path()},
                           kCase);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QString text = ParagraphTexts(ReadEntry(out, QStringLiteral("word/document.xml"))).join(u'\n');
    for (const char *expected : {"10.000,00", "284,88", "1.000,00", "9.284,88", "148,77", "136,11", "01/07/2021"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(text.contains(QStringLiteral("CAMPO NO RECONOCIDO")));
}

TEST(CombinarCommand, AMissingTemplateIsAClearErrorAndNothingIsWritten)
{
    TempInstallation install;
    const QString out = install.file(QStringLiteral("carta.docx"));
    const CliRun run = Cli({QStringLiteral("combinar"), install.file(QStringLiteral("no-hay.docx")), out,
                            QStringLiteral("--instalacion"), install.path()},
                           kCase);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, QStringLiteral("No existe el archivo \"%1\".\n").arg(install.file(QStringLiteral("no-hay.docx"))));
    EXPECT_FALSE(QFile::exists(out));
}

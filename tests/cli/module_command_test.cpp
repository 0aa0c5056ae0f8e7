#include "cli/cli.h"
#include "support/temp_installation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct ModuloRun
{
    int status;
    QByteArray out;
    QString err;
};

ModuloRun Modulo(const QString &region, const QString &dir)
{
    QProcess p;
    p.start(BuiltProgram(QStringLiteral("devenix-cli")),
            {QStringLiteral("modulo"), region, QStringLiteral("--instalacion"), dir});
    p.waitForFinished(30000);
    return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(ModuloCommand, PrintsTheScheduleOfARegionByNameOrId)
{
    TempInstallation install;
    const ModuloRun byName = Modulo(QStringLiteral("málaga"), install.path());
    ASSERT_EQ(byName.status, 0) << byName.err.toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(byName.out).object();
    EXPECT_EQ(doc[QStringLiteral("Region")][QStringLiteral("Nombre")].toString(), QStringLiteral("Málaga"));
    EXPECT_EQ(doc[QStringLiteral("Region")][QStringLiteral("ValorPunto")].toDouble(), 55.0);
    const QJsonArray top = doc[QStringLiteral("Criterios")].toArray();
    ASSERT_FALSE(top.isEmpty());
    const QJsonObject first = top.first().toObject();
    EXPECT_EQ(first[QStringLiteral("IdPadre")].toInt(), 0);
    const QJsonObject child = first[QStringLiteral("Hijos")].toArray().first().toObject();
    EXPECT_EQ(child[QStringLiteral("IdPadre")].toInt(), first[QStringLiteral("Id")].toInt());
    const QJsonObject table = doc[QStringLiteral("Tablas")].toArray().first().toObject();
    EXPECT_EQ(table[QStringLiteral("Tipo")].toString(), QStringLiteral("escala acumulativa"));
    EXPECT_EQ(table[QStringLiteral("Columnas")].toArray().first().toString(), QStringLiteral("id"));

    EXPECT_EQ(Modulo(QStringLiteral("8"), install.path()).out, byName.out);

    const ModuloRun missing = Modulo(QStringLiteral("Navarra"), install.path());
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, QStringLiteral("No existe la región \"Navarra\".\n"));
}

#include "core/errors.h"
#include "store/data_store.h"
#include "store/module_seed.h"
#include "store/seed.h"
#include "store/sql.h"
#include "support/pg_server.h"
#include "support/temp_installation.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(SeedInstallation, BuildsTheWholeDataTree)
{
    TempInstallation install;
    for (const char *dir : {"Datos", "Historia", "modulos", "DocPlant"})
        EXPECT_TRUE(QFileInfo(install.file(QString::fromLatin1(dir))).isDir()) << dir;

    DataStore store(QStringLiteral("seed-test-"));
    store.connectMain(install.path());
    const QSqlDatabase db = store.database(Alias::General);

    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT count(*) FROM provincias")).toInt(), 52);
    const std::pair<int, const char *> provinces[] = {
        {1, "Álava"}, {7, "Islas Baleares"}, {15, "A Coruña"}, {20, "Guipúzcoa"}, {38, "Santa Cruz de Tenerife"},
        {48, "Vizcaya"}, {52, "Melilla"}};
    for (const auto &[id, name] : provinces)
        EXPECT_EQ(Scalar(db, QStringLiteral("SELECT Provincia FROM provincias WHERE Id = ?"), {id}).toString(),
                  QString::fromUtf8(name));

    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT Nombre FROM regiones WHERE Id = '6'")).toString(), QStringLiteral("Galicia"));
    QSqlQuery regions = RunSql(db, QStringLiteral("SELECT Nombre, Dir FROM regiones"));
    int count = 0;
    while (regions.next()) {
        ++count;
        const QString moduleDir = install.file(QStringLiteral("modulos/") + regions.value(1).toString());
        EXPECT_NE(QFile::exists(moduleDir + QStringLiteral("/modulo.sqlite")), TestsOnServer()) << moduleDir.toStdString();
        QFile xml(moduleDir + QStringLiteral("/tablas.xml"));
        ASSERT_TRUE(xml.open(QIODevice::ReadOnly)) << moduleDir.toStdString();
        QDomDocument doc;
        EXPECT_TRUE(doc.setContent(&xml));
        EXPECT_EQ(doc.documentElement().tagName(), QStringLiteral("tablas"));
        // Four regions ship their schedules; the others a valid empty module.
        DataStore module(QStringLiteral("seeded-module-"));
        module.openModule(moduleDir);
        const int criteria = Scalar(module.database(Alias::Modulo), QStringLiteral("SELECT count(*) FROM principal")).toInt();
        const bool shipped = QStringList{QStringLiteral("madrid"), QStringLiteral("malaga"), QStringLiteral("valencia"),
                                         QStringLiteral("cataluna")}.contains(regions.value(1).toString());
        EXPECT_EQ(criteria > 0, shipped) << moduleDir.toStdString();
        EXPECT_FALSE(QFile::exists(moduleDir + QStringLiteral("/principal.csv")));
    }
    EXPECT_EQ(count, 22);

    const QSqlDatabase datos = store.database(Alias::Devenix);
    EXPECT_EQ(Scalar(datos, QStringLiteral("SELECT count(*) FROM campos")).toInt(), 18);
    EXPECT_EQ(Scalar(datos, QStringLiteral("SELECT Codigo FROM campos WHERE Etiqueta = 'CapitalEuros'")).toInt(), 2);
    EXPECT_EQ(Scalar(datos, QStringLiteral("SELECT Plantilla FROM plantill WHERE Descripcion = 'Carta de liquidación de intereses'"))
                  .toString(),
              QStringLiteral("CartaLiquidacion.docx"));
    QSqlQuery rate = RunSql(datos, QStringLiteral("SELECT Hasta, InteLega, InteJudi, InteAdmi FROM Interes WHERE Desde = '2021-01-01'"));
    ASSERT_TRUE(rate.next());
    EXPECT_EQ(rate.value(0).toString(), QStringLiteral("2021-12-31"));
    EXPECT_EQ(rate.value(1).toDouble(), 3.0);
    EXPECT_EQ(rate.value(2).toDouble(), 5.0);
    EXPECT_EQ(rate.value(3).toDouble(), 3.75);
}

TEST(SeedInstallation, OfficialRatesDoNotOverlap)
{
    TempInstallation install;
    DataStore store(QStringLiteral("seed-rates-"));
    store.connectMain(install.path());
    QSqlQuery q = RunSql(store.database(Alias::Devenix), QStringLiteral("SELECT Desde, Hasta FROM Interes ORDER BY Desde"));
    QString previousEnd;
    int rows = 0;
    while (q.next()) {
        ++rows;
        EXPECT_LE(q.value(0).toString(), q.value(1).toString());
        EXPECT_EQ(q.value(0).toString().left(4), q.value(1).toString().left(4)) << "one calendar year per period";
        if (!previousEnd.isEmpty()) {
            EXPECT_LT(previousEnd, q.value(0).toString());
        }
        previousEnd = q.value(1).toString();
    }
    EXPECT_GT(rows, 40);
}

TEST(SeedInstallation, RefusesAFolderThatHoldsAnInstallation)
{
    TempInstallation install;
    EXPECT_THROW(SeedInstallation(QStringLiteral(CUANTIX_SOURCE_DATA_DIR), install.path()), AppError);
}

TEST(LoadModuleText, TablesComeFromTheTextAndFaultsNameTheFile)
{
    const auto write = [](const QString &path, const QByteArray &text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    QTemporaryDir source;
    write(source.filePath(QStringLiteral("tablas.csv")), "Id,NombreTabla,Directivas,ExtraPorc,ExtraFijo\n"
                                                         "4,\"Fases, \"\"j. ordinario\"\"\",6,,\n");
    write(source.filePath(QStringLiteral("tipo4.csv")), "id,caso,Tabla\n2,\"Completa\nhasta sentencia\",1\n1,\"Alegaciones\",2\n");
    QTemporaryDir dest;
    DataStore store(QStringLiteral("module-text-"));
    store.createModule(dest.path());
    const QSqlDatabase db = store.database(Alias::Modulo);
    LoadModuleText(db, source.path());
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT NombreTabla FROM tablas WHERE Id = 4")).toString(),
              QStringLiteral("Fases, \"j. ordinario\""));
    EXPECT_TRUE(Scalar(db, QStringLiteral("SELECT ExtraPorc FROM tablas WHERE Id = 4")).isNull());
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT caso FROM tipo4 ORDER BY id")).toString(), QStringLiteral("Alegaciones"));
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT Tabla FROM tipo4 WHERE id = 2")).toInt(), 1);
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT caso FROM tipo4 WHERE id = 2")).toString(),
              QStringLiteral("Completa\nhasta sentencia"));

    const std::pair<const char *, const char *> faults[] = {
        {"tipo5.csv", "id,desde\n1,\"sin cerrar\n"},
        {"tipo6.csv", "id,desde,hasta\n1,0\n"},
        {"tipo7.csv", "id,desde\n1,mil\n"},
        {"tipo8.csv", "id,desde; DROP TABLE tablas\n1,0\n"},
    };
    for (const auto &[name, text] : faults) {
        QTemporaryDir bad;
        write(bad.filePath(QString::fromLatin1(name)), text);
        try {
            LoadModuleText(db, bad.path());
            ADD_FAILURE() << name;
        } catch (const AppError &e) {
            EXPECT_TRUE(e.message().contains(bad.filePath(QString::fromLatin1(name)))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT count(*) FROM tablas")).toInt(), 1);
}

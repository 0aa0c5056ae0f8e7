#include "backup/csv_archive.h"
#include "core/errors.h"
#include "store/data_store.h"
#include "store/sql.h"
#include "support/temp_installation.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Datos and Historia of an installation folder as data sets.
struct Sets
{
    Sets(const QString &prefix, const QString &dir, bool create)
        : store(prefix)
    {
        store.setPath(Alias::Devenix, dir + QStringLiteral("/Datos"));
        store.setPath(Alias::Historico, dir + QStringLiteral("/Historia"));
        for (Alias alias : {Alias::Devenix, Alias::Historico})
            create ? store.create(alias) : store.connect(alias);
    }
    std::vector<DataSet> sets() const
    {
        return {{QStringLiteral("datos"), QStringLiteral("Datos"), {store.database(Alias::Devenix), {}, QStringLiteral("datos")}},
                {QStringLiteral("historia"), QStringLiteral("Historia"),
                 {store.database(Alias::Historico), {}, QStringLiteral("historia")}}};
    }
    std::vector<std::vector<TableCheck>> checks() const
    {
        std::vector<std::vector<TableCheck>> all;
        for (const DataSet &s : sets())
            all.push_back(CheckTables(s.tables));
        return all;
    }
    DataStore store;
};

} // namespace

TEST(CsvArchive, TablesComeBackExactlyOverAnotherInstallationsData)
{
    TempInstallation source;
    TempInstallation other;
    QTemporaryDir folder;
    Sets from(QStringLiteral("from-"), source.path(), false);
    const QSqlDatabase historia = from.store.database(Alias::Historico);
    const QString awkward = QStringLiteral("\"Comillas\", comas;\r\nsaltos\n y ñ €");
    RunSql(historia, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Descripcion, Notas, Capital, Fecha) VALUES (?, ?, ?, ?, ?)"),
           {QStringLiteral("1"), awkward, QStringLiteral(""), 0.1 + 0.2, QVariant(QMetaType::fromType<QString>())});
    RunSql(historia, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Capital) VALUES ('2', -1e-300)"));
    RunSql(from.store.database(Alias::Devenix),
           QStringLiteral("INSERT INTO facturas (Id, Iyear, Total) VALUES (1, 2024, 9007199254740993)"));
    const CsvManifest written = WriteTablesAsCsv(from.sets(), folder.path());

    Sets to(QStringLiteral("to-"), other.path(), false);
    RunSql(to.store.database(Alias::Historico), QStringLiteral("INSERT INTO Cabecera (NumAsunto) VALUES ('stale')"));
    const CsvManifest read = ReadCsvManifest(folder.path(), folder.path());
    ASSERT_EQ(read.tables.size(), written.tables.size());
    LoadTablesFromCsv(folder.path(), read, to.sets());

    EXPECT_EQ(to.checks(), from.checks());
    EXPECT_EQ(Scalar(to.store.database(Alias::Historico), QStringLiteral("SELECT Descripcion FROM Cabecera WHERE NumAsunto = '1'")),
              QVariant(awkward));
    EXPECT_TRUE(Scalar(to.store.database(Alias::Historico), QStringLiteral("SELECT Fecha FROM Cabecera WHERE NumAsunto = '1'")).isNull());
    EXPECT_EQ(Scalar(to.store.database(Alias::Historico), QStringLiteral("SELECT Notas FROM Cabecera WHERE NumAsunto = '1'")),
              QVariant(QString()));
}

TEST(CsvArchive, DamagedOrNewerDataIsRefusedAndNothingChanges)
{
    TempInstallation source;
    TempInstallation other;
    Sets from(QStringLiteral("from-"), source.path(), false);
    Sets to(QStringLiteral("to-"), other.path(), false);
    RunSql(to.store.database(Alias::Historico), QStringLiteral("INSERT INTO Cabecera (NumAsunto) VALUES ('kept')"));
    const auto before = to.checks();

    struct Case
    {
        const char *label;
        std::function<void(const QString &folder)> spoil;
    };
    const Case cases[] = {
        {"a province edited after the backup",
         [](const QString &folder) {
             QFile f(folder + QStringLiteral("/datos/provincias.csv"));
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             QByteArray text = f.readAll();
             text.replace("Madrid", "Mudrid");
             f.resize(0);
             f.write(text);
         }},
        {"an unclosed quote",
         [](const QString &folder) {
             QFile f(folder + QStringLiteral("/historia/cabecera.csv"));
             ASSERT_TRUE(f.open(QIODevice::Append));
             f.write("\"x,1");
         }},
        {"a newer schema",
         [](const QString &folder) {
             QFile f(folder + QStringLiteral("/manifiesto.json"));
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             QByteArray text = f.readAll();
             text.replace("\"version\": 3", "\"version\": 99");
             f.resize(0);
             f.write(text);
         }},
    };
    for (const Case &c : cases) {
        QTemporaryDir folder;
        WriteTablesAsCsv(from.sets(), folder.path());
        c.spoil(folder.path());
        EXPECT_THROW(LoadTablesFromCsv(folder.path(), ReadCsvManifest(folder.path(), folder.path()), to.sets()), AppError)
            << c.label;
        EXPECT_EQ(to.checks(), before) << c.label;
    }
}

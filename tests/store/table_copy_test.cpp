#include "core/errors.h"
#include "store/data_store.h"
#include "store/sql.h"
#include "store/table_copy.h"
#include "support/temp_installation.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The three databases of an installation's Datos, Historia and one region, as copy sets.
struct Installation
{
    Installation(const QString &prefix, const QString &dir, bool create)
        : store(prefix)
    {
        store.setPath(Alias::Devenix, dir + QStringLiteral("/Datos"));
        store.setPath(Alias::Historico, dir + QStringLiteral("/Historia"));
        store.setPath(Alias::Modulo, dir + QStringLiteral("/modulos/madrid"));
        for (Alias alias : {Alias::Devenix, Alias::Historico, Alias::Modulo}) {
            QDir().mkpath(store.path(alias));
            create ? store.create(alias) : store.connect(alias);
        }
    }
    std::vector<TableSet> sets() const
    {
        return {{store.database(Alias::Devenix), {}, QStringLiteral("datos")},
                {store.database(Alias::Historico), {}, QStringLiteral("historia")},
                {store.database(Alias::Modulo), {}, QStringLiteral("modulo")}};
    }
    DataStore store;
};

std::vector<CopyPair> Pairs(const Installation &from, const Installation &to)
{
    std::vector<CopyPair> pairs;
    for (std::size_t i = 0; i < 3; ++i)
        pairs.push_back({from.sets()[i], to.sets()[i]});
    return pairs;
}

QString InstallationNumber(const Installation &i)
{
    return Scalar(i.store.database(Alias::Devenix), QStringLiteral("SELECT NumeroInstalacion FROM VerifactuInstalacion"))
        .toString();
}

} // namespace

TEST(TableCopy, CopiesEveryTableOfAnInstallationAndBothSidesCheckAlike)
{
    TempInstallation source;
    QTemporaryDir empty;
    Installation from(QStringLiteral("from-"), source.path(), false);
    const QSqlDatabase historia = from.store.database(Alias::Historico);
    RunSql(historia, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Fecha, Descripcion, Notas, Capital, Tipo)"
                                    " VALUES ('2024/7', '2024-03-01', 'Ñandú & co', ?, 1234.5, 'L')"),
           {QStringLiteral("línea 1\r\nlínea 2")});
    RunSql(historia, QStringLiteral("INSERT INTO Tramos (NumAsunto, Desde, Interes) VALUES ('2024/7', NULL, 3)"));
    RunSql(from.store.database(Alias::Devenix),
           QStringLiteral("INSERT INTO clientes (ICodCli, SNombreCli, Notas) VALUES (7, 'Ana', '')"));
    RunSql(from.store.database(Alias::Devenix),
           QStringLiteral("INSERT INTO Bloqueos (Tabla, Clave, Usuario) VALUES ('clientes', '7', 'ana')"));

    Installation to(QStringLiteral("to-"), empty.path(), true);
    ASSERT_NE(InstallationNumber(from), InstallationNumber(to));
    QStringList lines;
    const auto copied = CopyTables(Pairs(from, to), [&](const QString &line) { lines << line; });

    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(CheckTables(from.sets()[i]), CheckTables(to.sets()[i])) << i;
    EXPECT_EQ(copied.size(), ListTables(from.sets()[0]).size() + ListTables(from.sets()[1]).size()
                                 + ListTables(from.sets()[2]).size());
    // The installation keeps its number; the rule that it never changes holds again afterwards.
    EXPECT_EQ(InstallationNumber(to), InstallationNumber(from));
    EXPECT_THROW(RunSql(to.store.database(Alias::Devenix), QStringLiteral("DELETE FROM VerifactuInstalacion")),
                 StoreError);
    // Region tables made from the module's text exist only in the source: created on the copy.
    EXPECT_TRUE(ListTables(to.sets()[2]).contains(QStringLiteral("tipo1"), Qt::CaseInsensitive));
    // A running program's locks are not data.
    EXPECT_EQ(Scalar(to.store.database(Alias::Devenix), QStringLiteral("SELECT count(*) FROM Bloqueos")).toInt(), 0);
    EXPECT_EQ(Scalar(historia, QStringLiteral("SELECT Notas FROM Cabecera")).toString(),
              Scalar(to.store.database(Alias::Historico), QStringLiteral("SELECT Notas FROM Cabecera")).toString());
    EXPECT_FALSE(lines.isEmpty());
}

TEST(TableCopy, RefusesATargetHoldingDataAndLeavesItAsItWas)
{
    TempInstallation source;
    TempInstallation target; // seeded: provinces, rates, ...
    Installation from(QStringLiteral("from-"), source.path(), false);
    Installation to(QStringLiteral("to-"), target.path(), false);
    const auto before = CheckTables(to.sets()[1]);
    RunSql(from.store.database(Alias::Historico), QStringLiteral("INSERT INTO Cabecera (NumAsunto) VALUES ('1')"));
    try {
        CopyTables(Pairs(from, to));
        FAIL() << "a target with data was overwritten";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("no está vacía"))) << e.message().toStdString();
    }
    EXPECT_EQ(CheckTables(to.sets()[1]), before);
}

TEST(TableCopy, ChecksumSeesValuesNotHowAnEngineTypesThem)
{
    struct Row
    {
        const char *label;
        QVariant a;
        QVariant b;
        bool same;
    };
    const Row rows[] = {
        {"integer and whole real", QVariant(qlonglong(5)), QVariant(5.0), true},
        {"real digits kept", QVariant(0.1), QVariant(0.10000000000000002), false},
        {"date and its text", QVariant(QDate(2024, 2, 29)), QVariant(QStringLiteral("2024-02-29")), true},
        {"flag and integer", QVariant(true), QVariant(1), true},
        {"null and empty text", QVariant(QMetaType::fromType<QString>()), QVariant(QString(u""_qs)), false},
        {"texts differ by case", QVariant(QStringLiteral("a")), QVariant(QStringLiteral("A")), false},
    };
    for (const Row &row : rows) {
        const QVariant a = CanonicalValue(row.a);
        const QVariant b = CanonicalValue(row.b);
        EXPECT_EQ(a.isNull() == b.isNull() && a.toString() == b.toString(), row.same) << row.label;
    }

    QTemporaryDir dir;
    DataStore store(QStringLiteral("sum-"));
    store.setPath(Alias::Historico, dir.path());
    store.create(Alias::Historico);
    const TableSet set{store.database(Alias::Historico), {}, QStringLiteral("historia")};
    const auto insert = [&](const char *key, double capital) {
        RunSql(set.db, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Capital) VALUES (?, ?)"),
               {QString::fromLatin1(key), capital});
    };
    insert("b", 2);
    insert("a", 1);
    const TableCheck first = CheckTable(set, QStringLiteral("Cabecera"));
    RunSql(set.db, QStringLiteral("DELETE FROM Cabecera"));
    insert("a", 1);
    insert("b", 2);
    EXPECT_EQ(CheckTable(set, QStringLiteral("Cabecera")), first) << "row order must not count";
    RunSql(set.db, QStringLiteral("UPDATE Cabecera SET Capital = 2.000001 WHERE NumAsunto = 'b'"));
    const TableCheck changed = CheckTable(set, QStringLiteral("Cabecera"));
    EXPECT_EQ(changed.rows, 2);
    EXPECT_NE(changed.sha256, first.sha256);
}


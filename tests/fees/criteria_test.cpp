#include "core/errors.h"
#include "fees/criteria.h"
#include "fees/criteria_tree_model.h"
#include "fees/point_value.h"
#include "fees/region_modules.h"
#include "fees/scale_tables.h"
#include "module_fixture.h"
#include "store/data_store.h"
#include "support/scripted_prompter.h"
#include "support/temp_installation.h"

#include <QFile>

namespace {

class CriteriaTest : public ModuleTest
{
protected:
    void addCriterion(int id, int idPadre, const QVariant &titulo) const
    {
        RunSql(modulo(), QStringLiteral("INSERT INTO principal (Id, IdPadre, Titulo) VALUES (?, ?, ?)"),
               {id, idPadre, titulo});
    }
    QList<int> search(const char *text) const
    {
        QList<int> ids;
        for (const TitleMatch &m : SearchCriterionTitles(modulo(), QString::fromUtf8(text)))
            ids.append(m.id);
        return ids;
    }
};

void WriteFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

TEST_F(CriteriaTest, TitleSearchIgnoresCaseAndAccentsAndKeepsThePatternCharacters)
{
    addCriterion(1, 0, QStringLiteral("Procesos según la CUANTÍA"));
    addCriterion(2, 0, QStringLiteral("cuantia indeterminada"));
    addCriterion(3, 0, QStringLiteral("Cuantía al 50% de la escala"));
    addCriterion(4, 0, QStringLiteral("Año judicial"));
    addCriterion(5, 0, QStringLiteral("Ano_nimo"));
    addCriterion(6, 0, QVariant());      // no title
    addCriterion(7, 0, QStringLiteral("")); // no title either

    EXPECT_EQ(search("cuantia"), (QList<int>{1, 2, 3}));
    EXPECT_EQ(search("CUANTÍA"), (QList<int>{1, 2, 3}));
    EXPECT_EQ(search("50%"), (QList<int>{3}));
    EXPECT_EQ(search("cuant%escala"), (QList<int>{3}));
    EXPECT_EQ(search("a_o"), (QList<int>{4, 5})); // "_" is one character: AÑO and ANO
    EXPECT_EQ(search("año"), (QList<int>{4}));    // Ñ is a letter of its own
    EXPECT_EQ(search("'); DROP TABLE principal; --"), QList<int>{});
    EXPECT_EQ(search(""), (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(FoldForSearch(QStringLiteral("Reducció, pingüino, Çà")), QStringLiteral("REDUCCIO, PINGUINO, CA"));
}

TEST(CriteriaTreeModel, ParentsByIdSiblingsInIdOrder)
{
    const auto c = [](int id, int parent) {
        Criterion row;
        row.id = id;
        row.idPadre = parent;
        row.titulo = QString::number(id);
        return row;
    };
    CriteriaTreeModel model;
    // 9 names a parent that does not exist; 7 and 8 name each other, so the loop is cut at 8.
    model.setCriteria({c(30, 1), c(1, 0), c(20, 1), c(2, 0), c(21, 20), c(9, 99), c(7, 8), c(8, 7)});
    QStringList top;
    for (int r = 0; r < model.rowCount(); ++r)
        top.append(model.index(r, 0).data().toString());
    EXPECT_EQ(top, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("8"), QStringLiteral("9")}));
    EXPECT_EQ(model.parent(model.indexOfId(7)), model.indexOfId(8));

    const QModelIndex one = model.indexOfId(1);
    ASSERT_EQ(model.rowCount(one), 2);
    EXPECT_EQ(model.index(0, 0, one).data().toString(), QStringLiteral("20"));
    EXPECT_EQ(model.index(1, 0, one).data().toString(), QStringLiteral("30"));
    EXPECT_EQ(model.parent(model.indexOfId(21)), model.indexOfId(20));
    EXPECT_EQ(model.criterionAt(model.indexOfId(21))->id, 21);
    EXPECT_FALSE(model.indexOfId(5).isValid());
}

TEST(PointValue, WrittenWithAPointAndReadWithEither)
{
    QTemporaryDir dir;
    EXPECT_EQ(ReadPointValue(dir.path()), std::nullopt);
    EXPECT_EQ(PointValueOrZero(dir.path()), 0.0);

    WritePointValue(dir.path(), 0.6);
    EXPECT_EQ(PointFileText(dir.path()), QStringLiteral("0.6"));
    EXPECT_EQ(ReadPointValue(dir.path()), 0.6);
    WritePointValue(dir.path(), 55);
    EXPECT_EQ(PointFileText(dir.path()), QStringLiteral("55"));

    const struct
    {
        const char *text;
        double value;
    } typed[] = {{"0,6\r\n", 0.6}, {"  2.5 €\n", 2.5}, {"1.234,5", 1234.5}, {"42", 42}};
    for (const auto &row : typed) {
        WriteFile(PointFilePath(dir.path()), row.text);
        EXPECT_EQ(ReadPointValue(dir.path()), row.value) << row.text;
    }

    WriteFile(PointFilePath(dir.path()), "cincuenta");
    try {
        PointValueOrZero(dir.path());
        ADD_FAILURE() << "text read as a point value";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains(PointFilePath(dir.path()))) << e.message().toStdString();
    }
    RemovePointValue(dir.path());
    EXPECT_FALSE(QFile::exists(PointFilePath(dir.path())));
    RemovePointValue(dir.path()); // nothing to remove is no failure
}

TEST(ShippedSchedules, FourRegionsCarryRealCriteriaWhoseTablesExist)
{
    TempInstallation install;
    DataStore store(QStringLiteral("shipped-"));
    store.connectMain(install.path());
    const struct
    {
        const char *region;
        int minCriteria;
        bool points;
    } regions[] = {{"Madrid", 30, false}, {"Málaga", 25, true}, {"Valencia", 25, false}, {"Cataluña", 25, false}};
    for (const auto &expected : regions) {
        const auto region = FindRegionByName(store.database(Alias::General), QString::fromUtf8(expected.region));
        ASSERT_TRUE(region.has_value()) << expected.region;
        EXPECT_EQ(region->puntos, expected.points) << expected.region;
        const QString moduleDir = ModuleDirFor(install.path(), *region);
        store.openModule(moduleDir);
        const QSqlDatabase modulo = store.database(Alias::Modulo);

        const std::vector<Criterion> criteria = LoadCriteria(modulo);
        EXPECT_GE(static_cast<int>(criteria.size()), expected.minCriteria) << expected.region;
        EXPECT_NO_THROW(QuestionFile::Load(moduleDir)) << expected.region;
        EXPECT_EQ(PointValueOrZero(moduleDir) > 0, expected.points) << expected.region;
        for (const Criterion &c : criteria) {
            EXPECT_FALSE(c.titulo.isEmpty()) << c.id;
            if (c.tabla == 0)
                continue;
            const auto table = FindTableRow(modulo, c.tabla);
            ASSERT_TRUE(table.has_value()) << expected.region << " criterion " << c.id;
            EXPECT_TRUE(TipoTableExists(modulo, c.tabla)) << expected.region << " table " << c.tabla;
        }
        for (const TableRegisterRow &t : TableRegister(modulo))
            EXPECT_TRUE(TipoTableExists(modulo, t.id)) << expected.region << " table " << t.id;
    }
    // Figures of the published schedules: Madrid's scale at 100.000 € gives 13.240 €, its
    // preliminary hearing with evidence of 2,5 hours 750 €, its first phase leads to table 2;
    // Cataluña's ordinary trial of 4 sessions 2.100 €.
    const QString madrid = install.path() + QStringLiteral("/modulos/madrid");
    store.openModule(madrid);
    EXPECT_DOUBLE_EQ(CumulativeScale(store.database(Alias::Modulo), 1, 100000).fee, 13240);
    ScriptedPrompter prompter;
    prompter.queueChoice(1);
    prompter.queueText(QStringLiteral("2,5"));
    EXPECT_DOUBLE_EQ(QuestionTable(store.database(Alias::Modulo), QuestionFile::Load(madrid), 7, prompter), 750);
    prompter.queueChoice(0);
    EXPECT_EQ(ChooseCase(store.database(Alias::Modulo), 4, prompter), 2);
    const QString cataluna = install.path() + QStringLiteral("/modulos/cataluna");
    store.openModule(cataluna);
    prompter.queueChoice(2);
    prompter.queueText(QStringLiteral("4"));
    EXPECT_DOUBLE_EQ(QuestionTable(store.database(Alias::Modulo), QuestionFile::Load(cataluna), 8, prompter), 2100);
}

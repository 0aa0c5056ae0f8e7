#include "core/errors.h"
#include "fees/scale_tables.h"
#include "module_fixture.h"
#include "support/scripted_prompter.h"

#include <QFile>

namespace {

class ScaleTablesTest : public ModuleTest
{
protected:
    void SetUp() override
    {
        addTable(1, "Escala general", 1);
        sql(QStringLiteral("CREATE TABLE tipo1 (id INTEGER PRIMARY KEY, desde REAL, hasta REAL, porcentaje REAL,"
                           " acumulado REAL)"));
        sql(QStringLiteral("INSERT INTO tipo1 VALUES (1, 0, 3000, 10, 300), (2, 3000, 10000, 5, 650),"
                           " (3, 10000, 500000, 2, 10450)"));
        addTable(2, "Tramos", 3);
        sql(QStringLiteral("CREATE TABLE tipo2 (id INTEGER PRIMARY KEY, Desde REAL, Hasta REAL, Porcentaje REAL)"));
        sql(QStringLiteral("INSERT INTO tipo2 VALUES (1, 0, 5999.99, 8), (2, 6000, 30000, 6)"));
    }

    std::string errorOf(const std::function<void()> &run) const
    {
        try {
            run();
        } catch (const AppError &e) {
            return e.message().toStdString();
        }
        return "no error";
    }
};

const char *const kQuestions = R"(<?xml version="1.0" encoding="UTF-8"?>
<tablas>
  <tabla id="7">
    <EsquemaPreguntas><opcion>Sin prueba</opcion><opcion>Con prueba</opcion></EsquemaPreguntas>
    <Pregunta id="Sin prueba"><campodesde>DesdeSin</campodesde><campohasta>HastaSin</campohasta>
      <texto>Horas:</texto></Pregunta>
    <Pregunta id="Con prueba"><campodesde>DesdeCon</campodesde><campohasta>HastaCon</campohasta>
      <texto>Horas de vista:</texto></Pregunta>
    <Resultado>Honorario</Resultado>
  </tabla>
</tablas>)";

} // namespace

TEST_F(ScaleTablesTest, CumulativeScaleAddsTheAccumulatedFeeOfTheBracketsBelow)
{
    struct Row
    {
        double amount, fee, desde, acumulado;
        float porcentaje;
    };
    const Row rows[] = {
        {5000, 400, 3000, 300, 5},  // (5000 − 3000)·5/100 + 300
        {3000, 300, 0, 0, 10},      // the shared bound: the first row in table order
        {2000, 200, 0, 0, 10},      // lowest bracket: nothing below
        {0, 0, 0, 0, 10},
        {10000, 650, 3000, 300, 5},
        {500000, 10450, 10000, 650, 2}, // the largest acumulado below 10000 is 650
    };
    for (const Row &row : rows) {
        const ScaleResult s = CumulativeScale(modulo(), 1, row.amount);
        EXPECT_DOUBLE_EQ(s.fee, row.fee) << row.amount;
        EXPECT_DOUBLE_EQ(s.desde, row.desde) << row.amount;
        EXPECT_DOUBLE_EQ(s.acumulado, row.acumulado) << row.amount;
        EXPECT_EQ(s.porcentaje, row.porcentaje) << row.amount;
    }
    // The extras add to the table's result: 400 + 20, or 400 + 10 % of it.
    EXPECT_DOUBLE_EQ(400 + TableExtra(0, 20, 400), 420);
    EXPECT_DOUBLE_EQ(400 + TableExtra(10, 0, 400), 440);
    EXPECT_DOUBLE_EQ(TableExtra(10, 20, 6), 20.6);
    EXPECT_DOUBLE_EQ(TableExtra(0, 0, 6), 0);
}

TEST_F(ScaleTablesTest, BracketTablesIncludeBothBoundsAndBindTheirColumnsAnyCase)
{
    EXPECT_DOUBLE_EQ(BracketLookup(modulo(), 2, QStringLiteral("Desde"), QStringLiteral("Hasta"),
                                   QStringLiteral("Porcentaje"), 10000), 6);
    EXPECT_DOUBLE_EQ(BracketLookup(modulo(), 2, QStringLiteral("desde"), QStringLiteral("HASTA"),
                                   QStringLiteral("porcentaje"), 6000), 6);
    EXPECT_DOUBLE_EQ(BracketLookup(modulo(), 2, QStringLiteral("Desde"), QStringLiteral("Hasta"),
                                   QStringLiteral("Porcentaje"), 30000), 6);
    EXPECT_DOUBLE_EQ(BracketLookup(modulo(), 2, QStringLiteral("Desde"), QStringLiteral("Hasta"),
                                   QStringLiteral("Porcentaje"), 0), 8);
}

TEST_F(ScaleTablesTest, LookupsThatFindNoRowNameTheTableAndTheAmount)
{
    EXPECT_EQ(errorOf([&] { CumulativeScale(modulo(), 1, 600000); }),
              "La tabla 1 (Escala general) no tiene un tramo para la cuantía 600.000,00 €.");
    EXPECT_EQ(errorOf([&] {
                  BracketLookup(modulo(), 2, QStringLiteral("Desde"), QStringLiteral("Hasta"),
                                QStringLiteral("Porcentaje"), -5);
              }),
              "La tabla 2 (Tramos) no tiene un tramo para la cuantía -5,00 €.");
    EXPECT_EQ(errorOf([&] { CumulativeScale(modulo(), 9, 100); }), "La tabla 9 no existe en el módulo de la región.");
    EXPECT_EQ(errorOf([&] {
                  BracketLookup(modulo(), 2, QStringLiteral("Desde"), QStringLiteral("Hasta"),
                                QStringLiteral("Desde; DROP TABLE tipo2"), 10);
              }),
              "La tabla 2 (Tramos) no tiene la columna «Desde; DROP TABLE tipo2».");

    // A scale that does not start at 0 has nothing below its lowest bracket.
    sql(QStringLiteral("DELETE FROM tipo1 WHERE id = 1"));
    EXPECT_EQ(errorOf([&] { CumulativeScale(modulo(), 1, 5000); }),
              "La tabla 1 (Escala general) no tiene tramos por debajo de 3.000,00 €, necesarios para la cuantía "
              "5.000,00 €.");
}

TEST_F(ScaleTablesTest, QuestionTableAsksTheOptionAndTheAnswer)
{
    sql(QStringLiteral("CREATE TABLE tipo7 (id INTEGER PRIMARY KEY, DesdeSin REAL, HastaSin REAL, DesdeCon REAL,"
                       " HastaCon REAL, Honorario REAL)"));
    sql(QStringLiteral("INSERT INTO tipo7 VALUES (1, 0, 1, -2, -1, 230), (2, 1, 2, -2, -1, 380),"
                       " (3, -2, -1, 0, 1, 450), (4, -2, -1, 1, 3, 600)"));
    addTable(7, "Audiencia", 4);
    const QuestionFile file = QuestionFile::FromText(QString::fromUtf8(kQuestions), QStringLiteral("tablas.xml"));
    EXPECT_EQ(file.options(7), (QStringList{QStringLiteral("Sin prueba"), QStringLiteral("Con prueba")}));

    struct Row
    {
        std::optional<int> choice;
        const char *answer;
        double fee;
        const char *question;
    };
    const Row rows[] = {
        {1, "2,5", 600, "Horas de vista:"},
        {0, "1.5", 380, "Horas:"},        // a decimal point works too
        {std::nullopt, "1", 230, "Horas:"}, // a closed choice keeps the first option
    };
    for (const Row &row : rows) {
        ScriptedPrompter prompter;
        prompter.queueChoice(row.choice);
        prompter.queueText(QString::fromUtf8(row.answer));
        EXPECT_DOUBLE_EQ(QuestionTable(modulo(), file, 7, prompter), row.fee) << row.answer;
        ASSERT_EQ(prompter.shown().size(), 2u);
        EXPECT_EQ(prompter.shown()[0].title, QStringLiteral("Seleccione Criterio"));
        EXPECT_EQ(prompter.shown()[1].title, QStringLiteral("Pregunta"));
        EXPECT_EQ(prompter.shown()[1].text, QString::fromUtf8(row.question));
    }

    ScriptedPrompter prompter;
    prompter.queueChoice(0);
    prompter.queueText(QStringLiteral("dos"));
    EXPECT_EQ(errorOf([&] { QuestionTable(modulo(), file, 7, prompter); }),
              "La respuesta «dos» no es un número válido.");
    prompter.queueChoice(0);
    prompter.queueText(QStringLiteral("9"));
    EXPECT_EQ(errorOf([&] { QuestionTable(modulo(), file, 7, prompter); }),
              "La tabla 7 (Audiencia) no tiene un tramo para la respuesta 9 («Sin prueba»).");
}

TEST(QuestionFile, EachFaultOfTheFileIsNamed)
{
    const auto fault = [](const char *xml, int table, const char *option = nullptr) -> std::string {
        try {
            const QuestionFile file = QuestionFile::FromText(QString::fromUtf8(xml), QStringLiteral("m/tablas.xml"));
            if (option)
                file.question(table, QString::fromUtf8(option));
            else
                file.options(table);
        } catch (const AppError &e) {
            return e.message().toStdString();
        }
        return "no error";
    };
    const std::string prefix = "El archivo de preguntas \"m/tablas.xml\" ";
    EXPECT_EQ(fault("<tablas><tabla id='7'>", 7), prefix + "está dañado (línea 1).");
    EXPECT_EQ(fault("<tablas><tabla id='3'/></tablas>", 7), prefix + "no sirve: no describe la tabla 7.");
    EXPECT_EQ(fault("<tablas><tabla/><tabla id='7'/></tablas>", 7),
              prefix + "no sirve: el elemento <tabla> no lleva el número de su tabla.");
    EXPECT_EQ(fault("<tablas><tabla id='7'/></tablas>", 7),
              prefix + "no sirve: la tabla 7 no tiene opciones (EsquemaPreguntas).");
    EXPECT_EQ(fault("<tablas><tabla id='7'><Resultado>H</Resultado></tabla></tablas>", 7, "A"),
              prefix + "no sirve: la tabla 7 no tiene la pregunta de «A».");
    EXPECT_EQ(fault("<tablas><tabla id='7'><Pregunta id='A'><campodesde>D</campodesde><texto>T</texto>"
                    "</Pregunta><Resultado>H</Resultado></tabla></tablas>", 7, "A"),
              prefix + "no sirve: a la tabla 7 le falta <campohasta> en «A».");
    EXPECT_EQ(fault("<tablas><tabla id='7'><Pregunta id='A'><campodesde>D</campodesde><campohasta>H</campohasta>"
                    "<texto>T</texto></Pregunta></tabla></tablas>", 7, "A"),
              prefix + "no sirve: a la tabla 7 le falta <Resultado> en «A».");

    QTemporaryDir empty;
    try {
        QuestionFile::Load(empty.path());
        ADD_FAILURE() << "a missing file loaded";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains(empty.path() + QStringLiteral("/tablas.xml")));
    }
}

TEST_F(ScaleTablesTest, ChooseCaseGivesTheTableOfTheFirstRowWithTheChosenText)
{
    addTable(4, "Fases", 6);
    sql(QStringLiteral("CREATE TABLE tipo4 (id INTEGER PRIMARY KEY, caso TEXT, Tabla INTEGER)"));
    sql(QStringLiteral("INSERT INTO tipo4 VALUES (2, 'Completa', 1), (1, 'Alegaciones', 2), (3, 'Completa', 5)"));
    ScriptedPrompter prompter;
    // Offered in Id order: Alegaciones, Completa, Completa; the second is the row with Id 2.
    prompter.queueChoice(1);
    EXPECT_EQ(ChooseCase(modulo(), 4, prompter), 1);
    prompter.queueChoice(0);
    EXPECT_EQ(ChooseCase(modulo(), 4, prompter), 2);

    sql(QStringLiteral("DELETE FROM tipo4"));
    EXPECT_EQ(errorOf([&] { ChooseCase(modulo(), 4, prompter); }),
              "La tabla 4 (Fases) no tiene casos entre los que elegir.");
}

TEST(ColumnTitles, CommasQuotesAndTheMissingKey)
{
    struct Row
    {
        const char *campos;
        const char *titles; // separated by "|"
    };
    const Row rows[] = {
        {"Id,Desde,Hasta,Porcentaje,Acumulado", "Id|Desde|Hasta|Porcentaje|Acumulado"},
        {"Id, Desde (€),  \"Hasta, incluido\",Caso", "Id|Desde (€)|Hasta, incluido|Caso"},
        {"Id,\"Dice \"\"sí\"\"\",", "Id|Dice \"sí\"|"},
        {"Id,\"sin cerrar, sigue", "Id|sin cerrar, sigue"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(SplitTitles(QString::fromUtf8(row.campos)), QString::fromUtf8(row.titles).split(u'|')) << row.campos;

    QTemporaryDir dir;
    EXPECT_FALSE(ColumnTitles(dir.path(), 5).has_value());
    QFile ini(dir.path() + QStringLiteral("/tipo5.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[TITULOS]\r\nOTRA=1\r\n");
    ini.close();
    EXPECT_EQ(ColumnTitles(dir.path(), 5), QStringList{QStringLiteral("VACIO")});
}

#include "fee_engine_fixture.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "fees/lookup_cache.h"

using Answer = Prompter::Answer;
using Hint = FeeEngine::Hint;
using Target = FeeEngine::HintTarget;

namespace {

struct ModeCase
{
    const char *label;
    CriterionParams params;
    const char *amount;
    qint32 mode;
    const char *fee;
    const char *hint; // text of the hint shown by the run, "" for none
};

} // namespace

TEST_F(FeeEngineTest, EachModeWithoutAQuestionGivesItsFee)
{
    const ModeCase cases[] = {
        {"nothing set: the amount, cents rounded half away", {}, "1234,565", 11110, "1234,57", ""},
        {"a point is the decimal comma", {}, "12.5", 11110, "12,5", ""},
        {"cumulative scale", {.tabla = 1}, "5000", 11111, "400",
         "Calcularé el valor de la escala sobre el importe de esta cuantia "},
        {"scale amount on a bound", {.tabla = 1}, "3000", 11111, "300",
         "Calcularé el valor de la escala sobre el importe de esta cuantia "},
        {"scale with an extra sum", {.tabla = 5}, "5000", 11111, "420",
         "Calcularé el valor de la escala sobre el importe de esta cuantia "},
        {"bracket table", {.tabla = 2}, "10000", 11113, "600", "Calcularé la cantidad según la tabla"},
        {"bracket extras are taken of p", {.tabla = 6}, "10000", 11113, "620,6", "Calcularé la cantidad según la tabla"},
        {"percentage", {.porcentaje = 50}, "1000", 11120, "500", "Calcularé el 50% sobre esta cuantia!"},
        {"percentage of the scale", {.porcentaje = 50, .tabla = 1}, "5000", 11121, "200",
         "Calcularé el 50% de la Escala sobre el importe de esta cuantia"},
        {"percentage of the brackets", {.porcentaje = 50, .tabla = 2}, "10000", 11123, "300",
         "Calcularé el 50% sobre el resultado de la tabla"},
        {"reduction", {.reduccion = 10}, "1000", 11210, "900", "Calcularé el 10% de Reducción sobre esta cuantia!"},
        {"reduction of the scale", {.reduccion = 10, .tabla = 1}, "5000", 11211, "360",
         "Calcularé una Reducción del 10% sobre el calculo de la Escala basada en esta cuantia"},
        {"reduced percentage of the brackets", {.reduccion = 10, .porcentaje = 50, .tabla = 2}, "10000", 11223, "270",
         "Calcularé el 50% con un 10% de reducción sobre el resultado de la tabla"},
        {"increase", {.incremento = 2.5}, "1000", 12110, "1025", "Calcularé el 2,5% de Incremento sobre esta cuantia!"},
        {"increase held in single precision", {.incremento = 2.3}, "1000", 12110, "1023",
         "Calcularé el 2,29999995231628% de Incremento sobre esta cuantia!"},
        {"increase of the scale", {.incremento = 10, .tabla = 1}, "5000", 12111, "440",
         "Calcularé un Incremento del 10% sobre el calculo de la Escala basada en esta cuantia"},
        {"increased percentage of the brackets", {.incremento = 10, .porcentaje = 50, .tabla = 2}, "10000", 12123, "330",
         "Calcularé el 50% con un 10% de incremento sobre el resultado de la tabla"},
        {"fixed sum plus the amount", {.fijo = 300}, "100", 21110, "400", ""},
        {"fixed sum on an empty amount", {.fijo = 300}, "", 21110, "300", ""},
        {"fixed sum with brackets: not a rule, the amount", {.fijo = 300, .tabla = 2}, "10000", 21113, "10000", ""},
        {"increase with reduction: not a rule, the amount", {.incremento = 10, .reduccion = 10}, "1000", 12210, "1000", ""},
        {"a minus sign alone is 0", {.fijo = 300}, "-", 21110, "300", ""},
    };
    int id = 1;
    for (const ModeCase &c : cases) {
        SCOPED_TRACE(c.label);
        engine.clearHints();
        run(id++, c.params, c.amount);
        EXPECT_EQ(mode(), c.mode);
        EXPECT_EQ(fee(), QString::fromUtf8(c.fee));
        const QString hint = QString::fromUtf8(c.hint);
        if (hint.isEmpty()) {
            EXPECT_TRUE(engine.hintsShown().empty());
        } else {
            ASSERT_EQ(engine.hintsShown().size(), 1u);
            EXPECT_EQ(engine.hintsShown().front().text, hint);
        }
    }
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.lastMessage().toStdString();
}

TEST_F(FeeEngineTest, ReferencesShowTheValuesInForceAndLabel17FollowsTheMode)
{
    run(1, {.incremento = 2.3}, "1000");
    EXPECT_EQ(engine.fields().incremento, QStringLiteral("2,29999995231628%"));
    EXPECT_EQ(engine.fields().reduccion, QStringLiteral("0%"));
    EXPECT_TRUE(engine.fields().label17Visible);

    run(2, {.reduccion = 10, .tabla = 1}, "5000");
    EXPECT_EQ(engine.fields().tabla, QStringLiteral("400"));
    EXPECT_EQ(engine.fields().reduccion, QStringLiteral("10%"));
    EXPECT_FALSE(engine.fields().label17Visible);
    EXPECT_EQ(engine.fields().criterio, QStringLiteral("2")); // no code: the Id

    run(3, {.fijo = 300, .criterios = "4.7"}, "0");
    EXPECT_TRUE(engine.fields().label17Visible);
    EXPECT_EQ(engine.fields().criterio, QStringLiteral("4.7"));
    EXPECT_EQ(engine.fields().titulo, QStringLiteral("Criterio 3"));
    EXPECT_EQ(engine.fields().fijo, QStringLiteral("300"));
    EXPECT_EQ(fee(), QStringLiteral("300"));
}

namespace {

struct QuestionCase
{
    const char *label;
    CriterionParams params;
    const char *amount;
    Answer answer;
    const char *question;
    // Right after the answer.
    const char *fee;
    const char *amountField;
    qint32 mode;
    double fijo;
    // After typing `next`.
    const char *next;
    const char *nextFee;
};

} // namespace

TEST_F(FeeEngineTest, EachQuestionLeavesTheStateItsAnswerGives)
{
    const CriterionParams q1{.fijo = 300, .porcentaje = 50};
    const CriterionParams q2{.fijo = 300, .porcentaje = 50, .tabla = 1};
    const CriterionParams q3{.fijo = 300, .reduccion = 10};
    const CriterionParams q4{.fijo = 300, .reduccion = 10, .tabla = 1};
    const CriterionParams q5{.fijo = 300, .reduccion = 10, .porcentaje = 50, .tabla = 2};
    const CriterionParams q6{.fijo = 300, .incremento = 10};
    const CriterionParams q7{.fijo = 300, .incremento = 10, .tabla = 1};
    const char *const t1 = "Esta cuantía puede calcularse utilizando el importe fijo o un porcentaje,\n\n¿Desea Aplicar el Porcentaje?";
    const char *const t2 = "Esta cuantía puede calcularse por escala o utilizar la cantidad recomendada\n\n¿Desea Aplicar la Escala?";
    const char *const t3 = "Esta cuantía puede calcularse utilizando el importe fijo o una Reducción,\n\n¿Desea Aplicar la Reducción?";
    const char *const t4 =
        "Esta cuantía puede calcularse por escala con Reducción o utilizar la cantidad recomendada\n\n¿Desea Aplicar la Escala?";
    const char *const t5 = "Esta cuantía puede calcularse utilizando el importe fijo de 300 € o la tabla al 50 % con una "
                           "reducción del 10 %,\n\n¿Desea Aplicar la cuantía fija?";
    const char *const t6 = "Esta cuantía puede calcularse utilizando el importe fijo o un incremento,\n\n¿Desea Aplicar el Incremento?";
    const char *const t7 = "Esta cuantía puede calcularse por escala con incremento o se puede utilizar la cantidad "
                           "recomendada\n\n¿Desea Aplicar la Escala con Incremento?";
    const QuestionCase cases[] = {
        {"Q1 yes: 0 until the amount changes", q1, "1000", Answer::Yes, t1, "0", "1000", 11120, 0, "100", "50"},
        {"Q1 no: the fixed sum stays and is added", q1, "0", Answer::No, t1, "300", "0", 21110, 300, "100", "400"},
        {"Q2 yes: the scale at P %", q2, "5000", Answer::Yes, t2, "200", "5000", 21121, 0, "2000", "100"},
        {"Q2 no: the fixed sum becomes the amount", q2, "5000", Answer::No, t2, "300", "300", 11110, 0, "100", "100"},
        {"Q3 yes: 0, then the reduction", q3, "1000", Answer::Yes, t3, "0", "1000", 11210, 0, "2000", "1800"},
        {"Q3 no: the fixed sum becomes the amount", q3, "1000", Answer::No, t3, "300", "300", 21110, 0, "500", "500"},
        {"Q4 yes: the reduced scale at once", q4, "5000", Answer::Yes, t4, "360", "5000", 11211, 0, "2000", "180"},
        {"Q4 no: the fixed sum becomes the amount", q4, "5000", Answer::No, t4, "300", "300", 11110, 0, "100", "100"},
        {"Q5 yes: the fixed sum, kept", q5, "10000", Answer::Yes, t5, "300", "300", 11110, 300, "100", "100"},
        {"Q5 no: the reduced table at once", q5, "10000", Answer::No, t5, "270", "10000", 11223, 0, "20000", "540"},
        {"Q6 yes: 0, then the increase", q6, "1000", Answer::Yes, t6, "0", "1000", 12110, 0, "2000", "2200"},
        {"Q6 no: the fixed sum becomes the amount", q6, "1000", Answer::No, t6, "300", "300", 21110, 0, "500", "500"},
        {"Q7 yes: the increased scale at once", q7, "5000", Answer::Yes, t7, "440", "5000", 12111, 0, "2000", "220"},
        {"Q7 no: the fixed sum becomes the amount", q7, "5000", Answer::No, t7, "300", "300", 11110, 0, "100", "100"},
    };
    int id = 1;
    for (const QuestionCase &c : cases) {
        SCOPED_TRACE(c.label);
        addCriterion(id, c.params);
        engine.setAmountText(QString::fromUtf8(c.amount)); // typed before the selection
        prompter.clear();
        prompter.queueAnswer(c.answer);
        select(id++);
        ASSERT_EQ(prompter.messages(), QStringList{QString::fromUtf8(c.question)});
        EXPECT_EQ(fee(), QString::fromUtf8(c.fee));
        EXPECT_EQ(engine.fields().amount, QString::fromUtf8(c.amountField));
        EXPECT_EQ(mode(), c.mode);
        EXPECT_EQ(engine.calculation().fijo, c.fijo);
        EXPECT_EQ(engine.fields().fijo, FormatGeneral(c.fijo));

        engine.setAmountText(QString::fromUtf8(c.next));
        EXPECT_EQ(fee(), QString::fromUtf8(c.nextFee));
        EXPECT_EQ(prompter.messages().size(), 1) << "asked again: " << prompter.lastMessage().toStdString();
    }
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(FeeEngineTest, FixedSumWithAScaleAsksWhetherToApplyTheWholeScale)
{
    addCriterion(1, {.fijo = 300, .tabla = 1});
    engine.setAmountText(QStringLiteral("5000"));
    prompter.queueAnswer(Answer::Yes);
    select(1);
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(fee(), QStringLiteral("400"));
    EXPECT_EQ(mode(), 21121);
    EXPECT_EQ(engine.calculation().scaleChoice, 1);
    EXPECT_EQ(engine.fields().porcentaje, QStringLiteral("100%"));
    EXPECT_FALSE(engine.fields().label17Visible);
    ASSERT_FALSE(engine.hintsShown().empty());
    EXPECT_EQ(engine.hintsShown().back().text, QStringLiteral("Calcularé el 100% de la Escala sobre el importe de esta cuantía"));

    const FeeEngine::Line line = engine.addLine();
    EXPECT_EQ(line.fijo, 0.0);
    EXPECT_EQ(line.porcentaje, 100.0f);
    EXPECT_EQ(line.tabla, 1);
    EXPECT_EQ(line.subTotal, 400.0);
    EXPECT_EQ(line.titulo, QStringLiteral("Criterio 1"));
}

TEST_F(FeeEngineTest, QuestionNoShowsTheRecommendedSum)
{
    addCriterion(1, {.fijo = 450.5, .incremento = 10});
    prompter.queueAnswer(Answer::No);
    select(1);
    ASSERT_FALSE(engine.hintsShown().empty());
    EXPECT_EQ(engine.hintsShown().back(),
              (Hint{QStringLiteral("Cuantía!"), QStringLiteral("Aplicaré 450,5 € como la cantidad recomendada"),
                    Prompter::Icon::Information, Target::Amount}));
    EXPECT_EQ(fee(), QStringLiteral("450,5"));
    const FeeEngine::Line line = engine.addLine();
    EXPECT_EQ(line.fijo, 0.0);
    EXPECT_EQ(line.incremento, 0.0f);
}

TEST_F(FeeEngineTest, CaseTablesContinueInTheModeOfTheTableReached)
{
    // "Escala" reaches table 5 (scale with ExtraFijo 20): 11116 → 11111.
    addCriterion(1, {.tabla = 4});
    engine.setAmountText(QStringLiteral("5000"));
    prompter.queueChoice(0);
    select(1);
    EXPECT_EQ(mode(), 11111);
    EXPECT_EQ(fee(), QStringLiteral("420"));
    EXPECT_EQ(engine.calculation().extraFijo, 20.0);
    EXPECT_EQ(engine.addLine().tabla, 5);

    // With a percentage, "Tramos" reaches table 6 (brackets with extras): 11126 → 11123.
    addCriterion(2, {.porcentaje = 50, .tabla = 4});
    engine.setAmountText(QStringLiteral("10000"));
    prompter.queueChoice(1);
    select(2);
    EXPECT_EQ(mode(), 11123);
    EXPECT_EQ(fee(), QStringLiteral("310,3"));
    EXPECT_EQ(engine.calculation().extraPorc, 10.0f);

    // A case whose table is not registered: no kind, no extras, the amount.
    addCriterion(3, {.tabla = 4});
    engine.setAmountText(QStringLiteral("777"));
    prompter.queueChoice(2);
    select(3);
    EXPECT_EQ(mode(), 11110);
    EXPECT_EQ(fee(), QStringLiteral("777"));
    EXPECT_EQ(engine.calculation().tableNo, 9);
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(FeeEngineTest, QuestionTableMovesItsFeeIntoTheAmount)
{
    addCriterion(1, {.tabla = 3});
    addCriterion(2, {.incremento = 10, .tabla = 3});
    engine.setAmountText(QStringLiteral("5000"));
    prompter.queueChoice(0);
    prompter.queueText(QStringLiteral("2"));
    select(1);
    EXPECT_EQ(fee(), QStringLiteral("380"));
    EXPECT_EQ(engine.fields().amount, QStringLiteral("380"));
    EXPECT_EQ(mode(), 11110);
    // The nested run that the amount field started cleared the table amount.
    EXPECT_EQ(engine.fields().tabla, QStringLiteral("0"));
    ASSERT_EQ(engine.hintsShown().size(), 1u);
    EXPECT_EQ(engine.hintsShown().front(),
              (Hint{QStringLiteral("Autocálculo!"), QStringLiteral("Honorario calculado según la Tabla!"),
                    Prompter::Icon::Information, Target::Fee}));
    engine.setAmountText(QStringLiteral("1234"));
    EXPECT_EQ(fee(), QStringLiteral("1234"));

    engine.clearHints();
    prompter.queueChoice(1);
    prompter.queueText(QStringLiteral("1"));
    select(2);
    EXPECT_EQ(fee(), QStringLiteral("660"));
    EXPECT_EQ(engine.fields().amount, QStringLiteral("660"));
    EXPECT_EQ(engine.hintsShown().front().text, QStringLiteral("Honorario con Incremento calculado según la Tabla!"));
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(FeeEngineTest, HintsAndQuestionsShowOncePerSelection)
{
    addCriterion(1, {.porcentaje = 50});
    select(1);
    engine.setAmountText(QStringLiteral("100"));
    engine.setAmountText(QStringLiteral("200"));
    EXPECT_EQ(hintTitles(), QStringList{QStringLiteral("Autocalculo!")});
    select(1);
    EXPECT_EQ(hintTitles().size(), 2);

    addCriterion(2, {.fijo = 300, .incremento = 10});
    prompter.queueAnswer(Answer::Yes);
    select(2);
    prompter.queueAnswer(Answer::Yes);
    select(2);
    EXPECT_EQ(prompter.messages().size(), 2);
    EXPECT_TRUE(prompter.allAnswersUsed());
    engine.setAmountText(QStringLiteral("100")); // the hint of the mode the answer chose

    // A cancelled selection changes nothing but the flag: no hint again.
    engine.clearHints();
    select(std::nullopt);
    EXPECT_TRUE(engine.calculation().selectionCancelled);
    EXPECT_EQ(mode(), 12110);
    EXPECT_TRUE(engine.hintsShown().empty());
}

TEST_F(FeeEngineTest, PointsAndIpcRaiseTheFixedSumOnlyWhenSelected)
{
    writeFile(QStringLiteral("puntos.ini"), QStringLiteral("2,5\n"));
    addCriterion(1, {.fijo = 40});
    select(1);
    EXPECT_EQ(engine.calculation().pointValue, 2.5);
    EXPECT_EQ(engine.calculation().fijo, 100.0);
    select(1, 3.0f);
    EXPECT_EQ(engine.calculation().fijo, 103.0);
    EXPECT_EQ(fee(), QStringLiteral("103"));
    select(std::nullopt, 3.0f);
    EXPECT_EQ(engine.calculation().fijo, 103.0);
}

TEST_F(FeeEngineTest, LeavingTheAmountWarnsOutsideTheLimits)
{
    addCriterion(1, {.fijo = 10, .minLibre = 100, .maxLibre = 1000});
    addCriterion(2, {.fijo = 10});
    select(1);
    const struct
    {
        int criterion;
        const char *amount;
        const char *warning;
    } cases[] = {
        {1, "50", "La cantidad introducida esta por debajo de los 100 € permitido!"},
        {1, "100", ""},
        {1, "1000", ""},
        {1, "1000,01", "La cantidad introducida esta por encima de los 1000 € permitido!"},
        {1, "", ""},
        {2, "-5", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.amount);
        if (c.criterion == 2)
            select(2);
        engine.setAmountText(QString::fromUtf8(c.amount));
        engine.clearHints();
        engine.checkAmountLimits();
        if (*c.warning == 0) {
            EXPECT_TRUE(engine.hintsShown().empty());
        } else {
            ASSERT_EQ(engine.hintsShown().size(), 1u);
            EXPECT_EQ(engine.hintsShown().front(),
                      (Hint{QStringLiteral("Atención!"), QString::fromUtf8(c.warning), Prompter::Icon::Warning, Target::Amount}));
        }
    }
}

TEST_F(FeeEngineTest, AFailedRunKeepsTheFieldsAsTheyWere)
{
    addCriterion(1, {.tabla = 1});
    select(1);
    engine.setAmountText(QStringLiteral("5000"));
    const FeeEngine::Fields before = engine.fields();

    engine.setAmountText(QStringLiteral("600000"));
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("La tabla 1 (Escala) no tiene un tramo para la cuantía 600.000,00 €."));
    EXPECT_EQ(engine.fields().importe, before.importe);
    EXPECT_EQ(engine.fields().tabla, before.tabla);

    engine.setAmountText(QStringLiteral("1.234,5"));
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("La cuantía «1.234,5» no es un número válido."));
    engine.setAmountText(QStringLiteral("1E13"));
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("El importe es demasiado grande."));
    EXPECT_EQ(engine.fields().importe, QStringLiteral("400"));

    // A question table left without a numeric answer stops as well; the next run starts afresh.
    addCriterion(2, {.tabla = 3});
    engine.setAmountText(QStringLiteral("5000"));
    prompter.queueChoice(0);
    prompter.queueText(QStringLiteral("muchos"));
    select(2);
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("La respuesta «muchos» no es un número válido."));
    EXPECT_EQ(mode(), 11114);
    EXPECT_EQ(engine.fields().importe, QStringLiteral("400"));
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(FeeEngineTest, OtherConceptsHaveNoCriteria)
{
    addCriterion(1, {.fijo = 300});
    select(1);
    engine.setAmountText(QStringLiteral("50"));
    engine.setConcept(QStringLiteral("Suplido"));
    select(std::nullopt);
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("No existen criterios para el tipo Suplido"));
    EXPECT_FALSE(engine.calculation().selectionCancelled);

    // Runs go on without refreshing the references.
    engine.varyReferences([&] { engine.acceptReferences({QStringLiteral("500"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}); });
    EXPECT_EQ(fee(), QStringLiteral("550"));
    EXPECT_EQ(engine.fields().fijo, QStringLiteral("300"));
}

TEST_F(FeeEngineTest, AddingALineResetsTheEngine)
{
    addCriterion(1, {.fijo = 300, .minLibre = 10, .maxLibre = 20, .criterios = "15 h"});
    select(1);
    engine.setAmountText(QStringLiteral("1234,565"));
    const FeeEngine::Line line = engine.addLine();
    EXPECT_EQ(line, (FeeEngine::Line{QStringLiteral("15 h"), QStringLiteral("Criterio 1"), 1534.57, 300.0, 0.0f, 0.0f, 0, 0.0f}));
    EXPECT_EQ(mode(), 0);
    EXPECT_EQ(engine.calculation().minLibre, 0.0);
    EXPECT_EQ(engine.calculation().criterionId, QStringLiteral("1"));
    EXPECT_EQ(engine.fields().amount, QStringLiteral("0"));
    EXPECT_TRUE(engine.fields().criterio.isEmpty());
    EXPECT_TRUE(engine.fields().titulo.isEmpty());
    EXPECT_EQ(fee(), QStringLiteral("0")); // the amount set to 0 ran once more
}

TEST_F(FeeEngineTest, VaryingReferencesAsksTheLimitsAndKeepsTheMode)
{
    engine.varyReferences([] { ADD_FAILURE() << "dialog shown before a selection"; });
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("No se puede seleccionar las referencias de un criterío sin seleccionar"));

    addCriterion(1, {.porcentaje = 20, .minPorcentaje = 10, .maxPorcentaje = 50});
    select(1);
    engine.setAmountText(QStringLiteral("1000"));
    prompter.clear();
    bool stored = true;
    prompter.queueAnswer(Answer::No);
    engine.varyReferences([&] { stored = engine.acceptReferences({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("5")}); });
    EXPECT_FALSE(stored);
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("El porcentaje minimo permitido es 10%\n¿Desea cambiarlo igualmente?"));
    EXPECT_EQ(fee(), QStringLiteral("200"));
    prompter.queueAnswer(Answer::Yes);
    engine.varyReferences([&] { stored = engine.acceptReferences({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("60")}); });
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("El porcentaje maximo permitido es 50%\n¿Desea cambiarlo igualmente?"));
    EXPECT_EQ(fee(), QStringLiteral("600"));

    addCriterion(2, {.incremento = 10});
    select(2);
    engine.varyReferences([&] { engine.acceptReferences({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}); });
    EXPECT_EQ(mode(), 12110);
    EXPECT_EQ(fee(), QStringLiteral("1000"));

    addCriterion(3, {.fijo = 300, .minLibre = 100, .maxLibre = 500});
    select(3);
    prompter.clear();
    prompter.queueAnswer(Answer::Yes);
    engine.varyReferences([&] { engine.acceptReferences({QStringLiteral("600"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}); });
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("El Fijo maximo permitido es 500\n¿Desea cambiarlo igualmente?")});
    EXPECT_EQ(fee(), QStringLiteral("1600"));
    EXPECT_THROW(engine.acceptReferences({QStringLiteral("x"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")}), AppError);
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST(SpinReference, PercentWrapsAtAHundred)
{
    const struct
    {
        const char *text;
        bool up;
        bool percent;
        const char *expected;
    } cases[] = {
        {"", true, false, "1"},   {" ", false, false, "-1"}, {"2,5", true, false, "3,5"}, {"100", true, false, "101"},
        {"99", true, true, "100"}, {"100", true, true, "1"},  {"-99", false, true, "-100"}, {"-100", false, true, "-1"},
        {"", true, true, "1"},    {"150", false, true, "149"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SpinReference(QString::fromUtf8(c.text), c.up, c.percent), QString::fromUtf8(c.expected)) << c.text;
    EXPECT_THROW(SpinReference(QStringLiteral("diez"), true, false), AppError);
}

TEST(BuildCalcMode, FourDigitsThenTheTableKind)
{
    EXPECT_EQ(BuildCalcMode({}), 11110);
    EXPECT_EQ(BuildCalcMode({.fijo = 1, .tableKind = 1}), 21111);
    EXPECT_EQ(BuildCalcMode({.tableKind = 3, .porcentaje = 5}), 11123);
    EXPECT_EQ(BuildCalcMode({.incremento = 1, .reduccion = 1}), 12210);
    EXPECT_TRUE(CalcModeDigitSet(12110, 2));
    EXPECT_FALSE(CalcModeDigitSet(12110, 1));
}

// The rows kept in memory give what the lookups on the database give, failures included.
TEST_F(FeeEngineTest, LookupCacheAgreesWithTheDatabase)
{
    sql("INSERT INTO tipo2 VALUES (3, 40000, 50000, NULL)");
    sql("CREATE TABLE tipo7 (id INTEGER PRIMARY KEY, desde REAL, hasta REAL, porcentaje REAL, acumulado REAL)");
    sql("INSERT INTO tipo7 VALUES (2, 1000, 5000, 4, 200), (1, 0, 1000, 5, 50), (3, 5000, 9000, 'x', NULL)");
    const auto outcome = [](const auto &lookup) {
        try {
            return lookup();
        } catch (const AppError &e) {
            return e.message();
        }
    };
    LookupCache cache;
    for (const int n : {1, 5, 7, 8}) {
        for (const double v : {-1.0, 0.0, 999.99, 1000.0, 2999.99, 3000.0, 5000.0, 10000.0, 500000.0, 600000.0}) {
            const auto scale = [&](const ScaleResult &s) {
                return QStringLiteral("%1 %2 %3 %4").arg(s.fee, 0, 'g', 17).arg(s.porcentaje).arg(s.desde).arg(s.acumulado);
            };
            EXPECT_EQ(outcome([&] { return scale(cache.cumulativeScale(modulo(), n, v)); }),
                      outcome([&] { return scale(CumulativeScale(modulo(), n, v)); }))
                << n << " " << v;
        }
    }
    for (const int n : {2, 6, 9}) {
        for (const double v : {-1.0, 0.0, 5999.99, 5999.995, 6000.0, 30000.0, 45000.0, 60000.0}) {
            EXPECT_EQ(outcome([&] { return QString::number(cache.bracketLookup(modulo(), n, QStringLiteral("desde"),
                                                               QStringLiteral("HASTA"), QStringLiteral("Porcentaje"), v), 'g', 17); }),
                      outcome([&] { return QString::number(BracketLookup(modulo(), n, QStringLiteral("desde"),
                                                         QStringLiteral("HASTA"), QStringLiteral("Porcentaje"), v), 'g', 17); }))
                << n << " " << v;
        }
    }
}

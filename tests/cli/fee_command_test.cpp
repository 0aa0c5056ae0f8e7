#include "support/temp_installation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct FeeRun
{
    int status;
    QJsonArray steps;
    QByteArray out;
    QString err;
};

FeeRun Honorario(const QString &installation, const char *json)
{
    QProcess p;
    p.start(BuiltProgram(QStringLiteral("devenix-cli")),
            {QStringLiteral("honorario"), QStringLiteral("--instalacion"), installation});
    p.write(json);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    FeeRun run{p.exitCode(), {}, p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    run.steps = QJsonDocument::fromJson(run.out).object().value(QStringLiteral("Pasos")).toArray();
    return run;
}

QString Text(const QJsonArray &steps, int step, const char *key)
{
    return steps.at(step).toObject().value(QLatin1String(key)).toString();
}

} // namespace

// Madrid's criterion 14 (C5) is a fixed 1.200 € or the general scale: the engine asks.
TEST(FeeCommand, StepsRunInOrderWithTheirAnswers)
{
    const TempInstallation install;
    const FeeRun r = Honorario(install.path(), R"({"Region": "Madrid",
        "Pasos": [{"Cuantia": "50000"}, {"Seleccionar": 14}, {"Cuantia": "-5"}, {"Cuantia": "60000"},
                  {"Variar": {"Fijo": 900, "Porcentaje": 50}}, {"Anadir": true},
                  {"Seleccionar": 14}, {"SalirCuantia": true}, {"Cancelar": true}],
        "Respuestas": ["Sí", "no"]})");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    ASSERT_EQ(r.steps.size(), 9);

    EXPECT_EQ(Text(r.steps, 0, "Importe"), QStringLiteral("50000"));
    const QJsonObject selected = r.steps.at(1).toObject();
    EXPECT_EQ(selected.value(QStringLiteral("CalcMode")).toInt(), 21121);
    EXPECT_EQ(selected.value(QStringLiteral("Porcentaje")).toString(), QStringLiteral("100%"));
    const QJsonObject question = selected.value(QStringLiteral("Preguntas")).toArray().at(0).toObject();
    EXPECT_EQ(question.value(QStringLiteral("Respuesta")).toString(), QStringLiteral("Sí"));
    EXPECT_TRUE(question.value(QStringLiteral("Texto")).toString().endsWith(QStringLiteral("¿Desea Aplicar la Escala?")));
    const QString scaleFee = selected.value(QStringLiteral("Importe")).toString();
    EXPECT_EQ(Text(r.steps, 1, "Tabla"), scaleFee);
    EXPECT_EQ(selected.value(QStringLiteral("Pistas")).toArray().at(0).toObject().value(QStringLiteral("En")).toString(),
              QStringLiteral("Cuantia"));

    // A lookup that fails stops only its own step.
    const QJsonArray failure = r.steps.at(2).toObject().value(QStringLiteral("Mensajes")).toArray();
    ASSERT_EQ(failure.size(), 1);
    EXPECT_TRUE(failure.at(0).toString().contains(QStringLiteral("-5,00 €"))) << failure.at(0).toString().toStdString();
    EXPECT_EQ(Text(r.steps, 2, "Importe"), scaleFee);
    EXPECT_EQ(Text(r.steps, 2, "Cuantia"), QStringLiteral("-5"));

    // Fijo's digit of 21121 is set, so it is varied too; the line takes what the run left.
    const double fee60000 = Text(r.steps, 3, "Importe").replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    EXPECT_EQ(Text(r.steps, 4, "Porcentaje"), QStringLiteral("50%"));
    const QJsonObject line = r.steps.at(5).toObject().value(QStringLiteral("Linea")).toObject();
    EXPECT_EQ(line.value(QStringLiteral("Criterio")).toString(), QStringLiteral("C5"));
    EXPECT_EQ(line.value(QStringLiteral("Titulo")).toString(), QStringLiteral("Juicio verbal hasta sentencia"));
    EXPECT_DOUBLE_EQ(line.value(QStringLiteral("SubTotal")).toDouble(), fee60000 / 2);
    EXPECT_EQ(line.value(QStringLiteral("Fijo")).toDouble(), 0.0);
    EXPECT_EQ(line.value(QStringLiteral("Porcentaje")).toDouble(), 50.0);
    EXPECT_EQ(line.value(QStringLiteral("Tabla")).toInt(), 1);
    EXPECT_EQ(Text(r.steps, 5, "Cuantia"), QStringLiteral("0"));

    // Selected again after the line: asked again; No puts the fixed sum in the amount.
    EXPECT_EQ(Text(r.steps, 6, "Cuantia"), QStringLiteral("1200"));
    EXPECT_EQ(Text(r.steps, 6, "Importe"), QStringLiteral("1200"));
    EXPECT_EQ(r.steps.at(6).toObject().value(QStringLiteral("CalcMode")).toInt(), 11110);
    EXPECT_EQ(r.steps.at(7).toObject().value(QStringLiteral("Pistas")).toArray().size(), 0);
    EXPECT_EQ(Text(r.steps, 8, "Importe"), QStringLiteral("1200"));
}

TEST(FeeCommand, BadInputNamesTheStepAndWritesNothing)
{
    const TempInstallation install;
    const struct
    {
        const char *label;
        const char *json;
        const char *error;
    } cases[] = {
        {"not JSON", "{\"Pasos\": [", "La entrada no es un objeto JSON válido"},
        {"unknown region", R"({"Region": "Atlántida", "Pasos": []})", "No existe la región «Atlántida»."},
        {"unknown criterion", R"({"Region": 21, "Pasos": [{"Cuantia": "1"}, {"Seleccionar": 99999}]})",
         "Paso 2: no existe el criterio 99999"},
        {"unknown step", R"({"Region": "Madrid", "Pasos": [{"Borrar": true}]})", "Paso 1: tipo de paso desconocido «Borrar»."},
        {"answers run out", R"({"Region": "Madrid", "Pasos": [{"Seleccionar": 14}]})", "Paso 1: no quedan respuestas"},
        {"answer does not fit", R"({"Region": "Madrid", "Pasos": [{"Cuantia": "1"}, {"Seleccionar": 12}], "Respuestas": ["Sí"]})",
         "Paso 2: la respuesta «Sí» no es ninguna de las opciones"},
        {"unknown concept", R"({"Concepto": "Gasto", "Pasos": []})", "«Concepto» debe ser Honorario, Provision o Suplido."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        const FeeRun r = Honorario(install.path(), c.json);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.error))) << r.err.toStdString();
    }
}

TEST(FeeCommand, OtherConceptsOnlyGetTheMessage)
{
    const TempInstallation install;
    const FeeRun r = Honorario(install.path(), R"({"Region": "Madrid", "Concepto": "Suplido",
        "Pasos": [{"Seleccionar": 14}, {"Cuantia": "12.5"}]})");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.steps.at(0).toObject().value(QStringLiteral("Mensajes")).toArray(),
              (QJsonArray{QStringLiteral("No existen criterios para el tipo Suplido")}));
    EXPECT_EQ(Text(r.steps, 1, "Importe"), QStringLiteral("12,5"));
}

#include "interest/settlement_json.h"
#include "support/temp_installation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct CliRun
{
    int status;
    QByteArray out;
    QString err;
};

std::unique_ptr<QProcess> Start(const QStringList &args, const QByteArray &input = {})
{
    auto p = std::make_unique<QProcess>();
    p->start(BuiltProgram(QStringLiteral("devenix-cli")), args);
    p->write(input);
    p->closeWriteChannel();
    return p;
}

CliRun Finish(QProcess &p)
{
    p.waitForFinished(60000);
    return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
}

CliRun Cli(const QStringList &args, const QByteArray &input = {})
{
    return Finish(*Start(args, input));
}

const char *const kCase = R"json({"Capital": 10000, "Desde1": "01/01/2021", "Hasta1": "30/06/2021",
    "ConSentencia": true, "Hasta2": "31/12/2021",
    "TipoInteres1": "Interés Verbal Auto. (Legal +50%)", "TipoInteres2": "Interés Pactado", "Interes2": "4,5",
    "Moneda": "Pta",
    "Pagos": [{"Fecha": "31/03/2021", "Importe": 1000, "Tipo": "P"}, {"Fecha": "30/09/2021", "Importe": 250.5, "Tipo": "E"}]})json";

class HistoryCommand : public ::testing::Test
{
protected:
    QStringList args(QStringList words) const
    {
        return QStringList{QStringLiteral("historico")} + words + QStringList{QStringLiteral("--instalacion"), install.path()};
    }

    TempInstallation install;
};

} // namespace

TEST_F(HistoryCommand, StoredCaseIsListedShownRecomputedAndDeleted)
{
    CliRun r = Cli(args({QStringLiteral("guardar"), QStringLiteral("12/2021"), QStringLiteral("--descripcion"),
                         QStringLiteral("Pérez\tcontra Gómez"), QStringLiteral("--fecha"), QStringLiteral("05/05/2025")}),
                   kCase);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());

    r = Cli(args({QStringLiteral("listar")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("12/2021\t05/05/2025\tPérez contra Gómez\n"));

    r = Cli(args({QStringLiteral("mostrar"), QStringLiteral("12/2021")}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject shown = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(shown.value(QStringLiteral("NumAsunto")).toString(), QStringLiteral("12/2021"));
    EXPECT_EQ(shown.value(QStringLiteral("Fecha")).toString(), QStringLiteral("05/05/2025"));
    SettlementInput expected = ParseSettlementCase(kCase).input;
    expected.agreedRate1 = QStringLiteral("0"); // kept only for "Interés Pactado"
    EXPECT_EQ(ParseSettlementCase(r.out).input, expected);

    // mostrar | liquidacion: the stored case computed with the rates in force.
    const CliRun again = Cli({QStringLiteral("liquidacion"), QStringLiteral("--instalacion"), install.path()}, r.out);
    const CliRun direct = Cli({QStringLiteral("liquidacion"), QStringLiteral("--instalacion"), install.path()}, kCase);
    ASSERT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_EQ(again.out, direct.out);
    EXPECT_FALSE(QJsonDocument::fromJson(again.out).object().value(QStringLiteral("Filas")).toArray().isEmpty());

    r = Cli(args({QStringLiteral("borrar"), QStringLiteral("12/2021")}));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    for (const char *order : {"mostrar", "borrar"}) {
        r = Cli(args({QLatin1String(order), QStringLiteral("12/2021")}));
        EXPECT_EQ(r.status, 2) << order;
        EXPECT_EQ(r.err, QStringLiteral("No existe ninguna liquidación con el Núm. de Asunto \"12/2021\".\n")) << order;
    }
    EXPECT_TRUE(Cli(args({QStringLiteral("listar")})).out.isEmpty());
}

TEST_F(HistoryCommand, EmptyOrTakenCaseNumbersAndBadCasesExitWithStatus2)
{
    CliRun r = Cli(args({QStringLiteral("guardar"), QStringLiteral("  ")}), kCase);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("Es necesario rellenar el campo Núm. Asunto.\n"));

    ASSERT_EQ(Cli(args({QStringLiteral("guardar"), QStringLiteral("A")}), kCase).status, 0);
    r = Cli(args({QStringLiteral("guardar"), QStringLiteral("A")}), kCase);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("Ya existe una liquidación con ese Núm. de Asunto.\n"));

    r = Cli(args({QStringLiteral("guardar"), QStringLiteral("B")}),
            R"({"Capital": 1, "Desde1": "01/01/2021", "Hasta1": "01/01/2021", "TipoInteres1": 0})");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("La fecha final del primer período no puede ser igual o anterior a la fecha inicial.\n"));
    r = Cli(args({QStringLiteral("guardar"), QStringLiteral("B"), QStringLiteral("--fecha"), QStringLiteral("31/02/2021")}), kCase);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("La fecha introducida no es válida.\n"));
    EXPECT_EQ(Cli(args({QStringLiteral("guardar"), QStringLiteral("B")}), "no es json").status, 2);
    EXPECT_EQ(Cli(args({QStringLiteral("desconocida")})).status, 2);

    EXPECT_EQ(Cli(args({QStringLiteral("listar")})).out.count('\n'), 1);
}

TEST_F(HistoryCommand, ACaseMovesToAnotherInstallationWithItsDateDescriptionAndNotes)
{
    ASSERT_EQ(Cli(args({QStringLiteral("guardar"), QStringLiteral("M-1"), QStringLiteral("--descripcion"), QStringLiteral("Traslado")}),
                  QByteArray(kCase).replace("{\"Capital\"", "{\"Notas\": \"Primera línea\\nSegunda\", \"Capital\""))
                  .status,
              0);
    const CliRun shown = Cli(args({QStringLiteral("mostrar"), QStringLiteral("M-1")}));
    EXPECT_EQ(QJsonDocument::fromJson(shown.out).object().value(QStringLiteral("Fecha")).toString(),
              QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));

    TempInstallation other;
    const QStringList into = {QStringLiteral("historico"), QStringLiteral("guardar"), QStringLiteral("M-1"),
                              QStringLiteral("--instalacion"), other.path()};
    ASSERT_EQ(Cli(into, shown.out).status, 0);
    const CliRun moved = Cli({QStringLiteral("historico"), QStringLiteral("mostrar"), QStringLiteral("M-1"),
                              QStringLiteral("--instalacion"), other.path()});
    EXPECT_EQ(moved.out, shown.out);
    EXPECT_EQ(QJsonDocument::fromJson(moved.out).object().value(QStringLiteral("Notas")).toString(),
              QStringLiteral("Primera línea\nSegunda"));
}

TEST_F(HistoryCommand, ProgramsStoringAtTheSameTimeLoseNothingAndOneNumberGoesToOneOfThem)
{
    std::vector<std::unique_ptr<QProcess>> running;
    for (int i = 0; i < 6; ++i)
        running.push_back(Start(args({QStringLiteral("guardar"), QStringLiteral("P-%1").arg(i)}), kCase));
    for (int i = 0; i < 3; ++i)
        running.push_back(Start(args({QStringLiteral("guardar"), QStringLiteral("SAME")}), kCase));

    int sameStored = 0;
    for (std::size_t i = 0; i < running.size(); ++i) {
        const CliRun r = Finish(*running[i]);
        if (i < 6) {
            EXPECT_EQ(r.status, 0) << r.err.toStdString();
        } else if (r.status == 0) {
            ++sameStored;
        } else {
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.err, QStringLiteral("Ya existe una liquidación con ese Núm. de Asunto.\n"));
        }
    }
    EXPECT_EQ(sameStored, 1);
    EXPECT_EQ(Cli(args({QStringLiteral("listar")})).out.count('\n'), 7);
    for (const QString &n : {QStringLiteral("P-0"), QStringLiteral("P-5"), QStringLiteral("SAME")}) {
        const CliRun r = Cli(args({QStringLiteral("mostrar"), n}));
        EXPECT_EQ(ParseSettlementCase(r.out).input.movements.size(), 2u) << n.toStdString();
    }
}

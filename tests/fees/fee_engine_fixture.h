#pragma once

#include "fees/fee_engine.h"
#include "store/data_store.h"
#include "store/sql.h"
#include "support/scripted_prompter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The fields of a test criterion; blanks are stored as NULL.
struct CriterionParams
{
    double fijo = 0, incremento = 0, reduccion = 0, porcentaje = 0;
    int tabla = 0;
    double minLibre = 0, maxLibre = 0, minPorcentaje = 0, maxPorcentaje = 0;
    const char *criterios = "";
};

// A small module with one table of each kind and the criteria a test adds:
//   1 cumulative scale (0–3000 10 %, 3000–10000 5 %, 10000–500000 2 %), no extras
//   2 bracket table (0–5999,99 8 %, 6000–30000 6 %), no extras
//   3 question table: "Sin oposición" by debtors (230 for 0–1, 380 for 1–5), "Con oposición" 600
//   4 case table: "Escala" leads to 5, "Tramos" to 6, "Ninguna" to 9 (no such table)
//   5 the scale of table 1 with ExtraFijo 20
//   6 the brackets of table 2 with ExtraFijo 20 and ExtraPorc 10
class FeeEngineTest : public ::testing::Test
{
public:
    FeeEngineTest()
    {
        m_store.createModule(m_dir.path());
        sql("CREATE TABLE tipo1 (id INTEGER PRIMARY KEY, desde REAL, hasta REAL, porcentaje REAL, acumulado REAL)");
        sql("INSERT INTO tipo1 VALUES (1, 0, 3000, 10, 300), (2, 3000, 10000, 5, 650), (3, 10000, 500000, 2, 10450)");
        sql("CREATE TABLE tipo5 AS SELECT * FROM tipo1");
        sql("CREATE TABLE tipo2 (id INTEGER PRIMARY KEY, Desde REAL, Hasta REAL, Porcentaje REAL)");
        sql("INSERT INTO tipo2 VALUES (1, 0, 5999.99, 8), (2, 6000, 30000, 6)");
        sql("CREATE TABLE tipo6 AS SELECT * FROM tipo2");
        sql("CREATE TABLE tipo3 (id INTEGER PRIMARY KEY, DesdeSin REAL, HastaSin REAL, DesdeCon REAL, HastaCon REAL,"
            " Honorario REAL)");
        sql("INSERT INTO tipo3 VALUES (1, 0, 1, -2, -1, 230), (2, 1.01, 5, -2, -1, 380), (3, -2, -1, 0, 5, 600)");
        sql("CREATE TABLE tipo4 (id INTEGER PRIMARY KEY, caso TEXT, Tabla INTEGER)");
        sql("INSERT INTO tipo4 VALUES (1, 'Escala', 5), (2, 'Tramos', 6), (3, 'Ninguna', 9)");
        addTable(1, "Escala", 1);
        addTable(2, "Tramos", 3);
        addTable(3, "Monitorio", 4);
        addTable(4, "Fases", 6);
        addTable(5, "Escala con vista", 1, {}, 20);
        addTable(6, "Tramos con extras", 3, 10, 20);
        writeFile(QStringLiteral("tablas.xml"), QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<tablas>
  <tabla id="3">
    <EsquemaPreguntas><opcion>Sin oposición</opcion><opcion>Con oposición</opcion></EsquemaPreguntas>
    <Pregunta id="Sin oposición"><campodesde>DesdeSin</campodesde><campohasta>HastaSin</campohasta>
      <texto>¿Número de deudores?</texto></Pregunta>
    <Pregunta id="Con oposición"><campodesde>DesdeCon</campodesde><campohasta>HastaCon</campohasta>
      <texto>¿Número de vistas?</texto></Pregunta>
    <Resultado>Honorario</Resultado>
  </tabla>
</tablas>
)"));
    }

    using Params = CriterionParams;

    void sql(const char *text) const { RunSql(modulo(), QString::fromUtf8(text)); }
    QSqlDatabase modulo() const { return m_store.database(Alias::Modulo); }
    QString dir() const { return m_dir.path(); }

    void addTable(int id, const char *name, int kind, QVariant extraPorc = {}, QVariant extraFijo = {}) const
    {
        RunSql(modulo(), QStringLiteral("INSERT INTO tablas (Id, NombreTabla, Directivas, ExtraPorc, ExtraFijo) VALUES (?, ?, ?, ?, ?)"),
               {id, QString::fromUtf8(name), kind, extraPorc, extraFijo});
    }

    // Adds criterion `id` titled "Criterio <id>".
    void addCriterion(int id, const Params &p) const
    {
        const auto orNull = [](double v) { return v == 0 ? QVariant() : QVariant(v); };
        RunSql(modulo(),
               QStringLiteral("INSERT INTO principal (Id, IdPadre, Titulo, Criterios, Fijo, Incremento, Reduccion, Tabla,"
                              " MinLibre, MaxLibre, Porcentaje, MinPorcentaje, MaxPorcentaje)"
                              " VALUES (?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
               {id, QStringLiteral("Criterio %1").arg(id), QString::fromUtf8(p.criterios), orNull(p.fijo), orNull(p.incremento),
                orNull(p.reduccion), p.tabla == 0 ? QVariant() : QVariant(p.tabla), orNull(p.minLibre),
                orNull(p.maxLibre), orNull(p.porcentaje), orNull(p.minPorcentaje), orNull(p.maxPorcentaje)});
    }

    void writeFile(const QString &name, const QString &text) const
    {
        QFile file(dir() + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    // Loads the module files and selects the criterion (nullopt: "&Salir").
    void select(std::optional<int> id, float ipc = 0.0f)
    {
        engine.loadModule(modulo(), dir(), ipc);
        engine.selectCriterion([id] { return id; });
    }

    // Adds the criterion, selects it and types the amount.
    void run(int id, const Params &p, const char *amount)
    {
        addCriterion(id, p);
        select(id);
        engine.setAmountText(QString::fromUtf8(amount));
    }

    QStringList hintTitles() const
    {
        QStringList titles;
        for (const auto &h : engine.hintsShown())
            titles.append(h.title);
        return titles;
    }

    QString fee() const { return engine.fields().importe; }
    qint32 mode() const { return engine.calculation().calcMode; }

    QTemporaryDir m_dir;
    DataStore m_store{QStringLiteral("fee-engine-test-")};
    ScriptedPrompter prompter;
    FeeEngine engine{prompter};
};

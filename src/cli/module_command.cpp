// devenix-cli modulo REGION: a region's fee schedule as JSON.
#include "cli/cli.h"

#include "core/errors.h"
#include "fees/criterion_record.h"
#include "fees/criteria.h"
#include "fees/point_value.h"
#include "fees/region_modules.h"
#include "fees/scale_tables.h"
#include "store/data_store.h"
#include "store/sql.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlRecord>

#include <map>

namespace {

QJsonValue Number(const std::optional<double> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString KindName(int directivas)
{
    switch (directivas) {
    case 0:
        return QStringLiteral("sin tabla");
    case 1:
        return QStringLiteral("escala acumulativa");
    case 3:
        return QStringLiteral("tramos");
    case 4:
        return QStringLiteral("preguntas");
    case 6:
        return QStringLiteral("casos");
    default:
        return QStringLiteral("desconocido");
    }
}

QJsonObject CriterionJson(const QSqlDatabase &modulo, const Criterion &c, const std::multimap<int, int> &children,
                          const std::map<int, const Criterion *> &byId)
{
    const CriterionRecord r = ReadCriterionRecord(modulo, c.id);
    QJsonObject o{{QStringLiteral("Id"), c.id},
                  {QStringLiteral("IdPadre"), c.idPadre},
                  {QStringLiteral("Titulo"), r.titulo},
                  {QStringLiteral("Criterios"), r.criterios},
                  {QStringLiteral("Descripcion"), r.descripcion},
                  {QStringLiteral("Fijo"), Number(r.fijo)},
                  {QStringLiteral("Incremento"), Number(r.incremento)},
                  {QStringLiteral("Reduccion"), Number(r.reduccion)},
                  {QStringLiteral("Tabla"), r.tabla ? QJsonValue(*r.tabla) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("MinLibre"), Number(r.minLibre)},
                  {QStringLiteral("MaxLibre"), Number(r.maxLibre)},
                  {QStringLiteral("Porcentaje"), Number(r.porcentaje)},
                  {QStringLiteral("MinPorcentaje"), Number(r.minPorcentaje)},
                  {QStringLiteral("MaxPorcentaje"), Number(r.maxPorcentaje)}};
    QJsonArray hijos;
    const auto [from, to] = children.equal_range(c.id);
    for (auto it = from; it != to; ++it)
        hijos.append(CriterionJson(modulo, *byId.at(it->second), children, byId));
    if (!hijos.isEmpty())
        o.insert(QStringLiteral("Hijos"), hijos);
    return o;
}

QJsonObject TableJson(const QSqlDatabase &modulo, const QString &moduleDir, const TableRegisterRow &t)
{
    QJsonObject o{{QStringLiteral("Id"), t.id},
                  {QStringLiteral("NombreTabla"), t.nombreTabla},
                  {QStringLiteral("Directivas"), t.directivas},
                  {QStringLiteral("Tipo"), KindName(t.directivas)},
                  {QStringLiteral("ExtraPorc"), t.extraPorc},
                  {QStringLiteral("ExtraFijo"), t.extraFijo}};
    if (!TipoTableExists(modulo, t.id)) {
        o.insert(QStringLiteral("Error"), QStringLiteral("La tabla %1 no existe en el módulo de la región.").arg(t.id));
        return o;
    }
    const QSqlRecord record = modulo.record(TipoTableName(t.id));
    QJsonArray columns;
    for (int i = 0; i < record.count(); ++i)
        columns.append(record.fieldName(i));
    o.insert(QStringLiteral("Columnas"), columns);
    if (const auto titles = ColumnTitles(moduleDir, t.id))
        o.insert(QStringLiteral("Titulos"), QJsonArray::fromStringList(*titles));
    QSqlQuery rows = RunSql(modulo, QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(TipoTableName(t.id)));
    QJsonArray filas;
    while (rows.next()) {
        QJsonArray fila;
        for (int i = 0; i < record.count(); ++i)
            fila.append(QJsonValue::fromVariant(rows.value(i)));
        filas.append(fila);
    }
    o.insert(QStringLiteral("Filas"), filas);
    return o;
}

} // namespace

int RunModuleCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    const QString dir = InstallationDir(args);
    if (args.size() != 1) {
        io.err(QStringLiteral("Uso: devenix-cli modulo REGION [--instalacion DIR]\n"));
        return CliBadInput;
    }
    if (!QFileInfo(dir + QStringLiteral("/Datos")).isDir())
        throw AppError(QStringLiteral("No hay una instalación de Cuantix en \"%1\": falta la carpeta Datos. "
                                      "Indique la carpeta con --instalacion.").arg(QDir::toNativeSeparators(dir)));
    DataStore store(QStringLiteral("cli-modulo-"));
    store.setPath(Alias::General, dir + QStringLiteral("/Datos"));
    store.connect(Alias::General);
    const QSqlDatabase general = store.database(Alias::General);
    auto region = FindRegionById(general, args.first());
    if (!region)
        region = FindRegionByName(general, args.first());
    if (!region) {
        io.err(QStringLiteral("No existe la región \"%1\".\n").arg(args.first()));
        return CliBadInput;
    }
    const QString moduleDir = ModuleDirFor(dir, *region);
    store.openModule(moduleDir);
    const QSqlDatabase modulo = store.database(Alias::Modulo);

    const std::vector<Criterion> criteria = LoadCriteria(modulo);
    std::map<int, const Criterion *> byId;
    for (const Criterion &c : criteria)
        byId.emplace(c.id, &c);
    std::multimap<int, int> children; // in Id order within each parent
    QJsonArray tree;
    std::vector<const Criterion *> top;
    for (const Criterion &c : criteria) {
        if (c.idPadre != 0 && c.idPadre != c.id && byId.count(c.idPadre))
            children.emplace(c.idPadre, c.id);
        else
            top.push_back(&c);
    }
    for (const Criterion *c : top)
        tree.append(CriterionJson(modulo, *c, children, byId));
    QJsonArray tables;
    for (const TableRegisterRow &t : TableRegister(modulo))
        tables.append(TableJson(modulo, moduleDir, t));

    const std::optional<double> point = region->puntos ? ReadPointValue(moduleDir) : std::nullopt;
    const QJsonObject out{
        {QStringLiteral("Region"),
         QJsonObject{{QStringLiteral("Id"), region->id},
                     {QStringLiteral("Nombre"), region->nombre},
                     {QStringLiteral("Dir"), region->dir},
                     {QStringLiteral("Puntos"), region->puntos},
                     {QStringLiteral("IPC"), region->ipc},
                     {QStringLiteral("ValorPunto"), point ? QJsonValue(*point) : QJsonValue(QJsonValue::Null)}}},
        {QStringLiteral("Criterios"), tree},
        {QStringLiteral("Tablas"), tables}};
    io.outUtf8(QJsonDocument(out).toJson(QJsonDocument::Indented));
    return CliOk;
}

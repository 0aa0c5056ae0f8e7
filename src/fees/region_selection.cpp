#include "fees/region_selection.h"

#include "core/errors.h"
#include "core/ini_file.h"
#include "fees/criteria.h"
#include "fees/criterion_record.h"
#include "fees/point_value.h"
#include "store/app_context.h"
#include "store/sql.h"

#include <algorithm>

std::vector<RegionRow> RegionsByName(const QSqlDatabase &general)
{
    QSqlQuery q = RunSql(general, QStringLiteral("SELECT Id FROM regiones"));
    std::vector<RegionRow> rows;
    while (q.next()) {
        if (auto row = FindRegionById(general, q.value(0).toString()))
            rows.push_back(*row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const RegionRow &a, const RegionRow &b) {
        const QString fa = FoldForSearch(a.nombre);
        const QString fb = FoldForSearch(b.nombre);
        return fa == fb ? a.nombre < b.nombre : fa < fb;
    });
    return rows;
}

std::optional<RegionRow> ProposedRegion(const QSqlDatabase &general, const IniFile &settings)
{
    // An office whose province is not set yet gets no proposal rather than no window.
    const int provinceId = settings.readInteger(QStringLiteral("FACTURACION"), QStringLiteral("PROVINCIA"), 0);
    const QString provincia =
        Scalar(general, QStringLiteral("SELECT Provincia FROM provincias WHERE Id = ?"), {provinceId}).toString();
    if (provincia.isEmpty())
        return std::nullopt;
    const QString name = ProposeRegion(provincia);
    if (name.isEmpty())
        return std::nullopt;
    return FindRegionByName(general, name);
}

void StoreRegionIPC(const QSqlDatabase &general, const QString &regionId, double ipc)
{
    RunSql(general, QStringLiteral("UPDATE regiones SET IPC = ? WHERE Id = ?"), {ipc, regionId});
}

bool ActivateRegion(AppContext &context, const RegionRow &region)
{
    bool opened = true;
    try {
        OpenRegionModule(context.session, context.store, region);
    } catch (const AppError &) {
        context.prompter.error(QStringLiteral("Hubo un error al intentar abrir la información de ") + region.nombre);
        opened = false;
    }
    IniFile settings = context.settings();
    settings.writeInteger(QStringLiteral("INICIO"), QStringLiteral("REGION"), region.id.toInt());
    const auto stored = FindRegionById(context.store.database(Alias::General), region.id);
    context.session.regionName = region.nombre;
    context.session.regionIPC = static_cast<float>(stored ? stored->ipc : region.ipc);
    return opened;
}

void ApplyPointText(const QString &moduleDir, bool puntos, const QString &text)
{
    const std::optional<double> value = puntos ? ParseFieldNumber(text) : std::nullopt;
    if (value && *value > 0)
        WritePointValue(moduleDir, *value);
    else
        RemovePointValue(moduleDir);
}

QSqlDatabase ActiveModule(AppContext &context)
{
    if (!context.store.isConnected(Alias::Modulo)) {
        if (context.session.moduleDir.isEmpty())
            throw AppError(QStringLiteral("No hay ninguna región seleccionada. Elija una en «Seleccionar Región»."));
        context.store.openModule(context.session.moduleDir);
    }
    return context.store.database(Alias::Modulo);
}

#pragma once

#include "fees/region_modules.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

struct AppContext;
class IniFile;

// The regions as the region window lists them: by Nombre, accents not counting ("Cáceres"
// next to "Canarias"). Throws StoreError.
std::vector<RegionRow> RegionsByName(const QSqlDatabase &general);

// The region proposed for the office's province (settings FACTURACION/PROVINCIA, an Id of
// "provincias"): nullopt when the province is not set, unknown, has no region of its own, or
// its region is missing from "regiones". Throws StoreError.
std::optional<RegionRow> ProposedRegion(const QSqlDatabase &general, const IniFile &settings);

// Stores the IPC percentage of a region. Throws StoreError.
void StoreRegionIPC(const QSqlDatabase &general, const QString &regionId, double ipc);

// "Seleccionar" of the region window, up to closing it: the region's module becomes active
// ("Hubo un error al intentar abrir la información de " + Nombre shown when it cannot be
// opened; the region stays the chosen one), INICIO/REGION := its Id, RegionName and
// RegionIPC of the session from the stored row. Returns false when the module did not open.
bool ActivateRegion(AppContext &context, const RegionRow &region);

// The last step: the point value typed for the active region. A number above 0 in a points
// region is written to puntos.ini; blank, 0 or below, or a region without points deletes the
// file. Throws AppError for text that is not a number (the file is left as it was).
void ApplyPointText(const QString &moduleDir, bool puntos, const QString &text);

// The active region's module database, opened again when an earlier attempt failed (so the
// message names the folder or file at fault). Throws AppError, also when no region is active.
QSqlDatabase ActiveModule(AppContext &context);

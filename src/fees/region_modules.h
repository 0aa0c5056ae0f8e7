#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct Session;
class DataStore;

// One row of "regiones": a fee region and the folder of its module below "modulos".
struct RegionRow
{
    QString id;      // the key, decimal digits ("6")
    QString nombre;  // "Galicia"
    QString dir;     // "galicia"
    bool puntos = false;
    double ipc = 0.0;

    bool operator==(const RegionRow &) const = default;
};

// Region rows of the general database (connection dbGeneral). Throw StoreError.
std::optional<RegionRow> FindRegionById(const QSqlDatabase &general, const QString &id);
// Names compared without regard to case ("CATALUÑA" finds "Cataluña").
std::optional<RegionRow> FindRegionByName(const QSqlDatabase &general, const QString &nombre);
// The row whose Id is `id`, else the first row in key order; nullopt only for an empty table.
std::optional<RegionRow> RegionOrFirst(const QSqlDatabase &general, const QString &id);

// ProgramDir + "/modulos/" + Dir.
QString ModuleDirFor(const QString &programDir, const RegionRow &region);

// Makes the region active: RegionId and ModuleDir of the session, then dbModulo closed and
// opened again on ModuleDir. The caller sets RegionName and RegionIPC. Throws AppError when
// the module cannot be opened; RegionId and ModuleDir already name the new region then.
void OpenRegionModule(Session &session, DataStore &store, const RegionRow &region);

// The hidden per-community province lists of the main window, in their order.
struct CommunityList
{
    QString name;          // "Andalucia", "CastillaLeon", ...
    QStringList provinces; // as named in "provincias"
};
const std::vector<CommunityList> &RegionLists();

// Region name proposed for the office's province when a region is chosen by hand ("Huesca"
// gives "Aragon", "Alicante" "Elche"; the old province names "Gijon" and "Oviedo" give
// "Asturias"); empty when the province has no fee region of its own (Badajoz, Navarra...).
QString ProposeRegion(const QString &provincia);
// The same mapping as used after saving the company data, where only "Asturias" itself leads
// to the region "Asturias".
QString BillingRegionName(const QString &provincia);

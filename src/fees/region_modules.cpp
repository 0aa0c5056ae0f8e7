#include "fees/region_modules.h"

#include "core/session.h"
#include "store/data_store.h"
#include "store/sql.h"

namespace {

const QString kRegionColumns = QStringLiteral("SELECT Id, Nombre, Dir, Puntos, IPC FROM regiones");

RegionRow RowOf(const QSqlQuery &query)
{
    return {query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
            query.value(3).toInt() != 0, query.value(4).toDouble()};
}

std::optional<RegionRow> FirstRow(QSqlQuery query)
{
    if (!query.next())
        return std::nullopt;
    return RowOf(query);
}

// Provinces whose region is not the one of their community.
struct ProvinceRegion
{
    QString provincia;
    QString region; // empty: no fee region of its own
};

const std::vector<ProvinceRegion> &ProvinceExceptions()
{
    static const std::vector<ProvinceRegion> exceptions = {
        {QStringLiteral("Teruel"), QStringLiteral("Teruel")},
        {QStringLiteral("Alicante"), QStringLiteral("Elche")},
        {QStringLiteral("Cáceres"), QStringLiteral("Cáceres")},
        {QStringLiteral("Badajoz"), QString()},
    };
    return exceptions;
}

// Region of each community list; Andalusia's provinces are each a region of their own.
const std::vector<std::pair<QString, QString>> &CommunityRegions()
{
    static const std::vector<std::pair<QString, QString>> regions = {
        {QStringLiteral("Aragon"), QStringLiteral("Aragon")},
        {QStringLiteral("Asturias"), QStringLiteral("Asturias")},
        {QStringLiteral("Baleares"), QStringLiteral("Baleares")},
        {QStringLiteral("Canarias"), QStringLiteral("Canarias")},
        {QStringLiteral("CastillaLaMancha"), QStringLiteral("Castilla-La Mancha")},
        {QStringLiteral("CastillaLeon"), QStringLiteral("Castilla-León")},
        {QStringLiteral("Cataluna"), QStringLiteral("Cataluña")},
        {QStringLiteral("Valencia"), QStringLiteral("Valencia")},
        {QStringLiteral("Galicia"), QStringLiteral("Galicia")},
        {QStringLiteral("Madrid"), QStringLiteral("Madrid")},
        {QStringLiteral("Murcia"), QStringLiteral("Murcia")},
    };
    return regions;
}

} // namespace

std::optional<RegionRow> FindRegionById(const QSqlDatabase &general, const QString &id)
{
    return FirstRow(RunSql(general, kRegionColumns + QStringLiteral(" WHERE Id = ?"), {id}));
}

std::optional<RegionRow> FindRegionByName(const QSqlDatabase &general, const QString &nombre)
{
    // SQLite folds only ASCII letters, so the names are compared here.
    QSqlQuery query = RunSql(general, kRegionColumns + QStringLiteral(" ORDER BY Id"));
    while (query.next()) {
        if (query.value(1).toString().compare(nombre, Qt::CaseInsensitive) == 0)
            return RowOf(query);
    }
    return std::nullopt;
}

std::optional<RegionRow> RegionOrFirst(const QSqlDatabase &general, const QString &id)
{
    if (auto found = FindRegionById(general, id))
        return found;
    return FirstRow(RunSql(general, kRegionColumns + QStringLiteral(" ORDER BY Id LIMIT 1")));
}

QString ModuleDirFor(const QString &programDir, const RegionRow &region)
{
    return programDir + QStringLiteral("/modulos/") + region.dir;
}

void OpenRegionModule(Session &session, DataStore &store, const RegionRow &region)
{
    session.regionId = region.id.toInt();
    session.moduleDir = ModuleDirFor(session.programDir, region);
    store.openModule(session.moduleDir);
}

const std::vector<CommunityList> &RegionLists()
{
    static const std::vector<CommunityList> lists = {
        {QStringLiteral("Andalucia"),
         {QStringLiteral("Almería"), QStringLiteral("Cádiz"), QStringLiteral("Córdoba"), QStringLiteral("Granada"),
          QStringLiteral("Huelva"), QStringLiteral("Jaén"), QStringLiteral("Málaga"), QStringLiteral("Sevilla")}},
        {QStringLiteral("CastillaLeon"),
         {QStringLiteral("Ávila"), QStringLiteral("Burgos"), QStringLiteral("León"), QStringLiteral("Palencia"),
          QStringLiteral("Salamanca"), QStringLiteral("Segovia"), QStringLiteral("Soria"),
          QStringLiteral("Valladolid"), QStringLiteral("Zamora")}},
        {QStringLiteral("Melilla"), {QStringLiteral("Melilla")}},
        {QStringLiteral("Aragon"), {QStringLiteral("Huesca"), QStringLiteral("Teruel"), QStringLiteral("Zaragoza")}},
        {QStringLiteral("Cataluna"),
         {QStringLiteral("Barcelona"), QStringLiteral("Girona"), QStringLiteral("Lleida"),
          QStringLiteral("Tarragona")}},
        {QStringLiteral("Murcia"), {QStringLiteral("Murcia")}},
        {QStringLiteral("Asturias"), {QStringLiteral("Asturias")}},
        {QStringLiteral("Ceuta"), {QStringLiteral("Ceuta")}},
        {QStringLiteral("Navarra"), {QStringLiteral("Navarra")}},
        {QStringLiteral("Baleares"), {QStringLiteral("Islas Baleares")}},
        {QStringLiteral("Valencia"),
         {QStringLiteral("Alicante"), QStringLiteral("Castellón"), QStringLiteral("Valencia")}},
        {QStringLiteral("PaisVasco"), {QStringLiteral("Álava"), QStringLiteral("Guipúzcoa"), QStringLiteral("Vizcaya")}},
        {QStringLiteral("Canarias"), {QStringLiteral("Las Palmas"), QStringLiteral("Santa Cruz de Tenerife")}},
        {QStringLiteral("Extremadura"), {QStringLiteral("Cáceres"), QStringLiteral("Badajoz")}},
        {QStringLiteral("LaRioja"), {QStringLiteral("La Rioja")}},
        {QStringLiteral("Cantabria"), {QStringLiteral("Cantabria")}},
        {QStringLiteral("Galicia"),
         {QStringLiteral("A Coruña"), QStringLiteral("Lugo"), QStringLiteral("Ourense"), QStringLiteral("Pontevedra")}},
        {QStringLiteral("CastillaLaMancha"),
         {QStringLiteral("Albacete"), QStringLiteral("Ciudad Real"), QStringLiteral("Cuenca"),
          QStringLiteral("Guadalajara"), QStringLiteral("Toledo")}},
        {QStringLiteral("Madrid"), {QStringLiteral("Madrid")}},
    };
    return lists;
}

QString BillingRegionName(const QString &provincia)
{
    for (const auto &exception : ProvinceExceptions()) {
        if (exception.provincia == provincia)
            return exception.region;
    }
    for (const CommunityList &list : RegionLists()) {
        if (!list.provinces.contains(provincia))
            continue;
        if (list.name == QLatin1String("Andalucia"))
            return provincia;
        for (const auto &[community, region] : CommunityRegions()) {
            if (community == list.name)
                return region;
        }
        return {};
    }
    return {};
}

QString ProposeRegion(const QString &provincia)
{
    // Asturias was once listed by its two cities.
    if (provincia == QLatin1String("Gijon") || provincia == QLatin1String("Oviedo"))
        return QStringLiteral("Asturias");
    return BillingRegionName(provincia);
}

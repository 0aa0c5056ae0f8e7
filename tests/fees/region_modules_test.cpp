#include "core/errors.h"
#include "core/session.h"
#include "fees/region_modules.h"
#include "store/data_store.h"
#include "store/sql.h"
#include "support/temp_installation.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

class RegionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_session.programDir = m_install.path();
        m_store.connectMain(m_install.path());
    }
    QSqlDatabase general() const { return m_store.database(Alias::General); }

    TempInstallation m_install;
    Session m_session;
    DataStore m_store{QStringLiteral("regions-")};
};

struct MappingRow
{
    const char *provincia;
    const char *proposed; // when a region is chosen by hand
    const char *billing;  // after saving the company data
};

} // namespace

TEST(RegionMapping, ProvincesLeadToTheirFeeRegion)
{
    const MappingRow rows[] = {
        {"Sevilla", "Sevilla", "Sevilla"},
        {"Almería", "Almería", "Almería"},
        {"Huesca", "Aragon", "Aragon"},
        {"Zaragoza", "Aragon", "Aragon"},
        {"Teruel", "Teruel", "Teruel"},
        {"Alicante", "Elche", "Elche"},
        {"Castellón", "Valencia", "Valencia"},
        {"Cáceres", "Cáceres", "Cáceres"},
        {"Badajoz", "", ""},
        {"Asturias", "Asturias", "Asturias"},
        {"Oviedo", "Asturias", ""},
        {"Gijon", "Asturias", ""},
        {"Islas Baleares", "Baleares", "Baleares"},
        {"Las Palmas", "Canarias", "Canarias"},
        {"Santa Cruz de Tenerife", "Canarias", "Canarias"},
        {"Cuenca", "Castilla-La Mancha", "Castilla-La Mancha"},
        {"Ávila", "Castilla-León", "Castilla-León"},
        {"Girona", "Cataluña", "Cataluña"},
        {"A Coruña", "Galicia", "Galicia"},
        {"Madrid", "Madrid", "Madrid"},
        {"Murcia", "Murcia", "Murcia"},
        {"Navarra", "", ""},
        {"Vizcaya", "", ""},
        {"Melilla", "", ""},
        {"sevilla", "", ""}, // names are compared exactly
        {"", "", ""},
    };
    for (const MappingRow &row : rows) {
        const QString provincia = QString::fromUtf8(row.provincia);
        EXPECT_EQ(ProposeRegion(provincia), QString::fromUtf8(row.proposed)) << row.provincia;
        EXPECT_EQ(BillingRegionName(provincia), QString::fromUtf8(row.billing)) << row.provincia;
    }
}

TEST_F(RegionsTest, EveryShippedProvinceIsListedOnceAndMapsToAShippedRegion)
{
    QStringList listed;
    for (const CommunityList &list : RegionLists())
        listed += list.provinces;
    EXPECT_EQ(RegionLists().size(), 19u);

    QSqlQuery provinces = RunSql(general(), QStringLiteral("SELECT Provincia FROM provincias"));
    int count = 0;
    while (provinces.next()) {
        const QString provincia = provinces.value(0).toString();
        ++count;
        EXPECT_EQ(listed.count(provincia), 1) << provincia.toStdString();
        const QString region = BillingRegionName(provincia);
        if (!region.isEmpty()) {
            EXPECT_TRUE(FindRegionByName(general(), region).has_value()) << region.toStdString();
        }
    }
    EXPECT_EQ(count, listed.size());
}

TEST_F(RegionsTest, RegionsAreFoundByIdOrByNameInAnyCase)
{
    const auto galicia = FindRegionById(general(), QStringLiteral("6"));
    ASSERT_TRUE(galicia.has_value());
    EXPECT_EQ(*galicia, (RegionRow{QStringLiteral("6"), QStringLiteral("Galicia"), QStringLiteral("galicia"), false, 0.0}));
    EXPECT_EQ(FindRegionByName(general(), QStringLiteral("CATALUÑA"))->id, QStringLiteral("17"));
    EXPECT_EQ(FindRegionByName(general(), QStringLiteral("castilla-león"))->id, QStringLiteral("16"));
    EXPECT_FALSE(FindRegionByName(general(), QStringLiteral("Navarra")).has_value());

    // An unknown or empty start region falls back to the first row.
    EXPECT_EQ(RegionOrFirst(general(), QStringLiteral("6"))->nombre, QStringLiteral("Galicia"));
    EXPECT_EQ(RegionOrFirst(general(), QStringLiteral("999"))->id, QStringLiteral("1"));
    EXPECT_EQ(RegionOrFirst(general(), QString())->id, QStringLiteral("1"));
}

TEST_F(RegionsTest, OpeningARegionPointsTheModuleDatabaseAtItsFolder)
{
    const auto madrid = FindRegionById(general(), QStringLiteral("21"));
    ASSERT_TRUE(madrid.has_value());
    OpenRegionModule(m_session, m_store, *madrid);
    EXPECT_EQ(m_session.regionId, 21);
    EXPECT_EQ(m_session.moduleDir, m_install.path() + QStringLiteral("/modulos/madrid"));
    EXPECT_TRUE(m_store.isConnected(Alias::Modulo));
    EXPECT_EQ(m_store.path(Alias::Modulo), m_session.moduleDir);

    // A module that cannot be opened still names the new region.
    const auto murcia = FindRegionById(general(), QStringLiteral("22"));
    ASSERT_TRUE(QDir(m_install.file(QStringLiteral("modulos/murcia"))).removeRecursively());
    EXPECT_THROW(OpenRegionModule(m_session, m_store, *murcia), AppError);
    EXPECT_EQ(m_session.regionId, 22);
    EXPECT_EQ(m_session.moduleDir, m_install.path() + QStringLiteral("/modulos/murcia"));
    EXPECT_FALSE(m_store.isConnected(Alias::Modulo));
}

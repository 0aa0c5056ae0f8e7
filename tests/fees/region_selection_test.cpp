#include "core/errors.h"
#include "core/ini_file.h"
#include "fees/criterion_record.h"
#include "fees/point_value.h"
#include "fees/region_selection.h"
#include "store/sql.h"
#include "support/app_fixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class RegionSelectionTest : public ::testing::Test
{
protected:
    QSqlDatabase general() const { return m_app.store.database(Alias::General); }
    RegionRow region(const char *name) const { return *FindRegionByName(general(), QString::fromUtf8(name)); }

    AppFixture m_app;
};

} // namespace

TEST_F(RegionSelectionTest, TheOfficeProvinceProposesItsRegion)
{
    const struct
    {
        int provinceId; // data/provincias.csv
        const char *region;
    } rows[] = {{41, "Sevilla"}, {22, "Aragon"}, {44, "Teruel"}, {3, "Elche"}, {12, "Valencia"}, {6, ""}, {0, ""}};
    for (const auto &row : rows) {
        IniFile settings = m_app.context.settings();
        settings.writeInteger(QStringLiteral("FACTURACION"), QStringLiteral("PROVINCIA"), row.provinceId);
        const auto proposed = ProposedRegion(general(), settings);
        EXPECT_EQ(proposed ? proposed->nombre : QString(), QString::fromUtf8(row.region)) << row.provinceId;
    }
    // A proposal whose region is missing from the list proposes nothing.
    RunSql(general(), QStringLiteral("DELETE FROM regiones WHERE Nombre = 'Sevilla'"));
    IniFile settings = m_app.context.settings();
    settings.writeInteger(QStringLiteral("FACTURACION"), QStringLiteral("PROVINCIA"), 41);
    EXPECT_FALSE(ProposedRegion(general(), settings).has_value());

    const std::vector<RegionRow> listed = RegionsByName(general());
    ASSERT_GE(listed.size(), 3u);
    EXPECT_EQ(listed[0].nombre, QStringLiteral("Almería"));
    EXPECT_EQ(listed[1].nombre, QStringLiteral("Aragon"));
}

TEST_F(RegionSelectionTest, ActivatingARegionStoresItAndItsPointValue)
{
    StoreRegionIPC(general(), region("Málaga").id, 3);
    EXPECT_TRUE(ActivateRegion(m_app.context, region("Málaga")));
    EXPECT_EQ(m_app.session.regionName, QStringLiteral("Málaga"));
    EXPECT_EQ(m_app.session.regionIPC, 3.0f);
    EXPECT_EQ(m_app.context.settings().readString(QStringLiteral("INICIO"), QStringLiteral("REGION")),
              QStringLiteral("8"));
    const QString malaga = m_app.session.moduleDir;
    EXPECT_EQ(PointValueOrZero(malaga), 55.0);

    ApplyPointText(malaga, true, QStringLiteral("0,6"));
    EXPECT_EQ(PointFileText(malaga), QStringLiteral("0.6"));
    EXPECT_THROW(ApplyPointText(malaga, true, QStringLiteral("seis")), AppError);
    EXPECT_EQ(PointFileText(malaga), QStringLiteral("0.6")); // left as it was
    ApplyPointText(malaga, true, QStringLiteral("0"));
    EXPECT_FALSE(QFile::exists(PointFilePath(malaga)));
    WritePointValue(malaga, 2);
    ApplyPointText(malaga, false, QStringLiteral("2")); // a region that does not count in points
    EXPECT_FALSE(QFile::exists(PointFilePath(malaga)));

    // A module that cannot be opened: told, and still the chosen region.
    ASSERT_TRUE(QDir(m_app.install.file(QStringLiteral("modulos/murcia"))).removeRecursively());
    EXPECT_FALSE(ActivateRegion(m_app.context, region("Murcia")));
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("Hubo un error al intentar abrir la información de Murcia"));
    EXPECT_EQ(m_app.session.regionName, QStringLiteral("Murcia"));
    EXPECT_EQ(m_app.context.settings().readString(QStringLiteral("INICIO"), QStringLiteral("REGION")),
              QStringLiteral("22"));
}

TEST(CriterionSpin, EachKindOfFieldSteps)
{
    const struct
    {
        SpinField field;
        std::optional<double> from;
        bool up;
        double to;
    } rows[] = {
        {SpinField::Plain, std::nullopt, true, 1},       {SpinField::Plain, std::nullopt, false, -1},
        {SpinField::Plain, 300, true, 301},              {SpinField::Plain, -300, false, -301},
        {SpinField::Percentage, std::nullopt, true, 1},  {SpinField::Percentage, 100, true, 101},
        {SpinField::Percentage, 101, true, 1},           {SpinField::Percentage, -100, false, -101},
        {SpinField::Percentage, -101, false, -1},        {SpinField::Percentage, std::nullopt, false, -1},
        {SpinField::Percentage, 50, false, 49},          {SpinField::Euros, std::nullopt, true, 2},
        {SpinField::Euros, std::nullopt, false, -2},     {SpinField::Euros, 60, true, 61},
    };
    for (const auto &row : rows)
        EXPECT_EQ(Spin(row.field, row.from, row.up), row.to)
            << static_cast<int>(row.field) << " " << row.from.value_or(-999) << (row.up ? " up" : " down");

    EXPECT_EQ(PointsToEuros(30, 2), 60);
    EXPECT_EQ(EurosToPoints(90, 2), 45);
    EXPECT_EQ(ParseFieldNumber(QStringLiteral("2,5")), 2.5);
    EXPECT_EQ(ParseFieldNumber(QStringLiteral(" 2.5 ")), 2.5);
    EXPECT_EQ(ParseFieldNumber(QString()), std::nullopt);
    EXPECT_THROW(ParseFieldNumber(QStringLiteral("abc")), AppError);
    EXPECT_THROW(ParseFieldNumber(QStringLiteral("1e15")), AppError);
}

#include "fees/criteria.h"
#include "fees/fee_engine.h"
#include "store/data_store.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// A user who takes the first offer every time: Yes, the first option, 1 for a number.
class FirstOffer final : public Prompter
{
public:
    Answer message(const QString &text, Icon icon, Buttons, const QString &) override
    {
        if (icon == Icon::Error)
            errors.append(text);
        return Answer::Yes;
    }
    std::optional<QString> askText(const QString &, const QString &, const QString &) override { return QStringLiteral("1"); }
    std::optional<int> choose(const QString &, const QString &, const QStringList &, int) override { return 0; }
    void hint(const QString &, const QString &, Icon) override {}
    QString openFile(const FileRequest &) override { return {}; }
    QString saveFile(const FileRequest &) override { return {}; }
    QString chooseDirectory(const QString &, const QString &) override { return {}; }

    QStringList errors;
};

std::vector<Criterion> Leaves(const QSqlDatabase &modulo)
{
    const std::vector<Criterion> all = LoadCriteria(modulo);
    std::set<int> parents;
    for (const Criterion &c : all)
        parents.insert(c.idPadre);
    std::vector<Criterion> leaves;
    for (const Criterion &c : all) {
        if (!parents.count(c.id))
            leaves.push_back(c);
    }
    return leaves;
}

class ShippedSchedules : public ::testing::Test
{
protected:

    void open(const char *dir)
    {
        moduleDir = install.file(QStringLiteral("modulos/") + QLatin1String(dir));
        engine.releaseModule();
        store.openModule(moduleDir);
        engine.loadModule(store.database(Alias::Modulo), moduleDir, 0.0f);
    }

    QString feeFor(int id, const char *amount)
    {
        engine.setAmountText(QString::fromUtf8(amount));
        engine.selectCriterion([id] { return std::optional<int>(id); });
        return engine.fields().importe;
    }

    TempInstallation install;
    DataStore store{QStringLiteral("shipped-")};
    FirstOffer user;
    FeeEngine engine{user};
    QString moduleDir;
};

} // namespace

// Every leaf of the four schedules runs on amounts across the scales without a failure, and
// together they reach every mode the schedules are built with.
TEST_F(ShippedSchedules, EveryLeafRunsAndEveryUsedModeIsReached)
{
    std::set<qint32> modes;
    for (const char *dir : {"madrid", "malaga", "valencia", "cataluna"}) {
        open(dir);
        const std::vector<Criterion> leaves = Leaves(store.database(Alias::Modulo));
        EXPECT_GE(leaves.size(), 25u) << dir;
        for (const Criterion &c : leaves) {
            for (const char *amount : {"0", "1000", "50000", "2500000"}) {
                engine.setAmountText(QString::fromUtf8(amount));
                engine.loadCriterion(c);
                modes.insert(engine.calculation().calcMode);
                engine.adjustFixed();
                engine.recalculate();
                EXPECT_TRUE(user.errors.isEmpty()) << dir << " " << c.id << " " << amount << ": "
                                                   << user.errors.join(QLatin1Char('|')).toStdString();
                user.errors.clear();
            }
        }
    }
    const std::set<qint32> used = {11110, 11111, 11113, 11114, 11116, 11120, 11121, 11123, 11126, 11210, 11211,
                                   12110, 12111, 12114, 21110, 21111, 21120, 21121, 21210, 21211, 22110, 22111};
    EXPECT_EQ(modes, used);
}

TEST_F(ShippedSchedules, FiguresOfTheSources)
{
    open("madrid");
    // C5: a fixed 1.200 € or the whole scale: 7.540 € up to 45.000 € and 12 % of the rest.
    EXPECT_EQ(feeFor(14, "50000"), QStringLiteral("8140"));
    EXPECT_EQ(engine.calculation().calcMode, 21121);
    // C15a4: the scale plus 450 € for the hearing.
    EXPECT_EQ(feeFor(41, "50000"), QStringLiteral("8590"));

    open("malaga");
    EXPECT_EQ(engine.calculation().pointValue, 55.0);
    // An additional session: 5 points of 55 €.
    EXPECT_EQ(feeFor(15, "0"), QStringLiteral("275"));
    EXPECT_EQ(engine.fields().fijo, QStringLiteral("275"));
}

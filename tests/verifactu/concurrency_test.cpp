#include "ledger_fixture.h"

#include "verifactu/record_check.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

TEST(VerifactuLedger, TwoProgramsIssuingAtOnceGiveOneUnbrokenChain)
{
    LedgerFixture f;
    std::vector<std::unique_ptr<QProcess>> programs;
    for (const char *first : {"1", "101"}) {
        auto p = std::make_unique<QProcess>();
        p->start(BuiltProgram(QStringLiteral("verifactu_issuer")),
                 {f.install.datos(), QString::fromLatin1(first), QStringLiteral("40")});
        ASSERT_TRUE(p->waitForReadyRead(30000));
        EXPECT_EQ(p->readLine().trimmed(), QByteArray("PREPARADO"));
        programs.push_back(std::move(p));
    }
    for (auto &p : programs) {
        p->write("adelante\n");
        p->waitForBytesWritten();
    }
    for (auto &p : programs) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->readAllStandardOutput().trimmed(), QByteArray("LISTO"));
    }
    const auto records = VerifactuLedger::Records(f.db());
    ASSERT_EQ(records.size(), 80u);
    // Both programs got turns: the chain interleaves their invoices.
    int switches = 0;
    for (std::size_t i = 1; i < records.size(); ++i)
        switches += (records[i].idFactura > 100) != (records[i - 1].idFactura > 100);
    const ChainCheck check = CheckRecordChain(f.db());
    EXPECT_TRUE(check.ok()) << check.problem.toStdString();
    EXPECT_EQ(check.checked, 80);
    EXPECT_GT(switches, 1);
}

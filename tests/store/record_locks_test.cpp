#include "core/prompter.h"
#include "platform/process.h"
#include "store/data_store.h"
#include "store/lock_conflict.h"
#include "store/lock_list.h"
#include "store/record_locks.h"
#include "store/sql.h"
#include "support/pg_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_installation.h"
#include "lock_holder_process.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSysInfo>

#include <gtest/gtest.h>

namespace {

class RecordLocksTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_store.setPath(Alias::Devenix, m_install.datos());
        m_store.connect(Alias::Devenix);
    }
    QSqlDatabase db() const { return m_store.database(Alias::Devenix); }
    static LockIdentity Other(const QString &user, qint64 process)
    {
        return {user, QSysInfo::machineHostName(), process, QStringLiteral("otra-sesion")};
    }

    StoreCode codeOf(RecordLocks &locks, const QString &key, const std::function<bool()> &exists = {})
    {
        try {
            locks.lock(QStringLiteral("Interes"), key, exists);
            return StoreCode::Failure;
        } catch (const StoreError &e) {
            m_lastMessage = e.message();
            return e.code();
        }
    }

    TempInstallation m_install;
    DataStore m_store{QStringLiteral("locks-")};
    QString m_lastMessage;
};

} // namespace

TEST_F(RecordLocksTest, AnotherRunningProgramHoldsTheLockUntilItReleasesIt)
{
    LockHolder other(m_install.datos(), QStringLiteral("Interes"), QStringLiteral("2021-01-01"));
    ASSERT_EQ(other.firstLine(), QStringLiteral("BLOQUEADO"));
    RecordLocks mine(db());
    EXPECT_EQ(codeOf(mine, QStringLiteral("2021-01-01")), StoreCode::LockedByOther);
    EXPECT_EQ(LockUserName(m_lastMessage), CurrentUserName());
    // Another record is free.
    EXPECT_NO_THROW(mine.lock(QStringLiteral("Interes"), QStringLiteral("2022-01-01")));
    // Start-up clean-up keeps the locks of running programs.
    EXPECT_EQ(RecordLocks::RemoveStale(db()), 0);
    other.release();
    EXPECT_NO_THROW(mine.lock(QStringLiteral("Interes"), QStringLiteral("2021-01-01")));
}

TEST_F(RecordLocksTest, LocksOfAProgramThatEndedAreRemovedOrTakenOver)
{
    {
        LockHolder first(m_install.datos(), QStringLiteral("Interes"), QStringLiteral("2021-01-01"));
        ASSERT_EQ(first.firstLine(), QStringLiteral("BLOQUEADO"));
        first.crash();
    }
    RecordLocks mine(db());
    EXPECT_NO_THROW(mine.lock(QStringLiteral("Interes"), QStringLiteral("2021-01-01")));

    LockHolder second(m_install.datos(), QStringLiteral("Interes"), QStringLiteral("2023-01-01"));
    ASSERT_EQ(second.firstLine(), QStringLiteral("BLOQUEADO"));
    second.crash();
    EXPECT_EQ(RecordLocks::RemoveStale(db()), 1);
    EXPECT_EQ(Scalar(db(), QStringLiteral("SELECT count(*) FROM Bloqueos WHERE Clave = '2023-01-01'")).toInt(), 0);
    // Our own lock (a running program) stays.
    EXPECT_EQ(Scalar(db(), QStringLiteral("SELECT count(*) FROM Bloqueos WHERE Clave = '2021-01-01'")).toInt(), 1);
}

TEST_F(RecordLocksTest, OutcomesInOneProgram)
{
    RecordLocks mine(db());
    RecordLocks other(db(), Other(QStringLiteral("ana"), QCoreApplication::applicationPid()));
    other.lock(QStringLiteral("Interes"), QStringLiteral("k"));
    EXPECT_EQ(codeOf(mine, QStringLiteral("k")), StoreCode::LockedByOther);
    EXPECT_EQ(LockUserName(m_lastMessage), QStringLiteral("ana"));

    mine.lock(QStringLiteral("Interes"), QStringLiteral("m"));
    EXPECT_EQ(codeOf(mine, QStringLiteral("m")), StoreCode::AlreadyLockedHere);

    EXPECT_EQ(codeOf(mine, QStringLiteral("n"), [] { return false; }), StoreCode::DeletedByOther);

    mine.unlockAll();
    EXPECT_NO_THROW(mine.lock(QStringLiteral("Interes"), QStringLiteral("m")));
    other.unlock(QStringLiteral("Interes"), QStringLiteral("k"));
    EXPECT_NO_THROW(mine.lock(QStringLiteral("Interes"), QStringLiteral("k")));
}

TEST_F(RecordLocksTest, ScopedLockReleasesOnLeaving)
{
    RecordLocks other(db(), Other(QStringLiteral("ana"), QCoreApplication::applicationPid()));
    {
        ScopedRecordLock hold(RecordLocks(db()), QStringLiteral("plantill"), QStringLiteral("1"));
        EXPECT_THROW(other.lock(QStringLiteral("plantill"), QStringLiteral("1")), StoreError);
    }
    EXPECT_NO_THROW(other.lock(QStringLiteral("plantill"), QStringLiteral("1")));
}

TEST(LockUserName, TakesTheTextAfterUser)
{
    EXPECT_EQ(LockUserName(QStringLiteral("Registro bloqueado por otro usuario. User: ana")), QStringLiteral("ana"));
    // Without "User:" the name is the message from its sixth character on.
    EXPECT_EQ(LockUserName(QStringLiteral("Tabla ocupada")), QStringLiteral(" ocupada"));
}

TEST(LockConflict, ReactsToEachOutcome)
{
    ScriptedPrompter prompter;
    int refreshed = 0;
    const auto refresh = [&refreshed] { ++refreshed; };
    const auto failWith = [](StoreCode code, const QString &message) {
        return [code, message] { throw StoreError(code, message); };
    };

    EXPECT_TRUE(LockConflict(prompter, LockBeginning::RateEdit, [] {}, refresh));
    EXPECT_FALSE(LockConflict(prompter, LockBeginning::RateEdit,
                              failWith(StoreCode::DeletedByOther, QStringLiteral("x")), refresh));
    EXPECT_EQ(refreshed, 1);
    EXPECT_TRUE(prompter.messages().isEmpty());

    EXPECT_FALSE(LockConflict(prompter, LockBeginning::RateDelete,
                              failWith(StoreCode::LockedByOther, QStringLiteral("Bloqueado. User: pepe")), refresh));
    EXPECT_EQ(prompter.lastMessage(),
              QStringLiteral("En este momento el tipo de interes está siendo usado por el usuario: \"pepe\". Inténtelo más tarde."));
    EXPECT_EQ(prompter.shown().back().icon, Prompter::Icon::Information);

    EXPECT_FALSE(LockConflict(prompter, LockBeginning::Record,
                              failWith(StoreCode::AlreadyLockedHere, QStringLiteral("x")), refresh, true));
    EXPECT_EQ(prompter.lastMessage(),
              QStringLiteral("Este registro ya está siendo usado dentro de la ejecución del programa."));
    EXPECT_THROW(LockConflict(prompter, LockBeginning::RateEdit,
                              failWith(StoreCode::AlreadyLockedHere, QStringLiteral("x")), refresh),
                 StoreError);
    EXPECT_THROW(LockConflict(prompter, LockBeginning::RateEdit,
                              failWith(StoreCode::KeyViolation, QStringLiteral("x")), refresh),
                 StoreError);
}

// A program that crashed on another computer leaves its lock for good; the "Bloqueos" window
// lists it and releases it once the user confirms.
TEST_F(RecordLocksTest, AStaleLockOfAnotherComputerIsListedAndReleasedOnConfirmation)
{
    RecordLocks elsewhere(db(), {QStringLiteral("ana"), QStringLiteral("despacho-2"), 4242, QStringLiteral("s-ana")});
    elsewhere.lock(QStringLiteral("Interes"), QStringLiteral("2021-01-01"));
    RecordLocks ended(db(), Other(QStringLiteral("luis"), 999999999)); // no such process here
    ended.lock(QStringLiteral("Interes"), QStringLiteral("2022-01-01"));
    if (IsServer(db())) // there, the session is what has ended
        RunSql(db(), QStringLiteral("UPDATE Bloqueos SET Conexion = '999999:1' WHERE Clave = '2022-01-01'"));
    RecordLocks mine(db());
    mine.lock(QStringLiteral("Interes"), QStringLiteral("2023-01-01"));

    const std::vector<HeldLock> locks = CurrentLocks(m_store);
    ASSERT_EQ(locks.size(), 2u) << "the lock of the ended program is removed";
    const HeldLock &ana = locks.front();
    EXPECT_EQ(ana.databaseText(), QStringLiteral("Datos"));
    EXPECT_EQ(ana.table, QStringLiteral("Interes"));
    EXPECT_EQ(ana.key, QStringLiteral("2021-01-01"));
    EXPECT_EQ(ana.user, QStringLiteral("ana"));
    EXPECT_EQ(ana.host, QStringLiteral("despacho-2"));
    EXPECT_TRUE(ana.since.isValid());

    ScriptedPrompter prompter;
    EXPECT_FALSE(ReleaseLock(m_store, locks.back(), prompter)) << "this program's own lock";
    prompter.queueAnswer(Prompter::Answer::No);
    EXPECT_FALSE(ReleaseLock(m_store, ana, prompter));
    EXPECT_EQ(CurrentLocks(m_store).size(), 2u);
    prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_TRUE(ReleaseLock(m_store, ana, prompter));
    EXPECT_TRUE(prompter.lastMessage().startsWith(
        QStringLiteral("¿Desea liberar el bloqueo de Interes 2021-01-01 que tiene el usuario ana en el equipo despacho-2?")));
    EXPECT_EQ(CurrentLocks(m_store), std::vector<HeldLock>{locks.back()});
    EXPECT_NO_THROW(RecordLocks(db()).lock(QStringLiteral("Interes"), QStringLiteral("2021-01-01")));
}

// On a server, a program of another computer that stopped without releasing its lock is known
// by its ended session; one still connected keeps its lock.
TEST_F(RecordLocksTest, OnAServerALockEndsWithItsSession)
{
    if (!IsServer(db()))
        GTEST_SKIP() << "a SQLite file cannot tell that a program of another computer has ended";
    DataStore gone(QStringLiteral("gone-"));
    DataStore live(QStringLiteral("live-"));
    for (DataStore *store : {&gone, &live}) {
        store->setPath(Alias::Devenix, m_install.datos());
        store->connect(Alias::Devenix);
    }
    const qint64 session = Scalar(gone.database(Alias::Devenix), QStringLiteral("SELECT pg_backend_pid()")).toLongLong();
    RecordLocks(gone.database(Alias::Devenix), {QStringLiteral("ana"), QStringLiteral("despacho-2"), 4242, QStringLiteral("s-ana")})
        .lock(QStringLiteral("Interes"), QStringLiteral("2021-01-01"));
    RecordLocks(live.database(Alias::Devenix), {QStringLiteral("luis"), QStringLiteral("despacho-3"), 4243, QStringLiteral("s-luis")})
        .lock(QStringLiteral("Interes"), QStringLiteral("2022-01-01"));
    gone.closeAll();
    WaitForSessionEnd(session);

    RecordLocks mine(db());
    EXPECT_EQ(codeOf(mine, QStringLiteral("2022-01-01")), StoreCode::LockedByOther);
    const std::vector<HeldLock> locks = CurrentLocks(m_store);
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_EQ(locks.front().user, QStringLiteral("luis"));
    EXPECT_NO_THROW(mine.lock(QStringLiteral("Interes"), QStringLiteral("2021-01-01")));
}

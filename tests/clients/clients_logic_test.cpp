#include "clients/email_list.h"
#include "clients/record_actions.h"
#include "clients/record_file.h"
#include "store/sql.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

namespace {

Record Client(const char *name)
{
    return Record{{QStringLiteral("SNombreCli"), QString::fromUtf8(name)}};
}

class ClientsFileTest : public ::testing::Test
{
protected:
    QSqlDatabase db() const { return m_app.store.database(Alias::Intereses); }

    AppFixture m_app;
    RecordFile m_clients{db(), ClientsFile()};
};

TEST_F(ClientsFileTest, PostalCodeGivesTheProvinceOfItsPrefix)
{
    struct Row
    {
        const char *code;
        std::optional<QString> province;
    };
    for (const Row &row : {Row{"28001", QStringLiteral("Madrid")}, Row{"07001", QStringLiteral("Islas Baleares")},
                           Row{"35001", QStringLiteral("Las Palmas")}, Row{"52001", QStringLiteral("Melilla")},
                           Row{"00123", QString()}, Row{"60000", QString()}, Row{"A8001", std::nullopt},
                           Row{"2", std::nullopt}}) {
        EXPECT_EQ(ProvinceOfPostalCode(db(), QString::fromLatin1(row.code)), row.province) << row.code;
    }
    EXPECT_EQ(ProvinceNames(db()).size(), 52);
}

TEST_F(ClientsFileTest, TwoProgramsAddingAtOnceGetDifferentNumbers)
{
    DataStore other(QStringLiteral("other-"));
    other.connectMain(m_app.install.path());
    RecordFile otherClients(other.database(Alias::Intereses), ClientsFile());
    ScriptedPrompter otherPrompter;

    RecordActions mine(m_clients, m_app.prompter);
    RecordActions theirs(otherClients, otherPrompter);
    mine.beginAdd();
    theirs.beginAdd();
    EXPECT_EQ(mine.number(), 1);
    EXPECT_EQ(theirs.number(), 1);
    EXPECT_EQ(theirs.accept(Client("Primero")), 1);
    EXPECT_EQ(mine.accept(Client("Segundo")), 2);
    EXPECT_EQ(m_clients.find(2)->value(QStringLiteral("SNombreCli")).toString(), QStringLiteral("Segundo"));
    EXPECT_EQ(m_clients.nextNumber(), 3);
}

TEST_F(ClientsFileTest, ARecordDeletedWhileEditedIsStoredAgainNotLost)
{
    const int number = m_clients.insert(Client("Ana"), 1);
    RecordActions actions(m_clients, m_app.prompter);
    ASSERT_TRUE(actions.beginEdit(number, {}));
    m_clients.remove(number); // as a program that ignored the lock would
    EXPECT_EQ(actions.accept(Client("Ana Pérez")), 1);
    EXPECT_EQ(m_clients.find(1)->value(QStringLiteral("SNombreCli")).toString(), QStringLiteral("Ana Pérez"));
    EXPECT_TRUE(m_app.prompter.lastMessage().contains(QStringLiteral("Otro usuario había eliminado")));
}

TEST_F(ClientsFileTest, EditingARecordAlreadyOpenHereIsRefusedWithTheMessage)
{
    m_clients.insert(Client("Ana"), 1);
    RecordActions first(m_clients, m_app.prompter);
    RecordActions second(m_clients, m_app.prompter);
    ASSERT_TRUE(first.beginEdit(1, {}));
    EXPECT_FALSE(second.beginEdit(1, {}));
    EXPECT_EQ(m_app.prompter.lastMessage(),
              QStringLiteral("Este registro ya está siendo usado dentro de la ejecución del programa."));
    first.cancel();
    EXPECT_TRUE(second.beginEdit(1, {}));
}

TEST_F(ClientsFileTest, ARecordAnotherUserHoldsIsNeitherEditedNorDeleted)
{
    m_clients.insert(Client("Ana"), 1);
    LockIdentity other = LockIdentity::Current();
    other.user = QStringLiteral("Marta");
    other.host = QStringLiteral("otro-equipo");
    other.session = QStringLiteral("otra-sesion");
    RecordLocks(db(), other).lock(QStringLiteral("clientes"), RecordFile::LockKey(1));

    RecordActions actions(m_clients, m_app.prompter);
    EXPECT_FALSE(actions.beginEdit(1, {}));
    const QString message =
        QStringLiteral("En este momento el registro está siendo usado por el usuario: \"Marta\". Inténtelo más tarde.");
    EXPECT_EQ(m_app.prompter.lastMessage(), message);
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_FALSE(actions.remove(1, {}));
    EXPECT_EQ(m_app.prompter.lastMessage(), message);
    EXPECT_TRUE(m_clients.exists(1));
}

TEST_F(ClientsFileTest, DeletingAskAndAVanishedRecordRefreshesSilently)
{
    m_clients.insert(Client("Ana"), 1);
    RecordActions actions(m_clients, m_app.prompter);
    m_app.prompter.queueAnswer(Prompter::Answer::No);
    EXPECT_FALSE(actions.remove(1, {}));
    EXPECT_TRUE(m_clients.exists(1));
    ASSERT_FALSE(m_app.prompter.shown().empty());
    EXPECT_EQ(m_app.prompter.shown().back().title, QStringLiteral("Baja"));
    EXPECT_EQ(m_app.prompter.shown().back().icon, Prompter::Icon::Warning);

    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_TRUE(actions.remove(1, {}));
    EXPECT_FALSE(m_clients.exists(1));

    bool refreshed = false;
    m_app.prompter.clear();
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_FALSE(actions.remove(1, [&] { refreshed = true; }));
    EXPECT_TRUE(refreshed);
    EXPECT_EQ(m_app.prompter.messages().size(), 1); // only the question
}

TEST_F(ClientsFileTest, ListRepositionsByNameAndSearchesByContent)
{
    for (const char *name : {"López García", "GARCIA", "Álvarez", "garcía", "Zamora", "abad"})
        m_clients.insert(Client(name), m_clients.nextNumber());
    RecordList list(ClientsFile());
    list.load(db());
    QStringList names;
    for (int row = 0; row < list.size(); ++row)
        names << list.cell(row, 0);
    EXPECT_EQ(names, (QStringList{QStringLiteral("abad"), QStringLiteral("GARCIA"), QStringLiteral("garcía"),
                                  QStringLiteral("López García"), QStringLiteral("Zamora"), QStringLiteral("Álvarez")}));
    EXPECT_EQ(list.nearest(QStringLiteral("g")), 1);
    EXPECT_EQ(list.nearest(QStringLiteral("LO")), 3);
    EXPECT_EQ(list.nearest(QStringLiteral("zz")), 5);
    EXPECT_EQ(list.nearest(QStringLiteral("ÿ")), 5);

    EXPECT_EQ(list.findContaining(0, 0, QStringLiteral("garc")), 1);
    EXPECT_EQ(list.findContaining(2, 0, QStringLiteral("garc")), 2);
    EXPECT_EQ(list.findContaining(3, 0, QStringLiteral("garc")), 3);
    EXPECT_EQ(list.findContaining(4, 0, QStringLiteral("garc")), -1);
}

TEST_F(ClientsFileTest, ListReadsFarRowsAsShownAndSearchesOtherColumns)
{
    Transaction transaction(db());
    for (int i = 1; i <= 600; ++i) {
        m_clients.insert(Record{{QStringLiteral("SNombreCli"), QStringLiteral("Cliente %1").arg(1000 - i)},
                                {QStringLiteral("SNifCli"), QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0'))},
                                {QStringLiteral("STelefonoCli"), QStringLiteral("965%1").arg(i, 6, 10, QLatin1Char('0'))}},
                         i);
    }
    transaction.commit();
    RecordList list(ClientsFile());
    list.load(db());
    m_clients.remove(list.number(450)); // gone after the list was read
    for (const int row : {599, 0, 300, 450, 451}) {
        const int number = list.number(row);
        EXPECT_EQ(list.cell(row, 0), QStringLiteral("Cliente %1").arg(1000 - number)) << row;
        const QString nif = row == 450 ? QString() : QStringLiteral("%1").arg(number, 8, 10, QLatin1Char('0'));
        EXPECT_EQ(list.cell(row, 2), nif) << row;
    }
    const int telephone = static_cast<int>(ClientsFile().listFields.indexOf(QStringLiteral("STelefonoCli")));
    const int found = list.findContaining(0, telephone, QStringLiteral("000007"));
    ASSERT_GE(found, 0);
    EXPECT_EQ(list.number(found), 7);
    EXPECT_EQ(list.findContaining(found + 1, telephone, QStringLiteral("000007")), -1);
}

TEST_F(ClientsFileTest, OverLongFieldIsRefusedNamingIt)
{
    Record record = Client("Ana");
    record.insert(QStringLiteral("SCodPostalCli"), QStringLiteral("280011"));
    EXPECT_THROW(m_clients.insert(record, 1), AppError);
    EXPECT_EQ(m_clients.count(), 0);
}

// Contacts' address list.

Record Emails(std::initializer_list<std::pair<int, const char *>> addresses)
{
    Record record;
    for (const auto &[index, address] : addresses)
        record.insert(QStringLiteral("Email%1").arg(index), QString::fromLatin1(address));
    return record;
}

QStringList StoredEmails(const Record &record)
{
    QStringList out;
    for (int i = 1; i <= 5; ++i)
        out << record.value(QStringLiteral("Email%1").arg(i)).toString();
    return out;
}

TEST(EmailList, KeepsStoredPositionsAndStoresOnlyWhenChanged)
{
    EmailList list;
    Record record = Emails({{3, "c@x.es"}});
    list.load(record);
    EXPECT_EQ(list.rows(), (QStringList{QString(), QString(), QStringLiteral("c@x.es")}));
    Record untouched = record;
    list.store(untouched);
    EXPECT_EQ(untouched, record);

    list.load(Emails({{1, "a@x.es"}}));
    ScriptedPrompter prompter;
    prompter.queueAnswer(Prompter::Answer::Yes);
    ASSERT_TRUE(list.remove(0, prompter));
    Record emptied = Emails({{1, "a@x.es"}});
    list.store(emptied);
    EXPECT_EQ(StoredEmails(emptied), QStringList(5, QString()));
}

TEST(EmailList, DefaultSwapsWithTheFirstAndTheSixthIsRefused)
{
    EmailList list;
    list.load(Emails({{1, "a@x.es"}, {2, "b@x.es"}, {3, "c@x.es"}}));
    ASSERT_TRUE(list.makeDefault(2));
    Record record;
    list.store(record);
    EXPECT_EQ(StoredEmails(record), (QStringList{QStringLiteral("c@x.es"), QStringLiteral("b@x.es"),
                                                 QStringLiteral("a@x.es"), QString(), QString()}));

    ScriptedPrompter prompter;
    list.add(QStringLiteral("d@x.es"), prompter);
    list.add(QStringLiteral("e@x.es"), prompter);
    EXPECT_FALSE(list.add(QStringLiteral("f@x.es"), prompter));
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("El número máximo de direcciones que se pueden almacenar es 5."));
    EXPECT_EQ(list.rows().size(), 5);
}

TEST(EmailList, AsksBeforeAddingAnAddressThatDoesNotLookValid)
{
    struct Row
    {
        const char *address;
        bool asks;
    };
    for (const Row &row : {Row{"ana@x", true}, Row{"ana@x.es", false}, Row{"ana.p@x", true}, Row{"ana.x.es", true}}) {
        EmailList list;
        ScriptedPrompter prompter;
        if (row.asks)
            prompter.queueAnswer(Prompter::Answer::No);
        EXPECT_EQ(list.add(QString::fromLatin1(row.address), prompter), !row.asks) << row.address;
        EXPECT_EQ(prompter.messages().size(), row.asks ? 1 : 0) << row.address;
        EXPECT_EQ(list.rows().size(), 1); // a single empty row takes the first address
    }
}

} // namespace

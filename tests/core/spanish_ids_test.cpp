#include "core/spanish_ids.h"

#include <gtest/gtest.h>

namespace {

TEST(CompleteNif, AddsTheLetterOfANifOrANie)
{
    struct Row
    {
        const char *typed;
        const char *completed;
    };
    for (const Row &row : {Row{"12345678", "12345678-Z"}, Row{"12345678-X", "12345678-Z"},
                           Row{"00000000", "00000000-T"}, Row{"X1234567", "X1234567-L"},
                           Row{"y1234567", "Y1234567-X"}, Row{"Z0000000", "Z0000000-M"}}) {
        const NifCompletion completion = CompleteNif(QString::fromLatin1(row.typed));
        EXPECT_EQ(completion.outcome, NifCompletion::Outcome::Completed) << row.typed;
        EXPECT_EQ(completion.value, QString::fromLatin1(row.completed)) << row.typed;
    }
}

TEST(CompleteNif, TellsWhyItCannot)
{
    const NifCompletion seven = CompleteNif(QStringLiteral("1234567"));
    EXPECT_EQ(NifCompletionMessage(seven.outcome, QStringLiteral("N.I.F / C.I.F.")),
              QStringLiteral("Para calcular la letra del N.I.F / C.I.F. debe haber 8 caracteres númericos."));
    const NifCompletion letter = CompleteNif(QStringLiteral("1234567A"));
    EXPECT_EQ(NifCompletionMessage(letter.outcome, QStringLiteral("N.I.F.:")),
              QStringLiteral("Para calcular la letra del N.I.F.: los 8 primeros caracteres deben ser números."));
    EXPECT_EQ(CompleteNif(QStringLiteral("X12345")).outcome, NifCompletion::Outcome::TooShort);
}

TEST(CheckTaxId, KnowsNifNieAndEachKindOfCif)
{
    struct Row
    {
        const char *id;
        TaxIdKind kind;
    };
    for (const Row &row : {
             Row{"12345678Z", TaxIdKind::Nif},      Row{"12345678-z", TaxIdKind::Nif},
             Row{"12345678A", TaxIdKind::Invalid},  Row{"X1234567L", TaxIdKind::Nie},
             Row{"X1234567M", TaxIdKind::Invalid},  Row{"A58818501", TaxIdKind::Cif}, // digit-only letter
             Row{"A5881850A", TaxIdKind::Invalid},  Row{"B12345674", TaxIdKind::Cif},
             Row{"B12345675", TaxIdKind::Invalid},  Row{"Q2826000H", TaxIdKind::Cif}, // letter-only
             Row{"Q28260008", TaxIdKind::Invalid},  Row{"P1234567D", TaxIdKind::Cif},
             Row{"P12345674", TaxIdKind::Invalid},  Row{"I12345674", TaxIdKind::Invalid},
             Row{"", TaxIdKind::Invalid},
         }) {
        EXPECT_EQ(CheckTaxId(QString::fromLatin1(row.id)), row.kind) << row.id;
    }
}

TEST(BankAccount, ChecksTheControlDigitsOfACcc)
{
    EXPECT_EQ(CccControlDigits(QStringLiteral("12345678061234567890")), QStringLiteral("06"));
    EXPECT_EQ(BankAccountMessage(QStringLiteral("12345678061234567890")), QString());
    EXPECT_EQ(BankAccountMessage(QStringLiteral("1234 5678 06 1234567890")), QString());
    EXPECT_EQ(BankAccountMessage(QStringLiteral("21000418450200051332")), QString());
    EXPECT_EQ(BankAccountMessage(QStringLiteral("12345678071234567890")),
              QStringLiteral("los dígitos de control no son válidos, deberían ser '06'. revise el número de cuenta. "));
    EXPECT_EQ(BankAccountMessage(QStringLiteral("1234567806")), QStringLiteral("revise el número de cuenta. faltan dígitos."));
    EXPECT_EQ(BankAccountMessage(QString()), QString());
}

TEST(BankAccount, ChecksASpanishIbanAndItsCcc)
{
    EXPECT_TRUE(IbanIsValid(QStringLiteral("ES91 2100 0418 4502 0005 1332")));
    EXPECT_EQ(BankAccountMessage(QStringLiteral("ES91 2100 0418 4502 0005 1332")), QString());
    EXPECT_FALSE(IbanIsValid(QStringLiteral("ES91 2100 0418 4502 0005 1333")));
    EXPECT_FALSE(BankAccountMessage(QStringLiteral("ES91 2100 0418 4502 0005 1333")).isEmpty());
    EXPECT_FALSE(BankAccountMessage(QStringLiteral("ES91 2100 0418")).isEmpty());
    EXPECT_EQ(NormalizeBankAccount(QStringLiteral("es91 2100-0418 4502 0005 1332")),
              QStringLiteral("ES9121000418450200051332"));
}

TEST(BankAccount, TurnsAValidCccIntoItsIban)
{
    EXPECT_EQ(IbanFromCcc(QStringLiteral("2100 0418 45 0200051332")), QStringLiteral("ES9121000418450200051332"));
    const std::optional<QString> iban = IbanFromCcc(QStringLiteral("12345678061234567890"));
    ASSERT_TRUE(iban);
    EXPECT_TRUE(IbanIsValid(*iban));
    EXPECT_EQ(GroupIban(*iban).size(), 29);
    EXPECT_FALSE(IbanFromCcc(QStringLiteral("12345678071234567890")));
    EXPECT_FALSE(IbanFromCcc(QStringLiteral("123")));
}

} // namespace

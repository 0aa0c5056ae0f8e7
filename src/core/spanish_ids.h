#pragma once

#include <QString>

#include <optional>

// Spanish tax numbers and bank accounts. Pure text rules, no store and no window.

// The check letter of a DNI number: "TRWAGMYFPDXBNJZSQVHLCKE"[number mod 23].
QChar NifLetter(quint32 number);

// Outcome of completing a NIF or NIE with its letter ("&Letra").
struct NifCompletion
{
    enum class Outcome { Completed, TooShort, NotDigits };
    Outcome outcome = Outcome::Completed;
    QString value; // the completed text when Completed
};

// A NIF: the first eight characters must be digits; gives them + "-" + the letter, dropping
// whatever followed ("12345678" gives "12345678-Z"). A NIE: X, Y or Z and seven digits, the
// letter computed with X=0, Y=1, Z=2 in front ("X1234567" gives "X1234567-L").
NifCompletion CompleteNif(const QString &text);
// The two messages of a failed completion; `label` is the caption of the field
// ("N.I.F / C.I.F.", "N.I.F.:").
QString NifCompletionMessage(NifCompletion::Outcome outcome, const QString &label);

// What a stored tax number is, for the "Comprobar" warning.
enum class TaxIdKind { Invalid, Nif, Nie, Cif };
// Accepts spaces, dashes and dots between the characters and either case. A NIF is eight
// digits and its letter; a NIE X/Y/Z, seven digits and the letter; a CIF an organisation letter
// (ABCDEFGHJNPQRSUVW), seven digits and the control: a digit for A B C D E F G H J U V, a letter
// ("JABCDEFGHI"[control]) for N P Q R S W, either for the rest.
TaxIdKind CheckTaxId(const QString &text);
// "El N.I.F. es correcto.", "El N.I.E. es correcto.", "El C.I.F. es correcto." or the warning.
QString TaxIdCheckMessage(TaxIdKind kind);

// The two control digits of a 20-digit CCC (bank 4, branch 4, control 2, account 10): the first
// over bank and branch with weights 4 8 5 10 9 7 3 6, the second over the account with weights
// 1 2 4 8 5 10 9 7 3 6, each 11 - (sum mod 11) with 10 giving 1 and 11 giving 0. Empty when the
// text is not 20 digits.
QString CccControlDigits(const QString &ccc);

// The account check run when the account field is stored: an empty text when the account is
// right (or empty), else the message to show. The field takes a CCC (20 characters) or a
// Spanish IBAN ("ES" + 22 digits, spaces allowed): the IBAN's mod-97 check is verified, then
// its embedded CCC like a CCC typed alone.
QString BankAccountMessage(const QString &account);

// The account as stored: digits of a CCC, or "ES" + 22 digits of an IBAN, without the spaces
// or dashes typed between groups. Any other text is returned trimmed.
QString NormalizeBankAccount(const QString &account);

// ISO 7064 mod 97-10 over an IBAN (country and check moved to the end, letters A=10...Z=35):
// valid when the remainder is 1. Spaces are ignored.
bool IbanIsValid(const QString &iban);
// The Spanish IBAN of a valid 20-digit CCC ("ES" + two check digits + the CCC); nullopt when
// the CCC is not 20 digits or its control digits are wrong.
std::optional<QString> IbanFromCcc(const QString &ccc);
// The IBAN in groups of four ("ES91 2100 0418 4502 0005 1332").
QString GroupIban(const QString &iban);

#include "core/spanish_ids.h"

namespace {

const char kNifLetters[] = "TRWAGMYFPDXBNJZSQVHLCKE";

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool AllDigits(QStringView text)
{
    for (const QChar c : text) {
        if (!IsDigit(c))
            return false;
    }
    return !text.isEmpty();
}

// Without the separators people type between groups, upper case.
QString Compact(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('-') && c != QLatin1Char('.'))
            out.append(c.toUpper());
    }
    return out;
}

int WeightedControl(QStringView digits, const int *weights)
{
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += (digits.at(i).unicode() - '0') * weights[i];
    const int k = 11 - sum % 11;
    return k == 10 ? 1 : k == 11 ? 0 : k;
}

// Remainder mod 97 of the IBAN rearranged for the check (country and check digits last).
std::optional<int> IbanRemainder(const QString &compact)
{
    if (compact.size() < 5)
        return std::nullopt;
    const QString moved = compact.mid(4) + compact.left(4);
    int remainder = 0;
    for (const QChar c : moved) {
        if (IsDigit(c)) {
            remainder = (remainder * 10 + (c.unicode() - '0')) % 97;
        } else if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            const int value = c.unicode() - 'A' + 10;
            remainder = (remainder * 100 + value) % 97;
        } else {
            return std::nullopt;
        }
    }
    return remainder;
}

bool LooksLikeSpanishIban(const QString &compact)
{
    return compact.size() == 24 && compact.startsWith(QLatin1String("ES")) && AllDigits(QStringView(compact).mid(2));
}

} // namespace

QChar NifLetter(quint32 number)
{
    return QLatin1Char(kNifLetters[number % 23]);
}

NifCompletion CompleteNif(const QString &text)
{
    const QChar first = text.isEmpty() ? QChar() : text.at(0).toUpper();
    if (first == QLatin1Char('X') || first == QLatin1Char('Y') || first == QLatin1Char('Z')) {
        if (text.size() < 8)
            return {NifCompletion::Outcome::TooShort, {}};
        const QStringView digits = QStringView(text).mid(1, 7);
        if (!AllDigits(digits))
            return {NifCompletion::Outcome::NotDigits, {}};
        const quint32 prefix = first.unicode() - 'X';
        const quint32 number = prefix * 10000000u + digits.toUInt();
        return {NifCompletion::Outcome::Completed, QString(first) + digits + QLatin1Char('-') + NifLetter(number)};
    }
    if (text.size() < 8)
        return {NifCompletion::Outcome::TooShort, {}};
    const QStringView digits = QStringView(text).left(8);
    if (!AllDigits(digits))
        return {NifCompletion::Outcome::NotDigits, {}};
    return {NifCompletion::Outcome::Completed, digits.toString() + QLatin1Char('-') + NifLetter(digits.toUInt())};
}

QString NifCompletionMessage(NifCompletion::Outcome outcome, const QString &label)
{
    switch (outcome) {
    case NifCompletion::Outcome::TooShort:
        return QStringLiteral("Para calcular la letra del ") + label + QStringLiteral(" debe haber 8 caracteres númericos.");
    case NifCompletion::Outcome::NotDigits:
        return QStringLiteral("Para calcular la letra del ") + label
               + QStringLiteral(" los 8 primeros caracteres deben ser números.");
    case NifCompletion::Outcome::Completed:
        break;
    }
    return {};
}

TaxIdKind CheckTaxId(const QString &text)
{
    const QString id = Compact(text);
    if (id.size() != 9)
        return TaxIdKind::Invalid;
    const QChar first = id.at(0);
    const QChar last = id.at(8);
    if (AllDigits(QStringView(id).left(8)))
        return NifLetter(QStringView(id).left(8).toUInt()) == last ? TaxIdKind::Nif : TaxIdKind::Invalid;
    if ((first == QLatin1Char('X') || first == QLatin1Char('Y') || first == QLatin1Char('Z'))
        && AllDigits(QStringView(id).mid(1, 7))) {
        const quint32 number = (first.unicode() - 'X') * 10000000u + QStringView(id).mid(1, 7).toUInt();
        return NifLetter(number) == last ? TaxIdKind::Nie : TaxIdKind::Invalid;
    }
    if (!QStringLiteral("ABCDEFGHJNPQRSUVW").contains(first) || !AllDigits(QStringView(id).mid(1, 7)))
        return TaxIdKind::Invalid;
    // Digits in odd places (1st, 3rd...) doubled with their digits added; even places as they are.
    int sum = 0;
    for (int i = 1; i <= 7; ++i) {
        const int digit = id.at(i).unicode() - '0';
        if (i % 2 == 1) {
            const int doubled = digit * 2;
            sum += doubled / 10 + doubled % 10;
        } else {
            sum += digit;
        }
    }
    const int control = (10 - sum % 10) % 10;
    const QChar controlDigit = QLatin1Char(static_cast<char>('0' + control));
    const QChar controlLetter = QLatin1Char("JABCDEFGHI"[control]);
    const bool letterOnly = QStringLiteral("NPQRSW").contains(first);
    const bool digitOnly = QStringLiteral("ABCDEFGHJUV").contains(first);
    const bool ok = (last == controlDigit && !letterOnly) || (last == controlLetter && !digitOnly);
    return ok ? TaxIdKind::Cif : TaxIdKind::Invalid;
}

QString TaxIdCheckMessage(TaxIdKind kind)
{
    switch (kind) {
    case TaxIdKind::Nif:
        return QStringLiteral("El N.I.F. es correcto.");
    case TaxIdKind::Nie:
        return QStringLiteral("El N.I.E. es correcto.");
    case TaxIdKind::Cif:
        return QStringLiteral("El C.I.F. es correcto.");
    case TaxIdKind::Invalid:
        break;
    }
    return QStringLiteral("El número no es un N.I.F., N.I.E. ni C.I.F. válido. Revíselo; se guardará tal como está.");
}

QString CccControlDigits(const QString &ccc)
{
    if (ccc.size() != 20 || !AllDigits(ccc))
        return {};
    static const int bankWeights[] = {4, 8, 5, 10, 9, 7, 3, 6};
    static const int accountWeights[] = {1, 2, 4, 8, 5, 10, 9, 7, 3, 6};
    const int first = WeightedControl(QStringView(ccc).left(8), bankWeights);
    const int second = WeightedControl(QStringView(ccc).mid(10, 10), accountWeights);
    return QString::number(first) + QString::number(second);
}

namespace {

QString CccMessage(const QString &ccc)
{
    if (ccc.size() != 20)
        return QStringLiteral("revise el número de cuenta. faltan dígitos.");
    const QString expected = CccControlDigits(ccc);
    if (expected.isEmpty())
        return QStringLiteral("revise el número de cuenta. solo puede contener dígitos.");
    if (expected != QStringView(ccc).mid(8, 2))
        return QStringLiteral("los dígitos de control no son válidos, deberían ser '") + expected
               + QStringLiteral("'. revise el número de cuenta. ");
    return {};
}

} // namespace

QString BankAccountMessage(const QString &account)
{
    if (account.isEmpty())
        return {};
    const QString compact = Compact(account);
    if (compact.startsWith(QLatin1String("ES"))) {
        if (!LooksLikeSpanishIban(compact))
            return QStringLiteral("revise el IBAN: debe ser ES seguido de 22 dígitos.");
        if (!IbanIsValid(compact))
            return QStringLiteral("los dígitos de control del IBAN no son válidos. revise el número de cuenta.");
        return CccMessage(compact.mid(4));
    }
    return CccMessage(compact);
}

QString NormalizeBankAccount(const QString &account)
{
    const QString compact = Compact(account);
    if ((compact.size() == 20 && AllDigits(compact)) || LooksLikeSpanishIban(compact))
        return compact;
    return account.trimmed();
}

bool IbanIsValid(const QString &iban)
{
    const QString compact = Compact(iban);
    if (compact.size() < 15 || compact.size() > 34)
        return false;
    const std::optional<int> remainder = IbanRemainder(compact);
    return remainder && *remainder == 1;
}

std::optional<QString> IbanFromCcc(const QString &ccc)
{
    const QString compact = Compact(ccc);
    if (CccControlDigits(compact).isEmpty() || CccMessage(compact).size() > 0)
        return std::nullopt;
    const std::optional<int> remainder = IbanRemainder(QStringLiteral("ES00") + compact);
    const int check = 98 - *remainder;
    return QStringLiteral("ES%1").arg(check, 2, 10, QLatin1Char('0')) + compact;
}

QString GroupIban(const QString &iban)
{
    const QString compact = Compact(iban);
    QString out;
    for (qsizetype i = 0; i < compact.size(); i += 4) {
        if (!out.isEmpty())
            out.append(QLatin1Char(' '));
        out.append(QStringView(compact).mid(i, 4));
    }
    return out;
}

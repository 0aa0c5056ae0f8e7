#include "documents/merge_values.h"

#include "core/date_text.h"
#include "core/number_text.h"
#include "core/rounding.h"

MergeData MergeData::From(const SettlementInput &input, const SettlementResult &result)
{
    MergeData data;
    data.principal = input.principal;
    data.grandTotal = result.grandTotal;
    data.totalInterest = result.totalInterest;
    data.totalPayments = result.totalPayments;
    data.totalEntries = result.totalEntries;
    data.currency = input.currency;
    data.rows = result.rows;
    return data;
}

namespace {

bool IsPesetas(const QString &currency)
{
    return currency == QLatin1String("Pta");
}

} // namespace

double InPesetas(double amount, const QString &currency)
{
    if (IsPesetas(currency))
        return amount;
    return static_cast<double>(RoundToInt(amount * kPesetasPerEuro));
}

double InEuros(double amount, const QString &currency)
{
    if (!IsPesetas(currency))
        return amount;
    return RoundTo2(amount / kPesetasPerEuro);
}

QString MergeAmountText(double amount)
{
    return FormatThousands2Digits(amount, 15);
}

QStringList MergeCodeValues(int code, const MergeData &data)
{
    const auto pesetas = [&data](double v) { return MergeAmountText(InPesetas(v, data.currency)); };
    const auto euros = [&data](double v) { return MergeAmountText(InEuros(v, data.currency)); };
    const auto perRow = [&data](auto text) {
        QStringList out;
        out.reserve(static_cast<qsizetype>(data.rows.size()));
        for (const SettlementRow &row : data.rows)
            out.append(text(row));
        return out;
    };
    switch (code) {
    case 1: return {pesetas(data.principal)};
    case 2: return {euros(data.principal)};
    case 3: return perRow([&](const SettlementRow &r) { return pesetas(r.capital); });
    case 4: return perRow([&](const SettlementRow &r) { return euros(r.capital); });
    case 5: return perRow([](const SettlementRow &r) { return FormatDate(r.desde); });
    case 6: return perRow([](const SettlementRow &r) { return QString::number(r.days()); });
    case 7: return perRow([](const SettlementRow &r) { return FormatDate(r.hasta); });
    case 8: return perRow([&](const SettlementRow &r) { return pesetas(r.total); });
    case 9: return perRow([&](const SettlementRow &r) { return euros(r.total); });
    case 10: return perRow([](const SettlementRow &r) { return FormatGeneral(r.rate); });
    case 11: return {pesetas(data.grandTotal)};
    case 12: return {euros(data.grandTotal)};
    case 13: return {pesetas(data.totalInterest)};
    case 14: return {euros(data.totalInterest)};
    case 15: return {pesetas(data.totalPayments)};
    case 16: return {euros(data.totalPayments)};
    case 17: return {pesetas(data.totalEntries)};
    case 18: return {euros(data.totalEntries)};
    default: return {kUnrecognisedField};
    }
}

namespace {

// The keyword: the leading word of the instruction.
QString Keyword(const QString &instruction, qsizetype *end = nullptr)
{
    qsizetype i = 0;
    while (i < instruction.size() && instruction[i].isSpace())
        ++i;
    const qsizetype start = i;
    while (i < instruction.size() && instruction[i].isLetter())
        ++i;
    if (end)
        *end = i;
    return instruction.mid(start, i - start).toUpper();
}

} // namespace

FieldKind ClassifyField(const QString &instruction)
{
    static const QStringList merge = {QStringLiteral("MERGEFIELD"), QStringLiteral("CAMPOCOMBINACIÓN")};
    static const QStringList otherMerge = {QStringLiteral("ASK"),      QStringLiteral("FILLIN"),
                                           QStringLiteral("IF"),       QStringLiteral("MERGEREC"),
                                           QStringLiteral("MERGESEQ"), QStringLiteral("NEXT"),
                                           QStringLiteral("NEXTIF"),   QStringLiteral("SET"),
                                           QStringLiteral("SKIPIF")};
    const QString keyword = Keyword(instruction);
    if (merge.contains(keyword))
        return FieldKind::MergeField;
    if (otherMerge.contains(keyword))
        return FieldKind::OtherMerge;
    return FieldKind::Other;
}

namespace {

struct Token
{
    QString text;
    QChar switchChar; // set for a switch ("\\b" gives 'b'), null for text
};

// Field-code tokens: blanks separate them; quotes group (\" and \\ escape inside); a
// backslash starts a switch of one character.
std::vector<Token> Tokens(const QString &code)
{
    std::vector<Token> out;
    qsizetype i = 0;
    const qsizetype n = code.size();
    while (i < n) {
        const QChar c = code[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('"')) {
            QString text;
            for (++i; i < n && code[i] != QLatin1Char('"'); ++i) {
                if (code[i] == QLatin1Char('\\') && i + 1 < n
                    && (code[i + 1] == QLatin1Char('"') || code[i + 1] == QLatin1Char('\\')))
                    ++i;
                text += code[i];
            }
            ++i;
            out.push_back({text, {}});
        } else if (c == QLatin1Char('\\')) {
            out.push_back({{}, i + 1 < n ? code[i + 1] : QLatin1Char('\\')});
            i += 2;
        } else {
            const qsizetype start = i;
            while (i < n && !code[i].isSpace() && code[i] != QLatin1Char('"') && code[i] != QLatin1Char('\\'))
                ++i;
            out.push_back({code.mid(start, i - start), {}});
        }
    }
    return out;
}

QString CapitalisedWords(const QString &value, bool everyWord)
{
    QString out = value;
    bool atStart = true;
    for (QChar &c : out) {
        if (c.isLetterOrNumber()) {
            if (atStart)
                c = c.toUpper();
            atStart = false;
            if (!everyWord)
                break;
        } else {
            atStart = true;
        }
    }
    return out;
}

} // namespace

MergeFieldInstruction ParseMergeFieldInstruction(const QString &instruction)
{
    qsizetype end = 0;
    Keyword(instruction, &end);
    const std::vector<Token> tokens = Tokens(instruction.mid(end));
    MergeFieldInstruction out;
    std::size_t i = 0;
    for (; i < tokens.size() && tokens[i].switchChar.isNull(); ++i) {
        for (const QChar c : tokens[i].text) {
            if (!c.isSpace())
                out.name += c;
        }
    }
    while (i < tokens.size()) {
        const Token &s = tokens[i++];
        const bool hasArgument = i < tokens.size() && tokens[i].switchChar.isNull();
        const QChar kind = s.switchChar.toLower();
        if (s.switchChar.isNull() || !hasArgument
            || (kind != QLatin1Char('*') && kind != QLatin1Char('b') && kind != QLatin1Char('f'))) {
            out.recognised = false;
            break;
        }
        const QString &argument = tokens[i++].text;
        if (kind == QLatin1Char('b')) {
            out.before = argument;
            continue;
        }
        if (kind == QLatin1Char('f')) {
            out.after = argument;
            continue;
        }
        const QString format = argument.toLower();
        if (format == QLatin1String("mergeformat") || format == QLatin1String("charformat"))
            continue;
        if (format == QLatin1String("upper"))
            out.letterCase = MergeFieldInstruction::Case::Upper;
        else if (format == QLatin1String("lower"))
            out.letterCase = MergeFieldInstruction::Case::Lower;
        else if (format == QLatin1String("caps"))
            out.letterCase = MergeFieldInstruction::Case::Caps;
        else if (format == QLatin1String("firstcap"))
            out.letterCase = MergeFieldInstruction::Case::FirstCap;
        else
            out.recognised = false;
    }
    return out;
}

QString MergeFieldInstruction::apply(const QString &value) const
{
    if (value.isEmpty())
        return value;
    QString shaped;
    switch (letterCase) {
    case Case::AsIs: shaped = value; break;
    case Case::Upper: shaped = value.toUpper(); break;
    case Case::Lower: shaped = value.toLower(); break;
    case Case::Caps: shaped = CapitalisedWords(value, true); break;
    case Case::FirstCap: shaped = CapitalisedWords(value, false); break;
    }
    return before + shaped + after;
}

QString MergeFieldLabel(const QString &instruction)
{
    return ParseMergeFieldInstruction(instruction).name;
}

std::optional<QStringList> SettlementFieldValue(const QString &instruction, const MergeFieldCatalogue &catalogue,
                                                const MergeData &data)
{
    switch (ClassifyField(instruction)) {
    case FieldKind::Other:
        return std::nullopt;
    case FieldKind::OtherMerge:
        return QStringList{kUnrecognisedField};
    case FieldKind::MergeField:
        break;
    }
    const MergeFieldInstruction field = ParseMergeFieldInstruction(instruction);
    if (!field.recognised || field.name.isEmpty())
        return QStringList{kUnrecognisedField};
    auto it = catalogue.constFind(field.name);
    for (auto k = catalogue.constBegin(); it == catalogue.constEnd() && k != catalogue.constEnd(); ++k) {
        if (k.key().compare(field.name, Qt::CaseInsensitive) == 0)
            it = k;
    }
    if (it == catalogue.constEnd())
        return QStringList{kUnrecognisedField};
    QStringList values = MergeCodeValues(*it, data);
    for (QString &v : values)
        v = field.apply(v);
    return values;
}

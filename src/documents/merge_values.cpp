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
    return FormatThousands2Digits(amount, 9);
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

QString MergeFieldLabel(const QString &instruction)
{
    qsizetype end = 0;
    Keyword(instruction, &end);
    QString label;
    for (qsizetype i = end; i < instruction.size(); ++i) {
        if (!instruction[i].isSpace())
            label += instruction[i];
    }
    return label;
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
    const auto it = catalogue.constFind(MergeFieldLabel(instruction));
    if (it == catalogue.constEnd())
        return QStringList{kUnrecognisedField};
    return MergeCodeValues(*it, data);
}

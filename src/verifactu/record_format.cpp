#include "verifactu/record_format.h"

#include <QSet>

#include <cmath>

namespace {

// Agency limits of an ImporteSgn12.2 amount: twelve integer digits.
constexpr qint64 kMaxCents = 99999999999999;

bool IsRefusedCharacter(QChar c)
{
    // XML 1.0 cannot hold control characters; the agency takes printable text only.
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0xfffe || u == 0xffff;
}

QString FieldMessage(const QString &field, const QString &what)
{
    return QStringLiteral("El campo \"%1\" %2").arg(field, what);
}

} // namespace

std::vector<TaxLine> GroupFeeLines(const std::vector<FeeLineAmounts> &lines)
{
    struct Group
    {
        qint64 rateHundredths;
        qint64 base;
        qint64 tax;
    };
    std::vector<Group> groups;
    for (const FeeLineAmounts &line : lines) {
        const qint64 rate = std::llround(line.rate * 100.0);
        auto it = std::find_if(groups.begin(), groups.end(), [rate](const Group &g) { return g.rateHundredths == rate; });
        if (it == groups.end()) {
            groups.push_back({rate, 0, 0});
            it = groups.end() - 1;
        }
        it->base += AmountCents(line.subTotal) - AmountCents(line.discount);
        it->tax += AmountCents(line.tax);
    }
    std::vector<TaxLine> result;
    for (const Group &g : groups)
        result.push_back({static_cast<double>(g.rateHundredths) / 100.0, static_cast<double>(g.base) / 100.0,
                          static_cast<double>(g.tax) / 100.0});
    return result;
}

qint64 AmountCents(double euros)
{
    return std::llround(euros * 100.0);
}

QString CentsText(qint64 cents)
{
    const bool negative = cents < 0;
    const qint64 magnitude = negative ? -cents : cents;
    return (negative ? QStringLiteral("-") : QString()) + QString::number(magnitude / 100) + QLatin1Char('.')
           + QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString RecordAmount(double euros)
{
    return CentsText(AmountCents(euros));
}

QString RecordRate(double percent)
{
    return CentsText(std::llround(percent * 100.0));
}

QString RecordDate(const QDate &date)
{
    return date.toString(QStringLiteral("dd-MM-yyyy"));
}

QDate DateFromRecord(const QString &text)
{
    return QDate::fromString(text, QStringLiteral("dd-MM-yyyy"));
}

QString RecordTimestamp(const QDateTime &moment, const QTimeZone &zone)
{
    const QDateTime local = moment.toTimeZone(zone);
    const int offset = zone.offsetFromUtc(moment);
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
           + QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QTimeZone OfficeTimeZone(bool canarias)
{
    return QTimeZone(canarias ? QByteArrayLiteral("Atlantic/Canary") : QByteArrayLiteral("Europe/Madrid"));
}

QString InvoiceSeriesNumber(int number, int year)
{
    return QStringLiteral("%1/%2").arg(year).arg(number, 6, 10, QLatin1Char('0'));
}

QString NormalizedTaxId(const QString &text)
{
    QString result;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('.'))
            continue;
        result += c.toUpper();
    }
    return result;
}

std::optional<QString> TextRefusal(const QString &field, const QString &text, int maxLength)
{
    const QString value = text.trimmed();
    if (value.isEmpty())
        return FieldMessage(field, QStringLiteral("no puede quedar en blanco en el registro VERI*FACTU."));
    if (std::any_of(value.begin(), value.end(), IsRefusedCharacter))
        return FieldMessage(field, QStringLiteral("tiene caracteres que no admite el registro VERI*FACTU."));
    if (value.size() > maxLength)
        return FieldMessage(field, QStringLiteral("tiene más de %1 caracteres, el máximo del registro VERI*FACTU.")
                                       .arg(maxLength));
    return std::nullopt;
}

namespace {

void CheckTaxId(const QString &field, const QString &text, bool spanish)
{
    // A complete invoice names its recipient's tax number; a foreign one goes as IDOtro.
    const QString id = NormalizedTaxId(text);
    if (const auto refusal = TextRefusal(field, id, 20))
        throw RecordRefusal(*refusal);
    const bool spanishForm = id.size() == 9 && std::all_of(id.begin(), id.end(), [](QChar c) {
                                 return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                                        || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
                             });
    if (spanish && !spanishForm)
        throw RecordRefusal(FieldMessage(field, QStringLiteral("debe ser un N.I.F. de nueve letras y cifras.")));
    // Foreign identifiers go as IDOtro: printable ASCII only.
    if (std::any_of(id.begin(), id.end(), [](QChar c) { return c.unicode() < 0x21 || c.unicode() > 0x7e; }))
        throw RecordRefusal(FieldMessage(field, QStringLiteral("tiene caracteres que no admite el registro VERI*FACTU.")));
}

} // namespace

void CheckInvoiceSnapshot(const InvoiceSnapshot &s)
{
    if (s.number < 1 || s.number > 999999 || s.year < 1000 || s.year > 9999)
        throw RecordRefusal(FieldMessage(QStringLiteral("Número"),
                                         QStringLiteral("debe ser un número de 1 a 999999 con un año de cuatro cifras.")));
    if (!s.date.isValid())
        throw RecordRefusal(FieldMessage(QStringLiteral("Fecha"), QStringLiteral("no es una fecha válida.")));
    CheckTaxId(QStringLiteral("N.I.F. de la empresa"), s.issuerNif, true);
    for (const auto &[field, text] : {std::pair{QStringLiteral("Empresa"), s.issuerName},
                                      std::pair{QStringLiteral("Nombre del cliente"), s.clientName}}) {
        if (const auto refusal = TextRefusal(field, text, 120))
            throw RecordRefusal(*refusal);
    }
    CheckTaxId(QStringLiteral("N.I.F. del cliente"), s.clientNif, false);
    if (const auto refusal = TextRefusal(QStringLiteral("Concepto"), s.description.isEmpty() ? QStringLiteral("-") : s.description, 500))
        throw RecordRefusal(*refusal);
    if (s.feeLines.size() > 12)
        throw RecordRefusal(QStringLiteral("Una factura VERI*FACTU admite como mucho doce tipos de I.V.A. distintos."));
    qint64 total = 0;
    for (const TaxLine &line : s.feeLines) {
        if (line.rate < 0 || line.rate >= 1000)
            throw RecordRefusal(FieldMessage(QStringLiteral("I.V.A."), QStringLiteral("debe estar entre 0 y 999,99.")));
        total += AmountCents(line.base) + AmountCents(line.tax);
        if (std::abs(AmountCents(line.base)) > kMaxCents || std::abs(total) > kMaxCents)
            throw RecordRefusal(QStringLiteral("El importe es demasiado grande."));
    }
}

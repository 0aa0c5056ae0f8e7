#include "interest/settlement_json.h"

#include "core/date_text.h"
#include "core/number_text.h"
#include "interest/rate_table.h"
#include "interest/settlement_checks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Reads the fields of one JSON object; `where` prefixes messages ("Pagos[2]: ").
class FieldReader
{
public:
    FieldReader(QJsonObject object, QString where)
        : m_object(std::move(object))
        , m_where(std::move(where))
    {
    }

    bool has(const QString &key) const { return m_object.contains(key) && !m_object.value(key).isNull(); }

    double number(const QString &key, double absent = 0.0) const
    {
        if (!has(key))
            return absent;
        const QJsonValue v = m_object.value(key);
        if (!v.isDouble())
            fail(QStringLiteral("El campo %1 debe ser un número.").arg(key));
        return v.toDouble();
    }

    QString text(const QString &key) const
    {
        if (!has(key))
            return {};
        const QJsonValue v = m_object.value(key);
        if (!v.isString())
            fail(QStringLiteral("El campo %1 debe ser un texto.").arg(key));
        return v.toString();
    }

    bool flag(const QString &key) const
    {
        if (!has(key))
            return false;
        const QJsonValue v = m_object.value(key);
        if (!v.isBool())
            fail(QStringLiteral("El campo %1 debe ser true o false.").arg(key));
        return v.toBool();
    }

    QDate date(const QString &key) const
    {
        const QString t = text(key);
        const QDate d = ParseDate(t);
        if (!d.isValid())
            fail(QStringLiteral("El campo %1 no es una fecha válida (dd/mm/aaaa): \"%2\".").arg(key, t));
        return d;
    }

    QJsonArray list(const QString &key) const
    {
        if (!has(key))
            return {};
        const QJsonValue v = m_object.value(key);
        if (!v.isArray())
            fail(QStringLiteral("El campo %1 debe ser una lista.").arg(key));
        return v.toArray();
    }

    int interestType(const QString &key) const
    {
        const QJsonValue v = m_object.value(key);
        if (v.isDouble()) {
            const double index = v.toDouble();
            if (index >= 0 && index <= 5 && index == std::trunc(index))
                return static_cast<int>(index);
            fail(QStringLiteral("Tipo de interés desconocido en %1: %2.").arg(key, FormatGeneral(index)));
        }
        const QString t = text(key);
        if (const auto index = InterestTypeIndex(t))
            return *index;
        fail(QStringLiteral("Tipo de interés desconocido en %1: \"%2\".").arg(key, t));
    }

    [[noreturn]] void fail(const QString &message) const { throw CaseError(m_where + message); }

private:
    QJsonObject m_object;
    QString m_where;
};

QString Where(const char *list, qsizetype index)
{
    return QStringLiteral("%1[%2]: ").arg(QLatin1String(list)).arg(index);
}

void CheckAgreedRate(const FieldReader &fields, const QString &key, int type, const QString &rate)
{
    if (type == static_cast<int>(InterestType::Agreed) && !ParseSpanishNumber(rate))
        fields.fail(QStringLiteral("El campo %1 no es un porcentaje válido para \"Interés Pactado\": \"%2\".").arg(key, rate));
}

std::vector<Movement> ReadMovements(const QJsonArray &list)
{
    std::vector<Movement> movements;
    QSet<qint64> days;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list.at(i).isObject())
            throw CaseError(Where("Pagos", i) + QStringLiteral("cada movimiento debe ser un objeto."));
        const FieldReader fields(list.at(i).toObject(), Where("Pagos", i));
        Movement m;
        m.date = fields.date(QStringLiteral("Fecha"));
        if (!fields.has(QStringLiteral("Importe")))
            fields.fail(QStringLiteral("falta el campo Importe."));
        m.amount = fields.number(QStringLiteral("Importe"));
        if (const auto refusal = MovementRefusal(m))
            fields.fail(*refusal);
        const QString kind = fields.text(QStringLiteral("Tipo"));
        if (!kind.isEmpty() && kind != QLatin1String("P") && kind != QLatin1String("E"))
            fields.fail(QStringLiteral("el campo Tipo debe ser \"P\" (pago) o \"E\" (entrada): \"%1\".").arg(kind));
        m.kind = kind.isEmpty() ? QStringLiteral("P") : kind;
        if (days.contains(m.date.toJulianDay()))
            fields.fail(QStringLiteral("Ya existe un pago o un entrada con esa fecha (%1).").arg(FormatDate(m.date)));
        days.insert(m.date.toJulianDay());
        movements.push_back(m);
    }
    return movements;
}

std::vector<RatePeriod> ReadRates(const QJsonArray &list)
{
    std::vector<RatePeriod> periods;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list.at(i).isObject())
            throw CaseError(Where("Tipos", i) + QStringLiteral("cada período de intereses debe ser un objeto."));
        const FieldReader fields(list.at(i).toObject(), Where("Tipos", i));
        const RatePeriod p{fields.date(QStringLiteral("Desde")), fields.date(QStringLiteral("Hasta")),
                           fields.number(QStringLiteral("InteLega")), fields.number(QStringLiteral("InteJudi")),
                           fields.number(QStringLiteral("InteAdmi"))};
        // The same checks as the add dialog, so the engine never sees overlapping periods.
        const RatePeriodCheck check = CheckNewRatePeriod(periods, p.desde, p.hasta);
        if (check != RatePeriodCheck::Accepted)
            fields.fail(RatePeriodCheckMessage(check));
        try {
            CheckRateRanges(p.inteLega, p.inteJudi);
        } catch (const AppError &e) {
            fields.fail(e.message());
        }
        const auto at = std::upper_bound(periods.begin(), periods.end(), p.desde,
                                         [](const QDate &d, const RatePeriod &q) { return d < q.desde; });
        periods.insert(at, p);
    }
    return periods;
}

// An output buffer written by pointer: a daily settlement of a century writes megabytes, and
// appending to a QByteArray piece by piece costs more than computing it.
class Text
{
public:
    explicit Text(qsizetype capacity = 256) { m_bytes.resize(capacity); }

    void append(const char *data, std::size_t n)
    {
        const auto size = static_cast<qsizetype>(n);
        if (m_used + size > m_bytes.size())
            m_bytes.resize(std::max(m_bytes.size() * 2, m_used + size));
        std::memcpy(m_bytes.data() + m_used, data, n);
        m_used += size;
    }
    Text &operator+=(const char *text)
    {
        append(text, std::strlen(text));
        return *this;
    }
    Text &operator+=(char c)
    {
        append(&c, 1);
        return *this;
    }
    // Hands what is written so far to `sink` (valid during the call) and starts again.
    void flushTo(const std::function<void(const QByteArray &)> &sink)
    {
        sink(QByteArray::fromRawData(m_bytes.constData(), m_used));
        m_used = 0;
    }
    qsizetype size() const { return m_used; }
    QByteArray take()
    {
        m_bytes.truncate(m_used);
        return std::move(m_bytes);
    }

private:
    QByteArray m_bytes;
    qsizetype m_used = 0;
};

AppError OutOfRange()
{
    return AppError(QStringLiteral("El cálculo da un importe fuera de rango."));
}

void AppendNumber(Text &out, double value)
{
    if (!std::isfinite(value))
        throw OutOfRange();
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, static_cast<std::size_t>(result.ptr - buf));
}

void AppendString(Text &out, const QString &text)
{
    const QByteArray quoted = JsonString(text);
    out.append(quoted.constData(), static_cast<std::size_t>(quoted.size()));
}

// "dd/mm/yyyy" in quotes, written directly: a daily settlement has tens of thousands of dates.
void AppendDate(Text &out, const QDate &date)
{
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    if (!date.isValid() || y < 1 || y > 9999) {
        AppendString(out, FormatDate(date));
        return;
    }
    const char text[] = {'"', char('0' + d / 10), char('0' + d % 10), '/', char('0' + m / 10), char('0' + m % 10), '/',
                         char('0' + y / 1000), char('0' + y / 100 % 10), char('0' + y / 10 % 10), char('0' + y % 10), '"'};
    out.append(text, sizeof text);
}

// Writes one object's members in order: {"a": 1, "b": "x"}.
class ObjectWriter
{
public:
    explicit ObjectWriter(Text &out, const char *separator = ", ")
        : m_out(out)
        , m_separator(separator)
    {
        m_out += '{';
    }
    ObjectWriter &key(const char *name)
    {
        if (m_any)
            m_out += m_separator;
        m_any = true;
        m_out += '"';
        m_out += name;
        m_out += "\": ";
        return *this;
    }
    ObjectWriter &number(const char *name, double value)
    {
        AppendNumber(key(name).m_out, value);
        return *this;
    }
    ObjectWriter &text(const char *name, const QString &value)
    {
        AppendString(key(name).m_out, value);
        return *this;
    }
    ObjectWriter &date(const char *name, const QDate &value)
    {
        AppendDate(key(name).m_out, value);
        return *this;
    }
    ObjectWriter &flag(const char *name, bool value)
    {
        key(name).m_out += value ? "true" : "false";
        return *this;
    }
    void close(const char *before = "")
    {
        m_out += before;
        m_out += '}';
    }

private:
    Text &m_out;
    const char *m_separator;
    bool m_any = false;
};

const char *const kTopSeparator = ",\n  ";

} // namespace

SettlementCase ParseSettlementCase(const QByteArray &json)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw CaseError(QStringLiteral("El caso no es un JSON válido (error en la posición %1).").arg(error.offset));
    if (!doc.isObject())
        throw CaseError(QStringLiteral("El caso debe ser un objeto JSON."));
    const FieldReader fields(doc.object(), {});

    SettlementCase c;
    SettlementInput &in = c.input;
    in.principal = fields.number(QStringLiteral("Capital"));
    if (const auto refusal = PrincipalRefusal(in.principal))
        fields.fail(*refusal);
    in.start = fields.date(QStringLiteral("Desde1"));
    in.end = fields.date(QStringLiteral("Hasta1"));
    in.secondPeriod = fields.flag(QStringLiteral("ConSentencia"));
    if (in.secondPeriod || fields.has(QStringLiteral("Hasta2")))
        in.secondEnd = fields.date(QStringLiteral("Hasta2"));
    in.type1 = fields.interestType(QStringLiteral("TipoInteres1"));
    in.type2 = in.secondPeriod || fields.has(QStringLiteral("TipoInteres2"))
                   ? fields.interestType(QStringLiteral("TipoInteres2"))
                   : 0;
    in.agreedRate1 = fields.text(QStringLiteral("Interes1"));
    in.agreedRate2 = fields.text(QStringLiteral("Interes2"));
    CheckAgreedRate(fields, QStringLiteral("Interes1"), in.type1, in.agreedRate1);
    if (in.secondPeriod)
        CheckAgreedRate(fields, QStringLiteral("Interes2"), in.type2, in.agreedRate2);
    in.compound = fields.flag(QStringLiteral("InteAcumu"));
    in.perPeriodRows = !fields.flag(QStringLiteral("CalculoDetallado"));
    in.imputePayments = fields.flag(QStringLiteral("ImputarPagos"));
    if (fields.has(QStringLiteral("Moneda"))) {
        in.currency = fields.text(QStringLiteral("Moneda"));
        if (in.currency != QLatin1String("Eur") && in.currency != QLatin1String("Pta"))
            fields.fail(QStringLiteral("Moneda desconocida: \"%1\" (debe ser \"Eur\" o \"Pta\").").arg(in.currency));
    }
    in.movements = ReadMovements(fields.list(QStringLiteral("Pagos")));
    if (fields.has(QStringLiteral("Tipos")))
        c.rates = ReadRates(fields.list(QStringLiteral("Tipos")));
    return c;
}

QByteArray WriteSettlementCase(const SettlementInput &input, const std::optional<std::vector<RatePeriod>> &rates)
{
    Text out;
    const QStringList &types = InterestTypeTexts();
    ObjectWriter top(out, kTopSeparator);
    out += "\n  ";
    top.number("Capital", input.principal).date("Desde1", input.start).date("Hasta1", input.end);
    top.flag("ConSentencia", input.secondPeriod);
    if (input.secondEnd.isValid())
        top.date("Hasta2", input.secondEnd);
    top.text("TipoInteres1", types.value(input.type1)).text("TipoInteres2", types.value(input.type2));
    top.text("Interes1", input.agreedRate1).text("Interes2", input.agreedRate2);
    top.flag("InteAcumu", input.compound).flag("CalculoDetallado", !input.perPeriodRows);
    top.flag("ImputarPagos", input.imputePayments).text("Moneda", input.currency);
    top.key("Pagos");
    out += "[";
    for (std::size_t i = 0; i < input.movements.size(); ++i) {
        const Movement &m = input.movements[i];
        out += i == 0 ? "\n    " : ",\n    ";
        ObjectWriter(out).date("Fecha", m.date).number("Importe", m.amount).text("Tipo", m.kind).close();
    }
    out += input.movements.empty() ? "]" : "\n  ]";
    if (rates) {
        top.key("Tipos");
        out += "[";
        for (std::size_t i = 0; i < rates->size(); ++i) {
            const RatePeriod &p = (*rates)[i];
            out += i == 0 ? "\n    " : ",\n    ";
            ObjectWriter(out)
                .date("Desde", p.desde)
                .date("Hasta", p.hasta)
                .number("InteLega", p.inteLega)
                .number("InteJudi", p.inteJudi)
                .number("InteAdmi", p.inteAdmi)
                .close();
        }
        out += rates->empty() ? "]" : "\n  ]";
    }
    top.close("\n");
    out += '\n';
    return out.take();
}

void WriteSettlementResult(const SettlementInput &input, const SettlementResult &result,
                           const std::function<void(const QByteArray &)> &sink)
{
    // Nothing is handed over unless all of it can be written.
    const auto finite = [](double v) { return std::isfinite(v); };
    for (const SettlementRow &r : result.rows) {
        if (!finite(r.capital) || !finite(r.rate) || !finite(r.total))
            throw OutOfRange();
    }
    for (double v : {result.totalInterest, result.totalPayments, result.totalEntries, result.grandTotal}) {
        if (!finite(v))
            throw OutOfRange();
    }

    constexpr qsizetype chunk = 64 * 1024;
    Text out(chunk + 1024);
    ObjectWriter top(out, kTopSeparator);
    out += "\n  ";
    top.key("Filas");
    out += "[";
    for (std::size_t i = 0; i < result.rows.size(); ++i) {
        const SettlementRow &r = result.rows[i];
        out += i == 0 ? "\n    " : ",\n    ";
        ObjectWriter(out)
            .date("Desde", r.desde)
            .date("Hasta", r.hasta)
            .number("DIAS", r.days())
            .number("Capital", r.capital)
            .number("Interes", r.rate)
            .number("Total", r.total)
            .close();
        if (out.size() > chunk)
            out.flushTo(sink);
    }
    out += result.rows.empty() ? "]" : "\n  ]";
    top.number("TotalInterest", result.totalInterest)
        .number("TotalPayments", result.totalPayments)
        .number("TotalEntries", result.totalEntries)
        .number("GrandTotal", result.grandTotal);
    const SettlementTotalsTexts texts = TotalsTexts(input, result);
    top.key("Textos");
    ObjectWriter(out)
        .text("LabelCAPITAL", texts.capital)
        .text("LabelTOTINTER", texts.interest)
        .text("LabelTOTPAGOS", texts.payments)
        .text("LabelTOTENTRADAS", texts.entries)
        .text("LabelTOTAL", texts.total)
        .close();
    top.key("Mensajes");
    out += "[";
    for (qsizetype i = 0; i < result.messages.size(); ++i) {
        if (i > 0)
            out += ", ";
        AppendString(out, result.messages.at(i));
    }
    out += "]";
    top.close("\n");
    out += '\n';
    out.flushTo(sink);
}

QByteArray WriteSettlementResult(const SettlementInput &input, const SettlementResult &result)
{
    QByteArray all;
    all.reserve(static_cast<qsizetype>(result.rows.size()) * 130 + 1024);
    WriteSettlementResult(input, result, [&all](const QByteArray &part) { all += part; });
    return all;
}

QByteArray JsonNumber(double value)
{
    Text out;
    AppendNumber(out, value);
    return out.take();
}

QByteArray JsonString(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

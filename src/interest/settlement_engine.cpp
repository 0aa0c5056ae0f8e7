#include "interest/settlement_engine.h"

#include "core/date_text.h"
#include "core/errors.h"
#include "core/number_text.h"
#include "core/rounding.h"

#include <algorithm>

namespace {

using Wide = long double;

// The last date a closing movement is counted on.
const QDate kLastCountedDay(2099, 12, 31);

double RoundedInterest(Wide amount)
{
    return RoundTo2(static_cast<double>(amount));
}

bool Overlaps(const RatePeriod &period, const QDate &from, const QDate &to)
{
    return period.hasta >= from && period.desde <= to;
}

// Walks the movements in date order, each taken once.
class MovementCursor
{
public:
    explicit MovementCursor(std::vector<Movement> movements)
        : m_movements(std::move(movements))
    {
        std::stable_sort(m_movements.begin(), m_movements.end(),
                         [](const Movement &a, const Movement &b) { return a.date < b.date; });
    }

    // The next movement dated up to `last`, or nullptr.
    const Movement *takeUpTo(const QDate &last)
    {
        if (m_next < m_movements.size() && m_movements[m_next].date <= last)
            return &m_movements[m_next++];
        return nullptr;
    }

private:
    std::vector<Movement> m_movements;
    std::size_t m_next = 0;
};

// One period of the settlement: its days, its interest type and its agreed rate.
struct PeriodSpan
{
    QDate first;
    QDate last;
    int type;
    const QString &agreedRate;
};

class SettlementRun
{
public:
    SettlementRun(const SettlementInput &input, const std::vector<RatePeriod> &rates)
        : m_input(input)
        , m_rates(rates)
        , m_calculator(input.principal, ModeOf(input), input.imputePayments)
        , m_movements(input.movements)
    {
        if (!input.start.isValid() || !input.end.isValid() || (input.secondPeriod && !input.secondEnd.isValid()))
            throw AppError(QStringLiteral("Las fechas de la liquidación no son válidas."));
        for (const Movement &m : input.movements) {
            if (!m.date.isValid())
                throw AppError(QStringLiteral("Hay un pago o una entrada sin una fecha válida."));
        }
    }

    SettlementResult run()
    {
        const QDate s = m_input.start;
        const QDate e = m_input.end;
        std::vector<Movement> opening;
        while (const Movement *m = m_movements.takeUpTo(s))
            opening.push_back(*m);
        m_calculator.applyOpening(opening);
        m_charged = s.addDays(-1);
        if (ModeOf(m_input) == SettlementMode::CompoundDaily)
            m_calculator.reserveRows(daysCovered());

        // Both filters start at S: the second one also passes the first period's rate periods,
        // which then give empty segments.
        runPeriod(s, e, {s, e, m_input.type1, m_input.agreedRate1});
        if (m_input.secondPeriod)
            runPeriod(s, m_input.secondEnd, {e.addDays(1), m_input.secondEnd, m_input.type2, m_input.agreedRate2});

        while (const Movement *m = m_movements.takeUpTo(kLastCountedDay))
            m_calculator.countMovement(*m);
        SettlementResult result = m_calculator.finish(m_input.principal);
        result.messages = m_messages;
        return result;
    }

private:
    // Days of the rate periods within the settlement: the rows of the daily mode, at most.
    std::size_t daysCovered() const
    {
        const QDate last = m_input.secondPeriod ? std::max(m_input.end, m_input.secondEnd) : m_input.end;
        qint64 days = 0;
        for (const RatePeriod &p : m_rates) {
            const QDate from = std::max(p.desde, m_input.start);
            const QDate to = std::min(p.hasta, last);
            if (from <= to)
                days += from.daysTo(to) + 1;
        }
        return static_cast<std::size_t>(days);
    }

    void runPeriod(const QDate &filterFrom, const QDate &filterTo, const PeriodSpan &span)
    {
        bool any = false;
        for (const RatePeriod &period : m_rates) {
            if (!Overlaps(period, filterFrom, filterTo))
                continue;
            any = true;
            const double rate = RateFor(span.type, period, span.agreedRate);
            // A day is never charged twice, even if the table's periods overlapped.
            QDate segmentStart = std::max({period.desde, span.first, m_charged.addDays(1)});
            const QDate segmentEnd = std::min(period.hasta, span.last);
            if (segmentStart > segmentEnd)
                continue;
            // Movements in a gap of the table before this segment still change the principal.
            while (const Movement *m = m_movements.takeUpTo(segmentStart.addDays(-1)))
                m_calculator.applyMovement(*m);
            // A movement's own day earns interest on the principal before it.
            while (const Movement *m = m_movements.takeUpTo(segmentEnd)) {
                m_calculator.AddSegment(rate, m->date, segmentStart);
                segmentStart = m->date.addDays(1);
                m_calculator.applyMovement(*m);
            }
            m_calculator.AddSegment(rate, segmentEnd, segmentStart);
            m_charged = segmentEnd;
        }
        if (!any)
            m_messages.append(NoRatesMessage);
        else if (!Covered(span.first, span.last))
            m_messages.append(PartialRatesMessage(span.first, span.last));
    }

    // Whether every day of first..last lies in some rate period (taken in ascending Desde).
    bool Covered(const QDate &first, const QDate &last) const
    {
        QDate next = first;
        for (const RatePeriod &p : m_rates) {
            if (next > last)
                break;
            if (p.hasta < next)
                continue;
            if (p.desde > next)
                return false;
            next = p.hasta.addDays(1);
        }
        return next > last;
    }

    const SettlementInput &m_input;
    const std::vector<RatePeriod> &m_rates;
    SettlementCalculator m_calculator;
    MovementCursor m_movements;
    QDate m_charged; // last day that has earned interest
    QStringList m_messages;
};

} // namespace

QString PartialRatesMessage(const QDate &first, const QDate &last)
{
    return QStringLiteral("No existen tipos de intereses para todo el período del ") + FormatDate(first)
        + QStringLiteral(" al ") + FormatDate(last) + QLatin1Char('.');
}

SettlementMode ModeOf(const SettlementInput &input)
{
    if (!input.compound)
        return SettlementMode::Simple;
    return input.perPeriodRows ? SettlementMode::CompoundPerPeriod : SettlementMode::CompoundDaily;
}

int YearDivisor(const QDate &firstDay)
{
    return QDate::isLeapYear(firstDay.year()) ? 36600 : 36500;
}

double RateFor(int type, const RatePeriod &period, const QString &agreedRate)
{
    switch (static_cast<InterestType>(type)) {
    case InterestType::Legal:
        return period.inteLega;
    case InterestType::Judicial:
        return period.inteJudi;
    case InterestType::Verbal20:
        return 20.0;
    case InterestType::VerbalLegal50:
        return period.inteLega * 1.5;
    case InterestType::Agreed:
        if (const auto rate = ParseSpanishNumber(agreedRate))
            return *rate;
        throw AppError(QStringLiteral("\"%1\" no es un porcentaje de interés válido.").arg(agreedRate));
    case InterestType::AdminLate:
        return period.inteAdmi;
    }
    throw AppError(QStringLiteral("Tipo de interés desconocido."), QStringLiteral("type %1").arg(type));
}

SettlementCalculator::SettlementCalculator(double principal, SettlementMode mode, bool imputePayments)
    : m_mode(mode)
    , m_impute(imputePayments)
    , m_runningCapital(principal)
{
}

void SettlementCalculator::AddSegment(double rate, const QDate &lastDay, const QDate &firstDay)
{
    if (!firstDay.isValid() || !lastDay.isValid() || firstDay > lastDay)
        return;
    auto &rows = m_result.rows;
    switch (m_mode) {
    case SettlementMode::Simple: {
        SettlementRow row{firstDay, lastDay, m_runningCapital, rate, 0.0};
        row.total = RoundedInterest(static_cast<Wide>(row.days()) * row.capital * rate / YearDivisor(firstDay));
        m_result.totalInterest += row.total;
        m_pendingInterest += row.total;
        rows.push_back(row);
        break;
    }
    case SettlementMode::CompoundPerPeriod: {
        SettlementRow row{firstDay, lastDay, m_runningCapital, rate, 0.0};
        const int divisor = YearDivisor(firstDay);
        for (int day = row.days(); day > 0; --day) {
            row.capital = m_runningCapital;
            const double interest = RoundedInterest(static_cast<Wide>(rate) * m_runningCapital / divisor);
            row.total += interest;
            m_runningCapital += interest;
        }
        m_pendingInterest += row.total;
        m_result.totalInterest += row.total;
        rows.push_back(row);
        break;
    }
    case SettlementMode::CompoundDaily:
        for (QDate day = firstDay; day <= lastDay; day = day.addDays(1)) {
            const double capital = m_runningCapital;
            const double interest = RoundedInterest(static_cast<Wide>(capital) * rate / YearDivisor(day));
            rows.push_back({day, day, capital, rate, interest});
            m_runningCapital += interest;
            m_result.totalInterest += interest;
            m_pendingInterest += interest;
        }
        break;
    }
}

void SettlementCalculator::applyMovement(const Movement &movement)
{
    const double m = movement.amount;
    if (!movement.isPayment()) {
        m_runningCapital += m;
        m_result.totalEntries += m;
        return;
    }
    if (!m_impute) {
        m_runningCapital -= m;
    } else if (m_mode != SettlementMode::Simple) {
        // Compounded interest is already inside the principal: keeping the principal for the
        // part paid against interest would charge interest on money the debtor has paid.
        m_runningCapital -= m;
        m_pendingInterest = std::max(0.0, m_pendingInterest - m);
    } else if (m > m_pendingInterest) {
        m_runningCapital = static_cast<double>(static_cast<Wide>(m_runningCapital)
                                               - (static_cast<Wide>(m) - m_pendingInterest));
        m_pendingInterest = 0.0;
    } else {
        m_pendingInterest -= m;
    }
    m_result.totalPayments += m;
}

void SettlementCalculator::countMovement(const Movement &movement)
{
    if (movement.isPayment())
        m_result.totalPayments += movement.amount;
    else
        m_result.totalEntries += movement.amount;
}

void SettlementCalculator::applyOpening(const std::vector<Movement> &movements)
{
    if (movements.empty())
        return;
    for (const Movement &m : movements)
        countMovement(m);
    m_runningCapital = static_cast<double>(static_cast<Wide>(m_runningCapital) + m_result.totalEntries
                                           - m_result.totalPayments);
}

SettlementResult SettlementCalculator::finish(double principal)
{
    SettlementResult result = std::move(m_result);
    m_result = {};
    result.grandTotal = static_cast<double>(static_cast<Wide>(principal) + result.totalInterest
                                            - result.totalPayments + result.totalEntries);
    return result;
}

SettlementResult ComputeSettlement(const SettlementInput &input, const std::vector<RatePeriod> &rates)
{
    const auto byDesde = [](const RatePeriod &a, const RatePeriod &b) { return a.desde < b.desde; };
    if (std::is_sorted(rates.begin(), rates.end(), byDesde))
        return SettlementRun(input, rates).run();
    std::vector<RatePeriod> sorted = rates;
    std::stable_sort(sorted.begin(), sorted.end(), byDesde);
    return SettlementRun(input, sorted).run();
}

QString PrincipalText(const SettlementInput &input)
{
    return input.principalText.isEmpty() ? FormatThousands2(input.principal) : input.principalText;
}

SettlementTotalsTexts TotalsTexts(const SettlementInput &input, const SettlementResult &result)
{
    constexpr int digits = 15;
    return {PrincipalText(input), FormatThousands2Digits(result.totalInterest, digits),
            FormatThousands2Digits(result.totalPayments, digits),
            FormatThousands2Digits(result.totalEntries, digits),
            FormatThousands2Digits(result.grandTotal, digits)};
}

std::optional<SettlementDateRefusal> CheckSettlementDates(const SettlementInput &input)
{
    if (input.secondPeriod && !(input.secondEnd.isValid() && input.end.isValid() && input.secondEnd > input.end))
        return SettlementDateRefusal{
            QStringLiteral("La fecha de inicio del segundo período no puede ser posterior a la fecha final."),
            QStringLiteral("DateHASTA2")};
    if (!(input.start.isValid() && input.end.isValid() && input.start < input.end))
        return SettlementDateRefusal{
            QStringLiteral("La fecha final del primer período no puede ser igual o anterior a la fecha inicial."),
            QStringLiteral("DateDESDE1")};
    return std::nullopt;
}

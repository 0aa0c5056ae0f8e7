#include "core/rounding.h"

#include <cmath>
#include <limits>

namespace {

// trunc(a * 1000) for a >= 0, from the exact product: hi + lo == a * 1000 exactly (fma).
// Below 2^53 a non-integral hi lies at least one ulp from any integer while |lo| <= ulp/2,
// so only an integral hi needs lo to decide on which side of it the exact product lies.
double ExactTruncTimes1000(double a)
{
    const double hi = a * 1000.0;
    const double lo = std::fma(a, 1000.0, -hi);
    const double th = std::trunc(hi);
    if (th == hi && lo < 0.0)
        return th - 1.0;
    return th;
}

} // namespace

double RoundTo2(double x)
{
    if (!std::isfinite(x))
        return x;
    const double a = std::fabs(x);
    constexpr double limit = 9.0e18; // tenths of a cent must fit in 64 bits
    if (a * 1000.0 >= limit)
        return x;
    const auto t = static_cast<qint64>(ExactTruncTimes1000(a));
    const qint64 d = t % 10;
    const qint64 h = t / 10;
    const double magnitude = static_cast<double>(d >= 5 ? h + 1 : h) / 100.0;
    if (magnitude == 0.0)
        return 0.0; // no negative zero to print as "-0,00"
    return std::signbit(x) ? -magnitude : magnitude;
}

qint64 RoundToInt(double x)
{
    if (std::isnan(x))
        return 0;
    constexpr double maxInt = 9.2e18;
    if (x >= maxInt)
        return std::numeric_limits<qint64>::max();
    if (x <= -maxInt)
        return std::numeric_limits<qint64>::min();
    const double a = std::fabs(x);
    const double whole = std::trunc(a);
    const double fraction = a - whole; // exact for doubles
    const auto magnitude = static_cast<qint64>(whole) + (fraction >= 0.5 ? 1 : 0);
    return x < 0 ? -magnitude : magnitude;
}

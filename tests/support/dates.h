#pragma once

#include <QDate>

// A date written the Spanish way round: D(31, 12, 2021).
inline QDate D(int d, int m, int y)
{
    return {y, m, d};
}

#pragma once

#include <QString>

// Whether a window of that name exists among the program's top-level windows (names compared
// without regard to case).
bool FormIsOpen(const QString &name);

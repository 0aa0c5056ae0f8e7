#pragma once

#include <QString>

// Named value of the program's version information: "FileVersion" and "ProductVersion" give
// the build's version ("26.12.1.0"), "ProductName" "Cuantix"; any other name gives "".
QString ReadVersionValue(const QString &name);

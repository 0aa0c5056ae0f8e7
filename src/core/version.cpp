#include "core/version.h"

QString ReadVersionValue(const QString &name)
{
    if (name == QLatin1String("FileVersion") || name == QLatin1String("ProductVersion"))
        return QStringLiteral(CUANTIX_VERSION);
    if (name == QLatin1String("ProductName"))
        return QStringLiteral("Cuantix");
    return {};
}

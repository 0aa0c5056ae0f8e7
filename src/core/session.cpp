#include "core/session.h"

QString WithoutTrailingSeparator(QString dir)
{
    // A root loses its separator too ("/" gives "", "C:/" gives "C:"), so that
    // programDir + "/Datos" still names the right folder.
    while (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')))
        dir.chop(1);
    return dir;
}

#pragma once

#include <QString>

// Values the main window holds for the whole run and every window reads.
struct Session
{
    QString programDir;  // the current folder at start, no trailing separator
    QString moduleDir;   // programDir + "/modulos/" + the active region's Dir
    int regionId = 0;
    QString regionName;
    float regionIPC = 0.0f; // single precision, as stored for the region
    QString supportUrl;

    QString datosDir() const { return programDir + QStringLiteral("/Datos"); }
    QString historiaDir() const { return programDir + QStringLiteral("/Historia"); }
    QString modulosDir() const { return programDir + QStringLiteral("/modulos"); }
    QString docPlantDir() const { return programDir + QStringLiteral("/DocPlant"); }
};

// Drops trailing separators; a root keeps none ("/" gives "", "C:/" gives "C:").
QString WithoutTrailingSeparator(QString dir);

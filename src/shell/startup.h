#pragma once

#include <QString>

// Fixed texts of the program's start and main window.
inline const QString kApplicationTitle = QStringLiteral("Cuantix");
inline const QString kSingleInstanceName = QStringLiteral("Rozivud Irivozuri");
inline const QString kDesignCaption = QStringLiteral("Quorvia Pack de Bienvenida");
inline const QString kMainCaption = QStringLiteral("Cuantix");
inline const QString kNotConfiguredWarning =
    QStringLiteral("Cuantix no funcionará si no esta correctamente configurado");
// "Intereses y Honorarios (Region: " + name + ")", once a region is chosen by hand.
QString RegionCaption(const QString &regionName);

// Deletes every file whose name ends in ".LCK" (any case) anywhere below dir: lock files
// left by an older installation. Files that cannot be deleted are skipped. Returns how many
// were deleted.
int DeleteLockFiles(const QString &dir);

// The clean-up before any table opens: the lock files, and the record locks of programs that
// are no longer running in every database below programDir.
void CleanUpLocks(const QString &programDir);

// Background image of the main window for the screen's width: 640 "532.jpg", 800 "679.jpg",
// 1024 "977.jpg", 1280 and wider "1169.jpg" (or "977.jpg" when that is missing), painted
// scaled to the window. Empty for any other width or when the file does not exist.
QString BackgroundImageFor(const QString &programDir, int screenWidth);

#pragma once

#include <QString>

#include <optional>

// The value in euros of one point, kept in ModuleDir/puntos.ini in a region that counts fixed
// sums in points. Written with a decimal point ("0.6", "55"); read with a point or a comma, so
// a file typed by hand either way works.

// "puntos.ini" inside moduleDir.
QString PointFilePath(const QString &moduleDir);

// The first number of the file's first line; nullopt when the file does not exist. Throws
// AppError naming the file when it cannot be read or its first line holds no number.
std::optional<double> ReadPointValue(const QString &moduleDir);
// ReadPointValue, or 0 when the file does not exist (the fee engine's PointValue).
double PointValueOrZero(const QString &moduleDir);

// The first line as stored (the region window shows it), empty when there is no file.
QString PointFileText(const QString &moduleDir);

// Writes the value anew (decimal point, shortest form). Throws AppError naming the file.
void WritePointValue(const QString &moduleDir, double value);
// Deletes the file when it exists. Throws AppError naming the file when that fails.
void RemovePointValue(const QString &moduleDir);

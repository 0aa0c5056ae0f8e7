#pragma once

#include "core/errors.h"

#include <QString>

#include <optional>

// A Windows-style INI file read and written afresh on every call (no cache), so a value one
// window writes is what the next reader sees. Section and key names are case-insensitive;
// values are taken as they stand (no quote stripping, no lists). Lines the program does not
// touch are kept as they are. Files are written as UTF-8 and replaced atomically; a file that
// is not valid UTF-8 is read as Windows-1252 (settings copied from an older installation).
// Failures to read an existing file or to write throw AppError naming the file: a file that
// cannot be read (no permission, a folder, not text, over 1 MB) throws SettingsUnreadable.
class IniFile
{
public:
    explicit IniFile(QString path);

    // The settings file of an executable: its path with the extension replaced by ".ini"
    // ("/opt/cuantix/Devenix" gives "/opt/cuantix/Devenix.ini").
    static QString PathForExecutable(const QString &executablePath);
    // Settings of the running program (found through the executable, not the current folder).
    static IniFile ForRunningProgram();

    const QString &path() const { return m_path; }

    QString readString(const QString &section, const QString &key, const QString &defaultValue = {}) const;
    // A value that is absent or not a whole number gives the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // Decimal comma ("16,00"); absent or unreadable gives the default.
    double readDecimal(const QString &section, const QString &key, double defaultValue) const;

    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);

private:
    QString m_path;
};

class SettingsUnreadable : public AppError
{
public:
    using AppError::AppError;
};

// At start, before anything writes the settings: a settings file that cannot be read is moved
// aside as "<file>.dañado" (so the user's data are kept and a new file can be written).
// Returns what to tell the user, or nothing when the file reads (or does not exist).
std::optional<QString> RescueUnreadableSettings(const QString &path);

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

#include "core/errors.h"

// Exit statuses of devenix-cli.
enum CliStatus { CliOk = 0, CliFailure = 1, CliBadInput = 2 };

// A command used wrongly (an option without its value, a file named that does not exist):
// the message and exit status 2.
class CliUsageError : public AppError
{
public:
    using AppError::AppError;
};

// Standard streams of one command run (UTF-8); tests substitute their own.
class CliIo
{
public:
    virtual ~CliIo() = default;
    virtual QByteArray readAllInput() = 0;
    virtual void out(const QString &text) = 0;
    // Text already in UTF-8 (large outputs skip two conversions).
    virtual void outUtf8(const QByteArray &text) { out(QString::fromUtf8(text)); }
    virtual void err(const QString &text) = 0;
};

struct CliCommand
{
    const char *name;
    const char *synopsis; // "liquidacion [--instalacion DIR] < caso.json"
    const char *summary;  // one line, Spanish
    int (*run)(const QStringList &args, CliIo &io);
    bool needsGui = false; // fonts and painting (PDF): runs under an offscreen GUI application
};

// Every command, in the order --help lists them.
const std::vector<CliCommand> &CliCommands();

// A command used wrongly: the message on standard error, and exit status 2.
int ReportBadInput(CliIo &io, const QString &message);

// Removes "--name VALUE" from args and returns VALUE (empty when absent). Throws
// CliUsageError when the option is given without a value.
QString TakeOption(QStringList &args, const QString &name);
// The installation folder of a command: --instalacion DIR, else the current folder.
QString InstallationDir(QStringList &args);

// Before a command touches its installation (--instalacion DIR or the current folder): a
// restore cut short there is finished or undone, said in one line on standard error.
void RecoverInstallationAtStart(const QStringList &args, CliIo &io);

// The text with C0 and C1 control characters other than the newline written as \xHH
// ("\x1B" for ESC, "\x00" for NUL): what standard error echoes of the user's input.
QString EscapeControlCharacters(const QString &text);

// Runs devenix-cli with its arguments (without the program name). "--instalacion DIR" may
// come before the command as well as after it. Standard error goes through
// EscapeControlCharacters.
int RunCli(const QStringList &args, CliIo &io);

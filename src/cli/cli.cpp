#include "cli/cli.h"

#include "core/errors.h"
#include "core/version.h"

#include <QDir>

namespace {

QString HelpText()
{
    QString text = QStringLiteral("Uso: devenix-cli [--instalacion DIR] ORDEN [ARGUMENTOS]\n\n"
                                  "Cuantix sin ventanas: las mismas reglas que el programa Devenix.\n\n"
                                  "Órdenes:\n");
    for (const CliCommand &c : CliCommands())
        text += QStringLiteral("  %1\n      %2\n").arg(QString::fromUtf8(c.synopsis), QString::fromUtf8(c.summary));
    text += QStringLiteral("\nOpciones:\n"
                           "  --instalacion DIR  carpeta de la instalación (por omisión, la actual); vale\n"
                           "                     antes o después de la orden:\n"
                           "                     devenix-cli --instalacion DIR historico listar\n"
                           "  --help             muestra esta ayuda\n"
                           "  --version          muestra la versión\n\n"
                           "Estado de salida: 0 correcto, 2 datos de entrada no válidos, 1 otro error.\n");
    return text;
}

} // namespace

QString TakeOption(QStringList &args, const QString &name)
{
    const auto at = args.indexOf(name);
    if (at < 0)
        return {};
    if (at + 1 >= args.size())
        throw CliUsageError(QStringLiteral("Falta el valor de la opción %1.").arg(name));
    const QString value = args.at(at + 1);
    args.remove(at, 2);
    return value;
}

int ReportBadInput(CliIo &io, const QString &message)
{
    io.err(message + QLatin1Char('\n'));
    return CliBadInput;
}

QString InstallationDir(QStringList &args)
{
    const QString dir = TakeOption(args, QStringLiteral("--instalacion"));
    return dir.isEmpty() ? QDir::currentPath() : QDir(dir).absolutePath();
}

namespace {

// Standard error with control characters written as \xHH: a pasted ESC or NUL in a case or
// an argument must not reach the terminal raw.
class EscapingIo final : public CliIo
{
public:
    explicit EscapingIo(CliIo &inner)
        : m_inner(inner)
    {
    }
    QByteArray readAllInput() override { return m_inner.readAllInput(); }
    void out(const QString &text) override { m_inner.out(text); }
    void outUtf8(const QByteArray &text) override { m_inner.outUtf8(text); }
    void err(const QString &text) override { m_inner.err(EscapeControlCharacters(text)); }

private:
    CliIo &m_inner;
};

// "--instalacion DIR ORDEN ..." as "ORDEN ... --instalacion DIR", as git -C is given.
QStringList WithLeadingInstallationMoved(const QStringList &args)
{
    const QString option = QStringLiteral("--instalacion");
    if (args.size() < 2 || args.first() != option)
        return args;
    return args.mid(2) << option << args.at(1);
}

int Run(const QStringList &args, CliIo &io)
{
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        io.out(HelpText());
        return args.isEmpty() ? CliBadInput : CliOk;
    }
    if (args.first() == QLatin1String("--version")) {
        io.out(QStringLiteral("devenix-cli (Cuantix) %1\n").arg(ReadVersionValue(QStringLiteral("FileVersion"))));
        return CliOk;
    }
    for (const CliCommand &c : CliCommands()) {
        if (args.first() == QLatin1String(c.name)) {
            try {
                RecoverInstallationAtStart(args, io);
                return c.run(args.mid(1), io);
            } catch (const CliUsageError &e) {
                io.err(e.message() + QLatin1Char('\n'));
                return CliBadInput;
            } catch (const AppError &e) {
                io.err(e.message() + QLatin1Char('\n'));
                return CliFailure;
            }
        }
    }
    io.err(QStringLiteral("Orden desconocida: %1. Use devenix-cli --help.\n").arg(args.first()));
    return CliBadInput;
}

} // namespace

QString EscapeControlCharacters(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' || !(u < 0x20 || (u >= 0x7f && u < 0xa0)))
            escaped += c;
        else
            escaped += QStringLiteral("\\x") + QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    }
    return escaped;
}

int RunCli(const QStringList &args, CliIo &io)
{
    EscapingIo escaping(io);
    return Run(WithLeadingInstallationMoved(args), escaping);
}

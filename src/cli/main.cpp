#include "cli/cli.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

class StdIo final : public CliIo
{
public:
    QByteArray readAllInput() override
    {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return {};
        return in.readAll();
    }
    void out(const QString &text) override { write(stdout, text); }
    void outUtf8(const QByteArray &text) override
    {
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        std::fflush(stdout);
    }
    void err(const QString &text) override { write(stderr, text); }

private:
    static void write(FILE *stream, const QString &text)
    {
        const QByteArray bytes = text.toUtf8();
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
        std::fflush(stream);
    }
};

bool NeedsGui(int argc, char **argv)
{
    int command = 1;
    if (argc > 2 && qstrcmp(argv[1], "--instalacion") == 0)
        command = 3;
    if (argc <= command)
        return false;
    for (const CliCommand &c : CliCommands()) {
        if (qstrcmp(argv[command], c.name) == 0)
            return c.needsGui;
    }
    return false;
}

// Qt's own diagnostics (font and runtime-folder notices) are not for the user of the command:
// standard error carries only the command's messages unless asked for.
void QuietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("DEVENIX_CLI_DEBUG"))
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(QuietMessages);
    std::unique_ptr<QCoreApplication> app;
    if (NeedsGui(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    StdIo io;
    return RunCli(QCoreApplication::arguments().mid(1), io);
}

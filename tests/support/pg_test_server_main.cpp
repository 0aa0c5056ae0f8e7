// Starts or stops the throwaway PostgreSQL server of a test run:
//   pg_test_server start <folder>   makes the cluster, starts it and seeds "cuantix_plantilla"
//                                   (the installation's folder in <folder>/instalacion)
//   pg_test_server stop <folder>    stops it and removes the folder
// Without the server's programs, start writes why into <folder>/falta.ini and succeeds: the
// "pg." tests then skip with that reason.
#include "core/errors.h"
#include "core/ini_file.h"
#include "store/seed.h"
#include "support/pg_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

namespace {

QString BinDir()
{
    // The newest installed major version.
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &version : versions) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
        if (QFileInfo::exists(bin + QStringLiteral("/initdb")) && QFileInfo::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return {};
}

int FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

// The server refuses to run as root: then it runs as "nobody", owning its folder.
void Run(const QString &program, QStringList arguments, const QString &owned = {})
{
    QString command = program;
    if (geteuid() == 0) {
        if (!owned.isEmpty())
            QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("nobody"), owned});
        arguments.prepend(program);
        arguments.prepend(QStringLiteral("--"));
        arguments.prepend(QStringLiteral("nobody"));
        arguments.prepend(QStringLiteral("-u"));
        command = QStringLiteral("runuser");
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw AppError(QStringLiteral("%1 ha fallado").arg(program), QString::fromLocal8Bit(process.readAll()));
}

void WriteFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        throw AppError(QStringLiteral("No se puede escribir %1").arg(path));
}

void Stop(const QString &dir)
{
    const QString bin = BinDir();
    if (!bin.isEmpty() && QFileInfo::exists(dir + QStringLiteral("/data/postmaster.pid"))) {
        try {
            Run(bin + QStringLiteral("/pg_ctl"), {QStringLiteral("-D"), dir + QStringLiteral("/data"),
                                                  QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
                                                  QStringLiteral("stop")});
        } catch (const AppError &e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.detail()));
        }
    }
    QDir(dir).removeRecursively();
}

void Start(const QString &dir)
{
    Stop(dir);
    QDir().mkpath(dir);
    const QString bin = BinDir();
    if (bin.isEmpty()) {
        IniFile(dir + QStringLiteral("/falta.ini"))
            .writeString(QStringLiteral("SERVIDOR"), QStringLiteral("MOTIVO"),
                         QStringLiteral("no están instalados los programas del servidor PostgreSQL "
                                        "(/usr/lib/postgresql/*/bin)"));
        std::printf("PostgreSQL server programs not found: the pg. tests will be skipped.\n");
        return;
    }
    const QString data = dir + QStringLiteral("/data");
    Run(bin + QStringLiteral("/initdb"),
        {QStringLiteral("-D"), data, QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-U"),
         QStringLiteral("postgres"), QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"),
         QStringLiteral("--no-sync"), QStringLiteral("--no-instructions")},
        dir);
    // The role that must give a password goes through scram; everyone else is trusted.
    WriteFile(data + QStringLiteral("/pg_hba.conf"),
              QStringLiteral("host all %1 127.0.0.1/32 scram-sha-256\n"
                             "host all all 127.0.0.1/32 trust\n").arg(kPasswordRole).toUtf8());
    const int port = FreePort();
    Run(bin + QStringLiteral("/pg_ctl"),
        {QStringLiteral("-D"), data, QStringLiteral("-l"), dir + QStringLiteral("/server.log"), QStringLiteral("-w"),
         QStringLiteral("-o"),
         QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -c unix_socket_directories='' -c fsync=off "
                        "-c synchronous_commit=off -c full_page_writes=off -c max_connections=300")
             .arg(port),
         QStringLiteral("start")},
        dir);
    IniFile settings(dir + QStringLiteral("/server.ini"));
    settings.writeString(QStringLiteral("SERVIDOR"), QStringLiteral("HOST"), QStringLiteral("127.0.0.1"));
    settings.writeInteger(QStringLiteral("SERVIDOR"), QStringLiteral("PUERTO"), port);

    RunOnTestServer(QStringLiteral("CREATE ROLE %1 LOGIN SUPERUSER PASSWORD '%2'").arg(kPasswordRole, kPasswordRolePassword));
    RunOnTestServer(QStringLiteral("CREATE DATABASE %1").arg(kTemplateDatabase));
    DatabaseEngine engine = *TestServer();
    engine.database = kTemplateDatabase;
    // The installation folder the test installations copy (its data are in the database).
    SeedInstallation(QStringLiteral(CUANTIX_SOURCE_DATA_DIR), SeededServerInstallation(), engine);
    std::printf("PostgreSQL test server on 127.0.0.1:%d (%s)\n", port, qPrintable(dir));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || (args[1] != QLatin1String("start") && args[1] != QLatin1String("stop"))) {
        std::fprintf(stderr, "uso: pg_test_server start|stop <carpeta>\n");
        return 2;
    }
    qputenv("CUANTIX_TEST_PG_DIR", args[2].toLocal8Bit());
    try {
        if (args[1] == QLatin1String("start"))
            Start(args[2]);
        else
            Stop(args[2]);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(e.message()), qPrintable(e.detail()));
        return 1;
    }
    return 0;
}

// Load driver (not a Google Benchmark): N programs store settlements and invoices in a loop
// against one installation, first on SQLite files, then on a local PostgreSQL server, and the
// data are checked afterwards: no record lost or stored twice, every conflict reported with the
// store's message, no program stuck.
//
//   load_bench [--segundos 60] [--procesos 10] [--motor ambos|sqlite|postgresql]
//              [--servidor HOST --puerto N --usuario USUARIO]
//
// Without --servidor a throwaway server is started with pg_test_server (built beside this
// program); with it, a database "carga_<n>" is made there (the user needs CREATEDB).
#include "backup/engine_move.h"
#include "core/errors.h"
#include "core/ini_file.h"
#include "interest/settlement_history.h"
#include "invoicing/invoice_store.h"
#include "store/data_store.h"
#include "store/seed.h"
#include "store/server.h"
#include "store/sql.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSqlError>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const QString kBusyMessage = QStringLiteral("Los datos están siendo usados por otro programa. Inténtelo más tarde.");

QString Option(const QStringList &args, const QString &name, const QString &fallback = {})
{
    const auto at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
}

void Say(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QString LoadAverage()
{
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3)
        return QStringLiteral("?");
    return QStringLiteral("%1 %2 %3").arg(load[0], 0, 'f', 2).arg(load[1], 0, 'f', 2).arg(load[2], 0, 'f', 2);
}

// One program of the run: stores until the deadline, then tells what it stored.
int RunWorker(const QStringList &args)
{
    const QString dir = Option(args, QStringLiteral("--instalacion"));
    const int number = Option(args, QStringLiteral("--numero")).toInt();
    const qint64 deadline = Option(args, QStringLiteral("--hasta")).toLongLong();
    QJsonArray settlements;
    QJsonArray invoices;
    int conflicts = 0;
    int deadlocks = 0;
    int retries = 0;
    int others = 0;
    QString firstOther;
    try {
        DataStore store(QStringLiteral("carga-"));
        store.connectMain(dir);
        const QSqlDatabase historia = store.database(Alias::Historico);
        const QSqlDatabase datos = store.database(Alias::Devenix);
        for (int i = 0; QDateTime::currentMSecsSinceEpoch() < deadline; ++i) {
            const auto failed = [&](const AppError &e) {
                if (e.message() == kBusyMessage) {
                    ++conflicts;
                    if (e.detail().contains(QLatin1String("40P01")) || e.detail().contains(QLatin1String("deadlock")))
                        ++deadlocks;
                } else {
                    ++others;
                    if (firstOther.isEmpty())
                        firstOther = e.message() + QStringLiteral(" (") + e.detail() + QLatin1Char(')');
                }
            };
            StoredSettlement s;
            s.header.numAsunto = QStringLiteral("C%1-%2").arg(number).arg(i);
            s.header.fecha = QDate(2026, 1, 1).addDays(i % 300);
            s.header.descripcion = QStringLiteral("Carga %1").arg(i);
            s.capital = 1000.0 + i;
            s.desde1 = QDate(2020, 1, 1);
            s.hasta1 = QDate(2025, 12, 31);
            s.tipoInteres1 = QStringLiteral("Interés Legal");
            s.movements = {{QDate(2021, 3, 1), 100.0, QStringLiteral("P")}, {QDate(2022, 3, 1), 50.0, QStringLiteral("E")}};
            try {
                StoreSettlement(historia, s);
                settlements.append(s.header.numAsunto);
            } catch (const AppError &e) {
                failed(e);
            }
            try {
                InvoiceHeader header;
                header.key = {ProposedInvoiceNumber(datos).value_or(1), 2026};
                header.fecha = QDate(2026, 6, 1);
                header.nombreCliente = QStringLiteral("Cliente %1").arg(number);
                header.iva = 21.0;
                std::vector<InvoiceLine> lines(2);
                lines[0].titulo = QStringLiteral("Honorarios");
                lines[0].subTotal = 300.0;
                lines[1].titulo = QStringLiteral("Suplidos");
                lines[1].subTotal = 12.5;
                StoreNewInvoice(datos, header, lines);
                invoices.append(header.key.id);
            } catch (const InvoiceRefusal &) {
                ++retries; // another program took the number first: the next one is proposed
            } catch (const AppError &e) {
                failed(e);
            }
        }
    } catch (const AppError &e) {
        ++others;
        firstOther = e.message() + QStringLiteral(" (") + e.detail() + QLatin1Char(')');
    }
    const QJsonObject out{{QStringLiteral("liquidaciones"), settlements}, {QStringLiteral("facturas"), invoices},
                          {QStringLiteral("conflictos"), conflicts},      {QStringLiteral("interbloqueos"), deadlocks},
                          {QStringLiteral("reintentos"), retries},        {QStringLiteral("otros"), others},
                          {QStringLiteral("primer_error"), firstOther}};
    Say(QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    return 0;
}

struct PhaseResult
{
    QString engine;
    qint64 settlements = 0;
    qint64 invoices = 0;
    int conflicts = 0;
    int deadlocks = 0;
    int retries = 0;
    int others = 0;
    int stuck = 0;
    int lost = 0;
    int duplicated = 0;
    double seconds = 0;
    QString firstOther;
};

PhaseResult RunPhase(const QString &engineName, const QString &dir, int processes, int seconds)
{
    PhaseResult result;
    result.engine = engineName;
    std::vector<std::unique_ptr<QProcess>> workers;
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + 3000 + qint64(seconds) * 1000;
    for (int n = 0; n < processes; ++n) {
        auto p = std::make_unique<QProcess>();
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--trabajador"), QStringLiteral("--instalacion"), dir, QStringLiteral("--numero"),
                  QString::number(n), QStringLiteral("--hasta"), QString::number(deadline)});
        workers.push_back(std::move(p));
    }
    QElapsedTimer timer;
    timer.start();
    QSet<QString> settlementKeys;
    QSet<int> invoiceKeys;
    for (auto &p : workers) {
        const qint64 left = deadline - QDateTime::currentMSecsSinceEpoch() + 60000;
        if (!p->waitForFinished(static_cast<int>(std::max<qint64>(left, 1000)))) {
            ++result.stuck;
            p->kill();
            p->waitForFinished(5000);
            continue;
        }
        const QJsonObject o = QJsonDocument::fromJson(p->readAllStandardOutput()).object();
        for (const QJsonValue &v : o.value(QStringLiteral("liquidaciones")).toArray()) {
            if (settlementKeys.contains(v.toString()))
                ++result.duplicated;
            settlementKeys.insert(v.toString());
        }
        for (const QJsonValue &v : o.value(QStringLiteral("facturas")).toArray()) {
            if (invoiceKeys.contains(v.toInt()))
                ++result.duplicated;
            invoiceKeys.insert(v.toInt());
        }
        result.conflicts += o.value(QStringLiteral("conflictos")).toInt();
        result.deadlocks += o.value(QStringLiteral("interbloqueos")).toInt();
        result.retries += o.value(QStringLiteral("reintentos")).toInt();
        result.others += o.value(QStringLiteral("otros")).toInt();
        if (result.firstOther.isEmpty())
            result.firstOther = o.value(QStringLiteral("primer_error")).toString();
    }
    result.seconds = seconds;
    result.settlements = settlementKeys.size();
    result.invoices = invoiceKeys.size();

    // What the database holds against what the programs said they stored.
    DataStore store(QStringLiteral("comprobar-"));
    store.connectMain(dir);
    QSet<QString> storedSettlements;
    QSqlQuery q = RunSql(store.database(Alias::Historico), QStringLiteral("SELECT NumAsunto FROM Cabecera WHERE NumAsunto LIKE 'C%'"));
    while (q.next())
        storedSettlements.insert(q.value(0).toString());
    QSet<int> storedInvoices;
    QSqlQuery f = RunSql(store.database(Alias::Devenix),
                         QStringLiteral("SELECT Id, (SELECT count(*) FROM lineasfact l WHERE l.Id = facturas.Id"
                                        " AND l.Iyear = facturas.Iyear) FROM facturas WHERE Iyear = 2026"));
    while (f.next()) {
        storedInvoices.insert(f.value(0).toInt());
        if (f.value(1).toInt() != 2)
            ++result.lost; // an invoice with its lines half-stored
    }
    result.lost += static_cast<int>((settlementKeys - storedSettlements).size() + (invoiceKeys - storedInvoices).size());
    // Stored but not reported: a store that said it failed yet left its record.
    result.duplicated += static_cast<int>((storedSettlements - settlementKeys).size() + (storedInvoices - invoiceKeys).size());
    return result;
}

void Report(const PhaseResult &r, int processes)
{
    const double stores = double(r.settlements + r.invoices);
    Say(QStringLiteral("%1: %2 procesos, %3 s: %4 liquidaciones y %5 facturas guardadas, %6 guardados/s; conflictos %7 "
                       "(interbloqueos %8), números de factura ya tomados %9, otros errores %10, procesos atascados %11, "
                       "registros perdidos %12, duplicados o no informados %13\n")
            .arg(r.engine)
            .arg(processes)
            .arg(r.seconds)
            .arg(r.settlements)
            .arg(r.invoices)
            .arg(stores / r.seconds, 0, 'f', 1)
            .arg(r.conflicts)
            .arg(r.deadlocks)
            .arg(r.retries)
            .arg(r.others)
            .arg(r.stuck)
            .arg(r.lost)
            .arg(r.duplicated));
    if (!r.firstOther.isEmpty())
        Say(QStringLiteral("  primer otro error: %1\n").arg(r.firstOther));
}

// The server to load: the one named, or a throwaway one of pg_test_server.
struct Server
{
    DatabaseEngine engine;
    QString throwawayDir;
};

std::optional<Server> StartServer(const QStringList &args, const QString &work)
{
    Server server;
    server.engine.kind = DatabaseEngine::Kind::PostgreSQL;
    if (const QString host = Option(args, QStringLiteral("--servidor")); !host.isEmpty()) {
        server.engine.host = host;
        server.engine.port = Option(args, QStringLiteral("--puerto"), QStringLiteral("5432")).toInt();
        server.engine.user = Option(args, QStringLiteral("--usuario"), QStringLiteral("postgres"));
    } else {
        server.throwawayDir = work + QStringLiteral("/pg");
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/pg_test_server");
        if (QProcess::execute(program, {QStringLiteral("start"), server.throwawayDir}) != 0
            || !QFileInfo::exists(server.throwawayDir + QStringLiteral("/server.ini"))) {
            Say(QStringLiteral("No se ha podido arrancar un servidor PostgreSQL de prueba (%1).\n").arg(program));
            return std::nullopt;
        }
        const IniFile ini(server.throwawayDir + QStringLiteral("/server.ini"));
        server.engine.host = ini.readString(QStringLiteral("SERVIDOR"), QStringLiteral("HOST"));
        server.engine.port = ini.readInteger(QStringLiteral("SERVIDOR"), QStringLiteral("PUERTO"), 0);
        server.engine.user = QStringLiteral("postgres");
    }
    server.engine.database = QStringLiteral("carga_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    DatabaseEngine maintenance = server.engine;
    maintenance.database = QStringLiteral("postgres");
    {
        QSqlDatabase db = OpenServerConnection(maintenance, QStringLiteral("mantenimiento"), {});
        QSqlQuery create(db);
        if (!create.exec(QStringLiteral("CREATE DATABASE %1").arg(server.engine.database)))
            throw AppError(QStringLiteral("No se ha podido crear la base de datos de la prueba."), create.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("mantenimiento"));
    return server;
}

int RunDriver(const QStringList &args)
{
    const int seconds = Option(args, QStringLiteral("--segundos"), QStringLiteral("60")).toInt();
    const int processes = Option(args, QStringLiteral("--procesos"), QStringLiteral("10")).toInt();
    const QString engines = Option(args, QStringLiteral("--motor"), QStringLiteral("ambos"));
    QTemporaryDir work;
    // The throwaway server runs as an unprivileged user when we are root: it must reach its folder.
    QFile::setPermissions(work.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                           | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    const QString seeded = work.path() + QStringLiteral("/semilla");
    SeedInstallation(QStringLiteral(CUANTIX_SOURCE_DATA_DIR), seeded);
    Say(QStringLiteral("Carga media de la máquina al empezar: %1 (%2 núcleos)\n").arg(LoadAverage()).arg(QThread::idealThreadCount()));

    if (engines != QLatin1String("postgresql")) {
        const QString dir = work.path() + QStringLiteral("/sqlite");
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), seeded, dir});
        Report(RunPhase(QStringLiteral("SQLite (un archivo)"), dir, processes, seconds), processes);
        Say(QStringLiteral("Carga media: %1\n").arg(LoadAverage()));
    }
    if (engines != QLatin1String("sqlite")) {
        const auto server = StartServer(args, work.path());
        if (!server)
            return 1;
        const QString dir = work.path() + QStringLiteral("/servidor");
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), seeded, dir});
        MoveToServer(dir, server->engine);
        Report(RunPhase(QStringLiteral("PostgreSQL (%1)").arg(server->engine.serverText()), dir, processes, seconds),
               processes);
        Say(QStringLiteral("Carga media: %1\n").arg(LoadAverage()));
        if (!server->throwawayDir.isEmpty())
            QProcess::execute(QCoreApplication::applicationDirPath() + QStringLiteral("/pg_test_server"),
                              {QStringLiteral("stop"), server->throwawayDir});
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        return args.contains(QStringLiteral("--trabajador")) ? RunWorker(args) : RunDriver(args);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n(%s)\n", e.message().toUtf8().constData(), e.detail().toUtf8().constData());
        return 1;
    }
}

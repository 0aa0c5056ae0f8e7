#include "backup/engine_move.h"

#include "backup/database_snapshot.h"
#include "core/errors.h"
#include "core/ini_file.h"
#include "store/data_store.h"
#include "store/server.h"
#include "store/sql.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QUuid>

namespace {

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString UniquePrefix(const char *what)
{
    return QString::fromLatin1(what) + QUuid::createUuid().toString(QUuid::Id128) + QLatin1Char('-');
}

QStringList ModuleFoldersWithFile(const QString &programDir)
{
    QStringList folders;
    const QDir modulos(programDir + QStringLiteral("/modulos"));
    for (const QString &folder : modulos.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (QFileInfo::exists(modulos.filePath(folder) + QLatin1Char('/') + DatabaseFileName(DatabaseKind::Modulo)))
            folders.append(folder);
    }
    return folders;
}

std::vector<TableCheck> AllChecks(const std::vector<DataSet> &sets)
{
    std::vector<TableCheck> checks;
    for (const DataSet &set : sets) {
        const auto some = CheckTables(set.tables);
        checks.insert(checks.end(), some.begin(), some.end());
    }
    return checks;
}

MoveSummary Summarise(const std::vector<TableCheck> &checks)
{
    MoveSummary summary;
    summary.tables = static_cast<int>(checks.size());
    for (const TableCheck &c : checks)
        summary.rows += c.rows;
    return summary;
}

QString AsideName(const QString &file, const QString &stamp)
{
    return file + QStringLiteral(".trasladado-") + stamp;
}

void PutAside(const QString &file, const QString &stamp)
{
    if (!QFileInfo::exists(file))
        return;
    if (!QFile::rename(file, AsideName(file, stamp)))
        throw AppError(QStringLiteral("No se ha podido renombrar \"%1\".").arg(Native(file)));
}

// A server connection of our own, removed on every exit path.
class ServerConnection
{
public:
    ServerConnection(const DatabaseEngine &engine, const char *what)
        : m_name(UniquePrefix(what))
    {
        m_db = OpenServerConnection(engine, m_name, {});
    }
    ~ServerConnection()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    const QSqlDatabase &db() const { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

// The store's alias of a data set ("datos", "historia", "modulo_*").
Alias AliasOfSet(const QString &name)
{
    if (name == QLatin1String("datos"))
        return Alias::Devenix;
    if (name == QLatin1String("historia"))
        return Alias::Historico;
    return Alias::Modulo;
}

void RefuseOtherSessions(const QSqlDatabase &server, const DatabaseEngine &engine)
{
    if (const int others = OtherServerSessions(server); others > 0)
        throw AppError(QStringLiteral("Hay %1 conexiones de otros programas a la base de datos %2. Cierre Cuantix en "
                                      "los demás equipos y vuelva a intentarlo.")
                           .arg(others)
                           .arg(engine.serverText()));
}

} // namespace

int OtherServerSessions(const QSqlDatabase &server)
{
    return Scalar(server, QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database()"
                                         " AND pid <> pg_backend_pid() AND backend_type = 'client backend'"))
        .toInt();
}

std::vector<DataSet> ServerDataSets(const QSqlDatabase &server, const QString &programDir, const QString &serverText)
{
    QHash<QString, QString> folderOfSchema;
    for (const QString &folder : QDir(programDir + QStringLiteral("/modulos")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folderOfSchema.insert(ModuleSchemaName(folder), folder);
    std::vector<DataSet> sets;
    QSqlQuery schemas = RunSql(server, QStringLiteral("SELECT nspname FROM pg_namespace WHERE nspname IN ('datos', 'historia')"
                                                      " OR nspname LIKE 'modulo\\_%' ORDER BY nspname"));
    while (schemas.next()) {
        const QString schema = schemas.value(0).toString();
        QString folder;
        if (schema == QLatin1String("datos"))
            folder = QStringLiteral("Datos");
        else if (schema == QLatin1String("historia"))
            folder = QStringLiteral("Historia");
        else
            folder = QStringLiteral("modulos/") + folderOfSchema.value(schema, schema.mid(7));
        sets.push_back({schema, folder, {server, schema, serverText + QLatin1Char('/') + schema}});
    }
    // Datos and Historia first, as on SQLite.
    std::stable_sort(sets.begin(), sets.end(), [](const DataSet &a, const DataSet &b) {
        return a.folder.startsWith(QLatin1String("modulos/")) < b.folder.startsWith(QLatin1String("modulos/"));
    });
    if (sets.size() < 2 || sets[0].name != QLatin1String("datos") || sets[1].name != QLatin1String("historia"))
        throw AppError(QStringLiteral("La base de datos %1 no tiene los datos de Cuantix.").arg(serverText));
    return sets;
}

SqliteInstallation::SqliteInstallation(const QString &programDir, bool create, std::optional<QStringList> moduleFolders)
{
    if (!moduleFolders)
        moduleFolders = ModuleFoldersWithFile(programDir);
    const auto open = [&](DataStore &store, Alias alias, const QString &folder) {
        const QString dir = programDir + QLatin1Char('/') + folder;
        store.setEngine(DatabaseEngine{});
        store.setPath(alias, dir);
        if (create) {
            if (!QDir().mkpath(dir))
                throw AppError(QStringLiteral("No se ha podido crear la carpeta \"%1\".").arg(Native(dir)));
            store.create(alias);
        } else {
            store.connect(alias);
        }
        return TableSet{store.database(alias), {}, Native(store.filePath(alias))};
    };
    m_stores.push_back(std::make_unique<DataStore>(UniquePrefix("sqlite-")));
    m_sets.push_back({QStringLiteral("datos"), QStringLiteral("Datos"), open(*m_stores.back(), Alias::Devenix, QStringLiteral("Datos"))});
    m_sets.push_back({QStringLiteral("historia"), QStringLiteral("Historia"),
                      open(*m_stores.back(), Alias::Historico, QStringLiteral("Historia"))});
    for (const QString &folder : std::as_const(*moduleFolders)) {
        m_stores.push_back(std::make_unique<DataStore>(UniquePrefix("sqlite-")));
        const QString relative = QStringLiteral("modulos/") + folder;
        m_sets.push_back({ModuleSchemaName(folder), relative, open(*m_stores.back(), Alias::Modulo, relative)});
    }
}

SqliteInstallation::~SqliteInstallation()
{
    close();
}

QStringList SqliteInstallation::files() const
{
    QStringList files;
    for (const DataSet &set : m_sets)
        files.append(QDir::fromNativeSeparators(set.tables.label));
    return files;
}

void SqliteInstallation::close()
{
    for (DataSet &set : m_sets)
        set.tables.db = QSqlDatabase();
    m_stores.clear();
}

MoveSummary MoveToServer(const QString &programDir, const DatabaseEngine &server, const CopyProgress &progress)
{
    IniFile settings(programDir + QStringLiteral("/Devenix.ini"));
    if (DatabaseEngine::Read(settings).isServer())
        throw AppError(QStringLiteral("Esta instalación ya tiene sus datos en un servidor (%1).")
                           .arg(DatabaseEngine::Read(settings).serverText()));
    const QStringList modules = ModuleFoldersWithFile(programDir);
    QStringList files = {programDir + QStringLiteral("/Datos/") + DatabaseFileName(DatabaseKind::Datos),
                         programDir + QStringLiteral("/Historia/") + DatabaseFileName(DatabaseKind::Historia)};
    for (const QString &folder : modules)
        files.append(programDir + QStringLiteral("/modulos/") + folder + QLatin1Char('/') + DatabaseFileName(DatabaseKind::Modulo));
    for (const QString &file : std::as_const(files)) {
        if (QFileInfo::exists(file) && DatabaseInUse(file))
            throw AppError(QStringLiteral("La base de datos \"%1\" está abierta en otro programa. Cierre los demás "
                                          "programas que usan esta instalación y vuelva a intentarlo.").arg(Native(file)));
    }

    SqliteInstallation source(programDir, false, modules);
    ServerConnection target(server, "traslado-");
    // The schemas are made (or found empty) by the store, as a new installation gets them.
    {
        std::vector<std::unique_ptr<DataStore>> makers;
        for (const DataSet &set : source.sets()) {
            makers.push_back(std::make_unique<DataStore>(UniquePrefix("esquema-")));
            DataStore &store = *makers.back();
            store.setEngine(server);
            const Alias alias = AliasOfSet(set.name);
            store.setPath(alias, programDir + QLatin1Char('/') + set.folder);
            ServerSchemaExists(target.db(), set.name) ? store.connect(alias) : store.create(alias);
        }
    }
    std::vector<TableCheck> copied;
    {
        std::vector<CopyPair> pairs;
        for (const DataSet &set : source.sets())
            pairs.push_back({set.tables, {target.db(), set.name, server.serverText() + QLatin1Char('/') + set.name}});
        copied = CopyTables(pairs, progress);
    }
    if (AllChecks(source.sets()) != copied)
        throw AppError(QStringLiteral("Otro programa ha cambiado los datos mientras se copiaban. La instalación sigue "
                                      "usando sus archivos; vacíe la base de datos %1 y vuelva a intentarlo.")
                           .arg(server.serverText()));
    source.close();

    DatabaseEngine saved = server;
    saved.password.clear();
    saved.write(settings);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    PutAside(files.at(0), stamp);
    PutAside(files.at(1), stamp);
    return Summarise(copied);
}

MoveSummary MoveToSqlite(const QString &programDir, const CopyProgress &progress)
{
    IniFile settings(programDir + QStringLiteral("/Devenix.ini"));
    const DatabaseEngine server = DatabaseEngine::Read(settings);
    if (!server.isServer())
        throw AppError(QStringLiteral("Esta instalación ya tiene sus datos en archivos SQLite."));
    ServerConnection source(server, "traslado-");
    RefuseOtherSessions(source.db(), server);
    const std::vector<DataSet> onServer = ServerDataSets(source.db(), programDir, server.serverText());

    QTemporaryDir stage(programDir + QStringLiteral("/.traslado-XXXXXX"));
    if (!stage.isValid())
        throw AppError(QStringLiteral("No se puede escribir en la carpeta de la instalación \"%1\".").arg(Native(programDir)),
                       stage.errorString());
    QStringList modules;
    for (std::size_t i = 2; i < onServer.size(); ++i)
        modules.append(onServer[i].folder.mid(8));
    std::vector<TableCheck> copied;
    QStringList finals;
    QStringList staged;
    {
        SqliteInstallation target(stage.path(), true, modules);
        std::vector<CopyPair> pairs;
        for (std::size_t i = 0; i < onServer.size(); ++i)
            pairs.push_back({onServer[i].tables, target.sets()[i].tables});
        copied = CopyTables(pairs, progress);
        if (AllChecks(onServer) != copied || OtherServerSessions(source.db()) > 0)
            throw AppError(QStringLiteral("Otro programa se ha conectado a la base de datos %1 durante la copia. La "
                                          "instalación sigue usando el servidor; vuelva a intentarlo.")
                               .arg(server.serverText()));
        staged = target.files();
        for (const DataSet &set : target.sets())
            finals.append(programDir + QLatin1Char('/') + set.folder + QLatin1Char('/')
                          + QFileInfo(QDir::fromNativeSeparators(set.tables.label)).fileName());
    }

    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (qsizetype i = 0; i < finals.size(); ++i) {
        QDir().mkpath(QFileInfo(finals[i]).path());
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            PutAside(finals[i] + suffix, stamp);
        if (!QFile::rename(staged[i], finals[i]))
            throw AppError(QStringLiteral("No se ha podido colocar la base de datos \"%1\"; la instalación sigue usando "
                                          "el servidor.").arg(Native(finals[i])));
    }
    DatabaseEngine{}.write(settings);
    return Summarise(copied);
}

CsvManifest DumpServerTables(const DatabaseEngine &server, const QString &programDir, const QString &folder)
{
    ServerConnection connection(server, "copia-");
    return WriteTablesAsCsv(ServerDataSets(connection.db(), programDir, server.serverText()), folder);
}

void LoadServerTables(const DatabaseEngine &server, const QString &programDir, const QString &csvFolder,
                      const CsvManifest &manifest, const CopyProgress &progress)
{
    ServerConnection connection(server, "restauracion-");
    RefuseOtherSessions(connection.db(), server);
    for (const auto &[name, folder] : manifest.sets) {
        if (ServerSchemaExists(connection.db(), name))
            continue;
        DataStore store(UniquePrefix("esquema-"));
        store.setEngine(server);
        const Alias alias = AliasOfSet(name);
        store.setPath(alias, programDir + QLatin1Char('/') + folder);
        if (store.schemaName(alias) != name)
            throw AppError(QStringLiteral("La copia de seguridad contiene los datos de \"%1\", que esta instalación no "
                                          "puede recibir.").arg(folder));
        store.create(alias);
    }
    std::vector<DataSet> targets;
    for (const DataSet &set : ServerDataSets(connection.db(), programDir, server.serverText())) {
        const bool inBackup = std::any_of(manifest.sets.begin(), manifest.sets.end(),
                                          [&](const auto &s) { return s.first == set.name; });
        if (inBackup)
            targets.push_back(set);
    }
    LoadTablesFromCsv(csvFolder, manifest, targets, progress);
}

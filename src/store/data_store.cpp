#include "store/data_store.h"

#include "core/errors.h"
#include "store/module_seed.h"
#include "store/server.h"
#include "store/sql.h"
#include "store/store_error.h"
#include "store/text_match.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>

namespace {

std::size_t Index(Alias alias)
{
    return static_cast<std::size_t>(alias);
}

bool FolderIsWritable(const QString &dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

void Configure(const QSqlDatabase &db, const QString &dir, const QString &file)
{
    QSqlQuery wal(db);
    if (!wal.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !wal.next()
        || wal.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        if (!FolderIsWritable(dir) || !QFileInfo(file).isWritable())
            throw AppError(QStringLiteral("No se puede escribir en la carpeta de datos \"%1\". "
                                          "Compruebe que la instalación no es de solo lectura.").arg(dir),
                           wal.lastError().text());
        throw UnreadableDatabase(
            file, AppError(QStringLiteral("El archivo \"%1\" no es una base de datos de Cuantix o está dañado. "
                                          "Compruebe la carpeta de datos o restaure una copia de seguridad.").arg(file),
                           wal.lastError().text()));
    }
    RunSql(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
    RunSql(db, QStringLiteral("PRAGMA foreign_keys = ON"));
}

} // namespace

DataStore::DataStore(QString connectionPrefix)
    : m_prefix(std::move(connectionPrefix))
{
}

DataStore::~DataStore()
{
    closeAll();
}

QString DataStore::AliasName(Alias alias)
{
    switch (alias) {
    case Alias::Devenix:
        return QStringLiteral("Devenix");
    case Alias::Historico:
        return QStringLiteral("Historico");
    case Alias::Intereses:
        return QStringLiteral("dbIntereses");
    case Alias::General:
        return QStringLiteral("dbGeneral");
    case Alias::Modulo:
        return QStringLiteral("dbModulo");
    }
    return {};
}

DatabaseKind DataStore::KindOf(Alias alias)
{
    switch (alias) {
    case Alias::Historico:
        return DatabaseKind::Historia;
    case Alias::Modulo:
        return DatabaseKind::Modulo;
    default:
        return DatabaseKind::Datos;
    }
}

QString DataStore::connectionName(Alias alias) const
{
    return m_prefix + AliasName(alias);
}

void DataStore::setPath(Alias alias, const QString &directory)
{
    m_paths[Index(alias)] = directory;
}

QString DataStore::path(Alias alias) const
{
    return m_paths[Index(alias)];
}

QString DataStore::filePath(Alias alias) const
{
    return path(alias) + QLatin1Char('/') + DatabaseFileName(KindOf(alias));
}

DatabaseEngine DataStore::engine(Alias alias) const
{
    if (m_engine)
        return *m_engine;
    const QString dir = path(alias);
    if (dir.isEmpty())
        return {};
    // Datos and Historia sit in the installation folder, a module two levels down.
    const QString installation = QFileInfo(alias == Alias::Modulo ? dir + QStringLiteral("/../..")
                                                                  : dir + QStringLiteral("/..")).absoluteFilePath();
    return DatabaseEngine::ForInstallation(QDir::cleanPath(installation));
}

QString DataStore::schemaName(Alias alias) const
{
    switch (KindOf(alias)) {
    case DatabaseKind::Datos:
        return QStringLiteral("datos");
    case DatabaseKind::Historia:
        return QStringLiteral("historia");
    case DatabaseKind::Modulo:
        return ModuleSchemaName(QFileInfo(QDir::cleanPath(path(alias))).fileName());
    }
    return {};
}

void DataStore::connect(Alias alias)
{
    open(alias, false);
}

void DataStore::create(Alias alias)
{
    const DatabaseEngine server = engine(alias);
    if (server.isServer()) {
        openOnServer(alias, server, true);
        return;
    }
    if (QFileInfo::exists(filePath(alias)))
        throw AppError(QStringLiteral("La base de datos \"%1\" ya existe.").arg(QDir::toNativeSeparators(filePath(alias))));
    open(alias, true);
}

void DataStore::open(Alias alias, bool creating)
{
    disconnect(alias);
    const DatabaseEngine server = engine(alias);
    if (server.isServer()) {
        m_retry[Index(alias)] = !creating;
        openOnServer(alias, server, creating);
        return;
    }
    const QString dir = path(alias);
    const QString file = filePath(alias);
    const QString shown = QDir::toNativeSeparators(file);
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        throw AppError(QStringLiteral("No existe la carpeta de datos \"%1\".").arg(QDir::toNativeSeparators(dir)));
    // An empty database in place of a missing or emptied one would show empty lists and take
    // new work while the real file may come back (a network drive late to connect).
    if (!creating && !QFileInfo::exists(file))
        throw AppError(QStringLiteral("No se encuentra la base de datos \"%1\"; compruebe la carpeta de datos o "
                                      "restaure una copia de seguridad.").arg(shown));
    if (!creating && QFileInfo(file).size() == 0)
        throw DamagedDatabase(file, QStringLiteral("empty file"));
    if (creating && !FolderIsWritable(dir))
        throw AppError(QStringLiteral("No se puede crear la base de datos \"%1\": la carpeta es de solo lectura.")
                           .arg(shown));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        throw AppError(QStringLiteral("Falta el controlador SQLite de Qt (paquete libqt6sql6-sqlite)."));

    const QString name = connectionName(alias);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000;") + kSqliteFoldedCaseOption);
        try {
            if (!db.open())
                throw AppError(QStringLiteral("No se ha podido abrir la base de datos \"%1\".").arg(shown),
                               db.lastError().text());
            CheckDatabaseFile(db, KindOf(alias), shown);
            if (!creating && Scalar(db, QStringLiteral("PRAGMA user_version")).toInt() == 0)
                throw DamagedDatabase(file, QStringLiteral("no schema"));
            Configure(db, dir, shown);
            EnsureSchema(db, KindOf(alias), shown);
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw;
        }
    }
}

void DataStore::openOnServer(Alias alias, const DatabaseEngine &server, bool creating)
{
    const QString name = connectionName(alias);
    const QString schema = schemaName(alias);
    const QString shown = server.serverText() + QLatin1Char('/') + schema;
    // A region's folder keeps the module's other files (its tables' settings, its scales).
    if (alias == Alias::Modulo && !QFileInfo(path(alias)).isDir())
        throw AppError(QStringLiteral("No existe la carpeta de datos \"%1\".").arg(QDir::toNativeSeparators(path(alias))));
    {
        QSqlDatabase db = OpenServerConnection(server, name, schema);
        try {
            const bool exists = ServerSchemaExists(db, schema);
            if (creating && exists && ServerSchemaHasTables(db, schema))
                throw AppError(QStringLiteral("La base de datos \"%1\" ya existe.").arg(shown));
            // The shipped module file of a region fills its schema the first time it is used.
            const QString shippedModule = filePath(alias);
            const bool fromShipped = !creating && !exists && alias == Alias::Modulo
                                     && QFileInfo::exists(shippedModule);
            if (!creating && !exists && !fromShipped)
                throw AppError(QStringLiteral("No se encuentra la base de datos \"%1\" en el servidor; compruebe la "
                                              "configuración o restaure una copia de seguridad.").arg(shown));
            if (!exists) {
                Transaction transaction(db);
                RunSql(db, QStringLiteral("CREATE SCHEMA IF NOT EXISTS %1").arg(schema));
                transaction.commit();
            }
            CheckDatabaseFile(db, KindOf(alias), shown);
            EnsureSchema(db, KindOf(alias), shown);
            if (fromShipped)
                CopyShippedModule(shippedModule, db);
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw;
        }
    }
}

void DataStore::disconnect(Alias alias)
{
    m_retry[Index(alias)] = false;
    const QString name = connectionName(alias);
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool DataStore::isConnected(Alias alias) const
{
    const QString name = connectionName(alias);
    return QSqlDatabase::contains(name) && QSqlDatabase::database(name, false).isOpen();
}

QSqlDatabase DataStore::database(Alias alias) const
{
    // A server that could not be reached is tried again when the user next needs it.
    if (!isConnected(alias) && m_retry[Index(alias)]) {
        auto *self = const_cast<DataStore *>(this);
        self->open(alias, false);
        if (alias == Alias::Devenix && m_workTables)
            self->createWorkingMovements();
    }
    if (!isConnected(alias))
        throw AppError(QStringLiteral("La base de datos %1 no está abierta.").arg(AliasName(alias)));
    return QSqlDatabase::database(connectionName(alias), false);
}

void DataStore::connectMain(const QString &programDir)
{
    const QString datos = programDir + QStringLiteral("/Datos");
    const QString historia = programDir + QStringLiteral("/Historia");
    const std::pair<Alias, QString> order[] = {{Alias::Devenix, datos},
                                               {Alias::Historico, historia},
                                               {Alias::Intereses, datos},
                                               {Alias::General, datos}};
    for (const auto &[alias, dir] : order) {
        disconnect(alias);
        setPath(alias, dir);
        connect(alias);
    }
}

void DataStore::OpenWorkTables()
{
    if (!isConnected(Alias::Devenix))
        connect(Alias::Devenix);
    if (!isConnected(Alias::Historico))
        connect(Alias::Historico);
    createWorkingMovements();
    emptyWorkingMovements();
    m_workTables = true;
}

void DataStore::CloseDatabases()
{
    disconnect(Alias::Devenix);
    disconnect(Alias::Historico);
}

void DataStore::openModule(const QString &moduleDir)
{
    disconnect(Alias::Modulo);
    setPath(Alias::Modulo, moduleDir);
    connect(Alias::Modulo);
}

void DataStore::createModule(const QString &moduleDir)
{
    disconnect(Alias::Modulo);
    setPath(Alias::Modulo, moduleDir);
    create(Alias::Modulo);
}

void DataStore::closeAll()
{
    for (Alias alias : {Alias::Devenix, Alias::Historico, Alias::Intereses, Alias::General, Alias::Modulo})
        disconnect(alias);
}

void DataStore::createWorkingMovements()
{
    const QSqlDatabase db = database(Alias::Devenix);
    // A server connection opened again after it was lost has lost its temporary table too.
    if (IsServer(db))
        SetReopenAction(db, [](const QSqlDatabase &again) {
            RunSql(again, QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS Pagos ("
                                         " Fecha TEXT NOT NULL PRIMARY KEY, Importe DOUBLE PRECISION NOT NULL, Tipo TEXT)"));
        });
    RunSql(db, QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS Pagos ("
                              " Fecha TEXT NOT NULL PRIMARY KEY, Importe %1 NOT NULL, Tipo TEXT)")
                   .arg(RealType(db)));
}

void DataStore::emptyWorkingMovements()
{
    RunSql(database(Alias::Devenix), QStringLiteral("DELETE FROM Pagos"));
}

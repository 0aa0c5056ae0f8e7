#pragma once

#include "store/database_engine.h"
#include "store/schema.h"

#include <QSqlDatabase>
#include <QString>

#include <array>
#include <optional>

// The named databases of the program. Devenix, dbIntereses and dbGeneral are three
// connections to the main data file of "Datos"; Historico is the settlement history of
// "Historia"; dbModulo is the active region's fee module.
enum class Alias { Devenix, Historico, Intereses, General, Modulo };

// Owns the named connections for the whole run and the working tables. Connection names are
// the prefix followed by the alias name ("Devenix", "dbModulo", ...), so two stores in one
// process (tests standing in for two programs) stay apart when given different prefixes.
class DataStore final
{
public:
    explicit DataStore(QString connectionPrefix = {});
    ~DataStore();
    DataStore(const DataStore &) = delete;
    DataStore &operator=(const DataStore &) = delete;

    static QString AliasName(Alias alias);
    static DatabaseKind KindOf(Alias alias);

    // The engine every alias opens on. Unless set, each alias reads it from the settings of
    // the installation its folder belongs to ("<installation>/Devenix.ini"; a module folder is
    // "<installation>/modulos/<region>"), so SQLite stays the default.
    void setEngine(const DatabaseEngine &engine) { m_engine = engine; }
    DatabaseEngine engine(Alias alias) const;
    // The schema an alias stands for on a server: "datos", "historia", "modulo_<region>".
    QString schemaName(Alias alias) const;

    // The folder an alias points at (its "PATH").
    void setPath(Alias alias, const QString &directory);
    QString path(Alias alias) const;
    QString filePath(Alias alias) const;

    // Opens the alias's database file, upgrading its schema. Throws AppError naming the
    // folder or file: missing folder or file, empty, foreign or damaged file, newer version,
    // read-only folder. A failed connect leaves the alias closed.
    void connect(Alias alias);
    // Creates the alias's database file with its schema (a new installation only); throws
    // AppError when it exists already.
    void create(Alias alias);
    void disconnect(Alias alias);
    bool isConnected(Alias alias) const;
    // The open connection of an alias; throws AppError when it is not connected. An alias on a
    // server whose connecting failed is tried again first (the server may be back).
    QSqlDatabase database(Alias alias) const;

    // Points Devenix, Historico, dbIntereses and dbGeneral at the folders of programDir and
    // connects them, in that order.
    void connectMain(const QString &programDir);
    // Connects Devenix and Historico when needed and empties the working movements.
    void OpenWorkTables();
    // Disconnects Devenix and Historico.
    void CloseDatabases();
    // Closes dbModulo, points it at moduleDir and opens it again.
    void openModule(const QString &moduleDir);
    // The same for a module folder without its database yet (a new installation).
    void createModule(const QString &moduleDir);
    // Disconnects all five (before a restore replaces the files).
    void closeAll();

    // The working movements ("Pagos") belong to this running program alone: a temporary table
    // of the Devenix connection, same key (Fecha) and fields (Fecha, Importe, Tipo).
    static QString WorkingMovementsTable() { return QStringLiteral("Pagos"); }
    void emptyWorkingMovements();
    // Kind a new working movement gets: "P" payment or "E" entry.
    const QString &currentKind() const { return m_currentKind; }
    void setCurrentKind(const QString &kind) { m_currentKind = kind; }

private:
    void open(Alias alias, bool creating);
    void openOnServer(Alias alias, const DatabaseEngine &engine, bool creating);
    QString connectionName(Alias alias) const;
    void createWorkingMovements();

    QString m_prefix;
    std::optional<DatabaseEngine> m_engine;
    std::array<QString, 5> m_paths;
    std::array<bool, 5> m_retry{};
    bool m_workTables = false;
    QString m_currentKind = QStringLiteral("P");
};

#include "store/schema.h"

#include "store/sql.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QUuid>

namespace {

// Marks our files and their kind ("CTX1" to "CTX3"), so that a foreign SQLite file, or one
// of ours put in the wrong folder, is never taken for the file expected.
int ApplicationId(DatabaseKind kind)
{
    return 0x43545830 + 1 + static_cast<int>(kind);
}

const char *const kLocksTable =
    "CREATE TABLE Bloqueos ("
    " Tabla TEXT NOT NULL, Clave TEXT NOT NULL, Usuario TEXT, Equipo TEXT, Proceso INTEGER,"
    " Sesion TEXT, Desde TEXT, PRIMARY KEY (Tabla, Clave))";

const char *const kDatosV1[] = {
    kLocksTable,
    "CREATE TABLE Interes ("
    " Desde TEXT NOT NULL PRIMARY KEY, Hasta TEXT NOT NULL,"
    " InteLega REAL CHECK (InteLega BETWEEN 0 AND 100),"
    " InteJudi REAL CHECK (InteJudi BETWEEN 0 AND 100),"
    " InteAdmi REAL)",
    "CREATE TABLE plantill (Id INTEGER PRIMARY KEY, Descripcion TEXT, Plantilla TEXT)",
    "CREATE TABLE campos (Etiqueta TEXT NOT NULL PRIMARY KEY, Codigo INTEGER NOT NULL UNIQUE)",
    "CREATE TABLE regiones ("
    " Id TEXT NOT NULL PRIMARY KEY, Nombre TEXT, Dir TEXT, Puntos INTEGER NOT NULL DEFAULT 0,"
    " IPC REAL, Year REAL)",
    "CREATE TABLE provincias (Id INTEGER PRIMARY KEY AUTOINCREMENT, Provincia TEXT, CapitalProvincia TEXT)",
    "CREATE TABLE facturas ("
    " Id INTEGER NOT NULL, Iyear INTEGER NOT NULL, Fecha TEXT, Icodcli INTEGER, Ref TEXT,"
    " NombreCliente TEXT, Nif TEXT, Direccion TEXT, Poblacion TEXT, Provincia TEXT, CodPostal TEXT,"
    " IVA REAL, IRPF REAL, DCTO REAL, Notas TEXT, Cobrado INTEGER NOT NULL DEFAULT 0, FechaCobro TEXT,"
    " Total REAL, TotalSuplidos REAL, TotalHonorario REAL, TotalDcto REAL, TotalIVA REAL,"
    " TotalIRPF REAL, TotalProvisiones REAL, PRIMARY KEY (Id, Iyear))",
    "CREATE TABLE lineasfact ("
    " Id INTEGER NOT NULL, Iyear INTEGER NOT NULL, Fecha TEXT NOT NULL, Linea INTEGER NOT NULL DEFAULT 0,"
    " Criterio TEXT, Titulo TEXT, Notas TEXT, IVA REAL, IRPF REAL, DCTO REAL, TotalIVA REAL,"
    " TotalIRPF REAL, TotalDCTO REAL, Fijo REAL, Incremento REAL, Reduccion REAL, Tabla INTEGER,"
    " Porcentaje REAL, Tipo TEXT, Perso6 REAL, Perso7 REAL, Perso8 REAL, Perso9 TEXT, Perso10 INTEGER,"
    " SubTotal REAL, Total REAL, PRIMARY KEY (Id, Iyear, Fecha, Linea))",
    "CREATE TABLE clientes ("
    " ICodCli INTEGER PRIMARY KEY, SNombreCli TEXT, SContacto TEXT, SDomicilioCli TEXT,"
    " SPoblacionCli TEXT, SProvinciaCli TEXT, SCodPostalCli TEXT, SNifCli TEXT, STelefonoCli TEXT,"
    " SFaxCli TEXT, SMovilCli TEXT, Notas TEXT, EMail TEXT, CuentaBanco TEXT, Telefono2 TEXT,"
    " Telefono3 TEXT, PagWeb TEXT, Nacionalidad TEXT)",
    "CREATE INDEX clientes_iNombre ON clientes (SNombreCli COLLATE NOCASE)",
    "CREATE TABLE contacto ("
    " CodContacto INTEGER PRIMARY KEY, Nombre TEXT, Notas TEXT, Domicilio TEXT, Poblacion TEXT,"
    " Provincia TEXT, CodPostal TEXT, Telefono1 TEXT, Telefono2 TEXT, Telefono3 TEXT, Fax TEXT,"
    " Movil TEXT, Nif TEXT, Email1 TEXT, Email2 TEXT, Email3 TEXT, Email4 TEXT, Email5 TEXT,"
    " PagWeb TEXT, Nacionalidad TEXT, Perso1 TEXT, Perso2 TEXT, Perso3 TEXT, Perso4 TEXT,"
    " Perso5 TEXT, Perso6 TEXT, Perso7 TEXT, Perso8 TEXT, Perso9 TEXT, Perso10 TEXT,"
    " PersoFecha1 TEXT, PersoFecha2 TEXT, PersoFecha3 TEXT, PersoNum1 REAL, PersoNum2 REAL,"
    " PersoNum3 REAL, PersoNum4 REAL, PersoNum5 REAL, PersoLogic1 INTEGER, PersoLogic2 INTEGER,"
    " PersoLogic3 INTEGER, PersoLogic4 INTEGER, PersoLogic5 INTEGER, PersoLogic6 INTEGER,"
    " Codsubusu INTEGER)",
    "CREATE INDEX contacto_iNombre ON contacto (Nombre COLLATE NOCASE)",
};

const char *const kHistoriaV1[] = {
    kLocksTable,
    "CREATE TABLE Cabecera ("
    " NumAsunto TEXT NOT NULL PRIMARY KEY, Fecha TEXT, Descripcion TEXT, Notas TEXT, Capital REAL,"
    " Desde1 TEXT, Hasta1 TEXT, TipoInteres1 TEXT, ConSentencia INTEGER NOT NULL DEFAULT 0,"
    " Desde2 TEXT, Hasta2 TEXT, TipoInteres2 TEXT, Interes1 TEXT, Interes2 TEXT,"
    " InteAcumu INTEGER NOT NULL DEFAULT 0, Moneda TEXT, Tipo TEXT)",
    "CREATE INDEX iFecha ON Cabecera (Fecha)",
    "CREATE INDEX iDescripcion ON Cabecera (Descripcion COLLATE NOCASE)",
    "CREATE TABLE Pagos ("
    " NumAsunto TEXT NOT NULL, Fecha TEXT NOT NULL, Importe REAL, Tipo TEXT,"
    " PRIMARY KEY (NumAsunto, Fecha))",
    "CREATE TABLE Tramos ("
    " NumAsunto TEXT NOT NULL, Desde TEXT, Hasta TEXT, Interes REAL, DiasAcumu INTEGER)",
    "CREATE INDEX Tramos_NumAsunto ON Tramos (NumAsunto)",
};

const char *const kModuloV1[] = {
    kLocksTable,
    "CREATE TABLE principal ("
    " Id INTEGER PRIMARY KEY, IdPadre INTEGER NOT NULL DEFAULT 0, Titulo TEXT, Criterios TEXT,"
    " Descripcion TEXT, Fijo REAL, Incremento REAL, Reduccion REAL, Tabla INTEGER, MinLibre REAL,"
    " MaxLibre REAL, EscalaX TEXT, Porcentaje REAL, MinPorcentaje REAL, MaxPorcentaje REAL,"
    " Perso3 TEXT, Perso4 TEXT)",
    "CREATE INDEX principal_IdPadre ON principal (IdPadre)",
    "CREATE TABLE tablas ("
    " Id INTEGER PRIMARY KEY, NombreTabla TEXT, Directivas INTEGER NOT NULL DEFAULT 0,"
    " ExtraPorc REAL, ExtraFijo REAL)",
};

template <std::size_t N>
void RunAll(const QSqlDatabase &db, const char *const (&statements)[N])
{
    for (const char *sql : statements)
        RunSql(db, QString::fromLatin1(sql));
}

// Version 2: the history list walks its three orders by position (counting and skipping
// entries) and shows case number, date and description: each order gets an index holding all
// of them, so the list never reads a record.
const char *const kHistoriaV2[] = {
    "CREATE INDEX Cabecera_Tipo_NumAsunto ON Cabecera (Tipo, NumAsunto, Fecha, Descripcion)",
    "CREATE INDEX Cabecera_Tipo_Fecha ON Cabecera (Tipo, Fecha, NumAsunto, Descripcion)",
    "CREATE INDEX Cabecera_Tipo_Descripcion ON Cabecera (Tipo, Descripcion COLLATE NOCASE, NumAsunto, Fecha)",
};

// The same on a server, where NULLs would sort last unless the index says otherwise, and an
// index on lower(Descripcion) is read alone only when it holds Descripcion itself too.
const char *const kHistoriaV2Server[] = {
    "CREATE INDEX Cabecera_Tipo_NumAsunto ON Cabecera (Tipo, NumAsunto, Fecha, Descripcion)",
    "CREATE INDEX Cabecera_Tipo_Fecha ON Cabecera (Tipo, Fecha NULLS FIRST, NumAsunto, Descripcion)",
    "CREATE INDEX Cabecera_Tipo_Descripcion ON Cabecera (Tipo, lower(Descripcion) NULLS FIRST, NumAsunto, Fecha)"
    " INCLUDE (Descripcion)",
};

// Version 3: the invoicing records the tax agency requires (one hash chain per issuer). A
// record's content never changes and no record is ever deleted: only the columns of its
// sending (Estado to Intentos) are written after it. VerifactuCadenas holds each chain's last
// record, so a record cut off the end is noticed; its update also serialises two programs.
const char *const kDatosV3[] = {
    "CREATE TABLE VerifactuInstalacion ("
    " Clave INTEGER PRIMARY KEY CHECK (Clave = 1), NumeroInstalacion TEXT NOT NULL,"
    " Cerrojo INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE VerifactuCadenas (Emisor TEXT NOT NULL PRIMARY KEY, Ultimo INTEGER NOT NULL, Huella TEXT NOT NULL)",
    "CREATE TABLE VerifactuRegistros ("
    " Numero INTEGER PRIMARY KEY AUTOINCREMENT, Emisor TEXT NOT NULL, Anterior INTEGER NOT NULL,"
    " Tipo TEXT NOT NULL CHECK (Tipo IN ('Alta', 'Anulacion')), Subsanacion INTEGER NOT NULL DEFAULT 0,"
    " NumSerie TEXT NOT NULL, FechaExpedicion TEXT NOT NULL, IdFactura INTEGER, Iyear INTEGER, Contenido TEXT,"
    " Generado TEXT NOT NULL, HuellaAnterior TEXT NOT NULL, Huella TEXT NOT NULL, Xml TEXT NOT NULL,"
    " Estado TEXT NOT NULL DEFAULT 'Pendiente', CodigoError TEXT, DescripcionError TEXT, Csv TEXT, Respuesta TEXT,"
    " Intentos INTEGER NOT NULL DEFAULT 0, UNIQUE (Emisor, Anterior))",
    "CREATE INDEX VerifactuRegistros_NumSerie ON VerifactuRegistros (NumSerie, Numero)",
    "CREATE INDEX VerifactuRegistros_Emisor ON VerifactuRegistros (Emisor, Numero)",
    "CREATE INDEX VerifactuRegistros_Estado ON VerifactuRegistros (Estado, Numero)",
    "CREATE TRIGGER VerifactuRegistros_SinBorrar BEFORE DELETE ON VerifactuRegistros"
    " BEGIN SELECT RAISE(ABORT, 'Los registros VERI*FACTU no se pueden borrar.'); END",
    "CREATE TRIGGER VerifactuRegistros_SinCambios BEFORE UPDATE ON VerifactuRegistros"
    " WHEN NEW.Numero IS NOT OLD.Numero OR NEW.Emisor IS NOT OLD.Emisor OR NEW.Anterior IS NOT OLD.Anterior"
    " OR NEW.Tipo IS NOT OLD.Tipo OR NEW.Subsanacion IS NOT OLD.Subsanacion OR NEW.NumSerie IS NOT OLD.NumSerie"
    " OR NEW.FechaExpedicion IS NOT OLD.FechaExpedicion OR NEW.IdFactura IS NOT OLD.IdFactura"
    " OR NEW.Iyear IS NOT OLD.Iyear OR NEW.Contenido IS NOT OLD.Contenido OR NEW.Generado IS NOT OLD.Generado"
    " OR NEW.HuellaAnterior IS NOT OLD.HuellaAnterior OR NEW.Huella IS NOT OLD.Huella OR NEW.Xml IS NOT OLD.Xml"
    " BEGIN SELECT RAISE(ABORT, 'Los registros VERI*FACTU no se pueden modificar.'); END",
    "CREATE TRIGGER VerifactuCadenas_SinBorrar BEFORE DELETE ON VerifactuCadenas"
    " BEGIN SELECT RAISE(ABORT, 'Los registros VERI*FACTU no se pueden borrar.'); END",
    "CREATE TRIGGER VerifactuInstalacion_SinCambios BEFORE UPDATE ON VerifactuInstalacion"
    " WHEN NEW.NumeroInstalacion IS NOT OLD.NumeroInstalacion OR NEW.Clave IS NOT OLD.Clave"
    " BEGIN SELECT RAISE(ABORT, 'El número de instalación no se puede cambiar.'); END",
    "CREATE TRIGGER VerifactuInstalacion_SinBorrar BEFORE DELETE ON VerifactuInstalacion"
    " BEGIN SELECT RAISE(ABORT, 'El número de instalación no se puede borrar.'); END",
};

// The same triggers on a server, where a trigger runs a function.
const char *const kDatosV3Server[] = {
    "CREATE FUNCTION verifactu_sin_borrar() RETURNS trigger LANGUAGE plpgsql AS $$"
    " BEGIN RAISE EXCEPTION 'Los registros VERI*FACTU no se pueden borrar.'; END $$",
    "CREATE FUNCTION verifactu_sin_cambios() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " IF NEW.Numero IS DISTINCT FROM OLD.Numero OR NEW.Emisor IS DISTINCT FROM OLD.Emisor"
    " OR NEW.Anterior IS DISTINCT FROM OLD.Anterior OR NEW.Tipo IS DISTINCT FROM OLD.Tipo"
    " OR NEW.Subsanacion IS DISTINCT FROM OLD.Subsanacion OR NEW.NumSerie IS DISTINCT FROM OLD.NumSerie"
    " OR NEW.FechaExpedicion IS DISTINCT FROM OLD.FechaExpedicion OR NEW.IdFactura IS DISTINCT FROM OLD.IdFactura"
    " OR NEW.Iyear IS DISTINCT FROM OLD.Iyear OR NEW.Contenido IS DISTINCT FROM OLD.Contenido"
    " OR NEW.Generado IS DISTINCT FROM OLD.Generado OR NEW.HuellaAnterior IS DISTINCT FROM OLD.HuellaAnterior"
    " OR NEW.Huella IS DISTINCT FROM OLD.Huella OR NEW.Xml IS DISTINCT FROM OLD.Xml THEN"
    " RAISE EXCEPTION 'Los registros VERI*FACTU no se pueden modificar.'; END IF; RETURN NEW; END $$",
    "CREATE FUNCTION verifactu_instalacion_sin_cambios() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
    " IF NEW.NumeroInstalacion IS DISTINCT FROM OLD.NumeroInstalacion OR NEW.Clave IS DISTINCT FROM OLD.Clave THEN"
    " RAISE EXCEPTION 'El número de instalación no se puede cambiar.'; END IF; RETURN NEW; END $$",
    "CREATE FUNCTION verifactu_instalacion_sin_borrar() RETURNS trigger LANGUAGE plpgsql AS $$"
    " BEGIN RAISE EXCEPTION 'El número de instalación no se puede borrar.'; END $$",
    "CREATE TRIGGER VerifactuRegistros_SinBorrar BEFORE DELETE ON VerifactuRegistros"
    " FOR EACH ROW EXECUTE FUNCTION verifactu_sin_borrar()",
    "CREATE TRIGGER VerifactuRegistros_SinVaciar BEFORE TRUNCATE ON VerifactuRegistros"
    " FOR EACH STATEMENT EXECUTE FUNCTION verifactu_sin_borrar()",
    "CREATE TRIGGER VerifactuRegistros_SinCambios BEFORE UPDATE ON VerifactuRegistros"
    " FOR EACH ROW EXECUTE FUNCTION verifactu_sin_cambios()",
    "CREATE TRIGGER VerifactuCadenas_SinBorrar BEFORE DELETE ON VerifactuCadenas"
    " FOR EACH ROW EXECUTE FUNCTION verifactu_sin_borrar()",
    "CREATE TRIGGER VerifactuCadenas_SinVaciar BEFORE TRUNCATE ON VerifactuCadenas"
    " FOR EACH STATEMENT EXECUTE FUNCTION verifactu_sin_borrar()",
    "CREATE TRIGGER VerifactuInstalacion_SinCambios BEFORE UPDATE ON VerifactuInstalacion"
    " FOR EACH ROW EXECUTE FUNCTION verifactu_instalacion_sin_cambios()",
    "CREATE TRIGGER VerifactuInstalacion_SinBorrar BEFORE DELETE ON VerifactuInstalacion"
    " FOR EACH ROW EXECUTE FUNCTION verifactu_instalacion_sin_borrar()",
};

// A key column left out of an INSERT gets the next number, as SQLite gives a row id: the
// program's SQL leaves such keys out and expects exactly that.
const char *const kNextKeyFunction =
    "CREATE FUNCTION siguiente_clave() RETURNS trigger LANGUAGE plpgsql AS $$"
    " DECLARE siguiente bigint; BEGIN"
    " IF to_jsonb(NEW) -> TG_ARGV[0] = 'null'::jsonb THEN"
    " EXECUTE format('SELECT coalesce(max(%I), 0) + 1 FROM %I.%I', TG_ARGV[0], TG_TABLE_SCHEMA, TG_TABLE_NAME)"
    " INTO siguiente;"
    " NEW := jsonb_populate_record(NEW, jsonb_build_object(TG_ARGV[0], siguiente)); END IF;"
    " RETURN NEW; END $$";

// SQLite's table text as the server reads it: 64-bit integers and doubles, texts compared
// byte by byte as SQLite does (collation "C"), NOCASE as lower() (which, in "C", folds ASCII
// only, as NOCASE does), and a numbering trigger for each single integer key.
void RunOnServer(const QSqlDatabase &db, QString sql)
{
    static const QRegularExpression createTable(QStringLiteral("^CREATE TABLE (\\w+)"));
    static const QRegularExpression integerKey(QStringLiteral("(\\w+) INTEGER PRIMARY KEY( AUTOINCREMENT)?"));
    static const QRegularExpression real(QStringLiteral("\\bREAL\\b"));
    static const QRegularExpression integer(QStringLiteral("\\bINTEGER\\b"));
    static const QRegularExpression text(QStringLiteral("\\bTEXT\\b"));
    static const QRegularExpression noCase(QStringLiteral("(\\w+) COLLATE NOCASE"));
    const auto table = createTable.match(sql);
    const auto key = integerKey.match(sql);
    sql.replace(integerKey, QStringLiteral("\\1 BIGINT PRIMARY KEY"));
    sql.replace(real, QStringLiteral("DOUBLE PRECISION"));
    sql.replace(integer, QStringLiteral("BIGINT"));
    sql.replace(text, QStringLiteral("TEXT COLLATE \"C\""));
    sql.replace(noCase, QStringLiteral("lower(\\1)"));
    RunSql(db, sql);
    if (table.hasMatch() && key.hasMatch())
        RunSql(db, QStringLiteral("CREATE TRIGGER %1_clave BEFORE INSERT ON %1 FOR EACH ROW"
                                  " EXECUTE FUNCTION siguiente_clave('%2')")
                       .arg(table.captured(1), key.captured(1).toLower()));
}

template <std::size_t N>
void RunAllOnServer(const QSqlDatabase &db, const char *const (&statements)[N])
{
    for (const char *sql : statements) {
        const QString text = QString::fromUtf8(sql);
        if (text.startsWith(QLatin1String("CREATE TRIGGER")) && text.contains(QLatin1String("RAISE(ABORT")))
            continue; // the server's own versions follow
        RunOnServer(db, text);
    }
}

template <std::size_t N>
void RunForEngine(const QSqlDatabase &db, const char *const (&statements)[N])
{
    if (IsServer(db))
        RunAllOnServer(db, statements);
    else
        RunAll(db, statements);
}

void CreateVersion3(const QSqlDatabase &db)
{
    RunForEngine(db, kDatosV3);
    if (IsServer(db)) {
        for (const char *sql : kDatosV3Server)
            RunSql(db, QString::fromUtf8(sql));
    }
    // Generated once: the installation keeps it for all its records.
    RunSql(db, QStringLiteral("INSERT INTO VerifactuInstalacion (Clave, NumeroInstalacion) VALUES (1, ?)"),
           {QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()});
}

void CreateVersion1(const QSqlDatabase &db, DatabaseKind kind)
{
    if (IsServer(db))
        RunSql(db, QString::fromLatin1(kNextKeyFunction));
    switch (kind) {
    case DatabaseKind::Datos:
        RunForEngine(db, kDatosV1);
        break;
    case DatabaseKind::Historia:
        RunForEngine(db, kHistoriaV1);
        break;
    case DatabaseKind::Modulo:
        RunForEngine(db, kModuloV1);
        break;
    }
    // A lock on a server names its holder's session, so a lock left by a program that is gone
    // is known from any computer.
    if (IsServer(db))
        RunSql(db, QStringLiteral("ALTER TABLE Bloqueos ADD COLUMN Conexion TEXT"));
}

AppError NotOurs(const QString &filePath, const QString &detail)
{
    return AppError(QStringLiteral("El archivo \"%1\" no es una base de datos de Cuantix o está dañado. "
                                   "Compruebe la carpeta de datos o restaure una copia de seguridad.").arg(filePath),
                    detail);
}

// On a server the kind and version of a schema are its comment: "Cuantix <kind> <version>".
QString KindName(DatabaseKind kind)
{
    switch (kind) {
    case DatabaseKind::Datos:
        return QStringLiteral("datos");
    case DatabaseKind::Historia:
        return QStringLiteral("historia");
    case DatabaseKind::Modulo:
        return QStringLiteral("modulo");
    }
    return {};
}

QString SchemaComment(const QSqlDatabase &db)
{
    return Scalar(db, QStringLiteral("SELECT obj_description(oid, 'pg_namespace') FROM pg_namespace"
                                     " WHERE nspname = current_schema()")).toString();
}

void CheckServerSchema(const QSqlDatabase &db, DatabaseKind kind, const QString &shown)
{
    const QString comment = SchemaComment(db);
    const int tables = Scalar(db, QStringLiteral("SELECT count(*) FROM information_schema.tables"
                                                 " WHERE table_schema = current_schema()")).toInt();
    const QStringList words = comment.split(u' ');
    const bool ours = words.size() == 3 && words[0] == QLatin1String("Cuantix") && words[1] == KindName(kind);
    if (!ours && (tables > 0 || !comment.isEmpty()))
        throw AppError(QStringLiteral("El esquema \"%1\" no es una base de datos de Cuantix. Compruebe la "
                                      "configuración del servidor o restaure una copia de seguridad.").arg(shown),
                       comment);
    const int version = ours ? words[2].toInt() : 0;
    if (version > kSchemaVersion)
        throw AppError(QStringLiteral("La base de datos \"%1\" es de una versión más reciente de Cuantix. "
                                      "Actualice el programa para usarla.").arg(shown),
                       QStringLiteral("version %1 > %2").arg(version).arg(kSchemaVersion));
}

} // namespace

QString DatabaseFileName(DatabaseKind kind)
{
    switch (kind) {
    case DatabaseKind::Datos:
        return QStringLiteral("datos.sqlite");
    case DatabaseKind::Historia:
        return QStringLiteral("historia.sqlite");
    case DatabaseKind::Modulo:
        return QStringLiteral("modulo.sqlite");
    }
    return {};
}

int SchemaVersion(const QSqlDatabase &db)
{
    if (!IsServer(db))
        return Scalar(db, QStringLiteral("PRAGMA user_version")).toInt();
    const QStringList words = SchemaComment(db).split(u' ');
    return words.size() == 3 ? words[2].toInt() : 0;
}

void SetSchemaVersion(const QSqlDatabase &db, DatabaseKind kind, int version)
{
    if (!IsServer(db)) {
        RunSql(db, QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId(kind)));
        RunSql(db, QStringLiteral("PRAGMA user_version = %1").arg(version));
        return;
    }
    // COMMENT takes no bound value; the text is the program's own.
    RunSql(db, QStringLiteral("COMMENT ON SCHEMA %1 IS 'Cuantix %2 %3'")
                   .arg(Scalar(db, QStringLiteral("SELECT current_schema()")).toString(), KindName(kind))
                   .arg(version));
}

void CheckDatabaseFile(const QSqlDatabase &db, DatabaseKind kind, const QString &filePath)
{
    if (IsServer(db)) {
        CheckServerSchema(db, kind, filePath);
        return;
    }
    // Any read of a file that is not SQLite fails here ("file is not a database").
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("PRAGMA application_id")) || !probe.next()) {
        if ((probe.lastError().nativeErrorCode().toInt() & 0xFF) == 11) // SQLITE_CORRUPT
            throw DamagedDatabase(filePath, probe.lastError().text());
        throw UnreadableDatabase(filePath, NotOurs(filePath, probe.lastError().text()));
    }
    const int applicationId = probe.value(0).toInt();
    const int tables = Scalar(db, QStringLiteral("SELECT count(*) FROM sqlite_master")).toInt();
    if (applicationId != ApplicationId(kind) && tables > 0)
        throw NotOurs(filePath, QStringLiteral("application_id %1").arg(applicationId));

    const int version = Scalar(db, QStringLiteral("PRAGMA user_version")).toInt();
    if (version > kSchemaVersion)
        throw AppError(QStringLiteral("El archivo \"%1\" es de una versión más reciente de Cuantix. "
                                      "Actualice el programa para usarlo.").arg(filePath),
                       QStringLiteral("user_version %1 > %2").arg(version).arg(kSchemaVersion));
}

void EnsureSchema(const QSqlDatabase &db, DatabaseKind kind, const QString &filePath)
{
    CheckDatabaseFile(db, kind, filePath);
    if (SchemaVersion(db) == kSchemaVersion)
        return;

    Transaction transaction(db);
    // Another program may have created or upgraded the file while we waited for the lock.
    CheckDatabaseFile(db, kind, filePath);
    const int current = SchemaVersion(db);
    if (current < 1)
        CreateVersion1(db, kind);
    if (current < 2 && kind == DatabaseKind::Historia) {
        if (IsServer(db))
            RunAll(db, kHistoriaV2Server);
        else
            RunAll(db, kHistoriaV2);
    }
    if (current < 3 && kind == DatabaseKind::Datos)
        CreateVersion3(db);
    SetSchemaVersion(db, kind, kSchemaVersion);
    transaction.commit();
}

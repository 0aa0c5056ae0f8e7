#include "store/seed.h"

#include "core/date_text.h"
#include "core/errors.h"
#include "core/ini_file.h"
#include "store/data_store.h"
#include "store/module_seed.h"
#include "store/sql.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QUuid>

namespace {

// Rows of a ';'-separated UTF-8 text file, header line skipped.
QList<QStringList> ReadRows(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw AppError(QStringLiteral("No se ha podido leer el archivo de datos \"%1\".").arg(path),
                       file.errorString());
    QList<QStringList> rows;
    bool header = true;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (header) {
            header = false;
            continue;
        }
        if (!line.isEmpty())
            rows.append(line.split(QLatin1Char(';')));
    }
    return rows;
}

[[noreturn]] void BadRow(const QString &path, const QStringList &row)
{
    throw AppError(QStringLiteral("Línea no válida en el archivo de datos \"%1\".").arg(path), row.join(u';'));
}

double Number(const QString &path, const QStringList &row, qsizetype i)
{
    bool ok = false;
    const double value = row.value(i).trimmed().toDouble(&ok); // decimal point in data files
    if (!ok)
        BadRow(path, row);
    return value;
}

void MakeDir(const QString &path)
{
    if (!QDir().mkpath(path))
        throw AppError(QStringLiteral("No se ha podido crear la carpeta \"%1\".").arg(path));
}

void CopyFolderFiles(const QString &from, const QString &to, const QString &skipSuffix = {})
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        if (!skipSuffix.isEmpty() && source.endsWith(skipSuffix, Qt::CaseInsensitive))
            continue;
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        MakeDir(QFileInfo(target).path());
        if (!QFile::copy(source, target))
            throw AppError(QStringLiteral("No se ha podido copiar \"%1\".").arg(source));
    }
}

void LoadDatos(const QSqlDatabase &db, const QString &sourceDir)
{
    const QString provincias = sourceDir + QStringLiteral("/provincias.csv");
    for (const QStringList &row : ReadRows(provincias)) {
        if (row.size() != 3)
            BadRow(provincias, row);
        RunSql(db, QStringLiteral("INSERT INTO provincias (Id, Provincia, CapitalProvincia) VALUES (?, ?, ?)"),
            {row[0].toInt(), row[1], row[2]});
    }
    const QString regiones = sourceDir + QStringLiteral("/regiones.csv");
    for (const QStringList &row : ReadRows(regiones)) {
        if (row.size() != 6)
            BadRow(regiones, row);
        RunSql(db, QStringLiteral("INSERT INTO regiones (Id, Nombre, Dir, Puntos, IPC, Year) VALUES (?, ?, ?, ?, ?, ?)"),
            {row[0], row[1], row[2], row[3].toInt(), Number(regiones, row, 4), Number(regiones, row, 5)});
    }
    const QString campos = sourceDir + QStringLiteral("/campos.csv");
    for (const QStringList &row : ReadRows(campos)) {
        if (row.size() != 2)
            BadRow(campos, row);
        RunSql(db, QStringLiteral("INSERT INTO campos (Codigo, Etiqueta) VALUES (?, ?)"), {row[0].toInt(), row[1]});
    }
    const QString plantillas = sourceDir + QStringLiteral("/plantillas.csv");
    if (QFileInfo::exists(plantillas)) {
        for (const QStringList &row : ReadRows(plantillas)) {
            if (row.size() != 2)
                BadRow(plantillas, row);
            RunSql(db, QStringLiteral("INSERT INTO plantill (Descripcion, Plantilla) VALUES (?, ?)"), {row[0], row[1]});
        }
    }
    LoadOfficialRates(db, sourceDir + QStringLiteral("/tipos-interes.csv"));
}

} // namespace

void LoadOfficialRates(const QSqlDatabase &db, const QString &csvPath)
{
    for (const QStringList &row : ReadRows(csvPath)) {
        if (row.size() < 5)
            BadRow(csvPath, row);
        const QDate desde = ParseDate(row[0]);
        const QDate hasta = ParseDate(row[1]);
        if (!desde.isValid() || !hasta.isValid() || hasta < desde || desde.year() != hasta.year())
            BadRow(csvPath, row);
        RunSql(db, QStringLiteral("INSERT INTO Interes (Desde, Hasta, InteLega, InteJudi, InteAdmi) VALUES (?, ?, ?, ?, ?)"),
            {DateToIso(desde), DateToIso(hasta), Number(csvPath, row, 2), Number(csvPath, row, 3),
             Number(csvPath, row, 4)});
    }
}

void SeedInstallation(const QString &sourceDir, const QString &destDir, const DatabaseEngine &engine)
{
    if (QFileInfo::exists(destDir + QStringLiteral("/Datos")))
        throw AppError(QStringLiteral("La carpeta \"%1\" ya contiene una instalación.").arg(destDir));
    for (const char *sub : {"Datos", "Historia", "modulos", "DocPlant"})
        MakeDir(destDir + QLatin1Char('/') + QLatin1String(sub));

    DataStore store(QStringLiteral("seed-%1-").arg(QUuid::createUuid().toString(QUuid::Id128)));
    store.setEngine(engine);
    if (engine.isServer()) {
        IniFile settings(destDir + QStringLiteral("/Devenix.ini"));
        engine.write(settings);
    }
    store.setPath(Alias::Devenix, destDir + QStringLiteral("/Datos"));
    store.setPath(Alias::Historico, destDir + QStringLiteral("/Historia"));
    store.create(Alias::Devenix);
    store.create(Alias::Historico);
    QStringList dirs;
    {
        const QSqlDatabase datos = store.database(Alias::Devenix);
        Transaction transaction(datos);
        LoadDatos(datos, sourceDir);
        transaction.commit();
        QSqlQuery regions = RunSql(datos, QStringLiteral("SELECT Dir FROM regiones ORDER BY Id"));
        while (regions.next())
            dirs.append(regions.value(0).toString());
    }
    for (const QString &dir : dirs) {
        const QString moduleDir = destDir + QStringLiteral("/modulos/") + dir;
        MakeDir(moduleDir);
        const QString source = sourceDir + QStringLiteral("/modulos/") + dir;
        // The tables come as text and go into the module's database; the other files
        // (tipoN.ini, tablas.xml, puntos.ini) are read where they lie.
        if (QFileInfo(source).isDir())
            CopyFolderFiles(source, moduleDir, QStringLiteral(".csv"));
        store.createModule(moduleDir);
        if (QFileInfo(source).isDir())
            LoadModuleText(store.database(Alias::Modulo), source);
    }
    store.closeAll();
    // The tax agency's schemas and the producer's declaration travel with the installation.
    const QString verifactu = sourceDir + QStringLiteral("/verifactu");
    if (QFileInfo(verifactu).isDir())
        CopyFolderFiles(verifactu, destDir + QStringLiteral("/verifactu"));
}

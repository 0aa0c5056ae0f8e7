#include "cli/cli.h"

#include "clients/record_export.h"
#include "clients/record_file.h"
#include "clients/record_import.h"
#include "store/data_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The main database of an installation, for the life of one command.
class InstalledData
{
public:
    explicit InstalledData(const QString &dir)
        : m_store(QStringLiteral("cli-"))
    {
        const QString datos = dir + QStringLiteral("/Datos");
        if (!QFileInfo(datos).isDir())
            throw AppError(QStringLiteral("No hay una instalación de Cuantix en \"%1\": falta la carpeta Datos. "
                                          "Indique la carpeta con --instalacion.").arg(QDir::toNativeSeparators(dir)));
        m_store.setPath(Alias::Intereses, datos);
        m_store.connect(Alias::Intereses);
    }

    QSqlDatabase db() const { return m_store.database(Alias::Intereses); }

private:
    DataStore m_store;
};

QJsonValue JsonValue(const Record &record, const FieldDef &field)
{
    const QVariant value = record.value(field.name);
    if (!value.isValid() || value.isNull())
        return QJsonValue::Null;
    switch (field.type) {
    case FieldType::Number:
        return value.toDouble();
    case FieldType::Flag:
        return value.toBool();
    case FieldType::Date:
    case FieldType::Text:
    case FieldType::Memo:
        break;
    }
    return FieldText(record, field);
}

int List(const RecordFile &file, CliIo &io)
{
    QJsonArray array;
    for (const Record &record : file.all()) {
        QJsonObject object;
        object.insert(file.def().key, record.value(file.def().key).toInt());
        for (const FieldDef &f : file.def().fields)
            object.insert(f.name, JsonValue(record, f));
        array.append(object);
    }
    io.outUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    return CliOk;
}

int Export(const RecordFile &file, const QString &path, CliIo &io)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xlsx"))
        WriteXlsx(path, FullTable(file.def(), file.all()),
                  file.def().table == QLatin1String("clientes") ? QStringLiteral("Clientes") : QStringLiteral("Contactos"));
    else if (suffix == QLatin1String("vcf"))
        WriteFileAtomically(path, VCards(file.def(), file.all()));
    else if (suffix == QLatin1String("csv"))
        WriteFileAtomically(path, CsvBytes(FullTable(file.def(), file.all())));
    else
        return ReportBadInput(io, QStringLiteral("El archivo de salida debe terminar en .xlsx, .vcf o .csv."));
    return CliOk;
}

int Import(RecordFile &file, const QString &path, CliIo &io)
{
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly))
        return ReportBadInput(io, QStringLiteral("No se puede leer el archivo \"%1\".").arg(QDir::toNativeSeparators(path)));
    const QByteArray bytes = input.readAll();
    ImportOutcome outcome;
    try {
        outcome = ImportCsv(file, bytes);
    } catch (const ImportError &e) {
        return ReportBadInput(io, e.message() + QStringLiteral(" No se ha importado nada."));
    }
    for (const QString &warning : outcome.warnings)
        io.err(QStringLiteral("Aviso: ") + warning + QLatin1Char('\n'));
    io.out(QStringLiteral("Importados: %1\n").arg(outcome.stored));
    return CliOk;
}

int Run(const TableDef &def, const QString &command, QStringList args, CliIo &io)
{
    const QString dir = InstallationDir(args);
    if (args.isEmpty())
        return ReportBadInput(io, QStringLiteral("Indique listar, exportar o importar: devenix-cli %1 --help.").arg(command));
    const QString action = args.takeFirst();
    const bool needsFile = action == QLatin1String("exportar") || action == QLatin1String("importar");
    if (action != QLatin1String("listar") && !needsFile)
        return ReportBadInput(io, QStringLiteral("Acción no reconocida: %1 (listar, exportar o importar).").arg(action));
    if (args.size() != (needsFile ? 1 : 0))
        return ReportBadInput(io, needsFile ? QStringLiteral("Indique un archivo: devenix-cli %1 %2 ARCHIVO.").arg(command, action)
                                      : QStringLiteral("Argumento no reconocido: %1").arg(args.at(0)));
    const InstalledData data(dir);
    RecordFile file(data.db(), def);
    if (action == QLatin1String("listar"))
        return List(file, io);
    if (action == QLatin1String("exportar"))
        return Export(file, args.at(0), io);
    return Import(file, args.at(0), io);
}

} // namespace

int RunClientsCommand(const QStringList &args, CliIo &io)
{
    return Run(ClientsFile(), QStringLiteral("clientes"), args, io);
}

int RunContactsCommand(const QStringList &args, CliIo &io)
{
    return Run(ContactsFile(), QStringLiteral("contactos"), args, io);
}

#include "cli/cli.h"

#include "core/date_text.h"
#include "core/ini_file.h"
#include "store/data_store.h"
#include "verifactu/agency_sender.h"
#include "verifactu/record_check.h"
#include "verifactu/verifactu_ledger.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The Datos database of an installation, for the life of one command.
class InstalledDatos
{
public:
    explicit InstalledDatos(const QString &dir)
        : m_store(QStringLiteral("cli-"))
    {
        const QString datos = dir + QStringLiteral("/Datos");
        if (!QFileInfo(datos).isDir())
            throw AppError(QStringLiteral("No hay una instalación de Cuantix en \"%1\": falta la carpeta Datos. "
                                          "Indique la carpeta con --instalacion.").arg(QDir::toNativeSeparators(dir)));
        m_store.setPath(Alias::Devenix, datos);
        m_store.connect(Alias::Devenix);
    }
    QSqlDatabase db() const { return m_store.database(Alias::Devenix); }

private:
    DataStore m_store;
};

QJsonObject RecordJson(const StoredRecord &r)
{
    auto text = [](const QString &s) { return s.isEmpty() ? QJsonValue() : QJsonValue(s); };
    return QJsonObject{{QStringLiteral("Numero"), r.numero},
                       {QStringLiteral("Tipo"), r.alta ? QStringLiteral("Alta") : QStringLiteral("Anulacion")},
                       {QStringLiteral("Subsanacion"), r.subsanacion},
                       {QStringLiteral("Emisor"), r.emisor},
                       {QStringLiteral("Factura"), r.numSerie},
                       {QStringLiteral("FechaExpedicion"), r.fecha},
                       {QStringLiteral("Huella"), r.huella},
                       {QStringLiteral("HuellaAnterior"), text(r.huellaAnterior)},
                       {QStringLiteral("Generado"), r.generado},
                       {QStringLiteral("Estado"), r.estado},
                       {QStringLiteral("CodigoError"), text(r.codigoError)},
                       {QStringLiteral("DescripcionError"), text(r.descripcionError)},
                       {QStringLiteral("CSV"), text(r.csv)},
                       {QStringLiteral("Respuesta"), text(r.respuesta)}};
}

int Check(const QStringList &args, const QString &dir, CliIo &io)
{
    if (!args.isEmpty())
        return ReportBadInput(io, QStringLiteral("Argumento no reconocido: %1").arg(args.at(0)));
    const InstalledDatos datos(dir);
    const ChainCheck check = CheckRecordChain(datos.db());
    if (!check.ok()) {
        io.err(ChainCheckText(check) + QLatin1Char('\n'));
        return CliFailure;
    }
    io.out(ChainCheckText(check) + QLatin1Char('\n'));
    return CliOk;
}

int List(QStringList &args, const QString &dir, CliIo &io)
{
    QDate range[2];
    int i = 0;
    for (const QString &option : {QStringLiteral("--desde"), QStringLiteral("--hasta")}) {
        const QString text = TakeOption(args, option);
        range[i] = ParseDate(text);
        if (!text.isEmpty() && !range[i].isValid())
            return ReportBadInput(io, QStringLiteral("La fecha introducida no es válida: %1").arg(text));
        ++i;
    }
    if (!args.isEmpty())
        return ReportBadInput(io, QStringLiteral("Argumento no reconocido: %1").arg(args.at(0)));
    const InstalledDatos datos(dir);
    QJsonArray list;
    for (const StoredRecord &r : VerifactuLedger::Records(datos.db(), range[0], range[1]))
        list.append(RecordJson(r));
    io.outUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented));
    return CliOk;
}

int Xml(const QStringList &args, const QString &dir, CliIo &io)
{
    bool ok = false;
    const qint64 numero = args.size() == 1 ? args.at(0).toLongLong(&ok) : 0;
    if (!ok)
        return ReportBadInput(io, QStringLiteral("Indique el número del registro: devenix-cli verifactu xml N."));
    const InstalledDatos datos(dir);
    const auto record = VerifactuLedger::Record(datos.db(), numero);
    if (!record)
        return ReportBadInput(io, QStringLiteral("No existe el registro VERI*FACTU %1.").arg(numero));
    io.outUtf8(record->xml.endsWith('\n') ? record->xml : record->xml + '\n');
    return CliOk;
}

// The password comes on the first line of standard input, so it is never on a command line
// nor in a file.
int Send(const QStringList &args, const QString &dir, CliIo &io)
{
    if (!args.isEmpty())
        return ReportBadInput(io, QStringLiteral("Argumento no reconocido: %1").arg(args.at(0)));
    const InstalledDatos datos(dir);
    const int pending = PendingRecordCount(datos.db());
    if (pending == 0) {
        io.out(PendingRecordsText(0) + QLatin1Char('\n'));
        return CliOk;
    }
    IniFile ini(dir + QStringLiteral("/Devenix.ini"));
    const VerifactuSettings settings = ReadVerifactuSettings(ini);
    const QDateTime notBefore = ReadNextSendingTime(ini);
    if (!MaySendNow(notBefore, QDateTime::currentDateTimeUtc(), pending)) {
        io.err(NextSendingText(notBefore) + QLatin1Char('\n') + PendingRecordsText(pending) + QLatin1Char('\n'));
        return CliFailure;
    }
    const QString password = QString::fromUtf8(io.readAllInput().split('\n').value(0)).remove(QLatin1Char('\r'));
    SendOptions options;
    options.certificate = LoadClientCertificate(settings.certificateFile, password);
    options.endpoint = AgencyEndpoint(settings.environment);
    options.notBefore = notBefore;
    const SendReport report = SendPendingRecords(datos.db(), options);
    if (report.nextAllowed != notBefore)
        WriteNextSendingTime(ini, report.nextAllowed);
    if (!report.ok()) {
        io.err(SendReportText(report));
        return CliFailure;
    }
    io.out(SendReportText(report));
    return CliOk;
}

} // namespace

int RunVerifactuCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    const QString dir = InstallationDir(args);
    const QString order = args.isEmpty() ? QString() : args.takeFirst();
    try {
        if (order == QLatin1String("comprobar"))
            return Check(args, dir, io);
        if (order == QLatin1String("registros"))
            return List(args, dir, io);
        if (order == QLatin1String("xml"))
            return Xml(args, dir, io);
        if (order == QLatin1String("enviar"))
            return Send(args, dir, io);
    } catch (const AppError &e) {
        io.err(e.message() + QLatin1Char('\n'));
        return CliFailure;
    }
    return ReportBadInput(io, QStringLiteral("Indique comprobar, registros, xml o enviar: devenix-cli verifactu ORDEN."));
}

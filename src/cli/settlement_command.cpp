#include "cli/cli.h"

#include "cli/settlement_case.h"
#include "documents/settlement_document.h"
#include "interest/rate_table.h"
#include "interest/settlement_report.h"
#include "interest/settlement_json.h"
#include "store/data_store.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The rate table of an installation; throws AppError when there is none.
std::vector<RatePeriod> InstalledRates(const QString &dir)
{
    DataStore store(QStringLiteral("cli-"));
    store.setPath(Alias::Devenix, dir + QStringLiteral("/Datos"));
    // On a server there is no data file: connecting says what is missing.
    if (!store.engine(Alias::Devenix).isServer() && !QFileInfo::exists(store.filePath(Alias::Devenix)))
        throw AppError(QStringLiteral("No hay una instalación de Cuantix en \"%1\": indique los tipos en \"Tipos\" "
                                      "o la carpeta con --instalacion.").arg(dir));
    store.connect(Alias::Devenix);
    return LoadRatePeriods(store.database(Alias::Devenix));
}

} // namespace

std::optional<ComputedCase> ReadAndComputeCase(QStringList &args, int positional, CliIo &io, int &status)
{
    status = CliOk;
    ComputedCase computed;
    try {
        computed.installationDir = InstallationDir(args);
    } catch (const AppError &e) {
        status = ReportBadInput(io, e.message());
        return std::nullopt;
    }
    if (args.size() > positional) {
        status = ReportBadInput(io, QStringLiteral("Argumento no reconocido: %1").arg(args.at(positional)));
        return std::nullopt;
    }
    if (args.size() < positional) {
        status = ReportBadInput(io, QStringLiteral("Faltan argumentos. Use devenix-cli --help."));
        return std::nullopt;
    }
    SettlementCase c;
    try {
        c = ParseSettlementCase(io.readAllInput());
    } catch (const CaseError &e) {
        status = ReportBadInput(io, e.message());
        return std::nullopt;
    }
    if (const auto refusal = CheckSettlementDates(c.input)) {
        status = ReportBadInput(io, refusal->message);
        return std::nullopt;
    }
    const std::vector<RatePeriod> rates = c.rates ? *c.rates : InstalledRates(computed.installationDir);
    computed.input = std::move(c.input);
    computed.result = ComputeSettlement(computed.input, rates);
    return computed;
}

int RunSettlementCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    int status = CliOk;
    const auto computed = ReadAndComputeCase(args, 0, io, status);
    if (!computed)
        return status;
    WriteSettlementResult(computed->input, computed->result, [&io](const QByteArray &part) { io.outUtf8(part); });
    return CliOk;
}

int RunReportCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    int status = CliOk;
    const auto computed = ReadAndComputeCase(args, 1, io, status);
    if (!computed)
        return status;
    // A missing folder is created, as for a backup.
    const QString folder = QFileInfo(args.at(0)).absolutePath();
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("No se ha podido crear la carpeta \"%1\".").arg(QDir::toNativeSeparators(folder)));
    SettlementHeading heading;
    heading.office = OfficeNameFromSettings(computed->installationDir + QStringLiteral("/Devenix.ini"));
    WriteSettlementReportPdf(computed->input, computed->result, args.at(0), QDate::currentDate(), heading);
    return CliOk;
}

int RunCombineCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    int status = CliOk;
    const auto computed = ReadAndComputeCase(args, 2, io, status);
    if (!computed)
        return status;
    if (!QFileInfo(args.at(0)).isFile())
        return ReportBadInput(io, QStringLiteral("No existe el archivo \"%1\".").arg(args.at(0)));
    CombineSettlementDocument(args.at(0), args.at(1), computed->installationDir, computed->input, computed->result);
    return CliOk;
}

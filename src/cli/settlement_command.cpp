#include "cli/cli.h"

#include "interest/rate_table.h"
#include "interest/settlement_json.h"
#include "store/data_store.h"

#include <QFileInfo>

namespace {

int BadInput(CliIo &io, const QString &message)
{
    io.err(message + QLatin1Char('\n'));
    return CliBadInput;
}

// The rate table of an installation; throws AppError when there is none.
std::vector<RatePeriod> InstalledRates(const QString &dir)
{
    DataStore store(QStringLiteral("cli-"));
    store.setPath(Alias::Devenix, dir + QStringLiteral("/Datos"));
    if (!QFileInfo::exists(store.filePath(Alias::Devenix)))
        throw AppError(QStringLiteral("No hay una instalación de Cuantix en \"%1\": indique los tipos en \"Tipos\" "
                                      "o la carpeta con --instalacion.").arg(dir));
    store.connect(Alias::Devenix);
    return LoadRatePeriods(store.database(Alias::Devenix));
}

} // namespace

int RunSettlementCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    QString dir;
    try {
        dir = InstallationDir(args);
    } catch (const AppError &e) {
        return BadInput(io, e.message());
    }
    if (!args.isEmpty())
        return BadInput(io, QStringLiteral("Argumento no reconocido: %1").arg(args.first()));

    SettlementCase c;
    try {
        c = ParseSettlementCase(io.readAllInput());
    } catch (const CaseError &e) {
        return BadInput(io, e.message());
    }
    if (const auto refusal = CheckSettlementDates(c.input))
        return BadInput(io, refusal->message);

    const std::vector<RatePeriod> rates = c.rates ? *c.rates : InstalledRates(dir);
    const SettlementResult result = ComputeSettlement(c.input, rates);
    WriteSettlementResult(c.input, result, [&io](const QByteArray &part) { io.outUtf8(part); });
    return CliOk;
}

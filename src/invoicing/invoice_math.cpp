#include "invoicing/invoice_math.h"

#include "core/amount_limit.h"
#include "core/errors.h"
#include "core/ini_file.h"
#include "core/number_text.h"
#include "core/rounding.h"

namespace {

using Wide = long double;

double Rounded(Wide amount)
{
    return RoundTo2(static_cast<double>(amount));
}

} // namespace

bool IsFeeType(const QString &tipo)
{
    return tipo.toLower() == QLatin1String("honorario");
}

bool IsProvisionType(const QString &tipo)
{
    return tipo.toLower() == QLatin1String("provision");
}

bool IsOutlayType(const QString &tipo)
{
    return tipo.toLower() == QLatin1String("suplido");
}

LineAmounts CalcularLinea(double subTotal, const InvoiceRates &rates)
{
    LineAmounts a;
    a.totalDCTO = Rounded(static_cast<Wide>(subTotal) * rates.dcto / 100);
    const double base = subTotal - a.totalDCTO;
    a.totalIVA = Rounded(static_cast<Wide>(rates.iva) / 100 * base);
    a.totalIRPF = Rounded(static_cast<Wide>(rates.irpf) / 100 * base);
    a.total = Rounded(static_cast<Wide>(base) + a.totalIVA - a.totalIRPF);
    return a;
}

double LinePreview(double subTotal, const InvoiceRates &rates)
{
    const Wide base = static_cast<Wide>(subTotal) - static_cast<Wide>(subTotal) * rates.dcto / 100;
    return static_cast<double>(base - base * rates.irpf / 100 + base * rates.iva / 100);
}

LineColumns EntradasSalidas(const QString &tipo, double subTotal)
{
    if (IsFeeType(tipo) || IsOutlayType(tipo))
        return {0.0, subTotal};
    return {subTotal, 0.0};
}

InvoiceTotals TotalsFromSums(const LineSums &sums)
{
    InvoiceTotals t;
    t.totalSuplidos = RoundTo2(sums.suplidos);
    t.totalProvisiones = RoundTo2(sums.provisiones);
    t.totalDcto = RoundTo2(sums.dctos);
    t.totalIVA = RoundTo2(sums.ivas);
    t.totalIRPF = RoundTo2(sums.irpfs);
    t.totalHonorario = RoundTo2(sums.subTotales);
    t.total = static_cast<double>(static_cast<Wide>(t.totalHonorario) - t.totalDcto + t.totalIVA - t.totalIRPF
                                  - t.totalProvisiones + t.totalSuplidos);
    return t;
}

InvoiceTotals TotalsAfterRerating(const InvoiceTotals &before, double dctos, double ivas, double irpfs)
{
    InvoiceTotals t = before;
    t.totalIVA = ivas;
    t.totalIRPF = irpfs;
    t.totalDcto = dctos;
    t.total = Rounded(static_cast<Wide>(t.totalSuplidos) + t.totalHonorario + t.totalIVA - t.totalIRPF
                      - t.totalDcto - t.totalProvisiones);
    return t;
}

double TypedRate(const QString &text)
{
    return ParseSpanishNumber(text).value_or(0.0);
}

double AmountFromText(const QString &text)
{
    const std::optional<double> value = ParseSpanishNumber(text);
    if (!value)
        throw AppError(QStringLiteral("\"%1\" no es un número válido.").arg(text));
    CheckAmountInRange(*value);
    return *value;
}

int IntegerFromText(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw AppError(QStringLiteral("\"%1\" no es un número entero válido.").arg(text));
    return value;
}

double DefaultInvoiceVat(const IniFile &settings)
{
    return settings.readDecimal(QStringLiteral("FACTURACION"), QStringLiteral("IVA"), 21.0);
}

double DefaultInvoiceWithholding(const IniFile &settings)
{
    return settings.readDecimal(QStringLiteral("FACTURACION"), QStringLiteral("IRPF"), 0.0);
}

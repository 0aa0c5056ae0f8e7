#include "cli/cli.h"

#include "core/amount_limit.h"
#include "core/date_text.h"
#include "core/ini_file.h"
#include "core/number_text.h"
#include "interest/settlement_json.h"
#include "invoicing/invoice_issuing.h"
#include "invoicing/invoice_printouts.h"
#include "invoicing/invoice_store.h"
#include "store/data_store.h"
#include "store/record_locks.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

class BadInvoice : public AppError
{
public:
    using AppError::AppError;
};

// The data of an installation, for the life of one command.
class InstalledData
{
public:
    explicit InstalledData(const QString &dir)
        : m_store(QStringLiteral("cli-"))
        , m_settings(dir + QStringLiteral("/Devenix.ini"))
        , m_dir(dir)
    {
        const QString datos = dir + QStringLiteral("/Datos");
        if (!QFileInfo(datos).isDir())
            throw AppError(QStringLiteral("No hay una instalación de Cuantix en \"%1\": falta la carpeta Datos. "
                                          "Indique la carpeta con --instalacion.").arg(QDir::toNativeSeparators(dir)));
        m_store.setPath(Alias::Intereses, datos);
        m_store.connect(Alias::Intereses);
    }

    QSqlDatabase db() const { return m_store.database(Alias::Intereses); }
    const IniFile &settings() const { return m_settings; }
    // Stored invoices are issued: their tax records follow them.
    InvoiceIssuing issuing() const
    {
        return InvoiceIssuing::ForInstallation(m_dir, m_settings, ConfiguredRegionName(m_settings, db()));
    }

private:
    DataStore m_store;
    IniFile m_settings;
    QString m_dir;
};

// Reads the fields of one JSON object with the messages a user can act on.
class Fields
{
public:
    Fields(QJsonObject object, QString where)
        : m_o(std::move(object))
        , m_where(std::move(where))
    {
    }

    bool has(const QString &key) const { return m_o.contains(key) && !m_o.value(key).isNull(); }

    [[noreturn]] void fail(const QString &key, const QString &what) const
    {
        throw BadInvoice(QStringLiteral("El campo %1%2 %3.").arg(key, m_where, what));
    }

    double amount(const QString &key) const
    {
        const QJsonValue v = m_o.value(key);
        if (v.isDouble()) {
            if (!AmountInRange(v.toDouble()))
                throw BadInvoice(AmountTooLargeMessage());
            return v.toDouble();
        }
        if (v.isString()) {
            try {
                return AmountFromText(v.toString());
            } catch (const AppError &e) {
                throw BadInvoice(e.message());
            }
        }
        fail(key, has(key) ? QStringLiteral("no es un número") : QStringLiteral("es obligatorio"));
    }

    // A rate as the rate boxes take it: a number, or a text that is not one counts as 0.
    std::optional<double> rate(const QString &key) const
    {
        if (!has(key))
            return std::nullopt;
        const QJsonValue v = m_o.value(key);
        const double value = v.isString() ? TypedRate(v.toString()) : v.isDouble() ? v.toDouble() : NAN;
        if (std::isnan(value))
            fail(key, QStringLiteral("no es un número"));
        if (!AmountInRange(value))
            throw BadInvoice(AmountTooLargeMessage());
        return value;
    }

    int integer(const QString &key) const
    {
        const QJsonValue v = m_o.value(key);
        if (v.isDouble()) {
            const double d = v.toDouble();
            if (d != std::trunc(d) || std::fabs(d) > 2147483647.0)
                throw BadInvoice(QStringLiteral("\"%1\" no es un número entero válido.").arg(FormatGeneral(d)));
            return static_cast<int>(d);
        }
        if (v.isString()) {
            try {
                return IntegerFromText(v.toString());
            } catch (const AppError &e) {
                throw BadInvoice(e.message());
            }
        }
        fail(key, has(key) ? QStringLiteral("no es un número entero") : QStringLiteral("es obligatorio"));
    }

    QString text(const QString &key, int maxLength) const
    {
        if (!has(key))
            return {};
        if (!m_o.value(key).isString())
            fail(key, QStringLiteral("debe ser un texto"));
        const QString t = m_o.value(key).toString();
        if (t.size() > maxLength)
            fail(key, QStringLiteral("admite como mucho %1 caracteres").arg(maxLength));
        return t;
    }

    QDate date(const QString &key) const
    {
        const QString t = text(key, 10);
        const QDate d = ParseDate(t);
        if (!t.isEmpty() && !d.isValid())
            throw BadInvoice(QStringLiteral("\"%1\" no es una fecha válida.").arg(t));
        return d;
    }

    const QJsonObject &object() const { return m_o; }

private:
    QJsonObject m_o;
    QString m_where;
};

QString CanonicalType(const Fields &f)
{
    const QString tipo = f.text(QStringLiteral("Tipo"), 10);
    for (const QString &known : {kTipoHonorario, kTipoProvision, kTipoSuplido}) {
        if (tipo.compare(known, Qt::CaseInsensitive) == 0)
            return known;
    }
    f.fail(QStringLiteral("Tipo"), QStringLiteral("debe ser \"Honorario\", \"Provision\" o \"Suplido\""));
}

struct InvoiceCase
{
    InvoiceHeader header;
    std::vector<InvoiceLine> lines;
};

// The invoice of the JSON: absent invoice rates are those a new invoice opens with; a line
// without rates of its own takes the invoice's when it is a fee, 0 otherwise.
InvoiceCase ParseInvoice(const QByteArray &json, const IniFile &settings, bool forStoring)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw BadInvoice(QStringLiteral("La factura no es un JSON válido (error en la posición %1).").arg(error.offset));
    if (!doc.isObject())
        throw BadInvoice(QStringLiteral("La factura debe ser un objeto JSON."));
    const Fields f(doc.object(), {});

    InvoiceCase c;
    InvoiceHeader &h = c.header;
    h.iva = f.rate(QStringLiteral("IVA")).value_or(DefaultInvoiceVat(settings));
    h.irpf = f.rate(QStringLiteral("IRPF")).value_or(DefaultInvoiceWithholding(settings));
    h.dcto = f.rate(QStringLiteral("DCTO")).value_or(0.0);
    if (forStoring) {
        h.key = {f.integer(QStringLiteral("Id")), f.integer(QStringLiteral("Iyear"))};
        h.fecha = f.date(QStringLiteral("Fecha"));
        if (!h.fecha.isValid())
            h.fecha = QDate::currentDate();
        if (f.has(QStringLiteral("Icodcli")))
            h.icodcli = f.integer(QStringLiteral("Icodcli"));
        h.ref = f.text(QStringLiteral("Ref"), 33);
        h.nombreCliente = f.text(QStringLiteral("NombreCliente"), 33);
        h.nif = f.text(QStringLiteral("Nif"), 20);
        h.direccion = f.text(QStringLiteral("Direccion"), 60);
        h.poblacion = f.text(QStringLiteral("Poblacion"), 40);
        h.provincia = f.text(QStringLiteral("Provincia"), 20);
        h.codPostal = f.text(QStringLiteral("CodPostal"), 10);
        h.notas = f.text(QStringLiteral("Notas"), 1 << 20);
    }

    const QJsonValue lines = f.object().value(QStringLiteral("Lineas"));
    if (!lines.isUndefined() && !lines.isNull() && !lines.isArray())
        f.fail(QStringLiteral("Lineas"), QStringLiteral("debe ser una lista"));
    int n = 0;
    for (const QJsonValue &item : lines.toArray()) {
        ++n;
        if (!item.isObject())
            throw BadInvoice(QStringLiteral("La línea %1 debe ser un objeto JSON.").arg(n));
        const Fields lf(item.toObject(), QStringLiteral(" de la línea %1").arg(n));
        InvoiceLine line;
        line.tipo = CanonicalType(lf);
        line.subTotal = lf.amount(QStringLiteral("SubTotal"));
        const bool fee = IsFeeType(line.tipo);
        line.iva = lf.rate(QStringLiteral("IVA")).value_or(fee ? *h.iva : 0.0);
        line.irpf = lf.rate(QStringLiteral("IRPF")).value_or(fee ? *h.irpf : 0.0);
        line.dcto = lf.rate(QStringLiteral("DCTO")).value_or(fee ? *h.dcto : 0.0);
        line.fecha = lf.date(QStringLiteral("Fecha"));
        line.titulo = lf.text(QStringLiteral("Titulo"), 255);
        line.criterio = lf.text(QStringLiteral("Criterio"), 10);
        line.calculate();
        c.lines.push_back(std::move(line));
    }
    return c;
}

// Writes the invoice: header fields (when stored), lines and the seven totals.
class JsonOut
{
public:
    void number(const char *key, double value) { field(key, JsonNumber(value)); }
    void text(const char *key, const QString &value) { field(key, JsonString(value)); }
    void raw(const char *key, const QByteArray &value) { field(key, value); }
    QByteArray close() { return m_out + (m_any ? "\n" : "") + m_indent.left(m_indent.size() - 2) + "}"; }
    explicit JsonOut(QByteArray indent = "  ") : m_indent(std::move(indent)) {}

private:
    void field(const char *key, const QByteArray &value)
    {
        m_out += (m_any ? ",\n" : "\n") + m_indent + '"' + key + "\": " + value;
        m_any = true;
    }
    QByteArray m_out = "{";
    QByteArray m_indent;
    bool m_any = false;
};

QByteArray LineJson(const InvoiceLine &l, bool stored)
{
    JsonOut o("      ");
    if (stored) {
        o.text("Fecha", FormatDate(l.fecha));
        o.raw("Linea", l.linea == 0 ? QByteArray("null") : QByteArray::number(l.linea));
        o.text("Criterio", l.criterio);
        o.text("Titulo", l.titulo);
    }
    o.text("Tipo", l.tipo);
    o.number("SubTotal", l.subTotal);
    const InvoiceRates r = l.rates();
    o.number("IVA", r.iva);
    o.number("IRPF", r.irpf);
    o.number("DCTO", r.dcto);
    o.number("TotalDCTO", l.amounts.totalDCTO);
    o.number("TotalIVA", l.amounts.totalIVA);
    o.number("TotalIRPF", l.amounts.totalIRPF);
    o.number("Total", l.amounts.total);
    const LineColumns columns = EntradasSalidas(l.tipo, l.subTotal);
    o.number("ENTRADAS", columns.entradas);
    o.number("SALIDAS", columns.salidas);
    return o.close();
}

QByteArray InvoiceJson(const InvoiceHeader *stored, const InvoiceRates &rates, const std::vector<InvoiceLine> &lines,
                       const InvoiceTotals &t)
{
    JsonOut o;
    if (stored) {
        o.number("Id", stored->key.id);
        o.number("Iyear", stored->key.iyear);
        o.text("Fecha", FormatDate(stored->fecha));
        o.raw("Icodcli", stored->icodcli ? QByteArray::number(*stored->icodcli) : QByteArray("null"));
        o.text("Ref", stored->ref);
        o.text("NombreCliente", stored->nombreCliente);
        o.text("Nif", stored->nif);
        o.text("Direccion", stored->direccion);
        o.text("Poblacion", stored->poblacion);
        o.text("Provincia", stored->provincia);
        o.text("CodPostal", stored->codPostal);
        o.text("Notas", stored->notas);
        o.raw("Cobrado", stored->cobrado ? "true" : "false");
        o.text("FechaCobro", FormatDate(stored->fechaCobro));
    }
    o.number("IVA", rates.iva);
    o.number("IRPF", rates.irpf);
    o.number("DCTO", rates.dcto);
    QByteArray list = "[";
    for (std::size_t i = 0; i < lines.size(); ++i)
        list += (i ? ",\n    " : "\n    ") + LineJson(lines[i], stored != nullptr);
    list += lines.empty() ? "]" : "\n  ]";
    o.raw("Lineas", list);
    o.number("TotalHonorario", t.totalHonorario);
    o.number("TotalDcto", t.totalDcto);
    o.number("TotalIVA", t.totalIVA);
    o.number("TotalIRPF", t.totalIRPF);
    o.number("TotalSuplidos", t.totalSuplidos);
    o.number("TotalProvisiones", t.totalProvisiones);
    o.number("Total", t.total);
    return o.close() + '\n';
}

// The sums of the three queries over lines held in memory, in their order.
LineSums SumLines(const std::vector<InvoiceLine> &lines)
{
    LineSums s;
    for (const InvoiceLine &l : lines) {
        if (IsFeeType(l.tipo)) {
            s.subTotales += l.subTotal;
            s.dctos += l.amounts.totalDCTO;
            s.ivas += l.amounts.totalIVA;
            s.irpfs += l.amounts.totalIRPF;
        } else if (IsProvisionType(l.tipo)) {
            s.provisiones += l.amounts.total;
        } else if (IsOutlayType(l.tipo)) {
            s.suplidos += l.amounts.total;
        }
    }
    return s;
}

InvoiceKey KeyArguments(const QStringList &args, const QString &order)
{
    if (args.size() != 2)
        throw BadInvoice(QStringLiteral("Indique el número y el año: devenix-cli factura %1 ID AÑO.").arg(order));
    try {
        return {IntegerFromText(args.at(0)), IntegerFromText(args.at(1))};
    } catch (const AppError &e) {
        throw BadInvoice(e.message());
    }
}

QString MissingMessage(const InvoiceKey &key)
{
    return QStringLiteral("No existe la factura número %1 del año %2.").arg(key.id).arg(key.iyear);
}

int Calculate(const QStringList &args, const QString &dir, CliIo &io)
{
    if (!args.isEmpty())
        throw BadInvoice(QStringLiteral("Argumento no reconocido: %1").arg(args.at(0)));
    const InvoiceCase c = ParseInvoice(io.readAllInput(), IniFile(dir + QStringLiteral("/Devenix.ini")), false);
    io.outUtf8(InvoiceJson(nullptr, c.header.rates(), c.lines, TotalsFromSums(SumLines(c.lines))));
    return CliOk;
}

int Store(const QStringList &args, const QString &dir, CliIo &io)
{
    if (!args.isEmpty())
        throw BadInvoice(QStringLiteral("Argumento no reconocido: %1").arg(args.at(0)));
    const QByteArray json = io.readAllInput();
    const InstalledData data(dir);
    InvoiceCase c = ParseInvoice(json, data.settings(), true);
    const InvoiceIssuing issuing = data.issuing();
    try {
        StoreNewInvoice(data.db(), c.header, c.lines, issuing.issueHook());
    } catch (const InvoiceRefusal &refusal) {
        throw BadInvoice(refusal.message());
    } catch (const RecordRefusal &refusal) {
        throw BadInvoice(refusal.message());
    }
    return CliOk;
}

int Show(const QStringList &args, const QString &dir, CliIo &io)
{
    const InvoiceKey key = KeyArguments(args, QStringLiteral("mostrar"));
    const InstalledData data(dir);
    const auto header = LoadInvoice(data.db(), key);
    if (!header)
        throw BadInvoice(MissingMessage(key));
    io.outUtf8(InvoiceJson(&*header, header->rates(), LoadInvoiceLines(data.db(), key), header->totals));
    return CliOk;
}

int Delete(const QStringList &args, const QString &dir, CliIo &io)
{
    const InvoiceKey key = KeyArguments(args, QStringLiteral("borrar"));
    const InstalledData data(dir);
    if (!InvoiceExists(data.db(), key))
        throw BadInvoice(MissingMessage(key));
    // An invoice open in an editor is not pulled from under it.
    const ScopedRecordLock lock(RecordLocks(data.db()), kInvoiceTable, InvoiceLockKey(key));
    const InvoiceIssuing issuing = data.issuing();
    try {
        DeleteInvoice(data.db(), key, issuing.cancelHook());
    } catch (const RecordRefusal &refusal) {
        throw BadInvoice(refusal.message());
    }
    (void)io;
    return CliOk;
}

} // namespace

// The orders of stored invoices' collection and printout (invoice_list_command.cpp).
int RunInvoicePdf(const QStringList &args, const QString &dir, CliIo &io);
int RunInvoiceCollect(const QStringList &args, const QString &dir, CliIo &io);

int RunInvoiceCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    try {
        const QString dir = InstallationDir(args);
        const QString order = args.isEmpty() ? QString() : args.takeFirst();
        if (order == QLatin1String("calcular"))
            return Calculate(args, dir, io);
        if (order == QLatin1String("alta"))
            return Store(args, dir, io);
        if (order == QLatin1String("mostrar"))
            return Show(args, dir, io);
        if (order == QLatin1String("borrar"))
            return Delete(args, dir, io);
        if (order == QLatin1String("pdf"))
            return RunInvoicePdf(args, dir, io);
        if (order == QLatin1String("cobrar"))
            return RunInvoiceCollect(args, dir, io);
    } catch (const BadInvoice &e) {
        return ReportBadInput(io, e.message());
    }
    return ReportBadInput(io, QStringLiteral("Indique calcular, alta, mostrar, borrar, pdf o cobrar: devenix-cli factura ORDEN."));
}

#include "cli/cli.h"

#include "core/amount_limit.h"
#include "core/date_text.h"
#include "core/ini_file.h"
#include "core/number_text.h"
#include "interest/settlement_json.h"
#include "invoicing/invoice_export.h"
#include "invoicing/invoice_printouts.h"
#include "invoicing/invoice_search.h"
#include "store/data_store.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

class BadSearch : public AppError
{
public:
    using AppError::AppError;
};

class InstalledInvoices
{
public:
    explicit InstalledInvoices(const QString &dir)
        : m_store(QStringLiteral("cli-list-"))
        , m_settings(dir + QStringLiteral("/Devenix.ini"))
    {
        const QString datos = dir + QStringLiteral("/Datos");
        if (!QFileInfo(datos).isDir())
            throw AppError(QStringLiteral("No hay una instalación de Cuantix en \"%1\": falta la carpeta Datos. "
                                          "Indique la carpeta con --instalacion.").arg(QDir::toNativeSeparators(dir)));
        for (Alias alias : {Alias::Intereses, Alias::General}) {
            m_store.setPath(alias, datos);
            m_store.connect(alias);
        }
    }

    QSqlDatabase db() const { return m_store.database(Alias::Intereses); }
    QSqlDatabase general() const { return m_store.database(Alias::General); }
    const IniFile &settings() const { return m_settings; }
    QString regionName() const { return ConfiguredRegionName(m_settings, general()); }

private:
    DataStore m_store;
    IniFile m_settings;
};

QString KeyText(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return FormatGeneral(v.toDouble());
    throw BadSearch(QStringLiteral("El campo %1 debe ser un texto o un número.").arg(key));
}

int KeyInteger(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    bool ok = false;
    qlonglong n = -1;
    if (v.isDouble()) {
        const double d = v.toDouble();
        ok = d == std::trunc(d) && std::fabs(d) <= kLastInvoiceNumber;
        n = ok ? static_cast<qlonglong>(d) : -1;
    } else if (v.isString()) {
        n = v.toString().trimmed().toLongLong(&ok);
    }
    if (!ok || n < 0 || n > kLastInvoiceNumber)
        throw BadSearch(QStringLiteral("El campo %1 debe ser un número entero entre 0 y %2.").arg(key).arg(kLastInvoiceNumber));
    return static_cast<int>(n);
}

QDate KeyDate(const QJsonObject &o, const QString &key)
{
    const QDate d = ParseDate(KeyText(o, key));
    if (!d.isValid())
        throw BadSearch(QStringLiteral("El campo %1 debe ser una fecha dd/mm/aaaa.").arg(key));
    return d;
}

// The criteria of the search window, each key optional; absent keys keep the window's defaults,
// except that a single total bound leaves the other side open.
InvoiceSearchCriteria ParseCriteria(const QByteArray &json)
{
    InvoiceSearchCriteria c;
    if (json.trimmed().isEmpty())
        return c;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        throw BadSearch(QStringLiteral("Los criterios deben ser un objeto JSON."));
    const QJsonObject o = doc.object();
    const QString known = QStringLiteral(
        ",Nif,Referencia,NumeroDesde,NumeroHasta,FechaDesde,FechaHasta,TotalDesde,TotalHasta,Cobro,CobroDesde,CobroHasta,Cliente,");
    for (const QString &key : o.keys()) {
        if (key.contains(QLatin1Char(',')) || !known.contains(QLatin1Char(',') + key + QLatin1Char(',')))
            throw BadSearch(QStringLiteral("Criterio no reconocido: %1").arg(key));
    }
    const auto has = [&o](const char *key) { return o.contains(QLatin1String(key)) && !o.value(QLatin1String(key)).isNull(); };
    if (has("Nif"))
        c.nif = KeyText(o, QStringLiteral("Nif"));
    if (has("Referencia"))
        c.ref = KeyText(o, QStringLiteral("Referencia"));
    if (has("Cliente")) {
        const int cliente = KeyInteger(o, QStringLiteral("Cliente"));
        c.cliente = cliente;
    }
    const bool byNumber = has("NumeroDesde") || has("NumeroHasta");
    const bool byDate = has("FechaDesde") || has("FechaHasta");
    if (byNumber && byDate)
        throw BadSearch(QStringLiteral("La búsqueda es por número o por fecha de factura, no por ambos."));
    if (has("NumeroDesde"))
        c.numeroDesde = KeyInteger(o, QStringLiteral("NumeroDesde"));
    if (has("NumeroHasta"))
        c.numeroHasta = KeyInteger(o, QStringLiteral("NumeroHasta"));
    if (byDate) {
        c.byNumber = false;
        if (has("FechaDesde"))
            c.fechaDesde = KeyDate(o, QStringLiteral("FechaDesde"));
        if (has("FechaHasta"))
            c.fechaHasta = KeyDate(o, QStringLiteral("FechaHasta"));
    }
    if (has("TotalDesde") || has("TotalHasta")) {
        c.byTotal = true;
        c.totalDesde = has("TotalDesde") ? KeyText(o, QStringLiteral("TotalDesde")) : FormatGeneral(-kMaxAmount);
        c.totalHasta = has("TotalHasta") ? KeyText(o, QStringLiteral("TotalHasta")) : FormatGeneral(kMaxAmount);
    }
    if (has("Cobro")) {
        const QString cobro = KeyText(o, QStringLiteral("Cobro"));
        if (cobro == QLatin1String("todas"))
            c.cobro = InvoiceSearchCriteria::Cobro::Todas;
        else if (cobro == QLatin1String("cobradas"))
            c.cobro = InvoiceSearchCriteria::Cobro::Cobradas;
        else if (cobro == QLatin1String("no cobradas"))
            c.cobro = InvoiceSearchCriteria::Cobro::NoCobradas;
        else
            throw BadSearch(QStringLiteral("El campo Cobro debe ser \"todas\", \"cobradas\" o \"no cobradas\"."));
    }
    if (has("CobroDesde") || has("CobroHasta")) {
        if (c.cobro != InvoiceSearchCriteria::Cobro::Cobradas)
            throw BadSearch(QStringLiteral("Las fechas de cobro solo se aplican con \"Cobro\": \"cobradas\"."));
        c.byCollectionDate = true;
        if (has("CobroDesde"))
            c.cobroDesde = KeyDate(o, QStringLiteral("CobroDesde"));
        if (has("CobroHasta"))
            c.cobroHasta = KeyDate(o, QStringLiteral("CobroHasta"));
    }
    if (const auto refusal = CheckSearch(c)) {
        QString field;
        switch (refusal->field) {
        case SearchRefusal::Field::TotalDesde: field = QStringLiteral("TotalDesde: "); break;
        case SearchRefusal::Field::TotalHasta: field = QStringLiteral("TotalHasta: "); break;
        default: break;
        }
        throw BadSearch(field + refusal->message);
    }
    return c;
}

QByteArray ResultJson(const InvoiceSearchResult &r)
{
    QByteArray out = "{\n  \"Facturas\": [";
    bool first = true;
    for (const InvoiceHeader &h : r.rows) {
        out += first ? "\n    {" : ",\n    {";
        first = false;
        out += "\"Iyear\": " + QByteArray::number(h.key.iyear) + ", \"Id\": " + QByteArray::number(h.key.id)
               + ", \"Fecha\": " + JsonString(FormatDate(h.fecha)) + ", \"Icodcli\": "
               + (h.icodcli ? QByteArray::number(*h.icodcli) : QByteArray("null"))
               + ", \"NombreCliente\": " + JsonString(h.nombreCliente) + ", \"Nif\": " + JsonString(h.nif)
               + ", \"Ref\": " + JsonString(h.ref) + ", \"Total\": " + JsonNumber(h.totals.total)
               + ", \"TotalHonorario\": " + JsonNumber(h.totals.totalHonorario)
               + ", \"DCTO\": " + JsonNumber(h.dcto.value_or(0.0)) + ", \"TotalIVA\": " + JsonNumber(h.totals.totalIVA)
               + ", \"TotalIRPF\": " + JsonNumber(h.totals.totalIRPF)
               + ", \"Cobrado\": " + (h.cobrado ? "true" : "false")
               + ", \"FechaCobro\": " + JsonString(FormatDate(h.fechaCobro)) + "}";
    }
    out += r.rows.empty() ? "]" : "\n  ]";
    out += ",\n  \"Encontradas\": " + QByteArray::number(static_cast<qulonglong>(r.rows.size()));
    out += ",\n  \"TotFacturas\": " + JsonNumber(r.sums.facturas);
    out += ",\n  \"TotCobrado\": " + JsonNumber(r.sums.cobrado);
    out += ",\n  \"TotPendiente\": " + JsonNumber(r.sums.pendiente());
    out += ",\n  \"TotHonorarios\": " + JsonNumber(r.sums.honorarios);
    return out + "\n}\n";
}

int Fail(CliIo &io, const QString &message)
{
    io.err(message + QLatin1Char('\n'));
    return CliBadInput;
}

InvoiceKey KeyOf(const QStringList &args, const QString &usage)
{
    bool okId = false;
    bool okYear = false;
    const InvoiceKey key{args.value(0).toInt(&okId), args.value(1).toInt(&okYear)};
    if (!okId || !okYear)
        throw BadSearch(usage);
    return key;
}

QString Missing(const InvoiceKey &key)
{
    return QStringLiteral("No existe la factura número %1 del año %2.").arg(key.id).arg(key.iyear);
}

} // namespace

// devenix-cli factura pdf ID AÑO SALIDA.pdf
int RunInvoicePdf(const QStringList &args, const QString &dir, CliIo &io)
{
    try {
        if (args.size() != 3)
            throw BadSearch(QStringLiteral("Indique el número, el año y el PDF: devenix-cli factura pdf ID AÑO SALIDA.pdf."));
        const InvoiceKey key = KeyOf(args, QStringLiteral("Indique el número y el año: devenix-cli factura pdf ID AÑO SALIDA.pdf."));
        const InstalledInvoices data(dir);
        const QString region = data.regionName();
        const InvoiceIssuing issuing = InvoiceIssuing::ForInstallation(dir, data.settings(), region);
        if (!WriteInvoicePdf(data.db(), data.general(), data.settings(), issuing, key, region, args.at(2)))
            throw BadSearch(Missing(key));
        return CliOk;
    } catch (const BadSearch &e) {
        return Fail(io, e.message());
    }
}

// devenix-cli factura cobrar [--no] ID AÑO
int RunInvoiceCollect(const QStringList &arguments, const QString &dir, CliIo &io)
{
    QStringList args = arguments;
    const bool cobrado = !args.removeAll(QStringLiteral("--no"));
    try {
        const QString usage = QStringLiteral("Indique el número y el año: devenix-cli factura cobrar [--no] ID AÑO.");
        if (args.size() != 2)
            throw BadSearch(usage);
        const InvoiceKey key = KeyOf(args, usage);
        const InstalledInvoices data(dir);
        if (!SetCollected(data.db(), key, cobrado, QDate::currentDate()))
            throw BadSearch(Missing(key));
        return CliOk;
    } catch (const BadSearch &e) {
        return Fail(io, e.message());
    }
}

// devenix-cli facturas buscar | listado SALIDA.pdf | exportar SALIDA.xlsx, criteria on stdin.
int RunInvoicesCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    const QString usage = QStringLiteral(
        "Indique buscar, listado SALIDA.pdf o exportar SALIDA.xlsx: devenix-cli facturas ORDEN < criterios.json.");
    try {
        const QString dir = InstallationDir(args);
        const QString order = args.isEmpty() ? QString() : args.takeFirst();
        const bool search = order == QLatin1String("buscar");
        if (!(search && args.isEmpty())
            && !((order == QLatin1String("listado") || order == QLatin1String("exportar")) && args.size() == 1))
            return Fail(io, usage);
        const InvoiceSearchCriteria criteria = ParseCriteria(io.readAllInput());
        const InstalledInvoices data(dir);
        const InvoiceSearchResult result = SearchInvoices(data.db(), criteria);
        if (search)
            io.outUtf8(ResultJson(result));
        else if (order == QLatin1String("listado"))
            WriteInvoiceListPdf(result.rows, data.regionName(), QDate::currentDate(), args.at(0));
        else
            WriteInvoiceRowsXlsx(result.rows, data.regionName(), args.at(0));
        return CliOk;
    } catch (const BadSearch &e) {
        return Fail(io, e.message());
    }
}

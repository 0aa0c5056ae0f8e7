#include "invoicing/invoice_printouts.h"

#include "core/date_text.h"
#include "core/ini_file.h"
#include "core/number_text.h"
#include "fees/region_modules.h"
#include "invoicing/company_data.h"
#include "report/report_painter.h"
#include "verifactu/agency_sender.h"
#include "verifactu/qr_painting.h"
#include "verifactu/qr_url.h"
#include "store/sql.h"

#include <array>
#include <memory>

namespace {

// Amounts as stored, never cut to fewer digits than the screens show.
QString Money(double value)
{
    return FormatThousands2Digits(value, 15);
}

QString Rate(const std::optional<double> &rate)
{
    return FormatGeneral(rate.value_or(0.0)) + QLatin1Char('%');
}

const TextStyle kPlain{9.0, false, false, false};
const TextStyle kBold{9.0, true, false, false};
const TextStyle kSection{10.0, true, false, true};
const TextStyle kHead{9.0, true, true, false};
const Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

struct InvoiceWords
{
    QString domicilio = QStringLiteral("Domicilio:");
    QString concepto = QStringLiteral("Concepto");
    QString honorarios = QStringLiteral("HONORARIOS");
    QString totalHonorarios = QStringLiteral("Total Honorarios:");
    QString iva = QStringLiteral("Total I.V.A. sobre Honorarios");
    QString irpf = QStringLiteral("Total I.R.P.F. sobre Honorarios");
    QString descuento = QStringLiteral("Descuento");
    QString provision = QStringLiteral("Provisión de Fondos");
    QString liquido = QStringLiteral("Líquido a mi favor");
};

InvoiceWords WordsFor(const QString &region)
{
    InvoiceWords w;
    if (region == QStringLiteral("Cataluña")) {
        w.domicilio = QStringLiteral("Domicili");
        w.concepto = QStringLiteral("Concepte");
        w.honorarios = QStringLiteral("Honoraris");
        w.totalHonorarios = QStringLiteral("Total Honoraris:");
        w.iva = QStringLiteral("Total I.V.A. sobre Honoraris");
        w.irpf = QStringLiteral("Total I.R.P.F. sobre Honoraris");
        w.descuento = QStringLiteral("Descompte");
        w.provision = QStringLiteral("Provisió de Fons");
        w.liquido = QStringLiteral("Liquid al meu favor");
    } else if (region == QStringLiteral("Canarias")) {
        w.iva = QStringLiteral("Total I.G.I.C. sobre Honorarios");
    }
    return w;
}

// A section: title, heads, one row per line ("-", title, amount), closing total.
void AddSection(std::vector<ReportBand> &bands, const QString &title, const QString &concepto,
                const std::vector<std::pair<QString, double>> &rows, const QString &closing, double total,
                double width)
{
    ReportBand head(14.0);
    head.text(QRectF(0, 2, 80, 6), title, kSection);
    head.text(QRectF(5, 8, 100, 5), concepto, kHead);
    head.text(QRectF(width - 40, 8, 40, 5), QStringLiteral("Total"), kHead, kRight);
    bands.push_back(std::move(head));
    const auto row = [&](const QString &text, const QString &amount) {
        ReportBand band(5.0);
        band.text(QRectF(0, 0, 5, 5), QStringLiteral("-"), kPlain);
        band.text(QRectF(5, 0, width - 50, 5), text, kPlain);
        band.text(QRectF(width - 40, 0, 40, 5), amount, kPlain, kRight);
        bands.push_back(std::move(band));
    };
    if (rows.empty())
        row({}, {});
    for (const auto &[text, amount] : rows)
        row(text, Money(amount));
    ReportBand close(8.0);
    close.rule(1, width - 40, width);
    close.text(QRectF(width - 100, 2, 58, 5), closing, kBold, kRight);
    close.text(QRectF(width - 40, 2, 40, 5), Money(total), kBold, kRight);
    bands.push_back(std::move(close));
}

std::vector<std::pair<QString, double>> LinesOfType(const std::vector<InvoiceLine> &lines, const QString &tipo,
                                                    bool subTotal)
{
    std::vector<std::pair<QString, double>> out;
    for (const InvoiceLine &l : lines) {
        if (l.tipo == tipo)
            out.emplace_back(l.titulo, subTotal ? l.subTotal : l.amounts.total);
    }
    return out;
}

void AddPageNumberFooter(BandReport &report, const QString &label, double width)
{
    report.setPageFooter([label, width](const PageInfo &page) {
        ReportBand foot(6.0);
        foot.text(QRectF(width - 40, 1, 25, 5), label, kPlain, kRight);
        foot.text(QRectF(width - 14, 1, 14, 5), QString::number(page.number), kPlain, kRight);
        return foot;
    });
}

// The code with its caption above and its legend below, centred, in the largest type of the
// invoice; nothing else comes within kQrQuietMm of the code.
constexpr double kQrTextHeight = 6.0;
// The QR block and the space left below it before the heading.
constexpr double kQrBlockHeight = 2 * kQrTextHeight + 2 * kQrQuietMm + kQrSideMm + 2.0;

void AddTaxQr(ReportBand &band, const QString &url, double width)
{
    const TextStyle style{12.0, true, false, false};
    const double textHeight = kQrTextHeight;
    band.text(QRectF(0, 0, width, textHeight), kQrCaption, style, Qt::AlignHCenter | Qt::AlignBottom);
    band.qrCode(QRectF((width - kQrSideMm) / 2, textHeight + kQrQuietMm, kQrSideMm, kQrSideMm), url);
    band.text(QRectF(0, textHeight + 2 * kQrQuietMm + kQrSideMm, width, textHeight), kQrLegend, style,
              Qt::AlignHCenter | Qt::AlignTop);
}

} // namespace

InvoiceOffice ReadInvoiceOffice(const IniFile &settings, const QSqlDatabase &general)
{
    const auto key = [&settings](const char *name) {
        return settings.readString(kCompanySection, QString::fromLatin1(name));
    };
    InvoiceOffice o;
    o.empresa = key("EMPRESA");
    o.nif = key("NIF");
    o.direccion = key("DIRECCION");
    o.localidad = key("LOCALIDAD");
    o.telefono = key("TELEFONO");
    o.fax = key("FAX");
    o.inscripcion = key("INSCRIPCION");
    bool numeric = false;
    const int province = key("PROVINCIA").trimmed().toInt(&numeric);
    if (numeric)
        o.provincia = Scalar(general, QStringLiteral("SELECT Provincia FROM provincias WHERE Id = ?"), {province}).toString();
    return o;
}

QString ConfiguredRegionName(const IniFile &settings, const QSqlDatabase &general)
{
    const QString id = settings.readString(kStartSection, kRegionKey).trimmed();
    if (id.isEmpty())
        return {};
    const auto region = FindRegionById(general, id);
    return region ? region->nombre : QString();
}

BandReport InvoiceReport(const InvoiceHeader &inv, const std::vector<InvoiceLine> &lines, const InvoiceOffice &office,
                         const QString &regionName, const QString &qrUrl)
{
    const InvoiceWords words = WordsFor(regionName);
    BandReport report(QStringLiteral("Factura %1/%2").arg(inv.key.id).arg(inv.key.iyear));
    const PageGeometry geometry = report.geometry();
    const double width = geometry.contentWidth();

    // The tax QR code comes first, alone at the top of the first page; the heading follows.
    const double top = qrUrl.isEmpty() ? 0.0 : kQrBlockHeight;
    ReportBand heading(top + 72.0);
    if (!qrUrl.isEmpty())
        AddTaxQr(heading, qrUrl, width);
    heading.text(QRectF(0, top, 100, 7), office.empresa, TextStyle{12.0, true, false, false});
    heading.text(QRectF(0, top + 7, 10, 5), QStringLiteral("Nif."), kPlain);
    heading.text(QRectF(10, top + 7, 80, 5), office.nif, kPlain);
    heading.text(QRectF(width - 90, top, 90, 5), office.direccion, kPlain, kRight);
    heading.text(QRectF(width - 90, top + 5, 90, 5), office.localidad + QStringLiteral(" (") + office.provincia + QLatin1Char(')'),
                 kPlain, kRight);
    heading.text(QRectF(width - 90, top + 10, 90, 5),
                 QStringLiteral("Telf. ") + office.telefono + QStringLiteral(" - Fax. ") + office.fax, kPlain, kRight);
    heading.text(QRectF(0, top + 22, 25, 6), QStringLiteral("FACTURA  Nº:"), kBold);
    heading.text(QRectF(25, top + 22, 15, 6), QString::number(inv.key.id), kBold, kRight);
    heading.text(QRectF(40, top + 22, 3, 6), QStringLiteral("/"), kBold, Qt::AlignCenter);
    heading.text(QRectF(43, top + 22, 15, 6), QString::number(inv.key.iyear), kBold);
    heading.text(QRectF(0, top + 29, 10, 5), QStringLiteral("Ref."), kPlain);
    heading.text(QRectF(10, top + 29, 70, 5), inv.ref, kPlain);
    const double cx = width - 95;
    heading.text(QRectF(cx, top + 22, 95, 5), inv.nombreCliente, kBold);
    heading.text(QRectF(cx, top + 28, 18, 5), QStringLiteral("NIF/CIF:"), kPlain);
    heading.text(QRectF(cx + 18, top + 28, 77, 5), inv.nif, kBold);
    heading.text(QRectF(cx, top + 34, 18, 5), words.domicilio, kPlain);
    heading.text(QRectF(cx + 18, top + 34, 77, 5), inv.direccion, kBold);
    heading.text(QRectF(cx, top + 40, 18, 5), QStringLiteral("C.P."), kPlain);
    heading.text(QRectF(cx + 18, top + 40, 77, 5), inv.codPostal, kBold);
    heading.text(QRectF(0, top + 56, width, 5), office.provincia + QStringLiteral(" a, ") + FormatDate(inv.fecha), kPlain,
                 kRight);
    heading.rule(top + 66, 0, width, 0.4);
    report.setTitleBand(std::move(heading));

    const QString inscription = QLatin1Char(' ') + office.inscripcion;
    report.setPageOverlay([inscription, geometry](const PageInfo &) {
        ReportItem item;
        item.rect = QRectF(3, 40, 8, geometry.paper.height() - 80);
        item.text = inscription;
        item.style = TextStyle{7.0, false, false, false};
        item.rotation = 90;
        return std::vector<ReportItem>{item};
    });

    std::vector<ReportBand> bands;
    const auto outlays = LinesOfType(lines, kTipoSuplido, false);
    if (!outlays.empty())
        AddSection(bands, QStringLiteral("SUPLIDOS"), words.concepto, outlays, QStringLiteral("Total Suplidos:"),
                   inv.totals.totalSuplidos, width);
    AddSection(bands, words.honorarios, words.concepto, LinesOfType(lines, kTipoHonorario, true), words.totalHonorarios,
               inv.totals.totalHonorario, width);
    report.setDetail(static_cast<int>(bands.size()), [bands](int i) { return bands[static_cast<std::size_t>(i)]; });

    const InvoiceTotals &t = inv.totals;
    const double minuta = t.totalSuplidos + t.totalHonorario - t.totalDcto + t.totalIVA - t.totalIRPF;
    struct SummaryLine
    {
        QString label;
        QString rate;
        QString amount;
        bool bold = false;
    };
    std::vector<SummaryLine> summaryLines{{words.iva, Rate(inv.iva), Money(t.totalIVA)},
                                          {words.irpf, Rate(inv.irpf), Money(t.totalIRPF)}};
    if (t.totalDcto != 0.0)
        summaryLines.push_back({words.descuento, Rate(inv.dcto), Money(t.totalDcto)});
    summaryLines.push_back({QStringLiteral("Total Minuta"), {}, Money(minuta)});
    summaryLines.push_back({words.provision, {}, Money(t.totalProvisiones)});
    summaryLines.push_back({words.liquido, {}, Money(t.total), true});
    ReportBand summary(6.0 + 6.0 * static_cast<double>(summaryLines.size()));
    summary.rule(2, 0, width);
    double y = 4;
    for (const SummaryLine &line : summaryLines) {
        const TextStyle style = line.bold ? kBold : kPlain;
        summary.text(QRectF(width - 140, y, 75, 5), line.label, style);
        summary.text(QRectF(width - 65, y, 20, 5), line.rate, style, kRight);
        summary.text(QRectF(width - 40, y, 40, 5), line.amount, style, kRight);
        y += 6;
    }
    report.setSummary(std::move(summary));
    AddPageNumberFooter(report, QStringLiteral("Página"), width);
    return report;
}

std::vector<ReportPage> InvoicePages(const InvoiceHeader &invoice, const std::vector<InvoiceLine> &lines,
                                     const InvoiceOffice &office, const QString &regionName, const QString &qrUrl)
{
    return InvoiceReport(invoice, lines, office, regionName, qrUrl).build();
}

BandReport InvoiceListReport(const std::vector<InvoiceHeader> &rows, const QString &regionName, const QDate &printDate)
{
    const bool catalan = regionName == QStringLiteral("Cataluña");
    const bool canarias = regionName == QStringLiteral("Canarias");
    const auto say = [catalan](const char *es, const char *ca) {
        return QString::fromUtf8(catalan ? ca : es);
    };
    const QString title = say("Listado de Facturas", "Llistat de Factures");
    BandReport report(title);
    const double width = report.geometry().contentWidth();

    const QString pageLabel = say("Página:", "Pàgina:");
    const QStringList heads{QStringLiteral("NúmFact."), say("Año:", "Any:"), say("Nombre Cliente:", "Nom client:"),
                            QStringLiteral("Nif/Cif:"), say("Referencia:", "Referència:")};
    const std::array<QRectF, 5> columns{QRectF(0, 0, 16, 5), QRectF(18, 0, 12, 5), QRectF(32, 0, 70, 5),
                                        QRectF(104, 0, 28, 5), QRectF(134, 0, width - 134, 5)};
    const QString date = FormatDate(printDate);
    report.setPageHeader([=](const PageInfo &page) {
        ReportBand header(18.0);
        header.text(QRectF(0, 0, 40, 6), date, kPlain);
        header.text(QRectF(40, 0, width - 80, 6), title, TextStyle{12.0, true, false, false}, Qt::AlignCenter);
        header.text(QRectF(width - 40, 0, 26, 6), pageLabel, kPlain, kRight);
        header.text(QRectF(width - 13, 0, 13, 6), QString::number(page.number), kPlain, kRight);
        for (std::size_t i = 0; i < columns.size(); ++i)
            header.text(columns[i].translated(0, 10), heads[static_cast<int>(i)], kBold);
        header.rule(16, 0, width, 0.4);
        return header;
    });

    // Label and amount pairs of the second line; the last one widest for "Tot.Cobros:".
    const QStringList labels{QStringLiteral("Sup:"),   QStringLiteral("Hon:"),  QStringLiteral("Dcto.:"),
                             canarias ? QStringLiteral("I.g.i.c.:") : QStringLiteral("Iva.:"),
                             QStringLiteral("Irpf:"),  QStringLiteral("Prov.:"), QStringLiteral("Tot.:"),
                             QStringLiteral("Tot.Cobros:")};
    const TextStyle small{6.5, false, false, false};
    const auto held = std::make_shared<const std::vector<InvoiceHeader>>(rows);
    report.setDetail(static_cast<int>(rows.size()), [held, columns, labels, small, width](int i) {
        const InvoiceHeader &r = (*held)[static_cast<std::size_t>(i)];
        ReportBand band(11.0);
        const QStringList first{QString::number(r.key.id), QString::number(r.key.iyear), r.nombreCliente, r.nif, r.ref};
        for (std::size_t c = 0; c < columns.size(); ++c)
            band.text(columns[c], first[static_cast<int>(c)], kPlain, c == 0 ? kRight : Qt::AlignLeft | Qt::AlignVCenter);
        const InvoiceTotals &t = r.totals;
        const std::array<double, 7> amounts{t.totalSuplidos, t.totalHonorario, t.totalDcto, t.totalIVA,
                                            t.totalIRPF,     t.totalProvisiones, t.total};
        const double pair = (width - 6.0) / 8.0;
        for (int k = 0; k < 8; ++k) {
            const double x = k * pair;
            const double labelWidth = k == 7 ? 13.0 : 8.5;
            band.text(QRectF(x, 5, labelWidth, 5), labels[k], small);
            QString value;
            if (k < 7)
                value = Money(amounts[static_cast<std::size_t>(k)]);
            else if (r.cobrado)
                value = Money(t.total);
            band.text(QRectF(x + labelWidth, 5, pair + (k == 7 ? 6.0 : -2.0) - labelWidth, 5), value, small, kRight);
        }
        return band;
    });

    // The eight sums, added invoice by invoice after each amount line.
    std::array<double, 8> sums{};
    for (const InvoiceHeader &r : rows) {
        const InvoiceTotals &t = r.totals;
        sums[0] += t.totalSuplidos;
        sums[1] += t.totalHonorario;
        sums[2] += t.totalDcto;
        sums[3] += t.totalIVA;
        sums[4] += t.totalIRPF;
        sums[5] += t.totalProvisiones;
        sums[6] += t.total;
        if (r.cobrado)
            sums[7] += t.total;
    }
    const QStringList sumHeads{say("Total Suplidos:", "Total Suplerts:"),
                               say("Total Honorarios:", "Honoraris:"),
                               QStringLiteral("Total Dcto.:"),
                               canarias ? QStringLiteral("Total I.G.I.C.:") : QStringLiteral("Total I.V.A.:"),
                               QStringLiteral("Total I.R.P.F.:"),
                               say("Total Provisiones:", "Total Provisions:"),
                               QStringLiteral("TOTAL:"),
                               say("Tot. Cobros:", "Tot. Cobraments:")};
    ReportBand summary(16.0);
    summary.rule(1, 0, width, 0.4);
    const double cell = width / 8.0;
    const TextStyle headStyle{7.0, true, false, true};
    for (int k = 0; k < 8; ++k) {
        summary.text(QRectF(k * cell, 3, cell, 5), sumHeads[k], headStyle, kRight);
        summary.text(QRectF(k * cell, 9, cell, 5), Money(sums[static_cast<std::size_t>(k)]),
                     TextStyle{7.0, false, false, false}, kRight);
    }
    report.setSummary(std::move(summary));
    return report;
}

std::vector<ReportPage> InvoiceListPages(const std::vector<InvoiceHeader> &rows, const QString &regionName,
                                         const QDate &printDate)
{
    return InvoiceListReport(rows, regionName, printDate).build();
}

QString InvoiceQrUrl(const QSqlDatabase &db, const IniFile &settings, const InvoiceIssuing &issuing,
                     const InvoiceKey &key)
{
    const auto alta = issuing.issueForPrinting(db, key);
    return alta ? QrValidationUrl(ReadVerifactuSettings(settings).environment, *alta) : QString();
}

bool WriteInvoicePdf(const QSqlDatabase &db, const QSqlDatabase &general, const IniFile &settings,
                     const InvoiceIssuing &issuing, const InvoiceKey &key, const QString &regionName,
                     const QString &path)
{
    if (!InvoiceExists(db, key))
        return false;
    const QString qrUrl = InvoiceQrUrl(db, settings, issuing, key);
    const auto header = LoadInvoice(db, key);
    if (!header)
        return false;
    const BandReport report = InvoiceReport(*header, LoadInvoiceLines(db, key), ReadInvoiceOffice(settings, general),
                                            regionName, qrUrl);
    WriteReportPdf(report.build(), report.geometry(), report.title(), path);
    return true;
}

void WriteInvoiceListPdf(const std::vector<InvoiceHeader> &rows, const QString &regionName, const QDate &printDate,
                         const QString &path)
{
    const BandReport report = InvoiceListReport(rows, regionName, printDate);
    WriteReportPdf(report.build(), report.geometry(), report.title(), path);
}

#include "invoicing/invoice_export.h"

#include "core/date_text.h"
#include "core/errors.h"
#include "core/number_text.h"
#include "invoicing/invoice_search.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <xlsxwriter.h>

namespace {

QString WriteFailure(const QString &path)
{
    return QStringLiteral("No se ha podido escribir el archivo \"%1\".").arg(QDir::toNativeSeparators(path));
}

QString Yes(bool cobrado)
{
    return cobrado ? QStringLiteral("Sí") : QStringLiteral("No");
}

} // namespace

QStringList ExportHeads(const QString &regionName)
{
    return {QStringLiteral("Año"),   QStringLiteral("Núm. Fact."),   QStringLiteral("Fecha"),
            QStringLiteral("Cliente"), QStringLiteral("Total"),      QStringLiteral("Referencia"),
            QStringLiteral("B. Imponible"), QStringLiteral("DCTO"),
            regionName == QStringLiteral("Canarias") ? QStringLiteral("I.G.I.C.") : QStringLiteral("IVA"),
            QStringLiteral("IRPF"),  QStringLiteral("Cobrado")};
}

QString InvoiceRowsText(const std::vector<InvoiceHeader> &rows, const QString &regionName)
{
    const QString eol = QStringLiteral("\r\n");
    QString out = ExportHeads(regionName).join(QLatin1Char('\t')) + eol;
    double total = 0.0;
    double honorarios = 0.0;
    double iva = 0.0;
    double irpf = 0.0;
    for (const InvoiceHeader &r : rows) {
        const InvoiceTotals &t = r.totals;
        // A tab or line break typed into a name would shift the columns.
        const auto clean = [](QString text) { return text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r')); };
        out += QStringList{QString::number(r.key.iyear), QString::number(r.key.id), FormatDate(r.fecha),
                           clean(r.nombreCliente), FormatThousands2Digits(t.total, 15), clean(r.ref),
                           FormatThousands2Digits(t.totalHonorario, 15), FormatGeneral(r.dcto.value_or(0.0)),
                           FormatThousands2Digits(t.totalIVA, 15), FormatThousands2Digits(t.totalIRPF, 15),
                           Yes(r.cobrado)}
                   .join(QLatin1Char('\t'))
               + eol;
        total += t.total;
        honorarios += t.totalHonorario;
        iva += t.totalIVA;
        irpf += t.totalIRPF;
    }
    out += QStringList{QStringLiteral("Totales"), {}, {}, {}, FormatThousands2Digits(total, 15), {},
                       FormatThousands2Digits(honorarios, 15), {}, FormatThousands2Digits(iva, 15),
                       FormatThousands2Digits(irpf, 15), {}}
               .join(QLatin1Char('\t'))
           + eol;
    return out;
}

void WriteInvoiceRowsText(const std::vector<InvoiceHeader> &rows, const QString &regionName, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(WriteFailure(path), file.errorString());
    file.write(InvoiceRowsText(rows, regionName).toUtf8());
    if (!file.commit())
        throw AppError(WriteFailure(path), file.errorString());
}

void WriteInvoiceRowsXlsx(const std::vector<InvoiceHeader> &rows, const QString &regionName, const QString &path)
{
    const QString partial = path + QStringLiteral(".part");
    lxw_workbook *book = workbook_new(QFile::encodeName(partial).constData());
    if (!book)
        throw AppError(WriteFailure(path));
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Facturas");
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format *money = workbook_add_format(book);
    format_set_num_format(money, "#,##0.00");
    lxw_format *moneyBold = workbook_add_format(book);
    format_set_num_format(moneyBold, "#,##0.00");
    format_set_bold(moneyBold);
    lxw_format *date = workbook_add_format(book);
    format_set_num_format(date, "dd/mm/yyyy");

    const QStringList heads = ExportHeads(regionName);
    for (int c = 0; c < heads.size(); ++c)
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), heads.at(c).toUtf8().constData(), bold);
    worksheet_set_column(sheet, 3, 3, 30, nullptr);
    worksheet_set_column(sheet, 5, 5, 25, nullptr);
    worksheet_set_column(sheet, 2, 2, 11, nullptr);
    worksheet_set_column(sheet, 4, 4, 13, nullptr);
    worksheet_set_column(sheet, 6, 6, 13, nullptr);

    lxw_row_t row = 1;
    for (const InvoiceHeader &r : rows) {
        const InvoiceTotals &t = r.totals;
        worksheet_write_number(sheet, row, 0, r.key.iyear, nullptr);
        worksheet_write_number(sheet, row, 1, r.key.id, nullptr);
        if (r.fecha.isValid()) {
            lxw_datetime when{r.fecha.year(), r.fecha.month(), r.fecha.day(), 0, 0, 0.0};
            worksheet_write_datetime(sheet, row, 2, &when, date);
        }
        worksheet_write_string(sheet, row, 3, r.nombreCliente.toUtf8().constData(), nullptr);
        worksheet_write_number(sheet, row, 4, t.total, money);
        worksheet_write_string(sheet, row, 5, r.ref.toUtf8().constData(), nullptr);
        worksheet_write_number(sheet, row, 6, t.totalHonorario, money);
        worksheet_write_number(sheet, row, 7, r.dcto.value_or(0.0), nullptr);
        worksheet_write_number(sheet, row, 8, t.totalIVA, money);
        worksheet_write_number(sheet, row, 9, t.totalIRPF, money);
        worksheet_write_string(sheet, row, 10, Yes(r.cobrado).toUtf8().constData(), nullptr);
        ++row;
    }
    const SearchSums sums = SumRows(rows);
    double iva = 0.0;
    double irpf = 0.0;
    for (const InvoiceHeader &r : rows) {
        iva += r.totals.totalIVA;
        irpf += r.totals.totalIRPF;
    }
    worksheet_write_string(sheet, row, 0, "Totales", bold);
    worksheet_write_number(sheet, row, 4, sums.facturas, moneyBold);
    worksheet_write_number(sheet, row, 6, sums.honorarios, moneyBold);
    worksheet_write_number(sheet, row, 8, iva, moneyBold);
    worksheet_write_number(sheet, row, 9, irpf, moneyBold);

    const lxw_error result = workbook_close(book);
    if (result != LXW_NO_ERROR) {
        QFile::remove(partial);
        throw AppError(WriteFailure(path), QString::fromUtf8(lxw_strerror(result)));
    }
    QFile::remove(path);
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        throw AppError(WriteFailure(path));
    }
}

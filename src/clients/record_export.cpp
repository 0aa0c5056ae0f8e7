#include "clients/record_export.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>

ExportTable ListTable(const RecordList &list, const QStringList &titles)
{
    ExportTable table;
    table.headers = titles;
    table.rows.reserve(static_cast<std::size_t>(list.size()));
    list.readAll();
    for (int row = 0; row < list.size(); ++row)
        table.rows.push_back(list.cells(row));
    return table;
}

ExportTable FullTable(const TableDef &def, const std::vector<Record> &records)
{
    ExportTable table;
    table.headers << def.key;
    for (const FieldDef &f : def.fields)
        table.headers << f.name;
    table.rows.reserve(records.size());
    for (const Record &record : records) {
        QStringList cells{record.value(def.key).toString()};
        for (const FieldDef &f : def.fields)
            cells << FieldText(record, f);
        table.rows.push_back(std::move(cells));
    }
    return table;
}

namespace {

QString CannotWrite(const QString &path)
{
    return QStringLiteral("No se ha podido escribir el archivo \"%1\".").arg(QDir::toNativeSeparators(path));
}

QString OneLine(QString cell)
{
    cell.replace(QLatin1Char('\t'), QLatin1Char(' '));
    cell.replace(QLatin1String("\r\n"), QLatin1String(" "));
    cell.replace(QLatin1Char('\n'), QLatin1Char(' '));
    cell.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return cell;
}

} // namespace

void WriteXlsx(const QString &path, const ExportTable &table, const QString &sheetName)
{
    // Written beside the target and renamed when complete, so a failure keeps an older file.
    QTemporaryDir temporary(QFileInfo(path).absolutePath() + QStringLiteral("/.xlsx-XXXXXX"));
    if (!temporary.isValid())
        throw AppError(CannotWrite(path), temporary.errorString());
    const QString work = temporary.filePath(QStringLiteral("libro.xlsx"));
    const QByteArray workName = QFile::encodeName(work);
    lxw_workbook *workbook = workbook_new(workName.constData());
    if (!workbook)
        throw AppError(CannotWrite(path), QStringLiteral("workbook_new"));
    const QByteArray sheet = sheetName.left(31).toUtf8();
    lxw_worksheet *worksheet = workbook_add_worksheet(workbook, sheet.isEmpty() ? nullptr : sheet.constData());
    lxw_format *bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format *text = workbook_add_format(workbook);
    format_set_num_format(text, "@");

    const auto columns = static_cast<int>(table.headers.size());
    std::vector<int> widths(static_cast<std::size_t>(columns), 8);
    const auto write = [&](lxw_row_t row, int column, const QString &value, lxw_format *format) {
        if (value.isEmpty())
            return;
        const QByteArray utf8 = value.toUtf8();
        worksheet_write_string(worksheet, row, static_cast<lxw_col_t>(column), utf8.constData(), format);
        int &width = widths[static_cast<std::size_t>(column)];
        width = std::max(width, static_cast<int>(std::min<qsizetype>(value.size(), 60)));
    };
    for (int c = 0; c < columns; ++c)
        write(0, c, table.headers.at(c), bold);
    lxw_row_t row = 1;
    for (const QStringList &cells : table.rows) {
        for (int c = 0; c < columns && c < cells.size(); ++c)
            write(row, c, cells.at(c), text);
        ++row;
    }
    for (int c = 0; c < columns; ++c)
        worksheet_set_column(worksheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             widths[static_cast<std::size_t>(c)] + 2, text);
    worksheet_freeze_panes(worksheet, 1, 0);
    const lxw_error result = workbook_close(workbook);
    if (result != LXW_NO_ERROR)
        throw AppError(CannotWrite(path), QString::fromUtf8(lxw_strerror(result)));
    QFile::remove(path);
    if (!QFile::rename(work, path))
        throw AppError(CannotWrite(path), QStringLiteral("rename"));
}

QString TsvText(const ExportTable &table)
{
    QString out;
    const auto line = [&out](const QStringList &cells) {
        QStringList clean;
        clean.reserve(cells.size());
        for (const QString &cell : cells)
            clean << OneLine(cell);
        out += clean.join(QLatin1Char('\t'));
        out += QLatin1Char('\n');
    };
    line(table.headers);
    for (const QStringList &cells : table.rows)
        line(cells);
    return out;
}

QByteArray CsvBytes(const ExportTable &table)
{
    QString out;
    const auto line = [&out](const QStringList &cells) {
        QStringList quoted;
        quoted.reserve(cells.size());
        for (const QString &cell : cells) {
            if (cell.contains(QLatin1Char(';')) || cell.contains(QLatin1Char('"')) || cell.contains(QLatin1Char('\n'))
                || cell.contains(QLatin1Char('\r'))) {
                QString escaped = cell;
                escaped.replace(QLatin1String("\""), QLatin1String("\"\""));
                quoted << QLatin1Char('"') + escaped + QLatin1Char('"');
            } else {
                quoted << cell;
            }
        }
        out += quoted.join(QLatin1Char(';'));
        out += QLatin1String("\r\n");
    };
    line(table.headers);
    for (const QStringList &cells : table.rows)
        line(cells);
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

namespace {

// Text values of vCard: backslash, comma, semicolon and line breaks escaped.
QString VcardEscape(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\r')) {
            if (i + 1 < value.size() && value.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("\\n");
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\\n");
        } else {
            out += c;
        }
    }
    return out;
}

// A content line folded at 75 octets without cutting a UTF-8 sequence.
void AppendLine(QByteArray &out, const QString &line)
{
    const QByteArray utf8 = line.toUtf8();
    qsizetype start = 0;
    int limit = 75;
    while (utf8.size() - start > limit) {
        qsizetype cut = start + limit;
        while (cut > start && (static_cast<unsigned char>(utf8.at(cut)) & 0xC0) == 0x80)
            --cut;
        out += utf8.mid(start, cut - start);
        out += "\r\n ";
        start = cut;
        limit = 74; // the continuation's leading blank counts
    }
    out += utf8.mid(start);
    out += "\r\n";
}

} // namespace

QByteArray VCards(const TableDef &def, const std::vector<Record> &records)
{
    const bool clients = def.table == QLatin1String("clientes");
    const auto text = [](const Record &r, const QString &field) { return r.value(field).toString().trimmed(); };
    const QString street = clients ? QStringLiteral("SDomicilioCli") : QStringLiteral("Domicilio");
    const QString town = clients ? QStringLiteral("SPoblacionCli") : QStringLiteral("Poblacion");
    const QString region = clients ? QStringLiteral("SProvinciaCli") : QStringLiteral("Provincia");
    const QString postal = clients ? QStringLiteral("SCodPostalCli") : QStringLiteral("CodPostal");

    QByteArray out;
    for (const Record &r : records) {
        AppendLine(out, QStringLiteral("BEGIN:VCARD"));
        AppendLine(out, QStringLiteral("VERSION:4.0"));
        const QString name = text(r, def.nameField);
        AppendLine(out, QStringLiteral("FN:") + VcardEscape(name.isEmpty() ? QStringLiteral("(sin nombre)") : name));
        AppendLine(out, QStringLiteral("N:") + VcardEscape(name) + QStringLiteral(";;;;"));
        if (clients && !text(r, QStringLiteral("SContacto")).isEmpty())
            AppendLine(out, QStringLiteral("NOTE:Contacto: ") + VcardEscape(text(r, QStringLiteral("SContacto"))));
        if (!text(r, street).isEmpty() || !text(r, town).isEmpty() || !text(r, postal).isEmpty()
            || !text(r, region).isEmpty()) {
            AppendLine(out, QStringLiteral("ADR;TYPE=work:;;") + VcardEscape(text(r, street)) + QLatin1Char(';')
                                + VcardEscape(text(r, town)) + QLatin1Char(';') + VcardEscape(text(r, region))
                                + QLatin1Char(';') + VcardEscape(text(r, postal)) + QStringLiteral(";España"));
        }
        const auto tel = [&](const QString &field, const QString &type) {
            if (!field.isEmpty() && !text(r, field).isEmpty())
                AppendLine(out, QStringLiteral("TEL;TYPE=") + type + QStringLiteral(";VALUE=text:") + VcardEscape(text(r, field)));
        };
        tel(def.vcardTelField, QStringLiteral("\"voice,work\""));
        tel(QStringLiteral("Telefono2"), QStringLiteral("voice"));
        tel(QStringLiteral("Telefono3"), QStringLiteral("voice"));
        tel(def.vcardMobileField, QStringLiteral("\"voice,cell\""));
        tel(def.vcardFaxField, QStringLiteral("fax"));
        if (clients) {
            if (!text(r, QStringLiteral("EMail")).isEmpty())
                AppendLine(out, QStringLiteral("EMAIL;PREF=1:") + VcardEscape(text(r, QStringLiteral("EMail"))));
        } else {
            int pref = 1;
            for (int i = 1; i <= 5; ++i) {
                const QString address = text(r, QStringLiteral("Email%1").arg(i));
                if (!address.isEmpty())
                    AppendLine(out, QStringLiteral("EMAIL;PREF=%1:").arg(pref++) + VcardEscape(address));
            }
        }
        if (!text(r, QStringLiteral("PagWeb")).isEmpty())
            AppendLine(out, QStringLiteral("URL:") + VcardEscape(text(r, QStringLiteral("PagWeb"))));
        const QString nif = text(r, clients ? QStringLiteral("SNifCli") : QStringLiteral("Nif"));
        QString note = r.value(QStringLiteral("Notas")).toString().trimmed();
        if (!nif.isEmpty())
            note = QStringLiteral("NIF: ") + nif + (note.isEmpty() ? QString() : QStringLiteral("\n") + note);
        if (!note.isEmpty())
            AppendLine(out, QStringLiteral("NOTE:") + VcardEscape(note));
        AppendLine(out, QStringLiteral("END:VCARD"));
    }
    return out;
}

void WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw AppError(CannotWrite(path), file.errorString());
}

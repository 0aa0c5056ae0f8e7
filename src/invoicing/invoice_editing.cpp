#include "invoicing/invoice_editing.h"

#include "core/amount_limit.h"
#include "core/ini_file.h"
#include "core/number_text.h"
#include "store/store_error.h"

#include <algorithm>

namespace {

std::optional<double> RateText(const QString &text)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const std::optional<double> value = ParseSpanishNumber(text);
    if (!value)
        throw AppError(QStringLiteral("\"%1\" no es un número válido.").arg(text));
    CheckAmountInRange(*value);
    return value;
}

} // namespace

InvoiceEditing::InvoiceEditing(QSqlDatabase db, const IniFile &settings, const InvoiceKey &key, InvoiceIssuing issuing)
    : m_db(std::move(db))
    , m_issuing(std::move(issuing))
{
    std::optional<InvoiceHeader> header = LoadInvoice(m_db, key);
    if (!header)
        throw StoreError(StoreCode::DeletedByOther, kInvoiceDeletedMessage);
    m_header = std::move(*header);
    if (!m_header.iva)
        m_header.iva = DefaultInvoiceVat(settings);
    if (!m_header.irpf)
        m_header.irpf = DefaultInvoiceWithholding(settings);
    reloadLines();
}

void InvoiceEditing::reloadLines()
{
    m_lines = LoadInvoiceLines(m_db, m_header.key);
}

void InvoiceEditing::typeRate(Rate rate, const QString &text)
{
    const double value = TypedRate(text);
    CheckAmountInRange(value);
    InvoiceHeader changed = m_header;
    switch (rate) {
    case Rate::Iva: changed.iva = value; break;
    case Rate::Irpf: changed.irpf = value; break;
    case Rate::Dcto: changed.dcto = value; break;
    }
    changed.totals = RerateInvoice(m_db, m_header.key, changed.rates(), m_header.totals, m_issuing.changeHook());
    m_header = std::move(changed);
    reloadLines();
}

void InvoiceEditing::addLine(const NewLine &entry)
{
    InvoiceLine line;
    line.subTotal = AmountFromText(entry.importe);
    line.fecha = entry.fecha;
    line.criterio = entry.criterio;
    line.titulo = entry.titulo;
    if (IsFeeType(entry.tipo)) {
        line.iva = m_header.iva.value_or(0.0);
        line.irpf = m_header.irpf.value_or(0.0);
        line.dcto = m_header.dcto.value_or(0.0);
    } else {
        line.iva = line.irpf = line.dcto = 0.0;
    }
    line.tipo = entry.tipo;
    line.fijo = entry.fijo;
    line.incremento = entry.incremento;
    line.reduccion = entry.reduccion;
    line.tabla = entry.tabla;
    line.porcentaje = entry.porcentaje;
    line.calculate();
    LineChange change = AddInvoiceLine(m_db, m_header.key, std::move(line), m_issuing.changeHook());
    m_header.totals = change.totals;
    // Kept in key order without reading every line back.
    const auto at = std::upper_bound(m_lines.begin(), m_lines.end(), change.line, [](const InvoiceLine &a, const InvoiceLine &b) {
        return std::pair(a.fecha, a.linea) < std::pair(b.fecha, b.linea);
    });
    m_lines.insert(at, std::move(change.line));
}

void InvoiceEditing::deleteLine(int row)
{
    const InvoiceLine &line = m_lines.at(static_cast<std::size_t>(row));
    m_header.totals = DeleteInvoiceLine(m_db, m_header.key, line.fecha, line.linea, m_issuing.changeHook());
    m_lines.erase(m_lines.begin() + row);
}

InvoiceLine InvoiceEditing::modifiedLine(int row, const LineModification &modification) const
{
    InvoiceLine line = m_lines.at(static_cast<std::size_t>(row));
    line.iva = RateText(modification.iva);
    line.dcto = RateText(modification.dcto);
    line.irpf = RateText(modification.irpf);
    CheckAmountInRange(modification.subTotal);
    line.subTotal = modification.subTotal;
    line.titulo = modification.titulo;
    line.calculate();
    return line;
}

void InvoiceEditing::storeLine(int row, const InvoiceLine &line)
{
    InvoiceLine &shown = m_lines.at(static_cast<std::size_t>(row));
    m_header.totals = ModifyInvoiceLine(m_db, m_header.key, line, m_issuing.changeHook());
    shown = line;
}

void InvoiceEditing::recalculateTotals()
{
    m_header.totals = RecalcularTotales(m_db, m_header.key);
}

void InvoiceEditing::close(bool accepted)
{
    const bool issuing = accepted && !m_lines.empty();
    m_header.totals =
        StoreInvoiceHeader(m_db, m_header, issuing ? m_issuing.issueHook() : m_issuing.changeHook());
}

NewInvoiceProposal ProposeNewInvoice(const QSqlDatabase &db, const QDate &today)
{
    std::optional<int> number = ProposedInvoiceNumber(db);
    while (number && VerifactuLedger::NumberWasCancelled(db, *number, today.year()))
        ++*number;
    return {number, today.year(), today};
}

InvoiceKey CreateNewInvoice(const QSqlDatabase &db, const QString &number, const QString &year, const QDate &fecha,
                            const QDate &today)
{
    if (number.trimmed().isEmpty() || year.trimmed().isEmpty())
        throw InvoiceRefusal(kNumberAndYearRequiredMessage);
    const InvoiceKey key{IntegerFromText(number), IntegerFromText(year)};
    if (InvoiceExists(db, key))
        throw InvoiceRefusal(kDuplicateInvoiceMessage);
    if (VerifactuLedger::NumberWasCancelled(db, key.id, key.iyear))
        throw InvoiceRefusal(kNumberCancelledMessage);
    CreateInvoice(db, key, fecha.isValid() ? fecha : today);
    return key;
}

#include "invoicing/invoice_lines_model.h"

#include "core/date_text.h"
#include "core/number_text.h"

namespace {

QVariant Raw(const InvoiceLine &l, int column)
{
    const LineColumns columns = EntradasSalidas(l.tipo, l.subTotal);
    const auto rate = [](const std::optional<double> &r) { return r ? QVariant(*r) : QVariant(); };
    switch (column) {
    case InvoiceLinesModel::Fecha: return l.fecha;
    case InvoiceLinesModel::Tipo: return l.tipo;
    case InvoiceLinesModel::Criterio: return l.criterio;
    case InvoiceLinesModel::Titulo: return l.titulo;
    case InvoiceLinesModel::Entradas: return columns.entradas;
    case InvoiceLinesModel::Salidas: return columns.salidas;
    case InvoiceLinesModel::Iva: return rate(l.iva);
    case InvoiceLinesModel::Irpf: return rate(l.irpf);
    case InvoiceLinesModel::Dcto: return rate(l.dcto);
    case InvoiceLinesModel::TotalIva: return l.amounts.totalIVA;
    case InvoiceLinesModel::TotalIrpf: return l.amounts.totalIRPF;
    case InvoiceLinesModel::TotalDcto: return l.amounts.totalDCTO;
    case InvoiceLinesModel::Total: return l.amounts.total;
    default: return {};
    }
}

} // namespace

InvoiceLinesModel::InvoiceLinesModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void InvoiceLinesModel::setLines(const std::vector<InvoiceLine> &lines)
{
    beginResetModel();
    m_lines = lines;
    endResetModel();
}

void InvoiceLinesModel::setVatTitle(const QString &title)
{
    m_vatTitle = title;
    emit headerDataChanged(Qt::Horizontal, Iva, Iva);
}

int InvoiceLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

int InvoiceLinesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant InvoiceLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const InvoiceLine &line = m_lines[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    const QVariant raw = Raw(line, column);
    if (role == RawValueRole)
        return raw;
    if (role == Qt::TextAlignmentRole && column >= Entradas)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case Fecha: return FormatDate(line.fecha);
    case Tipo:
    case Criterio:
    case Titulo: return raw;
    case Entradas:
    case Salidas:
    case Total: return FormatThousands2(raw.toDouble());
    default: return raw.isValid() ? FormatGeneral(raw.toDouble()) : QString();
    }
}

QVariant InvoiceLinesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Fecha: return QStringLiteral("Fecha");
    case Tipo: return QStringLiteral("Concepto");
    case Criterio: return QStringLiteral("Criterio");
    case Titulo: return QStringLiteral("Descripción");
    case Entradas: return QStringLiteral("Entradas");
    case Salidas: return QStringLiteral("Salidas");
    case Iva: return m_vatTitle;
    case Irpf: return QStringLiteral("IRPF %");
    case Dcto: return QStringLiteral("% Dcto");
    case TotalIva: return QStringLiteral("Total Iva");
    case TotalIrpf: return QStringLiteral("Total Irpf");
    case TotalDcto: return QStringLiteral("Total Dcto");
    case Total: return QStringLiteral("Total");
    default: return {};
    }
}

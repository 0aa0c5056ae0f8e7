#include "invoicing/invoice_rows_model.h"

#include "core/date_text.h"
#include "core/number_text.h"

#include <QPainter>
#include <QPixmap>

namespace {

// The two pictures of the collected state: a green tick, a grey dash.
QPixmap StatePicture(bool cobrado)
{
    QPixmap picture(14, 14);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(cobrado ? QColor(0, 140, 60) : QColor(150, 150, 150), 2.2);
    p.setPen(pen);
    if (cobrado)
        p.drawPolyline(QPolygonF{QPointF(2, 7.5), QPointF(5.5, 11), QPointF(12, 3)});
    else
        p.drawLine(QPointF(3, 7), QPointF(11, 7));
    return picture;
}

} // namespace

InvoiceColumns::InvoiceColumns(Layout layout, QString regionName)
    : m_layout(layout)
    , m_regionName(std::move(regionName))
{
    if (layout == Layout::List)
        m_fields = {Field::Iyear, Field::Id,   Field::Fecha, Field::Cliente, Field::Ref,    Field::Honorario,
                    Field::Dcto,  Field::Iva,  Field::Irpf,  Field::Total,   Field::Cobrado};
    else
        m_fields = {Field::Iyear,     Field::Id,       Field::Fecha, Field::Cliente, Field::Total, Field::Ref,
                    Field::Honorario, Field::DctoRate, Field::Iva,   Field::Irpf,    Field::Total, Field::Cobrado};
}

QVariant InvoiceColumns::cell(const InvoiceHeader &r, int column, int role) const
{
    if (column < 0 || column >= count())
        return {};
    const Field field = m_fields[static_cast<std::size_t>(column)];
    if (field == Field::Cobrado) {
        if (role == Qt::DecorationRole) {
            static const QPixmap yes = StatePicture(true);
            static const QPixmap no = StatePicture(false);
            return r.cobrado ? yes : no;
        }
        if (role == Qt::ToolTipRole)
            return r.cobrado ? QStringLiteral("Cobrada el %1").arg(FormatDate(r.fechaCobro)) : QStringLiteral("No cobrada");
        return {};
    }
    const bool amount = field == Field::Honorario || field == Field::Dcto || field == Field::Iva || field == Field::Irpf
                        || field == Field::Total || field == Field::DctoRate;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(amount || field == Field::Id || field == Field::Iyear ? Qt::AlignRight | Qt::AlignVCenter
                                                                                          : Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const InvoiceTotals &t = r.totals;
    switch (field) {
    case Field::Iyear: return QString::number(r.key.iyear);
    case Field::Id: return QString::number(r.key.id);
    case Field::Fecha: return FormatDate(r.fecha);
    case Field::Cliente: return r.nombreCliente;
    case Field::Ref: return r.ref;
    case Field::Honorario: return FormatThousands2Digits(t.totalHonorario, 15);
    case Field::Dcto: return FormatThousands2Digits(t.totalDcto, 15);
    case Field::DctoRate: return r.dcto ? FormatGeneral(*r.dcto) : QString();
    case Field::Iva: return FormatThousands2Digits(t.totalIVA, 15);
    case Field::Irpf: return FormatThousands2Digits(t.totalIRPF, 15);
    case Field::Total: return FormatThousands2Digits(t.total, 15);
    case Field::Cobrado: break;
    }
    return {};
}

QVariant InvoiceColumns::title(int column) const
{
    if (column < 0 || column >= count())
        return {};
    switch (m_fields[static_cast<std::size_t>(column)]) {
    case Field::Iyear: return QStringLiteral("Año");
    case Field::Id: return m_layout == Layout::List ? QStringLiteral("Num.") : QStringLiteral("Núm. Fact.");
    case Field::Fecha: return QStringLiteral("Fecha");
    case Field::Cliente: return QStringLiteral("Cliente");
    case Field::Ref: return QStringLiteral("Referencia");
    case Field::Honorario: return QStringLiteral("B. Imponible");
    case Field::Dcto:
    case Field::DctoRate: return QStringLiteral("DCTO");
    case Field::Iva: return m_regionName == QStringLiteral("Canarias") ? QStringLiteral("I.G.I.C.") : QStringLiteral("IVA");
    case Field::Irpf: return QStringLiteral("IRPF");
    case Field::Total: return QStringLiteral("Total");
    case Field::Cobrado: return QStringLiteral("Cobrado");
    }
    return {};
}

InvoiceRowsModel::InvoiceRowsModel(Layout layout, QString regionName, QObject *parent)
    : QAbstractTableModel(parent)
    , m_columns(layout, std::move(regionName))
{
}

void InvoiceRowsModel::setRows(std::vector<InvoiceHeader> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int InvoiceRowsModel::rowOf(const InvoiceKey &key) const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].key == key)
            return static_cast<int>(i);
    }
    return -1;
}

int InvoiceRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int InvoiceRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns.count();
}

QVariant InvoiceRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    return m_columns.cell(m_rows[static_cast<std::size_t>(index.row())], index.column(), role);
}

QVariant InvoiceRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_columns.count())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_columns.title(section);
}

#include "interest/history_view_dialog.h"

#include "core/date_text.h"
#include "core/number_text.h"
#include "interest/working_movements.h"
#include "store/app_context.h"
#include "widgets/application.h"
#include "widgets/date_box.h"
#include "widgets/list_grid.h"

#include <QAbstractTableModel>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The stored movements of one kind, read only.
class StoredMovementsModel final : public QAbstractTableModel
{
public:
    StoredMovementsModel(const std::vector<Movement> &all, const QString &kind, QString dateTitle, QObject *parent)
        : QAbstractTableModel(parent)
        , m_dateTitle(std::move(dateTitle))
    {
        std::copy_if(all.begin(), all.end(), std::back_inserter(m_movements),
                     [&kind](const Movement &m) { return m.kind == kind; });
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_movements.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 2; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        const Movement &m = m_movements[static_cast<std::size_t>(index.row())];
        if (role == Qt::DisplayRole)
            return index.column() == 0 ? FormatDate(m.date) : FormatThousands2(m.amount);
        if (role == Qt::TextAlignmentRole && index.column() == 1)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return section == 0 ? m_dateTitle : QStringLiteral("Importe");
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    std::vector<Movement> m_movements;
    QString m_dateTitle;
};

QTableView *MovementsView(const QString &name, QAbstractItemModel *model, QWidget *parent)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(name);
    SetUpListGrid(grid, model);
    grid->setColumnWidth(0, grid->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);
    grid->setColumnWidth(1, grid->fontMetrics().horizontalAdvance(QStringLiteral("000.000.000,00")) + 40);
    return grid;
}

} // namespace

TFormHisMan::TFormHisMan(AppContext &context, StoredSettlement stored, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_stored(std::move(stored))
    , m_fecha(new DateBox(this))
    , m_descripcion(new QLineEdit(this))
    , m_notas(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("FormHisMan"));
    setWindowTitle(QStringLiteral("Liquidación en Histórico"));

    auto *numAsunto = new QLabel(m_stored.header.numAsunto, this);
    numAsunto->setObjectName(QStringLiteral("DBTextNUMASUNTO"));
    numAsunto->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_fecha->setObjectName(QStringLiteral("DBEditFECHA"));
    m_fecha->setPrompter(&context.prompter);
    m_fecha->setAllowEmpty(true);
    m_fecha->setDate(m_stored.header.fecha);
    m_descripcion->setObjectName(QStringLiteral("DBEditDESCRIPCION"));
    m_descripcion->setMaxLength(DescriptionLength);
    m_descripcion->setText(m_stored.header.descripcion);
    m_notas->setObjectName(QStringLiteral("DBMemoNOTAS"));
    m_notas->setTabChangesFocus(true);
    m_notas->setPlainText(m_stored.header.notas);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Número de Asunto:"), numAsunto);
    form->addRow(QStringLiteral("Fecha:"), m_fecha);
    form->addRow(QStringLiteral("Descripción:"), m_descripcion);
    form->addRow(QStringLiteral("Notas:"), m_notas);

    auto *pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("PageControl1"));
    pages->addTab(MovementsView(QStringLiteral("DBGridPAGOS"),
                                new StoredMovementsModel(m_stored.movements, PaymentKind, QStringLiteral("Fecha Pago"), this), pages),
                  QStringLiteral("PAGOS"));
    pages->addTab(MovementsView(QStringLiteral("DBGridENTRADAS"),
                                new StoredMovementsModel(m_stored.movements, EntryKind, QStringLiteral("Fecha Entrada"), this), pages),
                  QStringLiteral("ENTRADAS"));

    auto *ok = new QPushButton(QStringLiteral(" &Aceptar"), this);
    ok->setObjectName(QStringLiteral("BtnAceptar"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TFormHisMan::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(pages, 1);
    layout->addLayout(buttons);
    resize(620, 520);
    m_fecha->setFocus();
}

HistoryHeader TFormHisMan::header() const
{
    return {m_stored.header.numAsunto, m_fecha->date(), m_descripcion->text(), m_notas->toPlainText()};
}

void TFormHisMan::accept()
{
    if (m_fecha->lineEdit()->hasFocus() && !m_fecha->validate())
        return;
    try {
        // A settlement deleted meanwhile by another program has nothing left to change.
        UpdateHistoryHeader(m_context.store.database(Alias::Historico), header());
    } catch (const AppError &e) {
        ShowStandardError(m_context.prompter, e.message());
        return;
    }
    QDialog::accept();
}

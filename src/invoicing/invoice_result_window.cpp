#include "invoicing/invoice_result_window.h"

#include "core/errors.h"
#include "invoicing/invoice_export.h"
#include "invoicing/invoice_list_window.h"
#include "invoicing/invoice_rows_model.h"
#include "store/app_context.h"
#include "widgets/list_grid.h"
#include "widgets/money_box.h"

#include <QClipboard>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TFormFacRes::TFormFacRes(AppContext &context, InvoiceSearchResult result, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_result(std::move(result))
    , m_model(new InvoiceRowsModel(InvoiceRowsModel::Layout::Result, context.session.regionName, this))
    , m_grid(new QTableView(this))
{
    setObjectName(QStringLiteral("FormFacRes"));
    setWindowTitle(QStringLiteral("Resultado Búsqueda"));
    setWindowState(Qt::WindowMaximized);
    m_model->setRows(m_result.rows);
    m_grid->setObjectName(QStringLiteral("DBGrid2"));
    SetUpListGrid(m_grid, m_model);
    if (m_model->rowCount() > 0)
        m_grid->setCurrentIndex(m_model->index(0, 0));
    connect(m_grid, &QTableView::doubleClicked, this, [this] { modifyInvoice(); });

    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    menu->addAction(QStringLiteral("Exportar a &Excel...."), this, &TFormFacRes::exportToExcel)
        ->setObjectName(QStringLiteral("ExportarExcel"));
    menu->addAction(QStringLiteral("Enviar al &Portapapeles..."), this, &TFormFacRes::copyToClipboard)
        ->setObjectName(QStringLiteral("EnviarPortapapeles"));
    menu->addAction(QStringLiteral("Guardar el &Listado como..."), this, &TFormFacRes::saveAsText)
        ->setObjectName(QStringLiteral("GuardarListado"));
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, menu,
            [this, menu](const QPoint &at) { menu->popup(m_grid->viewport()->mapToGlobal(at)); });

    auto *found = new QLabel(FoundLabel(m_result.rows.size()), this);
    found->setObjectName(QStringLiteral("Label1"));
    auto *sums = new QLabel(SumsLabel(m_result.sums), this);
    sums->setObjectName(QStringLiteral("Label2"));

    auto *buttons = new QHBoxLayout;
    const auto button = [this, buttons](const char *name, const QString &caption, void (TFormFacRes::*slot)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button("BitBtn1", QStringLiteral("&Modif."), &TFormFacRes::modifyInvoice)->setDefault(true);
    button("BitBtn2", QStringLiteral("&Imprimir"), &TFormFacRes::printInvoice);
    button("BitBtn3", QStringLiteral("&Listado"), &TFormFacRes::printList);
    button("BitBtn4", QStringLiteral("&Comisión"), &TFormFacRes::showCommission);
    buttons->addStretch();
    auto *close = new QPushButton(QStringLiteral("&Salir"), this);
    close->setObjectName(QStringLiteral("BitBtn8"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(found);
    layout->addWidget(m_grid, 1);
    layout->addWidget(sums);
    layout->addLayout(buttons);
}

const InvoiceHeader *TFormFacRes::current() const
{
    const int row = m_grid->currentIndex().isValid() ? m_grid->currentIndex().row() : -1;
    if (row < 0 || row >= m_model->rowCount())
        return nullptr;
    return &m_model->rows()[static_cast<std::size_t>(row)];
}

void TFormFacRes::modifyInvoice()
{
    // An invoice deleted since the search is simply not found.
    if (const InvoiceHeader *row = current())
        EditStoredInvoice(m_context, row->key, this);
}

void TFormFacRes::printInvoice()
{
    if (const InvoiceHeader *row = current())
        PreviewStoredInvoice(m_context, row->key, this);
}

void TFormFacRes::printList()
{
    if (!m_result.rows.empty())
        PreviewInvoiceList(m_context, m_result.rows, this);
}

void TFormFacRes::showCommission()
{
    TFormFacCom window(m_result.sums.honorarios, this);
    window.exec();
}

void TFormFacRes::exportToExcel()
{
    const QString path = m_context.prompter.saveFileOfKind(
        QStringLiteral("Exportar a Excel"), QStringLiteral("Libro de Excel (*.xlsx)"), QStringLiteral(".xlsx"));
    if (path.isEmpty())
        return;
    WriteInvoiceRowsXlsx(m_result.rows, m_context.session.regionName, path);
}

void TFormFacRes::copyToClipboard()
{
    QGuiApplication::clipboard()->setText(InvoiceRowsText(m_result.rows, m_context.session.regionName));
}

void TFormFacRes::saveAsText()
{
    Prompter::FileRequest request;
    request.title = QStringLiteral("Guardar el Listado como");
    request.filters = {QStringLiteral("Fichero de Texto (*.txt)")};
    request.mustExist = false;
    QString path = m_context.prompter.saveFile(request);
    if (path.isEmpty())
        return;
    // The default extension, for a name typed without one (a folder's dot does not count).
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".txt");
    WriteInvoiceRowsText(m_result.rows, m_context.session.regionName, path);
}

TFormFacCom::TFormFacCom(double fees, QWidget *parent)
    : QDialog(parent)
    , m_fees(fees)
    , m_hono(new MoneyBox(this))
    , m_por(new MoneyBox(this))
    , m_total(new MoneyBox(this))
{
    setObjectName(QStringLiteral("FormFacCom"));
    setWindowTitle(QStringLiteral("Comisión Facturas"));
    m_hono->setObjectName(QStringLiteral("CurEdtHONO"));
    m_por->setObjectName(QStringLiteral("CurEdtPOR"));
    m_total->setObjectName(QStringLiteral("CurEdtTOTAL"));
    m_hono->setReadOnly(true);
    m_total->setReadOnly(true);
    // The fees are shown from the start: the figure the percentage applies to.
    m_hono->setValue(fees);
    connect(m_por, &MoneyBox::valueChanged, this, &TFormFacCom::setPercent);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Total Honorarios:"), m_hono);
    form->addRow(QStringLiteral("% sobre Honorarios"), m_por);
    form->addRow(QStringLiteral("Total Comisión:"), m_total);
    auto *close = new QPushButton(QStringLiteral("&Salir"), this);
    close->setObjectName(QStringLiteral("BitBtn1"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(close, 0, Qt::AlignRight);
}

void TFormFacCom::setPercent(double percent)
{
    if (percent > kMaxCommissionPercent || percent < 0.0) {
        percent = std::clamp(percent, 0.0, kMaxCommissionPercent);
        const QSignalBlocker block(m_por);
        m_por->setValue(percent);
    }
    m_total->setValue(Commission(m_fees, percent));
}

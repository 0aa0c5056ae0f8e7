#include "invoicing/invoice_editor_window.h"

#include "core/date_text.h"
#include "core/number_text.h"
#include "clients/client_picker.h"
#include "invoicing/company_data.h"
#include "invoicing/invoice_fee_row.h"
#include "invoicing/invoice_lines_model.h"
#include "invoicing/line_modify_dialog.h"
#include "store/app_context.h"
#include "widgets/application.h"
#include "widgets/date_box.h"
#include "widgets/list_grid.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QLineEdit *Edit(QWidget *parent, const char *name, int maxLength = 0, bool readOnly = false)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    edit->setReadOnly(readOnly);
    return edit;
}

QPushButton *Button(QWidget *parent, const QString &caption, const char *name)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QString RateText(const std::optional<double> &rate)
{
    return rate ? FormatGeneral(*rate) : QString();
}

} // namespace

QLineEdit *NewAmountEdit(QWidget *parent, const char *objectName)
{
    auto *edit = Edit(parent, objectName);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*(,[0-9]*)?")), edit));
    return edit;
}

TFormFact1::TFormFact1(AppContext &context, const InvoiceKey &key, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_lock(RecordLocks(context.store.database(Alias::Intereses)), kInvoiceTable, InvoiceLockKey(key),
             [&] { return InvoiceExists(context.store.database(Alias::Intereses), key); })
    , m_editing(context.store.database(Alias::Intereses), context.settings(), key,
                InvoiceIssuing::ForInstallation(context.session.programDir, context.settings(), context.session.regionName))
{
    setObjectName(QStringLiteral("FormFact1"));
    setWindowTitle(QStringLiteral("Facturar"));
    auto *layout = new QVBoxLayout(this);
    buildHeader(layout);

    auto *tabs = new QTabWidget(this);
    auto *linesPage = new QWidget(tabs);
    buildLines(linesPage);
    tabs->addTab(linesPage, QStringLiteral("Líneas de Factura"));
    m_notas = new QPlainTextEdit(tabs);
    m_notas->setObjectName(QStringLiteral("dbmNotas"));
    tabs->addTab(m_notas, QStringLiteral("Notas"));
    layout->addWidget(tabs, 1);

    buildTotals(layout);
    auto *accept = Button(this, QStringLiteral("Ace&ptar"), "btnAceptar");
    connect(accept, &QPushButton::clicked, this, &QDialog::accept);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(accept);
    layout->addLayout(bottom);

    if (m_context.session.regionName == QLatin1String("Canarias")) {
        const QString igic = VatCaptionForRegion(m_context.session.regionName);
        m_ivaCaption->setText(igic);
        m_totalIvaCaption->setText(igic);
        m_model->setVatTitle(igic);
    }
    showHeader();
    showLines();
    resize(980, 700);
}

void TFormFact1::buildHeader(QVBoxLayout *page)
{
    const InvoiceHeader &h = m_editing.header();
    auto *grid = new QGridLayout;
    int column = 0;
    const auto add = [&](const QString &caption, QWidget *box, int row, int span = 1) -> QLabel * {
        auto *label = new QLabel(caption, this);
        label->setBuddy(box);
        grid->addWidget(label, row * 2, column, 1, span);
        grid->addWidget(box, row * 2 + 1, column, 1, span);
        column += span;
        return label;
    };
    auto *id = Edit(this, "dbeId", 0, true);
    id->setText(QString::number(h.key.id));
    auto *year = Edit(this, "dbeIyear", 0, true);
    year->setText(QString::number(h.key.iyear));
    auto *fecha = Edit(this, "dbeFecha", 0, true);
    fecha->setText(FormatDate(h.fecha));
    m_ref = Edit(this, "dbeRef", 33);
    add(QStringLiteral("Núm Factura"), id, 0);
    add(QStringLiteral("Año"), year, 0);
    add(QStringLiteral("Fecha"), fecha, 0);
    add(QStringLiteral("Referencia"), m_ref, 0, 3);

    column = 0;
    m_nombre = Edit(this, "dbeNombre", 33);
    m_nif = Edit(this, "dbeNif", 20);
    m_domicilio = Edit(this, "dbeDomicilio", 60);
    auto *nameRow = new QWidget(this);
    auto *nameLayout = new QHBoxLayout(nameRow);
    nameLayout->setContentsMargins(0, 0, 0, 0);
    auto *client = Button(nameRow, QStringLiteral("Cliente…"), "btnCliente");
    connect(client, &QPushButton::clicked, this, &TFormFact1::pickClient);
    nameLayout->addWidget(m_nombre, 1);
    nameLayout->addWidget(client);
    add(QStringLiteral("Nombre "), nameRow, 1, 3);
    add(QStringLiteral("N.I.F./C.I.F."), m_nif, 1);
    add(QStringLiteral("Domicilio"), m_domicilio, 1, 2);

    column = 0;
    m_poblacion = Edit(this, "dbePoblacion", 40);
    m_codPostal = Edit(this, "dbecodpostal", 10);
    m_provincia = new QComboBox(this);
    m_provincia->setObjectName(QStringLiteral("dblProvincia"));
    m_provincia->setEditable(true);
    m_provincia->lineEdit()->setMaxLength(20);
    for (const Province &province : ReadProvinces(m_context.store.database(Alias::General)))
        m_provincia->addItem(province.name);
    m_iva = Edit(this, "dbeIVA", 6);
    m_irpf = Edit(this, "dbeIRPF", 6);
    m_dcto = Edit(this, "dbeDCTO", 6);
    add(QStringLiteral("Población"), m_poblacion, 2, 2);
    add(QStringLiteral("Código Postal"), m_codPostal, 2);
    add(QStringLiteral("Provincia"), m_provincia, 2);
    m_ivaCaption = add(QStringLiteral("% I.V.A. "), m_iva, 2);
    add(QStringLiteral("% I.R.P.F."), m_irpf, 2);
    add(QStringLiteral("% Dcto"), m_dcto, 2);
    page->addLayout(grid);

    connect(m_iva, &QLineEdit::editingFinished, this, [this] { rateEdited(InvoiceEditing::Rate::Iva, m_iva); });
    connect(m_irpf, &QLineEdit::editingFinished, this, [this] { rateEdited(InvoiceEditing::Rate::Irpf, m_irpf); });
    connect(m_dcto, &QLineEdit::editingFinished, this, [this] { rateEdited(InvoiceEditing::Rate::Dcto, m_dcto); });
}

void TFormFact1::buildTotals(QVBoxLayout *page)
{
    auto *row = new QHBoxLayout;
    const auto add = [&](const QString &sign, const QString &caption, const char *name) {
        if (!sign.isEmpty())
            row->addWidget(new QLabel(sign, this));
        auto *column = new QVBoxLayout;
        auto *label = new QLabel(caption, this);
        auto *box = Edit(this, name, 0, true);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setFocusPolicy(Qt::NoFocus);
        column->addWidget(label);
        column->addWidget(box);
        row->addLayout(column);
        return std::pair{label, box};
    };
    m_totalSuplidos = add({}, QStringLiteral("Total Suplidos"), "dbeTotalSuplidos").second;
    m_totalHonorario = add(QStringLiteral("+"), QStringLiteral("T. Honorarios"), "dbeTotalHonorario").second;
    std::tie(m_totalIvaCaption, m_totalIva) = add(QStringLiteral("+"), QStringLiteral("I.V.A."), "dbeTotalIVA");
    m_totalIrpf = add(QStringLiteral("-"), QStringLiteral("I.R.P.F."), "dbeTotalIRPF").second;
    m_totalDcto = add(QStringLiteral("-"), QStringLiteral("Descuentos"), "dbeTotalDcto").second;
    m_totalProvisiones = add(QStringLiteral("-"), QStringLiteral("Provisiones"), "dbeTotalProvisiones").second;
    m_total = add(QStringLiteral("="), QStringLiteral("Total Factura"), "dbeTotal").second;
    page->addLayout(row);
}

void TFormFact1::buildLines(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    m_model = new InvoiceLinesModel(this);
    m_grid = new QTableView(page);
    m_grid->setObjectName(QStringLiteral("dbgLineasFact"));
    SetUpListGrid(m_grid, m_model);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    auto *menu = new QMenu(m_grid);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    menu->addAction(QStringLiteral("Modificar"), this, &TFormFact1::modifyLine);
    menu->addAction(QStringLiteral("Eliminar"), this, &TFormFact1::deleteLine);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint &at) { menu->popup(m_grid->viewport()->mapToGlobal(at)); });
    layout->addWidget(m_grid, 1);

    auto *manual = new QGroupBox(QStringLiteral("Introducción de Conceptos"), page);
    manual->setObjectName(QStringLiteral("Manual"));
    auto *row = new QGridLayout(manual);
    m_lineDate = new DateBox(manual);
    m_lineDate->setObjectName(QStringLiteral("daeFecha"));
    m_lineDate->setPrompter(&m_context.prompter);
    m_lineDate->setDate(QDate::currentDate());
    m_tipo = new QComboBox(manual);
    m_tipo->setObjectName(QStringLiteral("cmbTipo"));
    m_tipo->addItems({kTipoHonorario, kTipoProvision, kTipoSuplido});
    m_titulo = Edit(manual, "tbxTitulo", 255);
    m_importe = NewAmountEdit(manual, "tbxImporte");
    int column = 0;
    for (const auto &[caption, box, stretch] : {std::tuple<QString, QWidget *, int>{QStringLiteral("Fecha"), m_lineDate, 0},
                                               {QStringLiteral("Concepto"), m_tipo, 0},
                                               {QStringLiteral("Descripción"), m_titulo, 1},
                                               {QStringLiteral("Importe"), m_importe, 0}}) {
        row->addWidget(new QLabel(caption, manual), 0, column);
        row->addWidget(box, 1, column);
        row->setColumnStretch(column++, stretch);
    }
    layout->addWidget(manual);
    m_feeRow = new InvoiceFeeRow(m_context, m_tipo, m_importe, m_titulo, page);
    layout->addWidget(m_feeRow);

    auto *buttons = new QHBoxLayout;
    auto *altas = Button(page, QStringLiteral("&Altas"), "btnAltas");
    connect(m_feeRow, &InvoiceFeeRow::amountEntered, altas, qOverload<>(&QWidget::setFocus));
    auto *bajas = Button(page, QStringLiteral("&Bajas"), "btnBajas");
    auto *modif = Button(page, QStringLiteral("&Modif."), "btnModif");
    connect(altas, &QPushButton::clicked, this, &TFormFact1::addLine);
    connect(bajas, &QPushButton::clicked, this, &TFormFact1::deleteLine);
    connect(modif, &QPushButton::clicked, this, &TFormFact1::modifyLine);
    buttons->addStretch();
    buttons->addWidget(altas);
    buttons->addWidget(bajas);
    buttons->addWidget(modif);
    layout->addLayout(buttons);
}

void TFormFact1::showHeader()
{
    const InvoiceHeader &h = m_editing.header();
    m_ref->setText(h.ref);
    m_nombre->setText(h.nombreCliente);
    m_nif->setText(h.nif);
    m_domicilio->setText(h.direccion);
    m_poblacion->setText(h.poblacion);
    m_codPostal->setText(h.codPostal);
    m_provincia->setCurrentText(h.provincia);
    m_notas->setPlainText(h.notas);
    m_iva->setText(RateText(h.iva));
    m_irpf->setText(RateText(h.irpf));
    m_dcto->setText(RateText(h.dcto));
    for (QLineEdit *rate : {m_iva, m_irpf, m_dcto})
        rate->setModified(false);
    showTotals();
}

void TFormFact1::showTotals()
{
    const InvoiceTotals &t = m_editing.header().totals;
    m_totalSuplidos->setText(FormatThousands2(t.totalSuplidos));
    m_totalHonorario->setText(FormatThousands2(t.totalHonorario));
    m_totalIva->setText(FormatThousands2(t.totalIVA));
    m_totalIrpf->setText(FormatThousands2(t.totalIRPF));
    m_totalDcto->setText(FormatThousands2(t.totalDcto));
    m_totalProvisiones->setText(FormatThousands2(t.totalProvisiones));
    m_total->setText(FormatThousands2(t.total));
}

void TFormFact1::showLines()
{
    const int row = selectedRow();
    m_model->setLines(m_editing.lines());
    if (m_model->rowCount() > 0)
        m_grid->selectRow(std::clamp(row, 0, m_model->rowCount() - 1));
    showTotals();
    // The invoice's data changed: a chosen criterion's fee is worked out again.
    if (m_feeRow)
        m_feeRow->recalculate();
}

int TFormFact1::selectedRow() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? current.row() : (m_model->rowCount() > 0 ? 0 : -1);
}

bool TFormFact1::attempt(const std::function<void()> &change)
{
    try {
        change();
        return true;
    } catch (const StoreError &e) {
        if (e.code() != StoreCode::DeletedByOther)
            throw;
        m_invoiceGone = true;
        m_context.prompter.inform(e.message());
        if (!m_closing)
            QDialog::done(QDialog::Rejected);
    } catch (const AppError &e) {
        ShowStandardError(m_context.prompter, e.message());
    }
    return false;
}

void TFormFact1::rateEdited(InvoiceEditing::Rate rate, QLineEdit *box)
{
    if (!box->isModified() || m_invoiceGone)
        return;
    box->setModified(false);
    attempt([&] { m_editing.typeRate(rate, box->text()); });
    if (m_invoiceGone)
        return;
    const InvoiceHeader &h = m_editing.header();
    box->setText(RateText(rate == InvoiceEditing::Rate::Iva ? h.iva : rate == InvoiceEditing::Rate::Irpf ? h.irpf : h.dcto));
    showLines();
}

void TFormFact1::commitPendingRates()
{
    rateEdited(InvoiceEditing::Rate::Iva, m_iva);
    rateEdited(InvoiceEditing::Rate::Irpf, m_irpf);
    rateEdited(InvoiceEditing::Rate::Dcto, m_dcto);
}

void TFormFact1::addLine()
{
    InvoiceEditing::NewLine entry;
    entry.fecha = m_lineDate->date();
    entry.tipo = m_tipo->currentText();
    entry.titulo = m_titulo->text();
    entry.importe = m_importe->text();
    entry.criterio = m_feeRow->criterio();
    const InvoiceFeeRow::References references = m_feeRow->references();
    entry.fijo = references.fijo;
    entry.incremento = references.incremento;
    entry.reduccion = references.reduccion;
    entry.tabla = references.tabla;
    entry.porcentaje = references.porcentaje;
    if (!entry.fecha.isValid()) {
        ShowStandardError(m_context.prompter, QStringLiteral("\"%1\" no es una fecha válida.").arg(m_lineDate->text()));
        return;
    }
    if (!attempt([&] { m_editing.addLine(entry); }))
        return;
    showLines();
    m_grid->selectRow(m_model->rowCount() - 1);
    m_feeRow->reset();
    m_titulo->clear();
    m_importe->clear();
    m_lineDate->setFocus();
}

void TFormFact1::deleteLine()
{
    const int row = selectedRow();
    if (row >= 0 && m_context.prompter.askYesNo(QStringLiteral("¿Desea eliminar la línea seleccionada?"))) {
        if (attempt([&] { m_editing.deleteLine(row); }))
            showLines();
    }
    if (!m_invoiceGone)
        m_lineDate->setFocus();
}

void TFormFact1::modifyLine()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    TFormFacModHono dialog(m_context.prompter, m_editing, row, this);
    dialog.exec();
    if (attempt([&] {
            if (const auto line = dialog.modifiedLine())
                m_editing.storeLine(row, *line);
            m_editing.recalculateTotals();
        }))
        showLines();
}

void TFormFact1::pickClient()
{
    const int number = PickClient(m_context, m_nombre->text(), this);
    if (number == 0)
        return;
    const std::optional<Record> client = FindClient(m_context, number);
    if (!client)
        return;
    // A copied value is kept whole even where the box limits what is typed.
    const auto copy = [&](const char *field, QLineEdit *box) {
        const QString value = client->value(QLatin1String(field)).toString();
        box->setMaxLength(std::max(box->maxLength(), static_cast<int>(value.size())));
        box->setText(value);
    };
    copy("SNombreCli", m_nombre);
    copy("SDomicilioCli", m_domicilio);
    copy("SNifCli", m_nif);
    copy("SCodPostalCli", m_codPostal);
    copy("SPoblacionCli", m_poblacion);
    const QString provincia = client->value(QStringLiteral("SProvinciaCli")).toString();
    m_provincia->lineEdit()->setMaxLength(std::max(m_provincia->lineEdit()->maxLength(), static_cast<int>(provincia.size())));
    m_provincia->setCurrentText(provincia);
    m_editing.header().icodcli = number;
}

void TFormFact1::takeHeaderFields()
{
    InvoiceHeader &h = m_editing.header();
    h.ref = m_ref->text();
    h.nombreCliente = m_nombre->text();
    h.nif = m_nif->text();
    h.direccion = m_domicilio->text();
    h.poblacion = m_poblacion->text();
    h.codPostal = m_codPostal->text();
    h.provincia = m_provincia->currentText();
    h.notas = m_notas->toPlainText();
}

bool TFormFact1::storeOnClose(bool accepted)
{
    commitPendingRates();
    if (m_invoiceGone)
        return true;
    takeHeaderFields();
    const bool stored = attempt([this, accepted] { m_editing.close(accepted); });
    return stored || m_invoiceGone;
}

void TFormFact1::done(int result)
{
    if (!m_closed && !m_invoiceGone) {
        m_closing = true;
        const bool stored = storeOnClose(result == QDialog::Accepted);
        m_closing = false;
        if (!stored)
            return; // the header could not be stored: the window stays open to try again
    }
    m_closed = true;
    m_feeRow->release();
    QDialog::done(result);
}

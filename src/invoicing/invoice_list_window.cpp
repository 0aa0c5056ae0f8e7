#include "invoicing/invoice_list_window.h"

#include "invoicing/invoice_editor_window.h"
#include "invoicing/invoice_printouts.h"
#include "invoicing/invoice_list_model.h"
#include "invoicing/invoice_search.h"
#include "invoicing/invoice_search_window.h"
#include "invoicing/new_invoice_dialog.h"
#include "report/report_preview.h"
#include "store/app_context.h"
#include "store/lock_conflict.h"
#include "widgets/application.h"
#include "widgets/list_grid.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <optional>

TFormFact::TFormFact(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_model(new InvoiceListModel(context.store.database(Alias::Intereses), context.session.regionName, this))
    , m_grid(new QTableView(this))
{
    setObjectName(QStringLiteral("FormFact"));
    setWindowTitle(QStringLiteral("Facturas"));
    setMinimumSize(634, 420);
    setWindowState(Qt::WindowMaximized);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    SetUpListGrid(m_grid, m_model);
    connect(m_grid, &QTableView::doubleClicked, this, [this] { modifyInvoice(); });

    auto *buttons = new QHBoxLayout;
    const auto button = [this, buttons](const char *name, const QString &caption, void (TFormFact::*slot)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button("BitBtn1", QStringLiteral("&Altas"), &TFormFact::addInvoice);
    button("BitBtn2", QStringLiteral("&Modificar"), &TFormFact::modifyInvoice);
    button("BitBtn3", QStringLiteral("Ba&jas"), &TFormFact::deleteInvoice);
    button("BitBtn4", QStringLiteral("&Imprimir"), &TFormFact::printInvoice);
    button("BitBtn5", QStringLiteral("&Cobrar"), &TFormFact::collectInvoice);
    buttons->addSpacing(16);
    QPushButton *find = button("BitBtn6", QStringLiteral("   &B        "), &TFormFact::openSearch);
    // The text beside the button: clicking it presses the button.
    auto *findText = new QPushButton(QStringLiteral("B&uscar/ Listados"), this);
    findText->setObjectName(QStringLiteral("LabelBuscar"));
    findText->setFlat(true);
    findText->setAutoDefault(false);
    findText->setCursor(Qt::PointingHandCursor);
    connect(findText, &QPushButton::clicked, find, &QPushButton::click);
    buttons->addWidget(findText);
    buttons->addStretch();
    auto *close = new QPushButton(QStringLiteral("&Salir"), this);
    close->setObjectName(QStringLiteral("BitBtn8"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    if (m_model->rowCount() > 0)
        m_grid->setCurrentIndex(m_model->index(0, 0));
    m_grid->setFocus();
}

std::optional<InvoiceHeader> TFormFact::current() const
{
    return m_grid->currentIndex().isValid() ? m_model->invoiceAt(m_grid->currentIndex().row()) : std::nullopt;
}

void TFormFact::selectInvoice(const InvoiceKey &key)
{
    const int row = m_model->rowOf(key);
    if (row >= 0)
        m_grid->setCurrentIndex(m_model->index(row, 0));
}

std::optional<InvoiceKey> TFormFact::currentKey() const
{
    const auto invoice = current();
    return invoice ? std::optional<InvoiceKey>(invoice->key) : std::nullopt;
}

// The invoice acted on stays current when it is still there, else the same row does.
void TFormFact::reload(const std::optional<InvoiceKey> &keep)
{
    const int oldRow = m_grid->currentIndex().row();
    m_model->reload();
    int row = keep ? m_model->rowOf(*keep) : -1;
    if (row < 0)
        row = std::min(std::max(oldRow, 0), m_model->rowCount() - 1);
    if (row >= 0)
        m_grid->setCurrentIndex(m_model->index(row, 0));
}

void TFormFact::addInvoice()
{
    const auto keep = currentKey();
    OpenNewInvoice(m_context, this);
    reload(keep);
}

void TFormFact::modifyInvoice()
{
    const auto invoice = current();
    if (!invoice)
        return;
    if (invoice->cobrado && !m_context.prompter.askYesNo(kModifyCollectedQuestion, Prompter::Icon::Information))
        return;
    EditStoredInvoice(m_context, invoice->key, this);
    reload(invoice->key);
}

void TFormFact::deleteInvoice()
{
    const auto invoice = current();
    if (!invoice)
        return;
    const InvoiceKey key = invoice->key;
    const InvoiceIssuing issuing = InvoiceIssuing::ForInstallation(m_context.session.programDir, m_context.settings(),
                                                                   m_context.session.regionName);
    LockConflict(
        m_context.prompter, LockBeginning::Record,
        [&] {
            try {
                AskAndDeleteInvoice(m_context.store.database(Alias::Intereses), m_context.prompter, key,
                                    issuing.cancelHook());
            } catch (const RecordRefusal &refusal) {
                ShowStandardError(m_context.prompter, refusal.message());
            }
        },
        [] {}, true);
    reload(key);
}

void TFormFact::printInvoice()
{
    if (const auto invoice = current())
        PreviewStoredInvoice(m_context, invoice->key, this);
}

void TFormFact::collectInvoice()
{
    const auto invoice = current();
    if (!invoice)
        return;
    ToggleCollected(m_context.store.database(Alias::Intereses), m_context.prompter, invoice->key, QDate::currentDate());
    reload(invoice->key);
}

void TFormFact::openSearch()
{
    const auto keep = currentKey();
    TFormFacBus search(m_context, TFormFacBus::Mode::Normal, this);
    search.exec();
    reload(keep);
}

void EditStoredInvoice(AppContext &context, const InvoiceKey &key, QWidget *parent)
{
    std::optional<TFormFact1> editor;
    const bool opened = LockConflict(context.prompter, LockBeginning::Record,
                                     [&] { editor.emplace(context, key, parent); }, [] {}, true);
    if (opened && editor)
        editor->exec();
}

void PreviewStoredInvoice(AppContext &context, const InvoiceKey &key, QWidget *parent)
{
    const QSqlDatabase db = context.store.database(Alias::Intereses);
    QString qrUrl;
    try {
        // Printing issues the invoice: it never goes out without its QR code.
        qrUrl = InvoiceQrUrl(db, context.settings(),
                             InvoiceIssuing::ForInstallation(context.session.programDir, context.settings(),
                                                             context.session.regionName),
                             key);
    } catch (const RecordRefusal &refusal) {
        ShowStandardError(context.prompter, refusal.message());
        return;
    }
    const auto header = LoadInvoice(db, key);
    if (!header || qrUrl.isEmpty())
        return;
    const BandReport report = InvoiceReport(*header, LoadInvoiceLines(db, key),
                                            ReadInvoiceOffice(context.settings(), context.store.database(Alias::General)),
                                            context.session.regionName, qrUrl);
    PreviewReport(report.build(), report.geometry(), report.title(), parent);
}

void PreviewInvoiceList(AppContext &context, const std::vector<InvoiceHeader> &rows, QWidget *parent)
{
    const BandReport report = InvoiceListReport(rows, context.session.regionName, QDate::currentDate());
    PreviewReport(report.build(), report.geometry(), report.title(), parent);
}

void ShowInvoiceList(AppContext &context, QWidget *parent)
{
    TFormFact window(context, parent);
    window.exec();
}

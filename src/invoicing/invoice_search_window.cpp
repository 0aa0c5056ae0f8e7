#include "invoicing/invoice_search_window.h"

#include "clients/client_picker.h"
#include "invoicing/invoice_list_window.h"
#include "invoicing/invoice_result_window.h"
#include "store/app_context.h"
#include "widgets/date_box.h"
#include "widgets/wait_cursor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLineEdit *LowerCaseEdit(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
        const QString lower = text.toLower();
        if (lower != text) {
            const int at = edit->cursorPosition();
            edit->setText(lower);
            edit->setCursorPosition(at);
        }
    });
    return edit;
}

// Unchecking empties the text; typing checks the box.
void PairCheckAndText(QCheckBox *check, QLineEdit *edit)
{
    QObject::connect(edit, &QLineEdit::textEdited, check, [check] { check->setChecked(true); });
    QObject::connect(check, &QCheckBox::toggled, edit, [edit](bool on) {
        if (!on)
            edit->clear();
    });
}

// "Buscando Facturas...": shown while a long search runs, so a large file does not look hung.
class TFormExpMes final : public QDialog
{
public:
    explicit TFormExpMes(QWidget *parent)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    {
        setObjectName(QStringLiteral("FormExpMes"));
        setWindowTitle(QStringLiteral("Ostrana"));
        auto *label = new QLabel(QStringLiteral("Buscando Facturas. Espere por favor..."), this);
        label->setObjectName(QStringLiteral("Label1"));
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(24, 18, 24, 18);
        layout->addWidget(label);
        adjustSize();
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        show();
        repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
};

} // namespace

TFormFacBus::TFormFacBus(AppContext &context, Mode mode, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_mode(mode)
{
    setObjectName(QStringLiteral("FormFacBus"));
    setWindowTitle(QStringLiteral("Búsqueda de Facturas"));
    auto *grid = new QGridLayout;
    int row = 0;

    m_checkCli = new QCheckBox(QStringLiteral("Con Cliente"), this);
    m_checkCli->setObjectName(QStringLiteral("CheckCLI"));
    m_editCli = LowerCaseEdit(this, "EditCLI");
    auto *pick = new QToolButton(this);
    pick->setObjectName(QStringLiteral("BtnCLI"));
    pick->setText(QStringLiteral("..."));
    pick->setToolTip(QStringLiteral("Elegir el cliente"));
    connect(pick, &QToolButton::clicked, this, &TFormFacBus::chooseClient);
    PairCheckAndText(m_checkCli, m_editCli);
    // The typed text does not restrict; a new text forgets the client chosen before.
    connect(m_editCli, &QLineEdit::textEdited, this, [this] { m_cliente = 0; });
    connect(m_checkCli, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            m_cliente = 0;
    });
    grid->addWidget(m_checkCli, row, 0);
    grid->addWidget(m_editCli, row, 1, 1, 3);
    grid->addWidget(pick, row++, 4);

    m_checkNif = new QCheckBox(QStringLiteral("Con N.I.F./C.I.F"), this);
    m_checkNif->setObjectName(QStringLiteral("CheckNIF"));
    m_editNif = LowerCaseEdit(this, "EditNIF");
    PairCheckAndText(m_checkNif, m_editNif);
    grid->addWidget(m_checkNif, row, 0);
    grid->addWidget(m_editNif, row++, 1, 1, 3);

    m_checkRef = new QCheckBox(QStringLiteral("Ref. Factura"), this);
    m_checkRef->setObjectName(QStringLiteral("CheckREF"));
    m_editRef = LowerCaseEdit(this, "EditREF");
    PairCheckAndText(m_checkRef, m_editRef);
    grid->addWidget(m_checkRef, row, 0);
    grid->addWidget(m_editRef, row++, 1, 1, 3);

    m_checkTot = new QCheckBox(QStringLiteral("Desde Total Fact.: "), this);
    m_checkTot->setObjectName(QStringLiteral("chkTotFac"));
    m_desdeTot = new QLineEdit(QStringLiteral("0"), this);
    m_desdeTot->setObjectName(QStringLiteral("editDesdeTot"));
    m_hastaTot = new QLineEdit(QStringLiteral("0"), this);
    m_hastaTot->setObjectName(QStringLiteral("editHastaTot"));
    m_totError = new QLabel(this);
    m_totError->setObjectName(QStringLiteral("LabelTotError"));
    m_totError->setStyleSheet(QStringLiteral("color: #b00000"));
    for (QLineEdit *edit : {m_desdeTot, m_hastaTot}) {
        connect(edit, &QLineEdit::textEdited, m_checkTot, [this] { m_checkTot->setChecked(true); });
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { checkTotal(edit); });
    }
    grid->addWidget(m_checkTot, row, 0);
    grid->addWidget(m_desdeTot, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("hasta"), this), row, 2);
    grid->addWidget(m_hastaTot, row++, 3);
    grid->addWidget(m_totError, row++, 1, 1, 4);

    m_radioNumero = new QRadioButton(QStringLiteral("Desde Factura Núm:"), this);
    m_radioNumero->setObjectName(QStringLiteral("RadioNUMERO"));
    m_radioNumero->setChecked(true);
    m_numDesde = new QSpinBox(this);
    m_numDesde->setObjectName(QStringLiteral("RxNUMDESDE"));
    m_numHasta = new QSpinBox(this);
    m_numHasta->setObjectName(QStringLiteral("RxNUMHASTA"));
    for (QSpinBox *box : {m_numDesde, m_numHasta}) {
        box->setRange(0, kLastInvoiceNumber);
        connect(box, &QSpinBox::valueChanged, m_radioNumero, [this] { m_radioNumero->setChecked(true); });
    }
    m_numHasta->setValue(kLastInvoiceNumber);
    grid->addWidget(m_radioNumero, row, 0);
    grid->addWidget(m_numDesde, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("Hasta Factura:"), this), row, 2);
    grid->addWidget(m_numHasta, row++, 3);

    m_radioFecha = new QRadioButton(QStringLiteral("Desde Fecha Factura:"), this);
    m_radioFecha->setObjectName(QStringLiteral("RadioFECHA"));
    m_fechaDesde = new DateBox(this);
    m_fechaDesde->setObjectName(QStringLiteral("DateDESDE"));
    m_fechaHasta = new DateBox(this);
    m_fechaHasta->setObjectName(QStringLiteral("DateHASTA"));
    m_fechaDesde->setDate(QDate(1900, 1, 1));
    m_fechaHasta->setDate(QDate::currentDate());
    for (DateBox *box : {m_fechaDesde, m_fechaHasta}) {
        box->setPrompter(&context.prompter);
        connect(box->lineEdit(), &QLineEdit::textEdited, m_radioFecha, [this] { m_radioFecha->setChecked(true); });
        connect(box, &DateBox::dateChanged, m_radioFecha, [this] { m_radioFecha->setChecked(true); });
    }
    grid->addWidget(m_radioFecha, row, 0);
    grid->addWidget(m_fechaDesde, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("Hasta Fecha:"), this), row, 2);
    grid->addWidget(m_fechaHasta, row++, 3);
    auto *rangeGroup = new QButtonGroup(this);
    rangeGroup->addButton(m_radioNumero);
    rangeGroup->addButton(m_radioFecha);

    m_radioTodas = new QRadioButton(QStringLiteral("Todas las Fras."), this);
    m_radioTodas->setObjectName(QStringLiteral("RadioTODAS"));
    m_radioCobra = new QRadioButton(QStringLiteral("Fras. Cobradas"), this);
    m_radioCobra->setObjectName(QStringLiteral("RadioCOBRA"));
    m_radioNoCob = new QRadioButton(QStringLiteral("Fras. NO Cobradas"), this);
    m_radioNoCob->setObjectName(QStringLiteral("RadioNOCOB"));
    m_radioTodas->setChecked(true);
    auto *cobroGroup = new QButtonGroup(this);
    auto *cobroRow = new QHBoxLayout;
    for (QRadioButton *radio : {m_radioTodas, m_radioCobra, m_radioNoCob}) {
        cobroGroup->addButton(radio);
        cobroRow->addWidget(radio);
        connect(radio, &QRadioButton::toggled, this, [this] { updateCollectionRow(); });
    }
    grid->addLayout(cobroRow, row++, 0, 1, 5);

    m_checkCobro = new QCheckBox(QStringLiteral("Desde Fecha Cobro:"), this);
    m_checkCobro->setObjectName(QStringLiteral("CheckCOBRO"));
    m_cobroDesde = new DateBox(this);
    m_cobroDesde->setObjectName(QStringLiteral("DateDESDECOB"));
    m_cobroHasta = new DateBox(this);
    m_cobroHasta->setObjectName(QStringLiteral("DateHASTACOB"));
    m_cobroDesde->setDate(QDate(1900, 1, 1));
    m_cobroHasta->setDate(QDate::currentDate());
    m_cobroDesde->setPrompter(&context.prompter);
    m_cobroHasta->setPrompter(&context.prompter);
    connect(m_cobroHasta, &DateBox::dateChanged, m_checkCobro, [this] { m_checkCobro->setChecked(true); });
    grid->addWidget(m_checkCobro, row, 0);
    grid->addWidget(m_cobroDesde, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("Hasta Fecha:"), this), row, 2);
    grid->addWidget(m_cobroHasta, row++, 3);
    updateCollectionRow();

    auto *find = new QPushButton(QStringLiteral("&Buscar"), this);
    find->setObjectName(QStringLiteral("BitBtn3"));
    find->setDefault(true);
    connect(find, &QPushButton::clicked, this, [this] { search(); });
    auto *close = new QPushButton(QStringLiteral("&Salir"), this);
    close->setObjectName(QStringLiteral("BitBtn8"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(find);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void TFormFacBus::updateCollectionRow()
{
    const bool collected = m_radioCobra->isChecked();
    if (!collected)
        m_checkCobro->setChecked(false);
    for (QWidget *w : std::initializer_list<QWidget *>{m_checkCobro, m_cobroDesde, m_cobroHasta})
        w->setEnabled(collected);
}

void TFormFacBus::checkTotal(QLineEdit *edit)
{
    const bool desdeOk = ReadTotalBound(m_desdeTot->text()).has_value();
    const bool hastaOk = ReadTotalBound(m_hastaTot->text()).has_value();
    m_totError->setText(desdeOk && hastaOk ? QString() : kBadTotalMessage);
    (void)edit;
}

InvoiceSearchCriteria TFormFacBus::criteria() const
{
    InvoiceSearchCriteria c;
    if (m_checkCli->isChecked() && m_cliente > 0)
        c.cliente = m_cliente;
    if (m_checkNif->isChecked())
        c.nif = m_editNif->text();
    if (m_checkRef->isChecked())
        c.ref = m_editRef->text();
    c.byTotal = m_checkTot->isChecked();
    c.totalDesde = m_desdeTot->text();
    c.totalHasta = m_hastaTot->text();
    c.byNumber = m_radioNumero->isChecked();
    c.numeroDesde = m_numDesde->value();
    c.numeroHasta = m_numHasta->value();
    c.fechaDesde = m_fechaDesde->date();
    c.fechaHasta = m_fechaHasta->date();
    c.cobro = m_radioCobra->isChecked()   ? InvoiceSearchCriteria::Cobro::Cobradas
              : m_radioNoCob->isChecked() ? InvoiceSearchCriteria::Cobro::NoCobradas
                                          : InvoiceSearchCriteria::Cobro::Todas;
    c.byCollectionDate = c.cobro == InvoiceSearchCriteria::Cobro::Cobradas && m_checkCobro->isChecked();
    c.cobroDesde = m_cobroDesde->date();
    c.cobroHasta = m_cobroHasta->date();
    return c;
}

std::vector<InvoiceHeader> TFormFacBus::search()
{
    const InvoiceSearchCriteria c = criteria();
    if (const auto refusal = CheckSearch(c)) {
        switch (refusal->field) {
        case SearchRefusal::Field::NumeroDesde:
            m_context.prompter.inform(refusal->message);
            m_numDesde->setFocus();
            break;
        case SearchRefusal::Field::FechaDesde:
            m_context.prompter.inform(refusal->message);
            m_fechaDesde->setFocus();
            break;
        case SearchRefusal::Field::TotalDesde:
        case SearchRefusal::Field::TotalHasta: {
            // Said beside the field; the search does not run.
            m_totError->setText(refusal->message);
            QLineEdit *edit = refusal->field == SearchRefusal::Field::TotalDesde ? m_desdeTot : m_hastaTot;
            edit->setFocus();
            edit->selectAll();
            break;
        }
        }
        return {};
    }
    if (!c.fechaDesde.isValid() || !c.fechaHasta.isValid() || !c.cobroDesde.isValid() || !c.cobroHasta.isValid())
        return {};
    InvoiceSearchResult result;
    {
        const WaitCursor wait;
        const TFormExpMes waiting(this);
        result = SearchInvoices(m_context.store.database(Alias::Intereses), c);
    }
    if (result.rows.empty()) {
        m_context.prompter.inform(kNothingFoundMessage);
        return {};
    }
    std::vector<InvoiceHeader> rows = result.rows;
    if (m_mode == Mode::ListOnly) {
        PreviewInvoiceList(m_context, rows, this);
    } else {
        TFormFacRes window(m_context, std::move(result), this);
        window.exec();
    }
    return rows;
}

void TFormFacBus::chooseClient()
{
    const int number = PickClient(m_context, m_editCli->text(), this);
    if (number == 0)
        return;
    QString name = QString::number(number);
    if (const auto client = FindClient(m_context, number))
        name = client->value(QStringLiteral("SNombreCli")).toString();
    m_checkCli->setChecked(true);
    m_editCli->setText(name.toLower());
    m_cliente = number;
}

void ShowInvoiceListSearch(AppContext &context, QWidget *parent)
{
    TFormFacBus search(context, TFormFacBus::Mode::ListOnly, parent);
    search.exec();
}

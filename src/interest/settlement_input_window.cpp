#include "interest/settlement_input_window.h"

#include "interest/history_store_dialog.h"
#include "interest/history_window.h"
#include "interest/movements_grid.h"
#include "interest/number_edit.h"
#include "interest/periodic_movements_dialog.h"
#include "interest/print_settlement.h"
#include "interest/settlement_checks.h"
#include "interest/settlement_history.h"
#include "interest/settlement_view_window.h"
#include "interest/working_movements.h"
#include "interest/working_movements_model.h"
#include "store/app_context.h"
#include "widgets/date_box.h"
#include "widgets/money_box.h"
#include "widgets/wait_cursor.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <initializer_list>

namespace {

const int AgreedIndex = static_cast<int>(InterestType::Agreed);
const int EntriesPage = 1;

QPushButton *Button(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLabel *Label(const QString &text, const QString &name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

template<class T>
T *Named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QComboBox *TypeList(const QString &name, QWidget *parent)
{
    auto *combo = Named(new QComboBox(parent), name);
    combo->addItems(InterestTypeTexts());
    return combo;
}

DateBox *Date(const QString &name, Prompter &prompter, QWidget *parent)
{
    auto *box = Named(new DateBox(parent), name);
    box->setPrompter(&prompter);
    return box;
}

} // namespace

TFormInter::TFormInter(AppContext &context, QWidget *mainWindow)
    : QDialog(mainWindow)
    , m_context(context)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("FormInter"));
    setWindowTitle(QStringLiteral("Cuantix"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    resize(1000, 700); // when restored from maximised
    setWindowState(Qt::WindowMaximized);
    m_context.store.setCurrentKind(PaymentKind);

    buildControls();
    QWidget *pages = buildPages();

    auto *view = Button(QStringLiteral("&Ver Liquidación"), QStringLiteral("BtnVerLiquidacion"), this);
    view->setDefault(true);
    auto *recover = Button(QStringLiteral("&Recuperar Liquidación"), QStringLiteral("BtnRecuperar"), this);
    auto *fresh = Button(QStringLiteral("&Nueva Liquidación"), QStringLiteral("BtnNueva"), this);
    auto *close = Button(QStringLiteral("  &Salir"), QStringLiteral("BtnSalir"), this);
    connect(view, &QPushButton::clicked, this, &TFormInter::viewSettlement);
    connect(recover, &QPushButton::clicked, this, &TFormInter::recoverSettlement);
    connect(fresh, &QPushButton::clicked, this, &TFormInter::newSettlement);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(view);
    buttons->addWidget(recover);
    buttons->addWidget(fresh);
    buttons->addStretch();
    buttons->addWidget(close);

    auto *layout = qobject_cast<QVBoxLayout *>(this->layout());
    layout->addWidget(pages, 1);
    layout->addLayout(buttons);

    const QDate today = QDate::currentDate();
    m_moneda->setCurrentText(QStringLiteral("Eur"));
    m_desde1->setDate(today);
    m_hasta1->setDate(today.addDays(1));
    m_desde2->setDate(today.addDays(2));
    m_hasta2->setDate(today.addDays(2));
    m_perio->setChecked(true);
    applyTypeRule();
    applySecondPeriodRule();
    applyCompoundRule();
    m_capital->setFocus();
}

TFormInter::~TFormInter()
{
    try {
        m_context.store.emptyWorkingMovements();
    } catch (const AppError &) {
        // The connection is already gone: so are its private movements.
    }
}

void TFormInter::buildControls()
{
    Prompter &prompter = m_context.prompter;
    m_capital = Named(new MoneyBox(this), QStringLiteral("EditCAPITAL"));
    m_capital->setCheck(prompter, PrincipalRefusal);
    m_desde1 = Date(QStringLiteral("DateDESDE1"), prompter, this);
    m_hasta1 = Date(QStringLiteral("DateHASTA1"), prompter, this);
    m_tipo = TypeList(QStringLiteral("ComboTIPO"), this);
    m_interesLabel = Label(QStringLiteral("% Interés:"), QStringLiteral("LabelINTERES"), this);
    m_interes = Named(new NumberEdit(prompter, this), QStringLiteral("EditINTERES"));
    m_senten = Named(new QCheckBox(QStringLiteral("Con 2º Período"), this), QStringLiteral("CheckSENTEN"));
    m_desde2Label = Label(QStringLiteral("Desde Fecha:"), QStringLiteral("LabelDESDE2"), this);
    m_desde2 = Date(QStringLiteral("DateDESDE2"), prompter, this);
    m_hasta2Label = Label(QStringLiteral("Hasta Fecha:"), QStringLiteral("LabelHASTA2"), this);
    m_hasta2 = Date(QStringLiteral("DateHASTA2"), prompter, this);
    m_tipo2Label = Label(QStringLiteral("Tipo Interés:"), QStringLiteral("LabelTIPO2"), this);
    m_tipo2 = TypeList(QStringLiteral("ComboTIPO2"), this);
    m_interes2Label = Label(QStringLiteral("% Interés:"), QStringLiteral("LabelINTERES2"), this);
    m_interes2 = Named(new NumberEdit(prompter, this), QStringLiteral("EditINTERES2"));
    m_acumu = Named(new QCheckBox(QStringLiteral("Interés Acumulado"), this), QStringLiteral("CheckACUMU"));
    m_perio = Named(new QRadioButton(QStringLiteral("Cálculo por Períodos"), this), QStringLiteral("RadioPERIO"));
    m_detal = Named(new QRadioButton(QStringLiteral("Cálculo Detallado"), this), QStringLiteral("RadioDETAL"));
    m_descontar = Named(new QCheckBox(QStringLiteral("Imputación Pagos Parciales a Intereses"), this),
                        QStringLiteral("CheckDESCONTAR"));
    m_moneda = Named(new QComboBox(this), QStringLiteral("ComboMONEDA"));
    m_moneda->addItems({QStringLiteral("Eur"), QStringLiteral("Pta")});
    m_moneda->hide();

    m_interes->setText(QStringLiteral("0"));
    m_interes2->setText(QStringLiteral("0"));
    m_desde2->setEnabled(false);
    m_desde2->setReadOnly(true);
    auto *modes = new QButtonGroup(this);
    modes->addButton(m_perio);
    modes->addButton(m_detal);

    auto *grid = new QGridLayout;
    grid->addWidget(Label(QStringLiteral("Capital Inicial:"), QStringLiteral("LabelCAPITALINICIAL"), this), 0, 0);
    grid->addWidget(m_capital, 0, 1);
    grid->addWidget(Label(QStringLiteral("Desde Fecha:"), QStringLiteral("LabelDESDE1"), this), 1, 0);
    grid->addWidget(m_desde1, 1, 1);
    grid->addWidget(Label(QStringLiteral("Hasta Fecha:"), QStringLiteral("LabelHASTA1"), this), 1, 2);
    grid->addWidget(m_hasta1, 1, 3);
    grid->addWidget(Label(QStringLiteral("Tipo Interés:"), QStringLiteral("LabelTIPO"), this), 1, 4);
    grid->addWidget(m_tipo, 1, 5);
    grid->addWidget(m_interesLabel, 1, 6);
    grid->addWidget(m_interes, 1, 7);
    grid->addWidget(m_senten, 2, 0, 1, 2);
    grid->addWidget(m_desde2Label, 3, 0);
    grid->addWidget(m_desde2, 3, 1);
    grid->addWidget(m_hasta2Label, 3, 2);
    grid->addWidget(m_hasta2, 3, 3);
    grid->addWidget(m_tipo2Label, 3, 4);
    grid->addWidget(m_tipo2, 3, 5);
    grid->addWidget(m_interes2Label, 3, 6);
    grid->addWidget(m_interes2, 3, 7);
    grid->addWidget(m_acumu, 4, 0, 1, 2);
    grid->addWidget(m_perio, 4, 2, 1, 2);
    grid->addWidget(m_detal, 4, 4, 1, 2);
    grid->addWidget(m_descontar, 5, 0, 1, 4);
    grid->setColumnStretch(8, 1);
    // A hidden control keeps its place, so the window does not jump as they come and go.
    for (QWidget *w : std::initializer_list<QWidget *>{m_interesLabel, m_interes, m_desde2Label, m_desde2, m_hasta2Label,
                                                       m_hasta2, m_tipo2Label, m_tipo2, m_interes2Label, m_interes2,
                                                       m_perio, m_detal}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);

    connect(m_tipo, &QComboBox::currentIndexChanged, this, &TFormInter::applyTypeRule);
    connect(m_tipo2, &QComboBox::currentIndexChanged, this, &TFormInter::applyType2Rule);
    // Only the user's choice moves the focus to the agreed rate.
    connect(m_tipo, &QComboBox::activated, this, [this](int index) {
        if (index == AgreedIndex)
            m_interes->setFocus();
    });
    connect(m_tipo2, &QComboBox::activated, this, [this](int index) {
        if (index == AgreedIndex)
            m_interes2->setFocus();
    });
    connect(m_senten, &QCheckBox::toggled, this, &TFormInter::applySecondPeriodRule);
    connect(m_acumu, &QCheckBox::toggled, this, &TFormInter::applyCompoundRule);
    connect(m_hasta1, &DateBox::dateChanged, this, &TFormInter::onFirstEndChanged);
}

QWidget *TFormInter::buildPages()
{
    m_pages = Named(new QTabWidget(this), QStringLiteral("PageControl1"));
    m_payments = Named(new MovementsGrid(m_context, PaymentKind, QStringLiteral("Fecha Pago"), this), QStringLiteral("DBGrid2"));
    m_entries = Named(new MovementsGrid(m_context, EntryKind, QStringLiteral("Fecha Entrada"), this), QStringLiteral("DBGrid4"));

    const auto page = [this](MovementsGrid *grid, const QString &name, const std::array<QPushButton *, 4> &buttons) {
        auto *widget = Named(new QWidget(m_pages), name);
        auto *column = new QVBoxLayout;
        for (QPushButton *b : buttons)
            column->addWidget(b);
        column->addStretch();
        auto *layout = new QHBoxLayout(widget);
        layout->addWidget(grid, 1);
        layout->addLayout(column);
        return widget;
    };
    const std::array<QPushButton *, 4> payments = {
        Button(QStringLiteral("    &Alta Pago"), QStringLiteral("BtnAltaPago"), this),
        Button(QStringLiteral("&Pagos Periódicos"), QStringLiteral("BtnPagosPeriodicos"), this),
        Button(QStringLiteral("    &Baja Pago"), QStringLiteral("BtnBajaPago"), this),
        Button(QStringLiteral(" Eliminar &Todos"), QStringLiteral("BtnEliminarTodos"), this)};
    const std::array<QPushButton *, 4> entries = {
        Button(QStringLiteral("   &Alta Entrada"), QStringLiteral("BtnAltaEntrada"), this),
        Button(QStringLiteral("&Entrada Periódica"), QStringLiteral("BtnEntradaPeriodica"), this),
        Button(QStringLiteral("    &Baja Entrada"), QStringLiteral("BtnBajaEntrada"), this),
        Button(QStringLiteral("  Eliminar &Todas"), QStringLiteral("BtnEliminarTodas"), this)};
    for (const auto &set : {payments, entries}) {
        connect(set[0], &QPushButton::clicked, this, &TFormInter::addMovement);
        connect(set[1], &QPushButton::clicked, this, &TFormInter::addPeriodicMovements);
        connect(set[2], &QPushButton::clicked, this, &TFormInter::deleteMovement);
        connect(set[3], &QPushButton::clicked, this, &TFormInter::deleteAllMovements);
    }
    m_pages->addTab(page(m_payments, QStringLiteral("TabPAGOS"), payments), QStringLiteral("PAGOS"));
    m_pages->addTab(page(m_entries, QStringLiteral("TabENTRADAS"), entries), QStringLiteral("ENTRADAS"));
    connect(m_pages, &QTabWidget::currentChanged, this, &TFormInter::onPageChanged);
    return m_pages;
}

MovementsGrid *TFormInter::currentGrid() const
{
    return m_pages->currentIndex() == EntriesPage ? m_entries : m_payments;
}

SettlementInput TFormInter::input() const
{
    SettlementInput in;
    in.principal = m_capital->value();
    in.principalText = m_capital->displayText();
    in.start = m_desde1->date();
    in.end = m_hasta1->date();
    in.secondPeriod = m_senten->isChecked();
    in.secondEnd = m_hasta2->date();
    in.type1 = m_tipo->currentIndex();
    in.type2 = m_tipo2->currentIndex();
    in.agreedRate1 = m_interes->text();
    in.agreedRate2 = m_interes2->text();
    in.compound = m_acumu->isChecked();
    in.perPeriodRows = m_perio->isChecked();
    in.imputePayments = m_descontar->isChecked();
    in.currency = m_moneda->currentText();
    in.movements = LoadWorkingMovements(m_context.store.database(Alias::Devenix));
    return in;
}

void TFormInter::setInput(const SettlementInput &in)
{
    m_capital->setValue(in.principal);
    m_desde1->setDate(in.start);
    m_hasta1->setDate(in.end);
    m_desde2->setDate(in.end.addDays(1));
    m_hasta2->setDate(in.secondEnd);
    m_tipo->setCurrentIndex(in.type1);
    m_interes->setText(in.agreedRate1);
    m_tipo2->setCurrentIndex(in.type2);
    m_interes2->setText(in.agreedRate2);
    m_senten->setChecked(in.secondPeriod);
    m_acumu->setChecked(in.compound);
    (in.perPeriodRows ? m_perio : m_detal)->setChecked(true);
    m_descontar->setChecked(in.imputePayments);
    m_moneda->setCurrentText(in.currency == QLatin1String("Pta") ? QStringLiteral("Pta") : QStringLiteral("Eur"));
    applyTypeRule();
    applySecondPeriodRule();
    applyCompoundRule();

    m_payments->cancelPending();
    m_entries->cancelPending();
    ReplaceWorkingMovements(m_context.store.database(Alias::Devenix), in.movements);
    refreshGrids();
}

void TFormInter::applyStoredSettlement(const StoredSettlement &stored)
{
    m_payments->cancelPending();
    m_entries->cancelPending();
    setInput(ReloadedInput(stored, input()));
    if (stored.conSentencia && stored.desde2.isValid())
        m_desde2->setDate(stored.desde2);
    m_caseNumber = stored.header.numAsunto;
    m_caseDescription = stored.header.descripcion;
}

SettlementHeading TFormInter::heading() const
{
    SettlementHeading heading;
    heading.caseNumber = m_caseNumber;
    heading.description = m_caseDescription;
    return heading;
}

bool TFormInter::hasMovements() const
{
    return m_payments->hasPending() || m_entries->hasPending()
           || !LoadWorkingMovements(m_context.store.database(Alias::Devenix)).empty();
}

void TFormInter::reject()
{
    if (hasMovements()
        && !m_context.prompter.askYesNo(QStringLiteral("¿Desea salir y descartar los pagos y entradas introducidos?")))
        return;
    QDialog::reject();
}

void TFormInter::keyPressEvent(QKeyEvent *event)
{
    // "  &Salir" is no cancel button: Escape must not throw away the movements being prepared.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormInter::applyTypeRule()
{
    const bool agreed = m_tipo->currentIndex() == AgreedIndex;
    m_interesLabel->setVisible(agreed);
    m_interes->setVisible(agreed);
}

void TFormInter::applyType2Rule()
{
    const bool agreed = m_senten->isChecked() && m_tipo2->currentIndex() == AgreedIndex;
    m_interes2Label->setVisible(agreed);
    m_interes2->setVisible(agreed);
}

void TFormInter::applySecondPeriodRule()
{
    const bool on = m_senten->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{m_desde2Label, m_desde2, m_hasta2Label, m_hasta2, m_tipo2Label, m_tipo2})
        w->setVisible(on);
    applyType2Rule();
}

void TFormInter::applyCompoundRule()
{
    m_perio->setVisible(m_acumu->isChecked());
    m_detal->setVisible(m_acumu->isChecked());
}

void TFormInter::onFirstEndChanged(const QDate &end)
{
    const QDate start2 = end.addDays(1);
    m_desde2->setDate(start2);
    if (!m_hasta2->date().isValid() || start2 > m_hasta2->date())
        m_hasta2->setDate(start2);
}

void TFormInter::onPageChanged(int page)
{
    MovementsGrid *left = m_shownPage == EntriesPage ? m_entries : m_payments;
    if (page != m_shownPage && !left->postPending()) {
        // The row refused stays for correction, on its own page.
        const QSignalBlocker block(m_pages);
        m_pages->setCurrentIndex(m_shownPage);
        return;
    }
    m_shownPage = page;
    m_context.store.setCurrentKind(page == EntriesPage ? EntryKind : PaymentKind);
}

bool TFormInter::settleEdits()
{
    QWidget *focus = QApplication::focusWidget();
    if (focus == m_capital && !m_capital->commitText())
        return false;
    for (NumberEdit *edit : {m_interes, m_interes2}) {
        if (focus == edit && !edit->validate())
            return false;
    }
    for (DateBox *box : {m_desde1, m_hasta1, m_hasta2}) {
        if (focus && box->isAncestorOf(focus) && !box->validate())
            return false;
    }
    return m_payments->postPending() && m_entries->postPending();
}

void TFormInter::refreshGrids()
{
    m_payments->refresh();
    m_entries->refresh();
}

void TFormInter::addMovement()
{
    currentGrid()->appendMovement();
}

void TFormInter::addPeriodicMovements()
{
    MovementsGrid *grid = currentGrid();
    if (!grid->postPending())
        return;
    TFormPagPer dialog(m_context, grid->movements()->kind(), this);
    dialog.exec();
    refreshGrids();
}

void TFormInter::deleteMovement()
{
    MovementsGrid *grid = currentGrid();
    if (grid->movements()->rowCount() == 0)
        return;
    if (!grid->currentIsNew() && !grid->postPending())
        return;
    if (grid->movements()->rowCount() == 0 || !grid->currentIndex().isValid())
        return;
    if (!m_context.prompter.askYesNo(QStringLiteral("¿Desea eliminar el importe seleccionado?"), Prompter::Icon::Information))
        return;
    grid->deleteCurrent();
}

void TFormInter::deleteAllMovements()
{
    MovementsGrid *grid = currentGrid();
    if (grid->movements()->rowCount() == 0)
        return;
    if (!m_context.prompter.askYesNo(QStringLiteral("¿Desea eliminar todos los importes introducidos?")))
        return;
    grid->cancelPending();
    {
        const WaitCursor wait;
        DeleteWorkingMovementsOfKind(m_context.store.database(Alias::Devenix), grid->movements()->kind());
    }
    grid->refresh();
}

void TFormInter::viewSettlement()
{
    if (!settleEdits())
        return;
    const SettlementInput in = input();
    // A settlement recovered from an older history may hold what is no longer typed.
    if (const auto refusal = SettlementInputRefusal(in)) {
        m_context.prompter.inform(*refusal);
        if (PrincipalRefusal(in.principal))
            m_capital->setFocus();
        return;
    }
    if (const auto refusal = CheckSettlementDates(in)) {
        m_context.prompter.inform(refusal->message);
        if (auto *box = findChild<DateBox *>(refusal->focus))
            box->setFocus();
        return;
    }
    SettlementViewActions actions;
    actions.store = [](TFormInterVi &view) {
        StoreSettlementInHistory(view.context(), &view, view.settlementInput(), view.settlementResult());
    };
    actions.print = [heading = heading()](TFormInterVi &view) {
        PrintSettlement(view.context(), &view, view.settlementInput(), view.settlementResult(), heading);
    };
    ViewSettlement(m_context, m_mainWindow ? m_mainWindow.data() : this, in, actions);
}

void TFormInter::recoverSettlement()
{
    if (!settleEdits())
        return;
    TFormHis history(m_context, this, [this](const StoredSettlement &stored) { applyStoredSettlement(stored); });
    history.exec();
}

void TFormInter::newSettlement()
{
    if (!m_context.prompter.askYesNo(QStringLiteral("¿Desea realizar una nueva Cuantix?")))
        return;
    m_payments->cancelPending();
    m_entries->cancelPending();
    m_context.store.emptyWorkingMovements();
    refreshGrids();
    m_caseNumber.clear();
    m_caseDescription.clear();
    const QDate today = QDate::currentDate();
    m_desde1->setDate(today);
    m_desde2->setDate(today.addDays(1));
    m_hasta1->setDate(today);
    m_hasta2->setDate(today.addDays(1));
    m_tipo->setCurrentIndex(0);
    m_tipo2->setCurrentIndex(0);
    m_senten->setChecked(false);
    m_acumu->setChecked(false);
    applyTypeRule();
    applySecondPeriodRule();
    applyCompoundRule();
    m_capital->setValue(0.0);
    m_interes->setText(QStringLiteral("0"));
    m_interes2->setText(QStringLiteral("0"));
    m_capital->setFocus();
}

void OpenSettlementInput(AppContext &context, QWidget *mainWindow)
{
    TFormInter window(context, mainWindow);
    window.exec();
}

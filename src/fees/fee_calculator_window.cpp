#include "fees/fee_calculator_window.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "fees/criterion_select_dialog.h"
#include "fees/fee_engine.h"
#include "fees/vary_references_dialog.h"
#include "store/app_context.h"

#include <QClipboard>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace {

QLineEdit *Field(const QString &name, bool readOnly, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    if (readOnly)
        edit->setFocusPolicy(Qt::ClickFocus);
    return edit;
}

QLineEdit *Reference(const QString &name, QWidget *parent)
{
    QLineEdit *edit = Field(name, true, parent);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000,00%")) + 12);
    return edit;
}

QToolButton *SmallButton(const QString &name, const QString &tip, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(QStringLiteral("..."));
    button->setToolTip(tip);
    return button;
}

} // namespace

TformCopyDescripcion::TformCopyDescripcion(AppContext &context, FeeEngine &engine, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_engine(engine)
    , m_criterio(Field(QStringLiteral("tbxCriterio"), true, this))
    , m_amount(Field(QStringLiteral("RxCalcLibre"), false, this))
    , m_plus(new QLabel(QStringLiteral("+"), this))
    , m_fijo(Reference(QStringLiteral("tbxFijo"), this))
    , m_incremento(Reference(QStringLiteral("tbxIncremento"), this))
    , m_reduccion(Reference(QStringLiteral("tbxReduccion"), this))
    , m_tabla(Reference(QStringLiteral("tbxTabla"), this))
    , m_porcentaje(Reference(QStringLiteral("tbxPorcentaje"), this))
    , m_minimo(Field(QStringLiteral("Edit1"), true, this))
    , m_maximo(Field(QStringLiteral("Edit2"), true, this))
    , m_titulo(Field(QStringLiteral("tbxTitulo"), false, this))
    , m_importe(Field(QStringLiteral("tbxImporte"), false, this))
{
    setObjectName(QStringLiteral("formCopyDescripcion"));
    setWindowTitle(QStringLiteral("Calculo de Honorarios"));
    m_plus->setObjectName(QStringLiteral("Label17"));
    m_amount->setMaxLength(12);
    m_amount->setMinimumWidth(m_amount->fontMetrics().horizontalAdvance(QStringLiteral("0000000000000")) + 12);
    m_amount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_amount->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*[.,]?[0-9]*")), m_amount));
    m_importe->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_criterio->installEventFilter(this);
    m_amount->installEventFilter(this);

    auto *select = SmallButton(QStringLiteral("BitBtn1"), QStringLiteral("Seleccionar el criterio"), this);
    connect(select, &QToolButton::clicked, this, &TformCopyDescripcion::selectCriterion);
    connect(m_amount, &QLineEdit::textEdited, this, &TformCopyDescripcion::amountEdited);

    auto *criterionRow = new QHBoxLayout;
    criterionRow->addWidget(new QLabel(QStringLiteral("Criterio"), this));
    criterionRow->addWidget(m_criterio, 1);
    criterionRow->addWidget(select);

    // The formula row: Cuantía + Fijo + Incremento − Reducción ± Tabla ± Porcentaje.
    auto *formula = new QGridLayout;
    const struct
    {
        const char *label;
        QLineEdit *edit;
        const char *sign;
    } columns[] = {{"Cuantía", m_amount, nullptr},  {"Fijo", m_fijo, "+"},   {"Incremento", m_incremento, "-"},
                   {"Reducción", m_reduccion, "±"}, {"Tabla", m_tabla, "±"}, {"Porcentaje", m_porcentaje, nullptr}};
    int column = 0;
    for (const auto &c : columns) {
        formula->addWidget(new QLabel(QString::fromUtf8(c.label), this), 1, column);
        formula->addWidget(c.edit, 2, column);
        ++column;
        if (c.edit == m_amount) {
            formula->addWidget(m_plus, 2, column++);
        } else if (c.sign) {
            formula->addWidget(new QLabel(QString::fromUtf8(c.sign), this), 2, column++);
        }
    }
    const char *const varyNames[] = {"BitBtn3", "BitBtn4", "BitBtn5"};
    int varyColumn = 2;
    for (const char *name : varyNames) {
        auto *vary = SmallButton(QLatin1String(name), QStringLiteral("Variar las referencias"), this);
        connect(vary, &QToolButton::clicked, this, &TformCopyDescripcion::varyReferences);
        formula->addWidget(vary, 0, varyColumn, Qt::AlignHCenter);
        varyColumn += 2;
    }

    auto *limits = new QHBoxLayout;
    limits->addWidget(new QLabel(QStringLiteral("Importe Mínimo"), this));
    limits->addWidget(m_minimo);
    limits->addWidget(new QLabel(QStringLiteral("Importe Máximo"), this));
    limits->addWidget(m_maximo);
    limits->addStretch();

    auto *result = new QGridLayout;
    result->addWidget(new QLabel(QStringLiteral("Descripción"), this), 0, 0);
    result->addWidget(m_titulo, 0, 1);
    result->addWidget(new QLabel(QStringLiteral("Importe"), this), 1, 0);
    result->addWidget(m_importe, 1, 1, Qt::AlignLeft);

    auto *accept = new QPushButton(QStringLiteral("Aceptar"), this);
    accept->setObjectName(QStringLiteral("BitBtn6"));
    auto *leave = new QPushButton(QStringLiteral("Salir"), this);
    leave->setObjectName(QStringLiteral("BitBtn2"));
    connect(accept, &QPushButton::clicked, this, &TformCopyDescripcion::copyAndClose);
    connect(leave, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(accept);
    buttons->addWidget(leave);

    // The calculation of an earlier window goes on here (its references can be varied before a
    // selection); a module that cannot be read is reported by the selection.
    try {
        m_engine.loadModule(m_context.store.database(Alias::Modulo), m_context.session.moduleDir,
                            m_context.session.regionIPC);
    } catch (const AppError &) {
    }

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(criterionRow);
    layout->addLayout(formula);
    layout->addLayout(limits);
    layout->addLayout(result);
    layout->addStretch();
    layout->addLayout(buttons);
}

bool TformCopyDescripcion::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_criterio) {
        // The first click of a double click has already opened the selection.
        if (event->type() == QEvent::MouseButtonDblClick)
            return true;
        if (event->type() == QEvent::MouseButtonRelease) {
            selectCriterion();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) {
                selectCriterion();
                return true;
            }
        }
    } else if (watched == m_amount) {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (!key->text().isEmpty() && key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab
                && key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && key->key() != Qt::Key_Escape)
                criterionMissing();
        } else if (event->type() == QEvent::FocusOut) {
            m_engine.checkAmountLimits();
            mirror();
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TformCopyDescripcion::criterionMissing()
{
    if (!m_titulo->text().isEmpty())
        return false;
    m_context.prompter.inform(QStringLiteral("Debe seleccionar antes un criterio."));
    return true;
}

void TformCopyDescripcion::selectCriterion()
{
    try {
        m_engine.loadModule(m_context.store.database(Alias::Modulo), m_context.session.moduleDir,
                            m_context.session.regionIPC);
    } catch (const AppError &e) {
        m_context.prompter.error(e.message());
        return;
    }
    m_engine.setConcept(FeeEngine::FeeConcept());
    m_engine.selectCriterion([this] { return TformHonoSelect::Choose(m_engine.modulo(), this); });
    m_minimo->setText(FormatGeneral(m_engine.calculation().minLibre));
    m_maximo->setText(FormatGeneral(m_engine.calculation().maxLibre));
    mirror();
    m_amount->setFocus();
}

void TformCopyDescripcion::amountEdited(const QString &text)
{
    if (criterionMissing())
        return;
    m_engine.setAmountText(text);
    mirror();
}

void TformCopyDescripcion::varyReferences()
{
    m_engine.varyReferences([this] {
        TFormVarRef dialog(m_engine, m_context.prompter, this);
        dialog.exec();
    });
    mirror();
}

void TformCopyDescripcion::mirror()
{
    const FeeEngine::Fields &f = m_engine.fields();
    m_titulo->setText(f.titulo);
    m_importe->setText(f.importe);
    m_criterio->setText(f.criterio);
    if (m_amount->text() != f.amount)
        m_amount->setText(f.amount);
    m_fijo->setText(f.fijo);
    m_incremento->setText(f.incremento);
    m_reduccion->setText(f.reduccion);
    m_tabla->setText(f.tabla);
    m_porcentaje->setText(f.porcentaje);
    m_plus->setVisible(f.label17Visible);
}

QString TformCopyDescripcion::clipboardText() const
{
    return m_titulo->text() + QLatin1Char('|') + m_importe->text();
}

void TformCopyDescripcion::done(int result)
{
    m_engine.releaseModule();
    QDialog::done(result);
}

void TformCopyDescripcion::copyAndClose()
{
    QGuiApplication::clipboard()->setText(clipboardText());
    accept();
}

void ShowFeeCalculator(AppContext &context, QWidget *parent)
{
    // The calculation of one window carries over to the next: the engine lives for the run.
    static std::unique_ptr<FeeEngine> engine;
    static const Prompter *owner = nullptr;
    if (!engine || owner != &context.prompter) {
        engine = std::make_unique<FeeEngine>(context.prompter);
        owner = &context.prompter;
    }
    TformCopyDescripcion window(context, *engine, parent);
    window.exec();
}

#include "invoicing/invoice_fee_row.h"

#include "core/errors.h"
#include "fees/criterion_select_dialog.h"
#include "fees/vary_references_dialog.h"
#include "store/app_context.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>

namespace {

QLineEdit *Box(QWidget *parent, const char *name, bool readOnly)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(readOnly);
    if (readOnly) {
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    return edit;
}

QToolButton *SmallButton(QWidget *parent, const char *name, const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(QStringLiteral("..."));
    button->setToolTip(tip);
    return button;
}

} // namespace

InvoiceFeeRow::InvoiceFeeRow(AppContext &context, QComboBox *tipo, QLineEdit *importe, QLineEdit *titulo,
                             QWidget *parent)
    : QGroupBox(QStringLiteral("Según Criterios Honorarios"), parent)
    , m_context(context)
    , m_engine(context.prompter)
    , m_shown(m_engine.fields())
    , m_tipo(tipo)
    , m_importe(importe)
    , m_titulo(titulo)
    , m_criterio(Box(this, "tbxCriterio", true))
    , m_amount(Box(this, "RxCalcLibre", false))
    , m_plus(new QLabel(QStringLiteral("+"), this))
    , m_fijo(Box(this, "tbxFijo", true))
    , m_incremento(Box(this, "tbxIncremento", true))
    , m_reduccion(Box(this, "tbxReduccion", true))
    , m_tabla(Box(this, "tbxTabla", true))
    , m_porcentaje(Box(this, "tbxPorcentaje", true))
{
    setObjectName(QStringLiteral("Criterios"));
    m_criterio->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_criterio->installEventFilter(this);
    m_amount->setMaxLength(12);
    m_amount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_amount->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*[.,]?[0-9]*")), m_amount));
    m_amount->installEventFilter(this);
    m_plus->setObjectName(QStringLiteral("Label17"));

    auto *select = SmallButton(this, "BitBtn5", QStringLiteral("Seleccionar el criterio"));
    connect(select, &QToolButton::clicked, this, &InvoiceFeeRow::selectCriterion);
    connect(m_amount, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_engine.setAmountText(text);
        mirror();
    });
    connect(m_amount, &QLineEdit::returnPressed, this, &InvoiceFeeRow::amountEntered);

    // Criterio [..]  Cuantía + Fijo + Incremento - Reducción ± ( Tabla ) ± Porcentaje
    auto *grid = new QGridLayout(this);
    int column = 0;
    const auto add = [&](const QString &caption, QWidget *box) {
        grid->addWidget(new QLabel(caption, this), 1, column);
        grid->addWidget(box, 2, column++);
    };
    const auto sign = [&](QLabel *label) { grid->addWidget(label, 2, column++); };
    add(QStringLiteral("Criterio"), m_criterio);
    grid->addWidget(select, 2, column++);
    add(QStringLiteral("Cuantía"), m_amount);
    sign(m_plus);
    const int fijoColumn = column;
    add(QStringLiteral("Fijo"), m_fijo);
    sign(new QLabel(QStringLiteral("+"), this));
    const int incrementoColumn = column;
    add(QStringLiteral("Incremento"), m_incremento);
    sign(new QLabel(QStringLiteral("-"), this));
    const int reduccionColumn = column;
    add(QStringLiteral("Reducción"), m_reduccion);
    sign(new QLabel(QStringLiteral("± ("), this));
    add(QStringLiteral("Tabla"), m_tabla);
    sign(new QLabel(QStringLiteral(") ±"), this));
    add(QStringLiteral("Porcentaje"), m_porcentaje);
    const struct
    {
        const char *name;
        int column;
    } vary[] = {{"BitBtn6", fijoColumn}, {"BitBtn7", incrementoColumn}, {"BitBtn8", reduccionColumn}};
    for (const auto &v : vary) {
        auto *button = SmallButton(this, v.name, QStringLiteral("Variar las referencias"));
        connect(button, &QToolButton::clicked, this, &InvoiceFeeRow::varyReferences);
        grid->addWidget(button, 0, v.column, Qt::AlignHCenter);
    }
    grid->setColumnStretch(0, 1);
    mirror();
    // The module is read when the editor opens; one that cannot be read is told at the first
    // selection.
    moduleLoaded(false);
}

bool InvoiceFeeRow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_criterio) {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick) {
            selectCriterion();
            return true;
        }
        if (type == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key != Qt::Key_Tab && key != Qt::Key_Backtab) {
                selectCriterion();
                return true;
            }
        }
    } else if (watched == m_amount && event->type() == QEvent::FocusOut) {
        m_engine.checkAmountLimits();
    }
    return QGroupBox::eventFilter(watched, event);
}

bool InvoiceFeeRow::moduleLoaded(bool report)
{
    if (m_loaded)
        return true;
    try {
        m_engine.loadModule(m_context.store.database(Alias::Modulo), m_context.session.moduleDir,
                            m_context.session.regionIPC);
    } catch (const AppError &e) {
        if (report)
            m_context.prompter.error(e.message());
        return false;
    }
    m_loaded = true;
    return true;
}

void InvoiceFeeRow::selectCriterion()
{
    m_engine.setConcept(m_tipo->currentText());
    if (m_engine.lineConcept() == FeeEngine::FeeConcept() && !moduleLoaded())
        return;
    m_engine.selectCriterion([this] { return TformHonoSelect::Choose(m_engine.modulo(), window()); });
    mirror();
    m_amount->setFocus();
}

void InvoiceFeeRow::varyReferences()
{
    m_engine.varyReferences([this] {
        TFormVarRef dialog(m_engine, m_context.prompter, window());
        dialog.exec();
    });
    mirror();
}

void InvoiceFeeRow::recalculate()
{
    if (m_engine.calculation().calcMode == 0)
        return; // no criterion: nothing to work out, a typed amount stays
    m_engine.recalculate();
    mirror();
}

InvoiceFeeRow::References InvoiceFeeRow::references() const
{
    const FeeCalculation &c = m_engine.calculation();
    if (c.calcMode == 0)
        return {};
    return {c.fijo, c.incremento, c.reduccion, c.tableNo, c.porcentaje};
}

QString InvoiceFeeRow::criterio() const
{
    return m_criterio->text();
}

void InvoiceFeeRow::reset()
{
    m_engine.addLine();
    mirror();
}

void InvoiceFeeRow::mirror()
{
    const FeeEngine::Fields &f = m_engine.fields();
    const auto copy = [](const QString &now, QString &shown, QLineEdit *box) {
        if (now != shown) {
            shown = now;
            box->setText(now);
        }
    };
    copy(f.criterio, m_shown.criterio, m_criterio);
    copy(f.importe, m_shown.importe, m_importe);
    copy(f.titulo, m_shown.titulo, m_titulo);
    copy(f.fijo, m_shown.fijo, m_fijo);
    copy(f.incremento, m_shown.incremento, m_incremento);
    copy(f.reduccion, m_shown.reduccion, m_reduccion);
    copy(f.tabla, m_shown.tabla, m_tabla);
    copy(f.porcentaje, m_shown.porcentaje, m_porcentaje);
    if (m_amount->text() != f.amount)
        m_amount->setText(f.amount);
    m_plus->setVisible(f.label17Visible);
}

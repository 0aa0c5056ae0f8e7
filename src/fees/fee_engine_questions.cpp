// The modes that offer a choice between the criterion's fixed sum and its percentage, scale or
// table, the limit warnings, the varied references and the hand-over to the invoice line.
#include "fees/fee_engine.h"

#include "core/amount_limit.h"
#include "core/errors.h"
#include "core/number_text.h"
#include "fees/criteria.h"

namespace {

QString G(double value)
{
    return FormatGeneral(value);
}

} // namespace

// The No answers of Q3, Q6 and Q7 move the fixed sum into the amount field and leave F at 0;
// that of Q1 keeps F, so later runs add it to the amount.
FeeEngine::Outcome FeeEngine::questionMode(double &x, double &r)
{
    FeeCalculation &c = m_calc;
    switch (c.calcMode) {
    case 21120: // Q1
        if (!once())
            break;
        if (ask(QStringLiteral("Esta cuantía puede calcularse utilizando el importe fijo o un porcentaje,"),
                QStringLiteral("¿Desea Aplicar el Porcentaje?"))) {
            hint(QStringLiteral("Cuantía!"), QStringLiteral("Calcularé el ") + G(c.porcentaje) + QLatin1Char('%'));
            c.calcMode = 11120;
            c.fijo = 0;
        } else {
            hintRecommended();
            c.calcMode = 21110;
            c.porcentaje = 0;
            r = x + c.fijo;
        }
        break;
    case 21121: // Q2, then the calculation at every run in this mode
        if (once()) {
            if (ask(QStringLiteral("Esta cuantía puede calcularse por escala o utilizar la cantidad recomendada"),
                    QStringLiteral("¿Desea Aplicar la Escala?"))) {
                c.scaleChoice = 1;
                hint(QStringLiteral("Cuantía!"), QStringLiteral("Calcularé el ") + G(c.porcentaje)
                                                     + QStringLiteral("% de la Escala sobre el importe de esta cuantía"));
                m_fields.label17Visible = false;
            } else {
                c.scaleChoice = 2;
                hintRecommended();
                c.calcMode = 11110;
                setAmountFromRun(c.fijo);
                x = c.fijo;
                c.porcentaje = 0;
            }
        }
        c.fijo = 0;
        if (c.scaleChoice == 1)
            r = scaleAmount(x) * c.porcentaje / 100;
        else
            r = x;
        break;
    case 21210: // Q3
        if (!once())
            break;
        if (ask(QStringLiteral("Esta cuantía puede calcularse utilizando el importe fijo o una Reducción,"),
                QStringLiteral("¿Desea Aplicar la Reducción?"))) {
            hint(QStringLiteral("Cuantía!"), QStringLiteral("Reducire el ") + G(c.reduccion) + QStringLiteral("% a la cuantia"));
            c.calcMode = 11210;
            c.fijo = 0;
        } else {
            hintRecommended();
            c.calcMode = 21110;
            setAmountFromRun(c.fijo);
            c.reduccion = 0;
            r = ParseAmount(m_fields.amount);
            c.fijo = 0;
        }
        break;
    case 21211: // Q4
        if (!once())
            break;
        if (ask(QStringLiteral("Esta cuantía puede calcularse por escala con Reducción o utilizar la cantidad recomendada"),
                QStringLiteral("¿Desea Aplicar la Escala?"))) {
            c.fijo = 0;
            c.calcMode = 11211;
            m_fields.label17Visible = false;
            return Outcome::Restart;
        }
        c.reduccion = 0;
        hintRecommended();
        c.calcMode = 11110;
        setAmountFromRun(c.fijo);
        c.porcentaje = 0;
        r = c.fijo;
        c.fijo = 0;
        break;
    case 21223: // Q5, at every run in this mode; Yes applies the fixed sum
        if (ask(QStringLiteral("Esta cuantía puede calcularse utilizando el importe fijo de ") + G(c.fijo)
                    + QStringLiteral(" € o la tabla al ") + G(c.porcentaje) + QStringLiteral(" % con una reducción del ")
                    + G(c.reduccion) + QStringLiteral(" %,"),
                QStringLiteral("¿Desea Aplicar la cuantía fija?"))) {
            c.reduccion = 0;
            c.porcentaje = 0;
            r = c.fijo;
            c.calcMode = 11110;
            setAmountFromRun(c.fijo);
            break;
        }
        c.fijo = 0;
        c.calcMode = 11223;
        return Outcome::Restart;
    case 22110: // Q6
        if (!once())
            break;
        if (ask(QStringLiteral("Esta cuantía puede calcularse utilizando el importe fijo o un incremento,"),
                QStringLiteral("¿Desea Aplicar el Incremento?"))) {
            hint(QStringLiteral("Cuantía!"), QStringLiteral("Incrementaré el ") + G(c.incremento) + QStringLiteral("% a la cuantia"));
            c.calcMode = 12110;
            c.fijo = 0;
        } else {
            hintRecommended();
            c.calcMode = 21110;
            setAmountFromRun(c.fijo);
            c.incremento = 0;
            r = c.fijo;
            c.fijo = 0;
        }
        break;
    case 22111: // Q7
        if (!once())
            break;
        if (ask(QStringLiteral("Esta cuantía puede calcularse por escala con incremento o se puede utilizar la cantidad recomendada"),
                QStringLiteral("¿Desea Aplicar la Escala con Incremento?"))) {
            c.fijo = 0;
            c.calcMode = 12111;
            m_fields.label17Visible = false;
            return Outcome::Restart;
        }
        c.incremento = 0;
        hintRecommended();
        c.calcMode = 11110;
        setAmountFromRun(c.fijo);
        c.porcentaje = 0;
        r = c.fijo;
        c.fijo = 0;
        break;
    default:
        r = x;
        break;
    }
    return Outcome::Done;
}

void FeeEngine::checkAmountLimits()
{
    if (m_fields.amount.isEmpty())
        return;
    double a = 0.0;
    try {
        a = ParseAmount(m_fields.amount);
    } catch (const AppError &) {
        return; // the run has already reported the text
    }
    if (a < m_calc.minLibre && m_calc.minLibre != 0.0)
        hint(QStringLiteral("Atención!"),
             QStringLiteral("La cantidad introducida esta por debajo de los ") + G(m_calc.minLibre) + QStringLiteral(" € permitido!"),
             HintTarget::Amount, Prompter::Icon::Warning);
    if (a > m_calc.maxLibre && m_calc.maxLibre != 0.0)
        hint(QStringLiteral("Atención!"),
             QStringLiteral("La cantidad introducida esta por encima de los ") + G(m_calc.maxLibre) + QStringLiteral(" € permitido!"),
             HintTarget::Amount, Prompter::Icon::Warning);
}

void FeeEngine::varyReferences(const std::function<void()> &showDialog)
{
    if (m_calc.calcMode == 0) {
        m_prompter.inform(QStringLiteral("No se puede seleccionar las referencias de un criterío sin seleccionar"));
        return;
    }
    showDialog();
    recalculate();
}

bool FeeEngine::acceptReferences(const ReferenceTexts &texts)
{
    const double fijo = ParseReference(texts.fijo);
    const double incremento = ParseReference(texts.incremento);
    const double reduccion = ParseReference(texts.reduccion);
    const double porcentaje = ParseReference(texts.porcentaje);
    CheckAmountInRange(fijo);

    float minPorcentaje = 0.0f;
    float maxPorcentaje = 0.0f;
    double minLibre = 0.0;
    double maxLibre = 0.0;
    bool isNumber = false;
    const int id = m_calc.criterionId.toInt(&isNumber);
    if (isNumber) {
        if (const std::optional<Criterion> criterion = FindCriterion(m_modulo, id)) {
            minPorcentaje = static_cast<float>(criterion->minPorcentaje);
            maxPorcentaje = static_cast<float>(criterion->maxPorcentaje);
            minLibre = criterion->minLibre;
            maxLibre = criterion->maxLibre;
        }
    }
    const auto confirm = [this](const QString &limit) {
        return m_prompter.message(limit + QStringLiteral("\n¿Desea cambiarlo igualmente?"), Prompter::Icon::Information,
                                  Prompter::Buttons::YesNo)
               == Prompter::Answer::Yes;
    };
    if (porcentaje < minPorcentaje && minPorcentaje != 0.0f
        && !confirm(QStringLiteral("El porcentaje minimo permitido es ") + G(minPorcentaje) + QLatin1Char('%')))
        return false;
    if (maxPorcentaje != 0.0f && porcentaje > maxPorcentaje
        && !confirm(QStringLiteral("El porcentaje maximo permitido es ") + G(maxPorcentaje) + QLatin1Char('%')))
        return false;
    if (fijo < minLibre && m_calc.fijo != 0.0 && !confirm(QStringLiteral("El Fijo minimo permitido es ") + G(minLibre)))
        return false;
    if (maxLibre > 0.0 && fijo > maxLibre && m_calc.fijo != 0.0
        && !confirm(QStringLiteral("El Fijo maximo permitido es ") + G(maxLibre)))
        return false;
    m_calc.fijo = fijo;
    m_calc.incremento = static_cast<float>(incremento);
    m_calc.reduccion = static_cast<float>(reduccion);
    m_calc.porcentaje = static_cast<float>(porcentaje);
    return true;
}

FeeEngine::Line FeeEngine::addLine()
{
    Line line;
    line.criterio = m_fields.criterio;
    line.titulo = m_fields.titulo;
    line.subTotal = ParseSpanishNumber(m_fields.importe).value_or(0.0);
    line.fijo = m_calc.fijo;
    line.incremento = m_calc.incremento;
    line.reduccion = m_calc.reduccion;
    line.tabla = m_calc.tableNo;
    line.porcentaje = m_calc.porcentaje;

    m_fields.criterio.clear();
    m_fields.importe.clear();
    m_fields.titulo.clear();
    m_calc.criterionCode.clear();
    m_calc.fijo = 0.0;
    m_calc.incremento = 0.0f;
    m_calc.reduccion = 0.0f;
    m_calc.tableNo = 0;
    m_calc.porcentaje = 0.0f;
    m_calc.calcMode = 0;
    m_calc.tableAmount = 0.0;
    m_calc.scaleChoice = 0;
    m_calc.minLibre = 0.0;
    m_calc.maxLibre = 0.0;
    const QString zero = FormatUpTo2Decimals(0.0);
    if (m_fields.amount != zero)
        setAmountText(zero);
    m_fields.label17Visible = true;
    return line;
}

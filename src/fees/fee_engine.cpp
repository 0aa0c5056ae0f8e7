#include "fees/fee_engine.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "fees/criteria.h"
#include "fees/point_value.h"

namespace {

QString G(double value)
{
    return FormatGeneral(value);
}

} // namespace

FeeEngine::FeeEngine(Prompter &prompter)
    : m_prompter(prompter)
{
}

void FeeEngine::loadModule(const QSqlDatabase &modulo, const QString &moduleDir, float regionIPC)
{
    QuestionFile questions = QuestionFile::Load(moduleDir);
    const double pointValue = PointValueOrZero(moduleDir);
    m_modulo = modulo;
    m_lookups.clear();
    m_questionFile = std::move(questions);
    m_calc.pointValue = pointValue;
    m_calc.regionIPC = regionIPC;
}

void FeeEngine::selectCriterion(const CriterionChooser &choose)
{
    if (m_concept != FeeConcept()) {
        m_prompter.inform(QStringLiteral("No existen criterios para el tipo ") + m_concept);
        return;
    }
    try {
        if (const std::optional<int> id = choose()) {
            const std::optional<Criterion> criterion = FindCriterion(m_modulo, *id);
            if (!criterion)
                throw AppError(QStringLiteral("No existe el criterio %1 en el módulo de la región.").arg(*id));
            loadCriterion(*criterion);
            adjustFixed();
        } else {
            m_calc.selectionCancelled = true;
        }
    } catch (const AppError &e) {
        showFailure(e.message());
        return;
    }
    recalculate();
}

void FeeEngine::loadCriterion(const Criterion &c)
{
    m_fields.label17Visible = true;
    m_calc.criterionId = QString::number(c.id);
    m_calc.criterionCode = c.criterios;
    m_fields.titulo = c.titulo;
    m_calc.fijo = c.fijo;
    m_calc.minLibre = c.minLibre;
    m_calc.maxLibre = c.maxLibre;
    m_calc.incremento = static_cast<float>(c.incremento);
    m_calc.reduccion = static_cast<float>(c.reduccion);
    m_calc.porcentaje = static_cast<float>(c.porcentaje);
    m_hintMark = 0;
    m_calc.tableNo = c.tabla;
    m_fields.criterio = c.criterios.isEmpty() ? m_calc.criterionId : c.criterios;
    const std::optional<TableRegisterRow> table = FindTableRow(m_modulo, c.tabla);
    m_calc.tableKind = table ? table->directivas : 0;
    m_calc.extraFijo = table ? table->extraFijo : 0.0;
    m_calc.extraPorc = table ? static_cast<float>(table->extraPorc) : 0.0f;
    m_calc.selectionCancelled = false;
    m_calc.calcMode = BuildCalcMode(m_calc);
}

void FeeEngine::adjustFixed()
{
    if (m_calc.pointValue != 0.0)
        m_calc.fijo = m_calc.fijo * m_calc.pointValue;
    if (m_calc.regionIPC != 0.0f)
        m_calc.fijo = m_calc.fijo + m_calc.fijo * m_calc.regionIPC / 100;
}

void FeeEngine::setAmountText(const QString &text)
{
    m_fields.amount = text;
    recalculate();
}

void FeeEngine::recalculate()
{
    try {
        run();
    } catch (const AppError &e) {
        showFailure(e.message());
    }
}

void FeeEngine::showFailure(const QString &message)
{
    m_prompter.error(message);
}

// One run; a mode that starts the run again loops here, so the interrupted run writes nothing.
void FeeEngine::run()
{
    for (;;) {
        m_calc.tableAmount = 0.0;
        double r = 0.0;
        const double x = ParseAmount(m_fields.amount);
        if (runMode(x, r) == Outcome::Restart)
            continue;
        m_fields.importe = FormatUpTo2Decimals(r);
        if (m_concept == FeeConcept())
            showReferences();
        return;
    }
}

void FeeEngine::showReferences()
{
    m_fields.fijo = G(m_calc.fijo);
    m_fields.incremento = G(m_calc.incremento) + QLatin1Char('%');
    m_fields.reduccion = G(m_calc.reduccion) + QLatin1Char('%');
    m_fields.tabla = G(m_calc.tableAmount);
    m_fields.porcentaje = G(m_calc.porcentaje) + QLatin1Char('%');
}

// Setting the amount field raises its change notification: a nested run in the mode already
// changed, which completes before the run that set the field goes on. Like an edit control,
// the same text again notifies nothing.
void FeeEngine::setAmountFromRun(double value)
{
    const QString text = FormatUpTo2Decimals(value);
    if (text == m_fields.amount)
        return;
    m_fields.amount = text;
    run();
}

bool FeeEngine::once()
{
    if (m_hintMark == m_calc.calcMode)
        return false;
    m_hintMark = m_calc.calcMode;
    return true;
}

void FeeEngine::hint(const QString &title, const QString &text, HintTarget target, Prompter::Icon icon)
{
    m_hints.push_back({title, text, icon, target});
    m_prompter.hint(title, text, icon);
}

// "Hint A": the fixed sum becomes the amount.
void FeeEngine::hintRecommended()
{
    hint(QStringLiteral("Cuantía!"), QStringLiteral("Aplicaré ") + G(m_calc.fijo) + QStringLiteral(" € como la cantidad recomendada"));
}

bool FeeEngine::ask(const QString &first, const QString &second)
{
    return m_prompter.message(first + QStringLiteral("\n\n") + second, Prompter::Icon::Information,
                              Prompter::Buttons::YesNo)
           == Prompter::Answer::Yes;
}

// T = S + E(S); the scale's bracket is shown in the reference fields until they are refreshed.
double FeeEngine::scaleAmount(double x)
{
    const ScaleResult s = m_lookups.cumulativeScale(m_modulo, m_calc.tableNo, x);
    m_fields.porcentaje = G(s.porcentaje);
    m_fields.fijo = G(s.desde);
    m_fields.tabla = G(s.acumulado);
    m_calc.tableAmount = s.fee + TableExtra(m_calc.extraPorc, m_calc.extraFijo, s.fee);
    return m_calc.tableAmount;
}

// T = x·p/100 + E(p): the extra is taken of the bracket's percentage itself.
double FeeEngine::bracketAmount(double x)
{
    const double p = m_lookups.bracketLookup(m_modulo, m_calc.tableNo, QStringLiteral("Desde"), QStringLiteral("Hasta"),
                                   QStringLiteral("Porcentaje"), x);
    m_calc.tableAmount = x * p / 100 + TableExtra(m_calc.extraPorc, m_calc.extraFijo, p);
    return m_calc.tableAmount;
}

double FeeEngine::questionAmount()
{
    if (!m_questionFile)
        throw AppError(QStringLiteral("No se ha cargado el archivo tablas.xml del módulo de la región."));
    const double q = QuestionTable(m_modulo, *m_questionFile, m_calc.tableNo, m_prompter);
    m_calc.tableAmount = q + TableExtra(m_calc.extraPorc, m_calc.extraFijo, q);
    return m_calc.tableAmount;
}

// A case table leads to another table of the module: its kind and extras replace the
// criterion's, and the run starts again in the mode that kind gives.
FeeEngine::Outcome FeeEngine::caseTable(qint32 base)
{
    const int reached = ChooseCase(m_modulo, m_calc.tableNo, m_prompter);
    const std::optional<TableRegisterRow> row = FindTableRow(m_modulo, reached);
    m_calc.extraFijo = row ? row->extraFijo : 0.0;
    m_calc.extraPorc = row ? static_cast<float>(row->extraPorc) : 0.0f;
    m_calc.tableNo = reached;
    m_calc.calcMode = base + (row ? row->directivas : 0);
    return Outcome::Restart;
}

FeeEngine::Outcome FeeEngine::runMode(double x, double &r)
{
    FeeCalculation &c = m_calc;
    const double F = c.fijo;
    const float I = c.incremento;
    const float R = c.reduccion;
    const float P = c.porcentaje;
    switch (c.calcMode) {
    case 11111:
        r = scaleAmount(x);
        if (once())
            hint(QStringLiteral("Cuantia!"), QStringLiteral("Calcularé el valor de la escala sobre el importe de esta cuantia "));
        break;
    case 11113:
        r = bracketAmount(x);
        m_fields.label17Visible = false;
        if (once())
            hint(QStringLiteral("Cuantía!"), QStringLiteral("Calcularé la cantidad según la tabla"));
        break;
    case 11114:
    case 12114: {
        const double T = questionAmount();
        r = c.calcMode == 11114 ? T : T * I / 100 + T;
        hint(QStringLiteral("Autocálculo!"),
             c.calcMode == 11114 ? QStringLiteral("Honorario calculado según la Tabla!")
                                 : QStringLiteral("Honorario con Incremento calculado según la Tabla!"),
             HintTarget::Fee);
        c.calcMode = 11110;
        setAmountFromRun(r);
        break;
    }
    case 11116:
        return caseTable(11110);
    case 11126:
        return caseTable(11120);
    case 11120:
        r = x * P / 100;
        if (once())
            hint(QStringLiteral("Autocalculo!"), QStringLiteral("Calcularé el ") + G(P) + QStringLiteral("% sobre esta cuantia!"));
        break;
    case 11121:
        r = scaleAmount(x) * P / 100;
        if (once())
            hint(QStringLiteral("Cuantia!"),
                 QStringLiteral("Calcularé el ") + G(P) + QStringLiteral("% de la Escala sobre el importe de esta cuantia"));
        break;
    case 11123:
        r = bracketAmount(x) * P / 100;
        m_fields.label17Visible = false;
        if (once())
            hint(QStringLiteral("Cuantía!"), QStringLiteral("Calcularé el ") + G(P) + QStringLiteral("% sobre el resultado de la tabla"));
        break;
    case 11210:
        r = x - x * R / 100;
        if (once())
            hint(QStringLiteral("Autocalculo!"),
                 QStringLiteral("Calcularé el ") + G(R) + QStringLiteral("% de Reducción sobre esta cuantia!"));
        break;
    case 11211: {
        const double T = scaleAmount(x);
        r = T - T * R / 100;
        m_fields.label17Visible = false;
        if (once())
            hint(QStringLiteral("Cuantia!"), QStringLiteral("Calcularé una Reducción del ") + G(R)
                                                 + QStringLiteral("% sobre el calculo de la Escala basada en esta cuantia"));
        break;
    }
    case 11223: {
        const double T = bracketAmount(x);
        r = T * P / 100 - T * P / 100 * R / 100;
        if (once())
            hint(QStringLiteral("Cuantía!"), QStringLiteral("Calcularé el ") + G(P) + QStringLiteral("% con un ") + G(R)
                                                 + QStringLiteral("% de reducción sobre el resultado de la tabla"));
        break;
    }
    case 12110:
        r = x * I / 100 + x;
        if (once())
            hint(QStringLiteral("Autocalculo!"),
                 QStringLiteral("Calcularé el ") + G(I) + QStringLiteral("% de Incremento sobre esta cuantia!"));
        break;
    case 12111: {
        const double T = scaleAmount(x);
        r = T * I / 100 + T;
        m_fields.label17Visible = false;
        if (once())
            hint(QStringLiteral("Cuantia!"), QStringLiteral("Calcularé un Incremento del ") + G(I)
                                                 + QStringLiteral("% sobre el calculo de la Escala basada en esta cuantia"));
        break;
    }
    case 12123: {
        const double T = bracketAmount(x);
        r = T * P / 100 + T * P / 100 * I / 100;
        if (once())
            hint(QStringLiteral("Cuantía!"), QStringLiteral("Calcularé el ") + G(P) + QStringLiteral("% con un ") + G(I)
                                                 + QStringLiteral("% de incremento sobre el resultado de la tabla"));
        break;
    }
    case 21110:
        r = x + F;
        break;
    case 21111:
        c.porcentaje = 100;
        c.calcMode = 21121;
        return Outcome::Restart;
    case 21120:
    case 21121:
    case 21210:
    case 21211:
    case 21223:
    case 22110:
    case 22111: {
        double amount = x; // Q2's No makes the fixed sum the amount of this run
        return questionMode(amount, r);
    }
    default: // no criterion, nothing set, or a combination no rule covers: the amount
        r = x;
        break;
    }
    return Outcome::Done;
}

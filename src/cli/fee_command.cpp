// devenix-cli honorario: the fee engine without a display, driven by a list of steps read as
// JSON, with the user's answers given beforehand.
#include "cli/cli.h"

#include "core/errors.h"
#include "core/ini_file.h"
#include "core/number_text.h"
#include "fees/criteria.h"
#include "fees/fee_engine.h"
#include "fees/region_modules.h"
#include "store/data_store.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Input that does not fit the contract: exit status 2, nothing on standard output.
struct BadInput
{
    QString message;
};

QString StepLabel(int step)
{
    return QStringLiteral("Paso %1").arg(step);
}

// The user of one run: answers from the list given, in order; records what was asked and shown.
class AnswerList final : public Prompter
{
public:
    explicit AnswerList(QStringList answers)
        : m_answers(std::move(answers))
    {
    }

    void beginStep(int step)
    {
        m_step = step;
        m_questions = {};
        m_messages = {};
    }
    QJsonArray questions() const { return m_questions; }
    QJsonArray messages() const { return m_messages; }
    void record(const QString &message) { m_messages.append(message); }

    Answer message(const QString &text, Icon, Buttons buttons, const QString &) override
    {
        if (buttons == Buttons::Ok) {
            m_messages.append(text);
            return Answer::Ok;
        }
        const QString answer = next(text);
        const QString folded = answer.trimmed().toLower();
        bool yes = false;
        if (folded == QStringLiteral("sí") || folded == QLatin1String("si"))
            yes = true;
        else if (folded != QLatin1String("no"))
            throw BadInput{StepLabel(m_step) + QStringLiteral(": la respuesta «%1» no vale para la pregunta «%2»; se espera "
                                                              "«Sí» o «No».").arg(answer, OneLine(text))};
        m_questions.append(QJsonObject{{QStringLiteral("Texto"), text},
                                       {QStringLiteral("Respuesta"), yes ? QStringLiteral("Sí") : QStringLiteral("No")}});
        return yes ? Answer::Yes : Answer::No;
    }

    std::optional<QString> askText(const QString &, const QString &prompt, const QString &) override
    {
        const QString answer = next(prompt);
        QString typed = answer.trimmed();
        typed.replace(QLatin1Char('.'), QLatin1Char(','));
        if (!ParseSpanishNumber(typed))
            throw BadInput{StepLabel(m_step) + QStringLiteral(": la respuesta «%1» no es un número para la pregunta «%2».")
                                                   .arg(answer, OneLine(prompt))};
        m_questions.append(QJsonObject{{QStringLiteral("Texto"), prompt}, {QStringLiteral("Respuesta"), answer}});
        return answer;
    }

    std::optional<int> choose(const QString &title, const QString &, const QStringList &options, int) override
    {
        const QString answer = next(title);
        const auto chosen = options.indexOf(answer);
        if (chosen < 0)
            throw BadInput{StepLabel(m_step) + QStringLiteral(": la respuesta «%1» no es ninguna de las opciones de «%2»: %3.")
                                                   .arg(answer, title, options.join(QStringLiteral(", ")))};
        m_questions.append(QJsonObject{{QStringLiteral("Texto"), title},
                                       {QStringLiteral("Opciones"), QJsonArray::fromStringList(options)},
                                       {QStringLiteral("Respuesta"), answer}});
        return static_cast<int>(chosen);
    }

    void hint(const QString &, const QString &, Icon) override {} // the engine reports where each one points
    QString openFile(const FileRequest &) override { return {}; }
    QString saveFile(const FileRequest &) override { return {}; }
    QString chooseDirectory(const QString &, const QString &) override { return {}; }

private:
    static QString OneLine(QString text) { return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified(); }

    QString next(const QString &question)
    {
        if (m_used >= m_answers.size())
            throw BadInput{StepLabel(m_step) + QStringLiteral(": no quedan respuestas para «%1».").arg(OneLine(question))};
        return m_answers.at(m_used++);
    }

    QStringList m_answers;
    qsizetype m_used = 0;
    int m_step = 0;
    QJsonArray m_questions;
    QJsonArray m_messages;
};

// A text or a number of the input as text (numbers in the general format, decimal comma).
std::optional<QString> TextOf(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return FormatGeneral(value.toDouble());
    return std::nullopt;
}

std::optional<int> WholeNumber(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (d == static_cast<double>(static_cast<int>(d)))
            return static_cast<int>(d);
        return std::nullopt;
    }
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok);
    return value.isString() && ok ? std::optional<int>(n) : std::nullopt;
}

struct Step
{
    QString kind;
    QJsonValue value;
};

const QStringList &VaryKeys()
{
    static const QStringList keys = {QStringLiteral("Fijo"), QStringLiteral("Incremento"), QStringLiteral("Reduccion"),
                                     QStringLiteral("Porcentaje")};
    return keys;
}

// The steps' shape, checked before anything runs.
std::vector<Step> ReadSteps(const QJsonObject &input, const QSqlDatabase &modulo)
{
    const QJsonValue pasos = input.value(QStringLiteral("Pasos"));
    if (!pasos.isArray())
        throw BadInput{QStringLiteral("Falta la lista «Pasos» de la entrada.")};
    std::vector<Step> steps;
    int number = 0;
    for (const QJsonValue &entry : pasos.toArray()) {
        ++number;
        const QString label = StepLabel(number);
        const QJsonObject object = entry.toObject();
        if (!entry.isObject() || object.size() != 1)
            throw BadInput{label + QStringLiteral(": cada paso es un objeto con una sola clave.")};
        const Step step{object.begin().key(), object.begin().value()};
        if (step.kind == QLatin1String("Cuantia")) {
            if (!TextOf(step.value))
                throw BadInput{label + QStringLiteral(": «Cuantia» debe ser un texto o un número.")};
        } else if (step.kind == QLatin1String("Seleccionar")) {
            const auto id = WholeNumber(step.value);
            if (!id)
                throw BadInput{label + QStringLiteral(": «Seleccionar» debe ser el Id de un criterio.")};
            if (!FindCriterion(modulo, *id))
                throw BadInput{label + QStringLiteral(": no existe el criterio %1 en el módulo de la región.").arg(*id)};
        } else if (step.kind == QLatin1String("Variar")) {
            const QJsonObject values = step.value.toObject();
            if (!step.value.isObject())
                throw BadInput{label + QStringLiteral(": «Variar» debe ser un objeto con Fijo, Incremento, Reduccion y Porcentaje.")};
            for (auto it = values.begin(); it != values.end(); ++it) {
                if (!VaryKeys().contains(it.key()))
                    throw BadInput{label + QStringLiteral(": «Variar» no tiene la referencia «%1».").arg(it.key())};
                if (!it.value().isDouble())
                    throw BadInput{label + QStringLiteral(": la referencia «%1» debe ser un número.").arg(it.key())};
            }
        } else if (step.kind == QLatin1String("Cancelar") || step.kind == QLatin1String("SalirCuantia")
                   || step.kind == QLatin1String("Anadir")) {
            if (step.value != QJsonValue(true))
                throw BadInput{label + QStringLiteral(": «%1» debe valer true.").arg(step.kind)};
        } else {
            throw BadInput{label + QStringLiteral(": tipo de paso desconocido «%1».").arg(step.kind)};
        }
        steps.push_back(step);
    }
    return steps;
}

QStringList ReadAnswers(const QJsonObject &input)
{
    const QJsonValue value = input.value(QStringLiteral("Respuestas"));
    if (value.isUndefined())
        return {};
    if (!value.isArray())
        throw BadInput{QStringLiteral("«Respuestas» debe ser una lista de textos.")};
    QStringList answers;
    for (const QJsonValue &v : value.toArray()) {
        const auto text = TextOf(v);
        if (!text)
            throw BadInput{QStringLiteral("«Respuestas» debe ser una lista de textos.")};
        answers.append(*text);
    }
    return answers;
}

RegionRow ChooseRegion(const QJsonObject &input, const QSqlDatabase &general, const QString &dir)
{
    const QJsonValue value = input.value(QStringLiteral("Region"));
    std::optional<RegionRow> region;
    QString asked;
    if (value.isUndefined()) {
        const QString id = IniFile(dir + QStringLiteral("/Devenix.ini")).readString(QStringLiteral("INICIO"), QStringLiteral("REGION"));
        region = RegionOrFirst(general, id.trimmed());
        if (!region)
            throw AppError(QStringLiteral("La instalación no tiene ninguna región."));
        return *region;
    }
    if (const auto id = WholeNumber(value)) {
        asked = QString::number(*id);
        region = FindRegionById(general, asked);
    }
    if (!region && value.isString()) {
        asked = value.toString();
        region = FindRegionByName(general, asked.trimmed());
    }
    if (!region)
        throw BadInput{QStringLiteral("No existe la región «%1».").arg(asked.isEmpty() ? QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact)) : asked)};
    return *region;
}

QString ConceptOf(const QJsonObject &input)
{
    const QJsonValue value = input.value(QStringLiteral("Concepto"));
    if (value.isUndefined())
        return FeeEngine::FeeConcept();
    const QString text = value.toString();
    if (text != QLatin1String("Honorario") && text != QLatin1String("Provision") && text != QLatin1String("Suplido"))
        throw BadInput{QStringLiteral("«Concepto» debe ser Honorario, Provision o Suplido.")};
    return text;
}

void Vary(FeeEngine &engine, AnswerList &answers, const QJsonObject &values)
{
    engine.varyReferences([&] {
        const FeeCalculation &c = engine.calculation();
        const double current[] = {c.fijo, c.incremento, c.reduccion, c.porcentaje};
        QString texts[4];
        for (int i = 0; i < 4; ++i) {
            const QJsonValue given = values.value(VaryKeys().at(i));
            // An edit whose digit of the mode is 1 is disabled: its value cannot be varied.
            const bool editable = CalcModeDigitSet(c.calcMode, i + 1);
            texts[i] = FormatGeneral(editable && given.isDouble() ? given.toDouble() : current[i]);
        }
        try {
            engine.acceptReferences({texts[0], texts[1], texts[2], texts[3]}); // a No leaves with "Cancelar"
        } catch (const AppError &e) {
            answers.record(e.message());
        }
    });
}

QJsonObject LineObject(const FeeEngine::Line &line)
{
    return {{QStringLiteral("Criterio"), line.criterio},
            {QStringLiteral("Titulo"), line.titulo},
            {QStringLiteral("SubTotal"), line.subTotal},
            {QStringLiteral("Fijo"), line.fijo},
            {QStringLiteral("Incremento"), static_cast<double>(line.incremento)},
            {QStringLiteral("Reduccion"), static_cast<double>(line.reduccion)},
            {QStringLiteral("Tabla"), line.tabla},
            {QStringLiteral("Porcentaje"), static_cast<double>(line.porcentaje)}};
}

QJsonArray HintsArray(const std::vector<FeeEngine::Hint> &hints)
{
    QJsonArray out;
    for (const FeeEngine::Hint &h : hints) {
        out.append(QJsonObject{
            {QStringLiteral("Titulo"), h.title},
            {QStringLiteral("Texto"), h.text},
            {QStringLiteral("Icono"), h.icon == Prompter::Icon::Warning ? QStringLiteral("Advertencia") : QStringLiteral("Información")},
            {QStringLiteral("En"), h.target == FeeEngine::HintTarget::Fee ? QStringLiteral("Importe") : QStringLiteral("Cuantia")}});
    }
    return out;
}

QJsonObject RunStep(FeeEngine &engine, AnswerList &answers, const Step &step)
{
    engine.clearHints();
    QJsonObject out{{QStringLiteral("Paso"), step.kind}};
    if (step.kind == QLatin1String("Cuantia")) {
        engine.setAmountText(*TextOf(step.value));
    } else if (step.kind == QLatin1String("Seleccionar")) {
        const int id = *WholeNumber(step.value);
        engine.selectCriterion([id] { return std::optional<int>(id); });
    } else if (step.kind == QLatin1String("Cancelar")) {
        engine.selectCriterion([] { return std::optional<int>(); });
    } else if (step.kind == QLatin1String("Variar")) {
        Vary(engine, answers, step.value.toObject());
    } else if (step.kind == QLatin1String("SalirCuantia")) {
        engine.checkAmountLimits();
    } else if (step.kind == QLatin1String("Anadir")) {
        out.insert(QStringLiteral("Linea"), LineObject(engine.addLine()));
    }
    const FeeEngine::Fields &f = engine.fields();
    out.insert(QStringLiteral("Importe"), f.importe);
    out.insert(QStringLiteral("Cuantia"), f.amount);
    out.insert(QStringLiteral("Fijo"), f.fijo);
    out.insert(QStringLiteral("Incremento"), f.incremento);
    out.insert(QStringLiteral("Reduccion"), f.reduccion);
    out.insert(QStringLiteral("Tabla"), f.tabla);
    out.insert(QStringLiteral("Porcentaje"), f.porcentaje);
    out.insert(QStringLiteral("CalcMode"), engine.calculation().calcMode);
    out.insert(QStringLiteral("Pistas"), HintsArray(engine.hintsShown()));
    out.insert(QStringLiteral("Preguntas"), answers.questions());
    out.insert(QStringLiteral("Mensajes"), answers.messages());
    return out;
}

QByteArray RunFeeSteps(const QString &dir, const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw BadInput{QStringLiteral("La entrada no es un objeto JSON válido (error en la posición %1).").arg(error.offset)};
    const QJsonObject input = document.object();
    const QString lineConcept = ConceptOf(input);
    AnswerList answers(ReadAnswers(input));

    DataStore store(QStringLiteral("cli-"));
    store.setPath(Alias::General, dir + QStringLiteral("/Datos"));
    // On a server there is no data file: connecting says what is missing.
    if (!store.engine(Alias::General).isServer() && !QFileInfo::exists(store.filePath(Alias::General)))
        throw AppError(QStringLiteral("No hay una instalación de Cuantix en \"%1\": falta la carpeta Datos. "
                                      "Indique la carpeta con --instalacion.").arg(dir));
    store.connect(Alias::General);
    const RegionRow region = ChooseRegion(input, store.database(Alias::General), dir);
    const QString moduleDir = ModuleDirFor(dir, region);
    store.openModule(moduleDir);
    const std::vector<Step> steps = ReadSteps(input, store.database(Alias::Modulo));

    FeeEngine engine(answers);
    engine.loadModule(store.database(Alias::Modulo), moduleDir, static_cast<float>(region.ipc));
    engine.setConcept(lineConcept);
    QJsonArray results;
    int number = 0;
    for (const Step &step : steps) {
        answers.beginStep(++number);
        results.append(RunStep(engine, answers, step));
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("Pasos"), results}}).toJson(QJsonDocument::Indented);
}

} // namespace

int RunFeeCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    QString dir;
    try {
        dir = InstallationDir(args);
    } catch (const AppError &e) {
        io.err(e.message() + QLatin1Char('\n'));
        return CliBadInput;
    }
    try {
        if (!args.isEmpty())
            throw BadInput{QStringLiteral("Argumento no reconocido: %1").arg(args.first())};
        io.outUtf8(RunFeeSteps(dir, io.readAllInput()));
        return CliOk;
    } catch (const BadInput &bad) {
        io.err(bad.message + QLatin1Char('\n'));
        return CliBadInput;
    }
}

#include "fees/criterion_editor.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "fees/scale_tables.h"
#include "store/app_context.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString NumberText(const std::optional<double> &value)
{
    return value ? FormatGeneral(*value) : QString();
}

QLabel *Label(const char *name, const QString &spanish, const QString &catalan, bool useCatalan, QWidget *parent)
{
    auto *label = new QLabel(useCatalan ? catalan : spanish, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

TFormHono1::TFormHono1(AppContext &context, const CriterionRecord &record, std::optional<double> pointValue,
                       bool catalan, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_record(record)
    , m_pointValue(pointValue)
    , m_titulo(new QLineEdit(record.titulo, this))
    , m_descripcion(new QPlainTextEdit(record.descripcion, this))
    , m_criterios(new QLineEdit(record.criterios, this))
    , m_tabla(new QComboBox(this))
{
    setObjectName(QStringLiteral("FormHono1"));
    setWindowTitle(QStringLiteral("Honorarios"));
    m_titulo->setObjectName(QStringLiteral("dbeTitulo"));
    m_titulo->setMaxLength(240);
    m_descripcion->setObjectName(QStringLiteral("dbmDescripcion"));
    m_criterios->setObjectName(QStringLiteral("dbeCriterios"));
    m_criterios->setMaxLength(10);
    m_tabla->setObjectName(QStringLiteral("dbcbxTabla"));
    m_tabla->addItem(QString(), QVariant());
    for (const TableRegisterRow &row : TableRegister(m_context.store.database(Alias::Modulo)))
        m_tabla->addItem(row.nombreTabla, row.id);
    if (record.tabla) {
        int at = m_tabla->findData(*record.tabla);
        if (at < 0) { // a number the register does not list is kept as it is
            m_tabla->addItem(QString::number(*record.tabla), *record.tabla);
            at = m_tabla->count() - 1;
        }
        m_tabla->setCurrentIndex(at);
    }

    auto *grid = new QGridLayout;
    int row = 0;
    grid->addWidget(Label("LabelTitulo", QStringLiteral("Titulo:"), QStringLiteral("Titol:"), catalan, this), row, 0);
    grid->addWidget(m_titulo, row++, 1, 1, 3);
    grid->addWidget(Label("LabelDescripcion", QStringLiteral("Descripcion:"), QStringLiteral("Descripció"), catalan, this),
                    row, 0, Qt::AlignTop);
    grid->addWidget(m_descripcion, row++, 1, 1, 3);
    grid->addWidget(Label("LabelCriterios", QStringLiteral("Criterios:"), QStringLiteral("Criteris:"), catalan, this),
                    row, 0);
    grid->addWidget(m_criterios, row, 1);
    grid->addWidget(Label("LabelTabla", QStringLiteral("Tabla"), QStringLiteral("Escala"), catalan, this), row, 2);
    grid->addWidget(m_tabla, row++, 3);

    const bool points = m_pointValue.has_value();
    const QString fijoLabel = catalan ? QStringLiteral("Fix") : points ? QStringLiteral("Fijo en Puntos") : QStringLiteral("Fijo:");
    const auto pair = [&](const char *labelName, const QString &spanish, const QString &cat, Field field,
                          const char *editName, const char *spinName, int column) {
        grid->addWidget(Label(labelName, spanish, cat, catalan, this), row, column);
        grid->addWidget(addNumber(field, editName, spinName, this), row, column + 1);
    };
    grid->addWidget(Label("LabelFijo", fijoLabel, fijoLabel, false, this), row, 0);
    grid->addWidget(addNumber(Field::Fijo, "dbeFijo", "RxSpinFijo", this), row, 1);
    auto *eurosLabel = Label("LabelPuntos",
                             QStringLiteral("Fijo en Euros") + (points ? QStringLiteral(" (1=") + FormatGeneral(*m_pointValue)
                                                                            + QStringLiteral(" €)")
                                                                      : QString()),
                             {}, false, this);
    grid->addWidget(eurosLabel, row, 2);
    grid->addWidget(addNumber(Field::Euros, "tbxPuntos", "RxSpinPuntos", this), row++, 3);
    eurosLabel->setVisible(points);
    m_numbers[Field::Euros].edit->parentWidget()->setVisible(points);
    pair("LabelIncremento", QStringLiteral("% Incremento:"), QStringLiteral("Increment"), Field::Incremento,
         "dbeIncremento", "RxSpinIncremento", 0);
    pair("LabelReduccion", QStringLiteral("% Reducción:"), QStringLiteral("Reducció"), Field::Reduccion, "dbeReduccion",
         "RxSpinReduccion", 2);
    ++row;
    pair("LabelPorcentaje", QStringLiteral("%"), QStringLiteral("%"), Field::Porcentaje, "dbePorcentaje",
         "RxSpinPorcentaje", 0);
    ++row;
    pair("LabelMinLibre", QStringLiteral("Cuantia Minima:"), QStringLiteral("Quantia Minima"), Field::MinLibre,
         "dbeMinLibre", "RxSpinMinLibre", 0);
    pair("LabelMaxLibre", QStringLiteral("Cuantia Maxima:"), QStringLiteral("Quantia Maxima"), Field::MaxLibre,
         "dbeMaxLibre", "RxSpinMaxLibre2", 2);
    ++row;
    pair("LabelMinPorc", QStringLiteral("% Minimo:"), QStringLiteral("Minim"), Field::MinPorc, "dbeMinPorc",
         "RxSpinMinPorc", 0);
    pair("LabelMaxPorc", QStringLiteral("% Maximo:"), QStringLiteral("Màxim"), Field::MaxPorc, "dbeMaxPorc",
         "RxSpinMaxPorc", 2);

    const auto setNumber = [this](Field field, const std::optional<double> &value) {
        m_numbers[field].edit->setText(NumberText(value));
        m_numbers[field].lastGood = m_numbers[field].edit->text();
    };
    setNumber(Field::Fijo, record.fijo);
    setNumber(Field::Incremento, record.incremento);
    setNumber(Field::Reduccion, record.reduccion);
    setNumber(Field::Porcentaje, record.porcentaje);
    setNumber(Field::MinLibre, record.minLibre);
    setNumber(Field::MaxLibre, record.maxLibre);
    setNumber(Field::MinPorc, record.minPorcentaje);
    setNumber(Field::MaxPorc, record.maxPorcentaje);
    if (points)
        setNumber(Field::Euros, PointsToEuros(record.fijo.value_or(0.0), *m_pointValue));
    connect(m_numbers[Field::Fijo].edit, &QLineEdit::textEdited, this, &TFormHono1::fijoTyped);
    connect(m_numbers[Field::Euros].edit, &QLineEdit::textEdited, this, &TFormHono1::eurosTyped);

    auto *accept = new QPushButton(QStringLiteral("&Aceptar"), this);
    accept->setObjectName(QStringLiteral("BitBtn1"));
    auto *cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    for (QPushButton *b : {accept, cancel})
        b->setAutoDefault(false);
    connect(accept, &QPushButton::clicked, this, [this] {
        for (const auto &[field, number] : m_numbers) {
            if (!checkField(field))
                return;
        }
        done(Stored);
    });
    connect(cancel, &QPushButton::clicked, this, [this] { done(Cancelled); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(accept);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    resize(720, 420);
}

QWidget *TFormHono1::addNumber(Field field, const char *name, const char *spinName, QWidget *host)
{
    auto *box = new QWidget(host);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    auto *edit = new QLineEdit(box);
    edit->setObjectName(QLatin1String(name));
    auto *spinBox = new QWidget(box);
    spinBox->setObjectName(QLatin1String(spinName));
    auto *arrows = new QVBoxLayout(spinBox);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    for (const bool up : {true, false}) {
        auto *b = new QToolButton(spinBox);
        b->setObjectName(up ? QStringLiteral("Arriba") : QStringLiteral("Abajo"));
        b->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        b->setFixedSize(18, 11);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, field, up] { spin(field, up); });
        arrows->addWidget(b);
    }
    row->addWidget(edit);
    row->addWidget(spinBox);
    m_numbers[field].edit = edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, field] { checkField(field); });
    return box;
}

std::optional<double> TFormHono1::valueOf(Field field) const
{
    return ParseFieldNumber(m_numbers.at(field).edit->text());
}

bool TFormHono1::checkField(Field field)
{
    NumberField &number = m_numbers[field];
    try {
        valueOf(field);
        number.lastGood = number.edit->text();
        return true;
    } catch (const AppError &e) {
        number.edit->setText(number.lastGood);
        m_context.prompter.error(e.message());
        return false;
    }
}

void TFormHono1::spin(Field field, bool up)
{
    std::optional<double> value;
    try {
        value = valueOf(field);
    } catch (const AppError &e) {
        m_context.prompter.error(e.message());
        return;
    }
    SpinField kind = SpinField::Plain;
    if (field == Field::Porcentaje || field == Field::MinPorc || field == Field::MaxPorc)
        kind = SpinField::Percentage;
    else if (field == Field::Euros)
        kind = SpinField::Euros;
    NumberField &number = m_numbers[field];
    number.edit->setText(FormatGeneral(Spin(kind, value, up)));
    number.lastGood = number.edit->text();
    if (field == Field::Fijo)
        fijoTyped();
    else if (field == Field::Euros)
        eurosTyped();
}

void TFormHono1::fijoTyped()
{
    if (!m_pointValue)
        return;
    try {
        const auto fijo = valueOf(Field::Fijo);
        m_numbers[Field::Euros].edit->setText(FormatGeneral(PointsToEuros(fijo.value_or(0.0), *m_pointValue)));
        m_numbers[Field::Euros].lastGood = m_numbers[Field::Euros].edit->text();
    } catch (const AppError &) {
        // Half-typed text: the conversion is reported when the field is left.
    }
}

void TFormHono1::eurosTyped()
{
    if (!m_pointValue)
        return;
    try {
        const auto euros = valueOf(Field::Euros);
        m_numbers[Field::Fijo].edit->setText(FormatGeneral(EurosToPoints(euros.value_or(0.0), *m_pointValue)));
        m_numbers[Field::Fijo].lastGood = m_numbers[Field::Fijo].edit->text();
    } catch (const AppError &) {
    }
}

CriterionRecord TFormHono1::record() const
{
    CriterionRecord r = m_record;
    r.titulo = m_titulo->text();
    r.descripcion = m_descripcion->toPlainText();
    r.criterios = m_criterios->text();
    const QVariant tabla = m_tabla->currentData();
    r.tabla = tabla.isValid() ? std::optional<int>(tabla.toInt()) : std::nullopt;
    const auto number = [this](Field field) -> std::optional<double> {
        try {
            return valueOf(field);
        } catch (const AppError &) {
            return ParseFieldNumber(m_numbers.at(field).lastGood);
        }
    };
    r.fijo = number(Field::Fijo);
    r.incremento = number(Field::Incremento);
    r.reduccion = number(Field::Reduccion);
    r.porcentaje = number(Field::Porcentaje);
    r.minLibre = number(Field::MinLibre);
    r.maxLibre = number(Field::MaxLibre);
    r.minPorcentaje = number(Field::MinPorc);
    r.maxPorcentaje = number(Field::MaxPorc);
    return r;
}

void TFormHono1::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        done(Cancelled);
        return;
    }
    QDialog::keyPressEvent(event);
}

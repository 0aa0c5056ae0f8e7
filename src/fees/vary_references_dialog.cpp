#include "fees/vary_references_dialog.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "fees/fee_engine.h"
#include "widgets/dialog_buttons.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLineEdit *ReferenceEdit(const QString &name, double value, bool enabled, QWidget *parent)
{
    auto *edit = new QLineEdit(FormatGeneral(value), parent);
    edit->setObjectName(name);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setEnabled(enabled);
    return edit;
}

} // namespace

TFormVarRef::TFormVarRef(FeeEngine &engine, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_engine(engine)
    , m_prompter(prompter)
{
    setObjectName(QStringLiteral("FormVarRef"));
    setWindowTitle(QStringLiteral("Variar Referencias"));
    const FeeCalculation &calc = engine.calculation();
    const auto digit = [&calc](int d) { return CalcModeDigitSet(calc.calcMode, d); };
    m_fijo = ReferenceEdit(QStringLiteral("tbxFijo"), calc.fijo, digit(1), this);
    m_inc = ReferenceEdit(QStringLiteral("tbxInc"), calc.incremento, digit(2), this);
    m_red = ReferenceEdit(QStringLiteral("tbxRed"), calc.reduccion, digit(3), this);
    m_porc = ReferenceEdit(QStringLiteral("tbxPorc"), calc.porcentaje, digit(4), this);

    auto *criterio = new QLabel(engine.fields().criterio, this);
    criterio->setObjectName(QStringLiteral("lblCriterio"));
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Criterio:"), this), 0, 0);
    grid->addWidget(criterio, 0, 1, 1, 2);
    const struct
    {
        const char *label;
        const char *spinName;
        QLineEdit *edit;
        bool percent;
    } rows[] = {{"Fijo:", "RxSpinFijo", m_fijo, false},
                {"Incremento:", "RxSpinInc", m_inc, false},
                {"Reducción:", "RxSpinRed", m_red, false},
                {"%", "RxSpinPorc", m_porc, true}};
    int row = 1;
    for (const auto &r : rows) {
        auto *spinBox = new QWidget(this);
        spinBox->setObjectName(QLatin1String(r.spinName));
        spinBox->setEnabled(r.edit->isEnabled());
        auto *up = new QToolButton(spinBox);
        up->setObjectName(QStringLiteral("Arriba"));
        up->setArrowType(Qt::UpArrow);
        auto *down = new QToolButton(spinBox);
        down->setObjectName(QStringLiteral("Abajo"));
        down->setArrowType(Qt::DownArrow);
        auto *arrows = new QVBoxLayout(spinBox);
        arrows->setContentsMargins(0, 0, 0, 0);
        arrows->setSpacing(0);
        arrows->addWidget(up);
        arrows->addWidget(down);
        QLineEdit *edit = r.edit;
        const bool percent = r.percent;
        connect(up, &QToolButton::clicked, this, [this, edit, percent] { spin(edit, true, percent); });
        connect(down, &QToolButton::clicked, this, [this, edit, percent] { spin(edit, false, percent); });
        grid->addWidget(new QLabel(QString::fromUtf8(r.label), this), row, 0);
        grid->addWidget(r.edit, row, 1);
        grid->addWidget(spinBox, row, 2);
        ++row;
    }

    const DialogButtons buttons = AcceptCancelRow(this, QStringLiteral("Aceptar"));
    buttons.accept->setObjectName(QStringLiteral("BitBtn1"));
    buttons.cancel->setObjectName(QStringLiteral("BitBtn2"));
    buttons.cancel->setText(QStringLiteral("Cancelar"));
    connect(buttons.accept, &QPushButton::clicked, this, &TFormVarRef::tryAccept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons.row);
}

void TFormVarRef::spin(QLineEdit *edit, bool up, bool percent)
{
    try {
        edit->setText(SpinReference(edit->text(), up, percent));
    } catch (const AppError &e) {
        m_prompter.error(e.message());
    }
}

void TFormVarRef::tryAccept()
{
    try {
        if (m_engine.acceptReferences({m_fijo->text(), m_inc->text(), m_red->text(), m_porc->text()}))
            accept();
    } catch (const AppError &e) {
        m_prompter.error(e.message());
    }
}

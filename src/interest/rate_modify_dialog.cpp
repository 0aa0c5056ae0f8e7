#include "interest/rate_modify_dialog.h"

#include "core/errors.h"
#include "core/date_text.h"
#include "core/number_text.h"
#include "interest/number_edit.h"
#include "interest/rate_table.h"
#include "store/app_context.h"
#include "widgets/application.h"
#include "widgets/dialog_buttons.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QString RateEditText(double rate)
{
    QString text = FormatRatePercent(rate);
    text.chop(2); // " %"
    return text;
}

TFormIntMan::TFormIntMan(AppContext &context, const RatePeriod &period, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_period(period)
    , m_inteLega(new NumberEdit(context.prompter, this))
    , m_inteJudi(new NumberEdit(context.prompter, this))
    , m_inteAdmi(new NumberEdit(context.prompter, this))
{
    setObjectName(QStringLiteral("FormIntMan"));
    setWindowTitle(QStringLiteral("Tipos de intereses (Modificaciones)"));

    auto *desde = new QLabel(FormatDate(period.desde), this);
    desde->setObjectName(QStringLiteral("LabelDESDE"));
    auto *hasta = new QLabel(FormatDate(period.hasta), this);
    hasta->setObjectName(QStringLiteral("LabelHASTA"));
    const std::pair<NumberEdit *, std::pair<const char *, double>> edits[] = {
        {m_inteLega, {"EditINTELEGA", period.inteLega}},
        {m_inteJudi, {"EditINTEJUDI", period.inteJudi}},
        {m_inteAdmi, {"EditINTEADMI", period.inteAdmi}}};
    for (const auto &[edit, start] : edits) {
        edit->setObjectName(QLatin1String(start.first));
        edit->setText(RateEditText(start.second));
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000,0000")) + 16);
    }

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Desde:"), desde);
    form->addRow(QStringLiteral("Hasta:"), hasta);
    form->addRow(QStringLiteral("Interés Legal:"), m_inteLega);
    form->addRow(QStringLiteral("Interés Judicial:"), m_inteJudi);
    form->addRow(QStringLiteral("Interés Demora Admon."), m_inteAdmi);

    const DialogButtons buttons = AcceptCancelRow(this);
    connect(buttons.accept, &QPushButton::clicked, this, &TFormIntMan::tryAccept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
}

std::optional<double> TFormIntMan::rateOf(NumberEdit *edit, double stored) const
{
    if (edit->text() == RateEditText(stored))
        return stored;
    return edit->value();
}

void TFormIntMan::tryAccept()
{
    try {
        std::optional<double> rates[3];
        NumberEdit *const edits[3] = {m_inteLega, m_inteJudi, m_inteAdmi};
        const double stored[3] = {m_period.inteLega, m_period.inteJudi, m_period.inteAdmi};
        for (int i = 0; i < 3; ++i) {
            rates[i] = rateOf(edits[i], stored[i]);
            if (!rates[i]) {
                edits[i]->validate();
                return;
            }
        }
        UpdateRatePeriodRates(m_context.store.database(Alias::Devenix), m_period.desde, *rates[0], *rates[1],
                              *rates[2]);
        accept();
    } catch (const AppError &e) {
        ShowStandardError(m_context.prompter, e.message());
    }
}

#include "interest/rate_add_dialog.h"

#include "core/errors.h"
#include "core/date_text.h"
#include "interest/number_edit.h"
#include "interest/rate_table.h"
#include "store/app_context.h"
#include "widgets/application.h"
#include "widgets/dialog_buttons.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *DateMaskEdit(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setInputMask(QStringLiteral("99/99/9999;_"));
    edit->setText(FormatDate(QDate::currentDate()));
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 16);
    return edit;
}

NumberEdit *RateEdit(Prompter &prompter, const QString &name, QWidget *parent)
{
    auto *edit = new NumberEdit(prompter, parent);
    edit->setObjectName(name);
    edit->setText(QStringLiteral("0"));
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000,0000")) + 16);
    return edit;
}

} // namespace

TFormIntAlt::TFormIntAlt(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_desde(DateMaskEdit(QStringLiteral("MaskDesde"), this))
    , m_hasta(DateMaskEdit(QStringLiteral("MaskHasta"), this))
    , m_inteLega(RateEdit(context.prompter, QStringLiteral("EditINTELEGA"), this))
    , m_inteJudi(RateEdit(context.prompter, QStringLiteral("EditINTEJUDI"), this))
    , m_inteAdmi(RateEdit(context.prompter, QStringLiteral("EditINTEADMI"), this))
{
    setObjectName(QStringLiteral("FormIntAlt"));
    setWindowTitle(QStringLiteral("Tipos de intereses (Altas)"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Desde:"), m_desde);
    form->addRow(QStringLiteral("Hasta:"), m_hasta);
    form->addRow(QStringLiteral("Interés Legal:"), m_inteLega);
    form->addRow(QStringLiteral("Interés Judicial:"), m_inteJudi);
    form->addRow(QStringLiteral("Interés Demora Admon.:"), m_inteAdmi);

    const DialogButtons buttons = AcceptCancelRow(this);
    connect(buttons.accept, &QPushButton::clicked, this, &TFormIntAlt::tryAccept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
}

bool TFormIntAlt::refuse(const QString &message, QWidget *focus)
{
    m_context.prompter.inform(message);
    if (focus)
        focus->setFocus();
    return false;
}

void TFormIntAlt::tryAccept()
{
    try {
        const QSqlDatabase db = m_context.store.database(Alias::Devenix);
        const QDate desde = ParseDate(m_desde->text());
        const QDate hasta = ParseDate(m_hasta->text());
        for (const auto &[date, edit] : {std::pair{desde, m_desde}, std::pair{hasta, m_hasta}}) {
            if (!date.isValid()) {
                ShowStandardError(m_context.prompter, QStringLiteral("\"%1\" no es una fecha válida.").arg(edit->text()));
                return;
            }
        }
        RatePeriodCheck check = CheckNewRatePeriod(LoadRatePeriods(db), desde, hasta);
        if (check == RatePeriodCheck::EndBeforeStart || check == RatePeriodCheck::YearsDiffer) {
            refuse(RatePeriodCheckMessage(check), m_hasta);
            return;
        }
        if (check != RatePeriodCheck::Accepted) {
            refuse(RatePeriodCheckMessage(check));
            return;
        }
        for (NumberEdit *edit : {m_inteLega, m_inteJudi, m_inteAdmi}) {
            if (!edit->validate())
                return;
        }
        // Checked again as it is stored: another program may have added a period meanwhile.
        check = AddRatePeriod(db, {desde, hasta, *m_inteLega->value(), *m_inteJudi->value(), *m_inteAdmi->value()});
        if (check != RatePeriodCheck::Accepted) {
            refuse(RatePeriodCheckMessage(check));
            return;
        }
        accept();
    } catch (const AppError &e) {
        ShowStandardError(m_context.prompter, e.message());
    }
}

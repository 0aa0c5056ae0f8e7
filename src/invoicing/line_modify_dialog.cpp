#include "invoicing/line_modify_dialog.h"

#include "core/number_text.h"
#include "invoicing/invoice_editor_window.h"
#include "widgets/application.h"
#include "widgets/dialog_buttons.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *RateEdit(QWidget *parent, const char *name, const std::optional<double> &rate)
{
    auto *edit = new QLineEdit(QStringLiteral("0,00"), parent);
    edit->setObjectName(QLatin1String(name));
    edit->setText(rate ? FormatGeneral(*rate) : QString());
    return edit;
}

// The preview counts an empty box, or one that is not a number yet, as 0.
double PreviewNumber(const QString &text)
{
    return ParseSpanishNumber(text).value_or(0.0);
}

} // namespace

TFormFacModHono::TFormFacModHono(Prompter &prompter, const InvoiceEditing &editing, int row, QWidget *parent)
    : QDialog(parent)
    , m_prompter(prompter)
    , m_editing(editing)
    , m_row(row)
{
    setObjectName(QStringLiteral("FormFacModHono"));
    setWindowTitle(QStringLiteral("Modificación Cuentas"));
    const InvoiceLine &line = editing.lines().at(static_cast<std::size_t>(row));

    auto *form = new QFormLayout;
    auto *criterio = new QLabel(line.criterio, this);
    criterio->setObjectName(QStringLiteral("lblCriterio"));
    auto *tipo = new QLabel(line.tipo, this);
    tipo->setObjectName(QStringLiteral("lblTipo"));
    m_titulo = new QLineEdit(line.titulo, this);
    m_titulo->setObjectName(QStringLiteral("dbeNotas"));
    m_titulo->setMaxLength(255);
    m_subTotal = NewAmountEdit(this, "rxcalcSubTotal");
    m_subTotal->setText(FormatGeneral(line.subTotal));
    m_dcto = RateEdit(this, "tbxDCTO", line.dcto);
    m_iva = RateEdit(this, "tbxIVA", line.iva);
    m_irpf = RateEdit(this, "tbxIRPF", line.irpf);
    m_total = new QLineEdit(this);
    m_total->setObjectName(QStringLiteral("tbxTotal"));
    m_total->setReadOnly(true);
    m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_total->setText(FormatThousands2(line.amounts.total));
    form->addRow(QStringLiteral("Criterio"), criterio);
    form->addRow(QStringLiteral("Concepto"), tipo);
    form->addRow(QStringLiteral("Descripción"), m_titulo);
    form->addRow(QStringLiteral("Importe:"), m_subTotal);
    form->addRow(QStringLiteral("% Dcto."), m_dcto);
    form->addRow(QStringLiteral("% I.V.A."), m_iva);
    form->addRow(QStringLiteral("% I.R.P.F"), m_irpf);
    form->addRow(QStringLiteral("Total:"), m_total);

    const DialogButtons buttons = AcceptCancelRow(this);
    connect(buttons.accept, &QPushButton::clicked, this, &TFormFacModHono::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);

    for (QLineEdit *edit : {m_subTotal, m_dcto, m_iva, m_irpf})
        connect(edit, &QLineEdit::textChanged, this, &TFormFacModHono::preview);
}

void TFormFacModHono::preview()
{
    const double value = LinePreview(PreviewNumber(m_subTotal->text()),
                                     {PreviewNumber(m_iva->text()), PreviewNumber(m_irpf->text()),
                                      PreviewNumber(m_dcto->text())});
    m_total->setText(FormatThousands2(value));
}

InvoiceEditing::LineModification TFormFacModHono::modification() const
{
    return {m_titulo->text(), AmountFromText(m_subTotal->text()), m_iva->text(), m_irpf->text(), m_dcto->text()};
}

void TFormFacModHono::accept()
{
    try {
        m_result = m_editing.modifiedLine(m_row, modification());
    } catch (const AppError &e) {
        ShowStandardError(m_prompter, e.message());
        return;
    }
    QDialog::accept();
}

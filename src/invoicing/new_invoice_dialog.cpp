#include "invoicing/new_invoice_dialog.h"

#include "invoicing/invoice_editing.h"
#include "invoicing/invoice_editor_window.h"
#include "store/app_context.h"
#include "widgets/application.h"
#include "widgets/date_box.h"
#include "widgets/dialog_buttons.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

TformFacAltHono::TformFacAltHono(AppContext &context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_context(context)
{
    setObjectName(QStringLiteral("formFacAltHono"));
    setWindowTitle(QStringLiteral("Alta Facturas"));
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("editNumFact"));
    m_number->setMaxLength(6);
    m_year = new QLineEdit(this);
    m_year->setObjectName(QStringLiteral("editAnoFact"));
    m_year->setMaxLength(4);
    m_date = new DateBox(this);
    m_date->setObjectName(QStringLiteral("MaskFECHA"));
    m_date->setAllowEmpty(true);
    m_date->setPrompter(&context.prompter);

    const NewInvoiceProposal proposal =
        ProposeNewInvoice(context.store.database(Alias::Intereses), QDate::currentDate());
    if (proposal.number)
        m_number->setText(QString::number(*proposal.number));
    m_year->setText(QString::number(proposal.year));
    m_date->setDate(proposal.fecha);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Núm Factura:"), m_number);
    form->addRow(QStringLiteral("Año:"), m_year);
    form->addRow(QStringLiteral("Fecha Alta:"), m_date);
    const DialogButtons buttons = AcceptCancelRow(this);
    connect(buttons.accept, &QPushButton::clicked, this, &TformFacAltHono::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Introduzca el número de la factura el año y la fecha de alta"), this));
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    m_number->setFocus();
}

void TformFacAltHono::accept()
{
    if (!m_date->validate())
        return;
    try {
        m_created = CreateNewInvoice(m_context.store.database(Alias::Intereses), m_number->text(), m_year->text(),
                                     m_date->date(), QDate::currentDate());
    } catch (const InvoiceRefusal &refusal) {
        m_context.prompter.inform(refusal.message());
        return;
    } catch (const StoreError &) {
        throw;
    } catch (const AppError &e) {
        ShowStandardError(m_context.prompter, e.message());
        return;
    }
    QDialog::accept();
}

void OpenNewInvoice(AppContext &context, QWidget *parent)
{
    TformFacAltHono dialog(context, parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.created())
        return;
    dialog.hide();
    TFormFact1 editor(context, *dialog.created(), parent);
    editor.exec();
}

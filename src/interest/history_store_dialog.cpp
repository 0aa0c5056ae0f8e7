#include "interest/history_store_dialog.h"

#include "store/app_context.h"
#include "widgets/application.h"
#include "widgets/date_box.h"
#include "widgets/wait_cursor.h"
#include "widgets/dialog_buttons.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormHisAlt::TFormHisAlt(AppContext &context, SettlementInput input, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_input(std::move(input))
    , m_fecha(new DateBox(this))
    , m_descripcion(new QLineEdit(this))
    , m_numAsunto(new QLineEdit(this))
    , m_notas(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("FormHisAlt"));
    setWindowTitle(QStringLiteral("Alta en el Histórico"));

    m_fecha->setObjectName(QStringLiteral("DBEditFECHA"));
    m_fecha->setPrompter(&context.prompter);
    m_fecha->setAllowEmpty(true);
    m_fecha->setDate(QDate::currentDate());
    m_descripcion->setObjectName(QStringLiteral("DBEditDESCRIPCION"));
    m_descripcion->setMaxLength(DescriptionLength);
    m_numAsunto->setObjectName(QStringLiteral("DBEditNUMASUNTO"));
    m_numAsunto->setMaxLength(CaseNumberLength);
    m_notas->setObjectName(QStringLiteral("DBMemoNOTAS"));
    m_notas->setTabChangesFocus(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Fecha:"), m_fecha);
    form->addRow(QStringLiteral("Descripción:"), m_descripcion);
    form->addRow(QStringLiteral("Número de Asunto:"), m_numAsunto);
    form->addRow(QStringLiteral("Notas:"), m_notas);

    const DialogButtons buttons = AcceptCancelRow(this);
    buttons.cancel->setAutoDefault(false);
    connect(buttons.accept, &QPushButton::clicked, this, &TFormHisAlt::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
    resize(560, sizeHint().height());
    m_numAsunto->setFocus();
}

HistoryHeader TFormHisAlt::header() const
{
    return {m_numAsunto->text().trimmed(), m_fecha->date(), m_descripcion->text(), m_notas->toPlainText()};
}

void TFormHisAlt::accept()
{
    if (m_fecha->lineEdit()->hasFocus() && !m_fecha->validate())
        return;
    const HistoryHeader h = header();
    if (h.numAsunto.isEmpty()) {
        m_context.prompter.inform(EmptyCaseNumberMessage);
        m_numAsunto->setFocus();
        return;
    }
    try {
        const WaitCursor wait;
        StoreSettlement(m_context.store.database(Alias::Historico), StoredFromInput(h, m_input));
    } catch (const HistoryRefusal &refusal) {
        m_context.prompter.inform(refusal.message());
        m_numAsunto->setFocus();
        m_numAsunto->selectAll();
        return;
    } catch (const AppError &e) {
        // Nothing was stored: the user may try again or cancel.
        ShowStandardError(m_context.prompter, e.message());
        return;
    }
    QDialog::accept();
}

void StoreSettlementInHistory(AppContext &context, QWidget *parent, const SettlementInput &input,
                              const SettlementResult &result)
{
    if (result.rows.empty())
        return;
    if (!context.prompter.askYesNo(HistoryStoreQuestion, Prompter::Icon::Information))
        return;
    TFormHisAlt dialog(context, input, parent);
    if (dialog.exec() == QDialog::Accepted)
        context.prompter.inform(HistoryStoredMessage);
}

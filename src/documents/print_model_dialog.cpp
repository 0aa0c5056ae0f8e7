#include "documents/print_model_dialog.h"

#include "documents/template_catalogue.h"
#include "documents/template_list_model.h"
#include "store/app_context.h"
#include "widgets/dialog_buttons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

TFormDctoSel::TFormDctoSel(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("FormDctoSel"));
    setWindowTitle(QStringLiteral("Selección de Modelo de Impresión"));

    m_word = new QRadioButton(QStringLiteral("Imprimir usando Microsoft &Word"), this);
    m_word->setObjectName(QStringLiteral("RadioWORD"));
    auto *listing = new QRadioButton(QStringLiteral("Imprimir usando &listado predeterminado"), this);
    listing->setObjectName(QStringLiteral("RadioLISTADO"));
    m_word->setChecked(true);

    m_model = new TemplateListModel(this);
    m_model->setRecords(TemplateCatalogue(context.store.database(Alias::Devenix)).all());
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    SetUpTemplateGrid(m_grid, m_model);
    if (m_model->rowCount() > 0)
        m_grid->setCurrentIndex(m_model->index(0, 0));
    connect(m_word, &QRadioButton::toggled, m_grid, &QWidget::setEnabled);

    const DialogButtons buttons = AcceptCancelRow(this, QStringLiteral(" &Aceptar"));
    connect(buttons.accept, &QPushButton::clicked, this, &TFormDctoSel::acceptChoice);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_word);
    layout->addWidget(m_grid);
    layout->addWidget(listing);
    layout->addLayout(buttons.row);
    resize(480, 340);
}

bool TFormDctoSel::wordProcessorChosen() const
{
    return m_word->isChecked();
}

void TFormDctoSel::acceptChoice()
{
    m_chosen.clear();
    if (wordProcessorChosen()) {
        const QModelIndex current = m_grid->currentIndex();
        const QString plantilla = current.isValid() ? m_model->record(current.row()).plantilla : QString();
        m_chosen = CheckChosenTemplate(m_context.prompter, m_context.session.docPlantDir(), plantilla);
    }
    accept();
}

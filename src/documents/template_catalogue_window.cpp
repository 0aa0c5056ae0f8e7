#include "documents/template_catalogue_window.h"

#include "documents/template_dialog.h"
#include "documents/template_list_model.h"
#include "store/app_context.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TFormDcto::TFormDcto(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_catalogue(context.store.database(Alias::Devenix))
    , m_actions(m_catalogue, context.prompter, context.session.docPlantDir())
{
    setObjectName(QStringLiteral("FormDcto"));
    setWindowTitle(QStringLiteral("Selección de Plantilla"));

    m_model = new TemplateListModel(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid2"));
    SetUpTemplateGrid(m_grid, m_model);
    connect(m_grid, &QTableView::doubleClicked, this, &TFormDcto::modify);

    const auto button = [this](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton *add = button(QStringLiteral("  &Altas"), "BtnAltas");
    QPushButton *remove = button(QStringLiteral("  &Bajas"), "BtnBajas");
    QPushButton *modify = button(QStringLiteral("  &Modif."), "BtnModif");
    QPushButton *close = button(QStringLiteral("   &Salir"), "BtnSalir");
    QPushButton *accept = button(QStringLiteral("&Aceptar"), "BtnAceptar");
    QPushButton *cancel = button(QStringLiteral("&Cancelar"), "BtnCancelar");
    modify->setDefault(true);
    accept->hide();
    cancel->hide();
    connect(add, &QPushButton::clicked, this, &TFormDcto::add);
    connect(remove, &QPushButton::clicked, this, &TFormDcto::remove);
    connect(modify, &QPushButton::clicked, this, &TFormDcto::modify);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(accept, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {add, remove, modify})
        buttons->addWidget(b);
    buttons->addStretch();
    for (QPushButton *b : {accept, cancel, close})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);
    resize(560, 380);
    refresh();
}

int TFormDcto::currentId() const
{
    if (m_model->rowCount() == 0)
        return 0;
    const QModelIndex current = m_grid->currentIndex();
    return m_model->record(current.isValid() ? current.row() : 0).id;
}

void TFormDcto::refresh(int selectId)
{
    const int keep = selectId ? selectId : currentId();
    m_model->setRecords(m_catalogue.all());
    const int row = std::max(0, m_model->rowOf(keep));
    if (m_model->rowCount() > 0)
        m_grid->setCurrentIndex(m_model->index(row, 0));
}

void TFormDcto::add()
{
    if (const std::optional<int> id = m_actions.beginAdd())
        edit(*id, true);
}

void TFormDcto::modify()
{
    const int id = currentId();
    if (id == 0) {
        add();
        return;
    }
    if (m_actions.beginEdit(id, [this] { refresh(); }))
        edit(id, false);
}

void TFormDcto::edit(int id, bool adding)
{
    TFormDctoMan dialog(m_context, this);
    dialog.setWindowTitle(adding ? QStringLiteral("Mantenimiento de Plantillas (Altas)")
                                 : QStringLiteral("Mantenimiento de Plantillas (Modificaciones)"));
    dialog.setRecord(m_catalogue.find(id).value_or(TemplateRecord{id, {}, {}}));
    // The record is stored however the dialog closes, and its lock always released.
    try {
        dialog.exec();
    } catch (...) {
        m_actions.finish(dialog.record());
        throw;
    }
    m_actions.finish(dialog.record());
    refresh(id);
}

void TFormDcto::remove()
{
    const int id = currentId();
    if (id != 0 && m_actions.remove(id, [this] { refresh(); }))
        refresh();
}

void ShowTemplateCatalogue(AppContext &context, QWidget *parent)
{
    TFormDcto window(context, parent);
    window.exec();
}

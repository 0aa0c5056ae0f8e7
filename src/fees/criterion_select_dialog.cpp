#include "fees/criterion_select_dialog.h"

#include "fees/criteria_tree_model.h"
#include "fees/title_search.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

TformHonoSelect::TformHonoSelect(const QSqlDatabase &modulo, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_modulo(modulo)
    , m_model(new CriteriaTreeModel(this))
    , m_tree(new QTreeView(this))
    , m_description(new QPlainTextEdit(this))
    , m_select(new QPushButton(QStringLiteral("Seleccionar"), this))
{
    setObjectName(QStringLiteral("formHonoSelect"));
    setWindowTitle(QStringLiteral("Seleccione un Honorario"));
    m_model->load(modulo);

    m_tree->setObjectName(QStringLiteral("ArbolHonorario"));
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setDragEnabled(false);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_description->setObjectName(QStringLiteral("DBMemo1"));
    m_description->setReadOnly(true);
    m_description->setMaximumHeight(m_description->fontMetrics().lineSpacing() * 6);

    m_select->setObjectName(QStringLiteral("btnSeleccionar"));
    m_select->setDefault(true);
    auto *search = new QPushButton(QStringLiteral("&Buscar"), this);
    search->setObjectName(QStringLiteral("btnBuscar"));
    auto *leave = new QPushButton(QStringLiteral("&Salir"), this);
    leave->setObjectName(QStringLiteral("btnSalir"));

    connect(m_select, &QPushButton::clicked, this, [this] {
        if (currentId())
            accept();
    });
    connect(search, &QPushButton::clicked, this, &TformHonoSelect::search);
    connect(leave, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, &TformHonoSelect::showDescription);
    connect(m_tree, &QTreeView::doubleClicked, this, [this] {
        if (currentId())
            accept();
    });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_select);
    buttons->addWidget(search);
    buttons->addWidget(leave);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_description);
    layout->addLayout(buttons);
    resize(640, 520);

    const QModelIndex first = m_model->index(0, 0);
    if (first.isValid())
        m_tree->setCurrentIndex(first);
    m_select->setEnabled(first.isValid());
    m_tree->setFocus();
}

std::optional<int> TformHonoSelect::Choose(const QSqlDatabase &modulo, QWidget *parent)
{
    TformHonoSelect dialog(modulo, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.currentId();
}

std::optional<int> TformHonoSelect::currentId() const
{
    const Criterion *criterion = m_model->criterionAt(m_tree->currentIndex());
    if (!criterion)
        return std::nullopt;
    return criterion->id;
}

void TformHonoSelect::selectId(int id)
{
    const QModelIndex index = m_model->indexOfId(id);
    if (!index.isValid())
        return;
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
}

void TformHonoSelect::showDescription()
{
    const Criterion *criterion = m_model->criterionAt(m_tree->currentIndex());
    m_description->setPlainText(criterion ? criterion->descripcion : QString());
}

void TformHonoSelect::search()
{
    if (const std::optional<int> id = RunTitleSearch(this, m_modulo))
        selectId(*id);
    m_tree->setFocus();
}

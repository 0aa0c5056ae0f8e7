#include "fees/criteria_window.h"

#include "core/errors.h"
#include "fees/criteria_tree_model.h"
#include "fees/criterion_editor.h"
#include "fees/point_value.h"
#include "fees/region_selection.h"
#include "fees/title_search.h"
#include "store/app_context.h"
#include "store/lock_conflict.h"
#include "store/record_locks.h"
#include "store/sql.h"
#include "widgets/application.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QString kPrincipal = QStringLiteral("principal");

QPushButton *Button(const QString &text, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

TformHonorarios::TformHonorarios(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_model(new CriteriaTreeModel(this))
    , m_tree(new QTreeView(this))
    , m_description(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("formHonorarios"));
    setWindowTitle(QStringLiteral("Honorarios"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    resize(900, 600);
    setWindowState(Qt::WindowMaximized);

    m_model->load(ActiveModule(m_context));
    m_tree->setObjectName(QStringLiteral("ArbolHonorario"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setDragEnabled(false);
    m_tree->setUniformRowHeights(true); // thousands of rows, none measured
    m_tree->setModel(m_model);
    m_description->setObjectName(QStringLiteral("DBMemo1"));
    m_description->setReadOnly(true);

    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_tree);
    split->addWidget(m_description);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);

    auto *find = Button(QStringLiteral("&Buscar"), "btnBuscar", this);
    auto *edit = Button(QStringLiteral("&Editar Honorario"), "BitBtn2", this);
    auto *close = Button(QStringLiteral("&Salir"), "BitBtn8", this);
    connect(find, &QPushButton::clicked, this, &TformHonorarios::search);
    connect(edit, &QPushButton::clicked, this, &TformHonorarios::editCurrent);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tree, &QTreeView::doubleClicked, this, &TformHonorarios::editCurrent);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, &TformHonorarios::currentChanged);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(find);
    buttons->addWidget(edit);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split);
    layout->addLayout(buttons);

    if (m_model->rowCount() > 0)
        m_tree->setCurrentIndex(m_model->index(0, 0));
    m_tree->setFocus();
}

TformHonorarios::~TformHonorarios() = default;

int TformHonorarios::currentId() const
{
    const Criterion *c = m_model->criterionAt(m_tree->currentIndex());
    return c ? c->id : 0;
}

void TformHonorarios::setCurrentId(int id)
{
    const QModelIndex at = m_model->indexOfId(id);
    if (!at.isValid())
        return;
    m_tree->setCurrentIndex(at);
    m_tree->scrollTo(at);
}

void TformHonorarios::currentChanged()
{
    storePending();
    const Criterion *c = m_model->criterionAt(m_tree->currentIndex());
    m_description->setPlainText(c ? c->descripcion : QString());
}

void TformHonorarios::storePending()
{
    if (!m_pending || m_pending->id == currentId())
        return;
    const CriterionRecord pending = *m_pending;
    m_pending.reset();
    try {
        StoreCriterionRecord(m_context.store.database(Alias::Modulo), pending);
        if (auto stored = FindCriterion(m_context.store.database(Alias::Modulo), pending.id))
            m_model->updateCriterion(*stored);
    } catch (...) {
        ReportCurrentException(m_context.prompter);
    }
    m_pendingLock.reset();
}

void TformHonorarios::search()
{
    if (const auto id = RunTitleSearch(this, m_context.store.database(Alias::Modulo)))
        setCurrentId(*id);
}

void TformHonorarios::editCurrent()
{
    const int id = currentId();
    if (id == 0)
        return;
    const QSqlDatabase modulo = m_context.store.database(Alias::Modulo);
    std::unique_ptr<ScopedRecordLock> lock;
    std::optional<CriterionRecord> record;
    if (m_pending && m_pending->id == id) {
        record = m_pending;
        lock = std::move(m_pendingLock);
        m_pending.reset();
    } else {
        const bool locked = LockConflict(
            m_context.prompter, LockBeginning::Record,
            [&] {
                lock = std::make_unique<ScopedRecordLock>(RecordLocks(modulo), kPrincipal, QString::number(id), [&] {
                    return Scalar(modulo, QStringLiteral("SELECT count(*) FROM principal WHERE Id = ?"), {id}).toInt() > 0;
                });
            },
            [] {}, true);
        if (!locked)
            return;
        record = ReadCriterionRecord(modulo, id);
    }

    std::optional<double> pointValue;
    try {
        pointValue = ReadPointValue(m_context.session.moduleDir);
    } catch (...) {
        ReportCurrentException(m_context.prompter);
    }
    TFormHono1 editor(m_context, *record, pointValue, m_context.session.regionName == QLatin1String("Cataluña"), this);
    const int outcome = editor.exec();
    if (outcome == TFormHono1::Stored) {
        StoreCriterionRecord(modulo, editor.record());
        if (auto stored = FindCriterion(modulo, id))
            m_model->updateCriterion(*stored);
        currentChanged();
    } else if (outcome == TFormHono1::Left) {
        m_pending = editor.record();
        m_pendingLock = std::move(lock);
    }
}

void TformHonorarios::done(int result)
{
    // A record left in editing is dropped with the window.
    m_pending.reset();
    m_pendingLock.reset();
    QDialog::done(result);
}

void OpenCriteriaWindow(AppContext &context, QWidget *parent)
{
    TformHonorarios window(context, parent);
    window.exec();
}

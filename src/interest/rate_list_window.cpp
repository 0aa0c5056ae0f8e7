#include "interest/rate_list_window.h"

#include "interest/rate_add_dialog.h"
#include "interest/rate_modify_dialog.h"
#include "interest/rate_table.h"
#include "interest/rate_table_model.h"
#include "store/app_context.h"
#include "store/lock_conflict.h"
#include "store/record_locks.h"
#include "widgets/list_grid.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton *Button(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TFormInt::TFormInt(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_model(new RateTableModel(this))
    , m_grid(new QTableView(this))
{
    setObjectName(QStringLiteral("FormInt"));
    setWindowTitle(QStringLiteral("Mantenimiento de Intereses"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    resize(900, 600); // when restored from maximised
    setWindowState(Qt::WindowMaximized);

    m_grid->setObjectName(QStringLiteral("DBGrid2"));
    SetUpListGrid(m_grid, m_model);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    const int dateWidth = m_grid->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 24;
    m_grid->setColumnWidth(RateTableModel::Desde, dateWidth);
    m_grid->setColumnWidth(RateTableModel::Hasta, dateWidth);
    for (int c : {RateTableModel::InteLega, RateTableModel::InteJudi})
        m_grid->setColumnWidth(c, m_grid->fontMetrics().horizontalAdvance(QStringLiteral("Int. Demora Admon.")) + 24);
    connect(m_grid, &QTableView::doubleClicked, this, &TFormInt::modifyPeriod);

    auto *add = Button(QStringLiteral("  &Altas"), QStringLiteral("BtnAltas"), this);
    auto *remove = Button(QStringLiteral("  &Bajas"), QStringLiteral("BtnBajas"), this);
    auto *modify = Button(QStringLiteral(" &Modif."), QStringLiteral("BtnModif"), this);
    auto *close = Button(QStringLiteral("  &Salir"), QStringLiteral("BtnSalir"), this);
    modify->setDefault(true);
    connect(add, &QPushButton::clicked, this, &TFormInt::addPeriod);
    connect(remove, &QPushButton::clicked, this, &TFormInt::deletePeriod);
    connect(modify, &QPushButton::clicked, this, &TFormInt::modifyPeriod);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(modify);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);

    reload();
    if (m_model->rowCount() > 0)
        m_grid->selectRow(0);
    m_grid->setFocus();
}

std::optional<RatePeriod> TFormInt::selectedPeriod() const
{
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return m_model->periods().at(static_cast<std::size_t>(current.row()));
}

void TFormInt::selectPeriod(const QDate &desde)
{
    int row = m_model->rowAtOrAfter(desde);
    if (row < 0)
        row = m_model->rowCount() - 1;
    if (row >= 0)
        m_grid->selectRow(row);
}

void TFormInt::reload()
{
    const auto current = selectedPeriod();
    m_model->setPeriods(LoadRatePeriods(m_context.store.database(Alias::Devenix)));
    if (current)
        selectPeriod(current->desde);
    else if (m_model->rowCount() > 0)
        m_grid->selectRow(0);
}

void TFormInt::addPeriod()
{
    TFormIntAlt dialog(m_context, this);
    if (dialog.exec() == QDialog::Accepted)
        reload();
}

void TFormInt::modifyPeriod()
{
    const auto period = selectedPeriod();
    if (!period)
        return;
    const QSqlDatabase db = m_context.store.database(Alias::Devenix);
    std::optional<ScopedRecordLock> lock;
    const bool locked = LockConflict(
        m_context.prompter, LockBeginning::RateEdit,
        [&] {
            lock.emplace(RecordLocks(db), RateTableName, RatePeriodKey(period->desde),
                         [&] { return RatePeriodExists(db, period->desde); });
        },
        [this] { reload(); });
    if (!locked)
        return;
    TFormIntMan dialog(m_context, *period, this);
    dialog.exec();
    lock.reset();
    reload();
}

void TFormInt::deletePeriod()
{
    const auto period = selectedPeriod();
    if (m_model->rowCount() == 0 || !period)
        return;
    if (!m_context.prompter.askYesNo(QStringLiteral("¿Está seguro de que quiere borrar el tipo de interes seleccionado?"),
                                     Prompter::Icon::Information))
        return;
    const QSqlDatabase db = m_context.store.database(Alias::Devenix);
    LockConflict(
        m_context.prompter, LockBeginning::RateDelete,
        [&] {
            ScopedRecordLock lock(RecordLocks(db), RateTableName, RatePeriodKey(period->desde),
                                  [&] { return RatePeriodExists(db, period->desde); });
            DeleteRatePeriod(db, period->desde);
        },
        [] {});
    reload();
}

void OpenRateTable(AppContext &context, QWidget *parent)
{
    TFormInt window(context, parent);
    window.exec();
}

#include "interest/history_window.h"

#include "core/date_text.h"
#include "interest/history_view_dialog.h"
#include "interest/settlement_history.h"
#include "store/app_context.h"
#include "store/lock_conflict.h"
#include "store/record_locks.h"
#include "widgets/wait_cursor.h"
#include "widgets/list_grid.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The order of the list while the program runs.
HistoryOrder g_lastOrder = HistoryOrder::NumAsunto;

QPushButton *Button(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLineEdit *SearchField(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

HistoryOrder OrderOfColumn(int column)
{
    switch (column) {
    case HistoryListModel::Fecha:
        return HistoryOrder::Fecha;
    case HistoryListModel::Descripcion:
        return HistoryOrder::Descripcion;
    default:
        return HistoryOrder::NumAsunto;
    }
}

bool HasDigits(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

HistoryOrder TFormHis::LastOrder()
{
    return g_lastOrder;
}

TFormHis::TFormHis(AppContext &context, QWidget *parent, std::function<void(const StoredSettlement &)> reload)
    : QDialog(parent)
    , m_context(context)
    , m_reload(std::move(reload))
    , m_model(new HistoryListModel(context.store.database(Alias::Historico), g_lastOrder, this))
    , m_grid(new QTableView(this))
    , m_numAsunto(SearchField(QStringLiteral("EditNUMASUNTO"), this))
    , m_descripcion(SearchField(QStringLiteral("EditDESCRIPCION"), this))
    , m_fecha(SearchField(QStringLiteral("MaskFECHA"), this))
{
    setObjectName(QStringLiteral("FormHis"));
    setWindowTitle(QStringLiteral("Histórico de Liquidaciones"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    resize(900, 600); // when restored from maximised
    setWindowState(Qt::WindowMaximized);

    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    SetUpListGrid(m_grid, m_model);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics = m_grid->fontMetrics();
    m_grid->setColumnWidth(HistoryListModel::NumAsunto, metrics.horizontalAdvance(QStringLiteral("Número de Asunto")) + 60);
    m_grid->setColumnWidth(HistoryListModel::Fecha, metrics.horizontalAdvance(QStringLiteral("00/00/00000")) + 24);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &TFormHis::orderBy);

    m_fecha->setInputMask(QStringLiteral("99/99/9999; "));
    m_fecha->setMaximumWidth(metrics.horizontalAdvance(QStringLiteral("00/00/00000")) + 24);
    for (QLineEdit *edit : {m_numAsunto, m_descripcion, m_fecha})
        edit->installEventFilter(this);
    connect(m_numAsunto, &QLineEdit::textEdited, this, &TFormHis::searchCaseNumber);
    connect(m_descripcion, &QLineEdit::textEdited, this, &TFormHis::searchDescription);
    connect(m_fecha, &QLineEdit::textEdited, this, [this] { clearSearchesBut(m_fecha); });

    auto *search = new QGridLayout;
    search->addWidget(new QLabel(QStringLiteral("Número de Asunto:"), this), 0, 0);
    search->addWidget(m_numAsunto, 0, 1);
    search->addWidget(new QLabel(QStringLiteral("Descripción:"), this), 0, 2);
    search->addWidget(m_descripcion, 0, 3);
    search->addWidget(new QLabel(QStringLiteral("Fecha:"), this), 0, 4);
    search->addWidget(m_fecha, 0, 5);
    search->setColumnStretch(3, 1);

    auto *recoverButton = Button(QStringLiteral("&Recuperar"), QStringLiteral("BtnRecuperar"), this);
    auto *viewButton = Button(QStringLiteral("&Ver"), QStringLiteral("BtnVer"), this);
    auto *removeButton = Button(QStringLiteral("  &Bajas"), QStringLiteral("BtnBajas"), this);
    auto *closeButton = Button(QStringLiteral("&Salir"), QStringLiteral("BtnSalir"), this);
    recoverButton->setVisible(static_cast<bool>(m_reload));
    connect(recoverButton, &QPushButton::clicked, this, &TFormHis::recover);
    connect(viewButton, &QPushButton::clicked, this, &TFormHis::view);
    connect(removeButton, &QPushButton::clicked, this, &TFormHis::remove);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(recoverButton);
    buttons->addWidget(viewButton);
    buttons->addWidget(removeButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);

    selectRow(0);
    m_numAsunto->setFocus();
}

QString TFormHis::selectedCaseNumber() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? m_model->keyAt(current.row()) : QString();
}

void TFormHis::selectRow(int row)
{
    g_lastOrder = m_model->order();
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, HistoryListModel::NumAsunto);
    m_grid->setCurrentIndex(index);
    m_grid->scrollTo(index);
}

void TFormHis::selectCaseNumber(const QString &numAsunto, int fallbackRow)
{
    const int row = m_model->rowOfKey(numAsunto);
    selectRow(row >= 0 ? row : std::min(fallbackRow, m_model->rowCount() - 1));
}

void TFormHis::reloadList()
{
    const QString key = selectedCaseNumber();
    const int row = m_grid->currentIndex().row();
    m_model->reload();
    selectCaseNumber(key, std::max(row, 0));
}

void TFormHis::clearSearchesBut(QLineEdit *kept)
{
    // clear() is no typing: the other fields' searches do not run.
    for (QLineEdit *edit : {m_numAsunto, m_descripcion, m_fecha}) {
        if (edit != kept)
            edit->clear();
    }
}

void TFormHis::searchCaseNumber(const QString &text)
{
    clearSearchesBut(m_numAsunto);
    selectRow(m_model->nearestCaseNumber(text));
}

void TFormHis::searchDescription(const QString &text)
{
    clearSearchesBut(m_descripcion);
    selectRow(m_model->nearestDescription(text));
}

void TFormHis::searchDate()
{
    const QString text = m_fecha->displayText();
    if (!HasDigits(text))
        return;
    const QDate date = ParseDate(text);
    if (!date.isValid()) {
        m_context.prompter.inform(QStringLiteral("La fecha introducida no es válida."));
        m_fecha->clear();
        return;
    }
    clearSearchesBut(m_fecha);
    selectRow(m_model->nearestDate(date));
}

void TFormHis::orderBy(int column)
{
    const QString key = selectedCaseNumber();
    m_model->setOrder(OrderOfColumn(column));
    selectCaseNumber(key, 0);
}

void TFormHis::recover()
{
    const QString key = selectedCaseNumber();
    if (m_model->rowCount() == 0 || key.isEmpty() || !m_reload)
        return;
    if (!m_context.prompter.askYesNo(QStringLiteral("¿Desea recuperar la liquidación seleccionada?")))
        return;
    {
        const WaitCursor wait;
        const auto stored = LoadStoredSettlement(m_context.store.database(Alias::Historico), key);
        if (!stored) { // deleted by another program meanwhile
            reloadList();
            return;
        }
        m_reload(*stored);
    }
    m_context.prompter.inform(QStringLiteral("Liquidación recuperada."));
    accept();
}

void TFormHis::view()
{
    const QString key = selectedCaseNumber();
    if (m_model->rowCount() == 0 || key.isEmpty())
        return;
    const QSqlDatabase db = m_context.store.database(Alias::Historico);
    std::optional<ScopedRecordLock> lock;
    const bool locked = LockConflict(
        m_context.prompter, LockBeginning::Record,
        [&] { lock.emplace(RecordLocks(db), HistoryTableName, key, [&] { return StoredSettlementExists(db, key); }); },
        [this] { reloadList(); });
    if (!locked)
        return;
    const auto stored = LoadStoredSettlement(db, key);
    if (stored) {
        TFormHisMan dialog(m_context, *stored, this);
        dialog.exec();
    }
    lock.reset();
    reloadList();
}

void TFormHis::remove()
{
    const QString key = selectedCaseNumber();
    if (m_model->rowCount() == 0 || key.isEmpty())
        return;
    if (!m_context.prompter.askYesNo(QStringLiteral("¿Desea eliminar la liquidación del histórico?")))
        return;
    const QSqlDatabase db = m_context.store.database(Alias::Historico);
    LockConflict(
        m_context.prompter, LockBeginning::Record,
        [&] {
            const ScopedRecordLock lock(RecordLocks(db), HistoryTableName, key,
                                        [&] { return StoredSettlementExists(db, key); });
            const WaitCursor wait;
            DeleteStoredSettlement(db, key);
        },
        [] {});
    reloadList();
}

bool TFormHis::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (edit && event->type() == QEvent::MouseButtonPress)
        QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    if (watched == m_fecha && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            searchDate();
    }
    return QDialog::eventFilter(watched, event);
}

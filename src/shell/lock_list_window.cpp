#include "shell/lock_list_window.h"

#include "core/date_text.h"
#include "store/app_context.h"
#include "widgets/application.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TFormBloqueos::TFormBloqueos(AppContext &app, QWidget *parent)
    : QDialog(parent)
    , m_app(app)
{
    setObjectName(QStringLiteral("FormBloqueos"));
    setWindowTitle(QStringLiteral("Bloqueos"));
    m_grid = new QTableWidget(0, 6, this);
    m_grid->setObjectName(QStringLiteral("GridBLOQUEOS"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("Datos"), QStringLiteral("Tabla"), QStringLiteral("Registro"),
                                       QStringLiteral("Usuario"), QStringLiteral("Equipo"), QStringLiteral("Desde")});
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->verticalHeader()->hide();
    m_release = new QPushButton(QStringLiteral("&Liberar"), this);
    m_release->setObjectName(QStringLiteral("BitBtnLIBERAR"));
    auto *exit = new QPushButton(QStringLiteral("  &Salir"), this);
    exit->setObjectName(QStringLiteral("BitBtnSALIR"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_release);
    buttons->addWidget(exit);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Registros que otros programas tienen abiertos para modificarlos. Libere "
                                                "solo los de un programa que ya no está abierto."),
                                 this));
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    resize(720, 360);

    connect(m_release, &QPushButton::clicked, this, &TFormBloqueos::releaseSelected);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_grid, &QTableWidget::itemSelectionChanged, this,
            [this] { m_release->setEnabled(m_grid->currentRow() >= 0); });
    refresh();
}

void TFormBloqueos::refresh()
{
    m_locks = CurrentLocks(m_app.store);
    m_grid->clearContents();
    m_grid->setRowCount(static_cast<int>(m_locks.size()));
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        const HeldLock &lock = m_locks[static_cast<std::size_t>(row)];
        const QString since = FormatDate(lock.since.date()) + QLatin1Char(' ') + lock.since.time().toString(QStringLiteral("HH:mm"));
        const QStringList texts = {lock.databaseText(), lock.table, lock.key, lock.user, lock.host, since};
        for (int column = 0; column < texts.size(); ++column)
            m_grid->setItem(row, column, new QTableWidgetItem(texts.at(column)));
    }
    m_grid->resizeColumnsToContents();
    m_release->setEnabled(false);
    if (!m_locks.empty())
        m_grid->selectRow(0);
}

void TFormBloqueos::releaseSelected()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= static_cast<int>(m_locks.size()))
        return;
    try {
        ReleaseLock(m_app.store, m_locks[static_cast<std::size_t>(row)], m_app.prompter);
    } catch (...) {
        ReportCurrentException(m_app.prompter);
    }
    refresh();
}

void ShowLockListWindow(AppContext &app, QWidget *parent)
{
    TFormBloqueos window(app, parent);
    window.exec();
}

#include "fees/region_window.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "fees/criterion_record.h"
#include "fees/point_value.h"
#include "fees/region_selection.h"
#include "store/app_context.h"
#include "widgets/application.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormSelRegion::TFormSelRegion(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_list(new QComboBox(this))
    , m_points(new QLineEdit(this))
    , m_ipc(new QLineEdit(this))
{
    setObjectName(QStringLiteral("FormSelRegion"));
    setWindowTitle(QStringLiteral("Seleccione Región"));

    m_list->setObjectName(QStringLiteral("dbLookRegiones"));
    m_points->setObjectName(QStringLiteral("tbxValorEuros"));
    m_ipc->setObjectName(QStringLiteral("DBEdit1"));
    auto *select = new QPushButton(QStringLiteral("Seleccionar"), this);
    select->setObjectName(QStringLiteral("btn_seleccionar"));
    select->setDefault(true);

    auto *points = new QGroupBox(QStringLiteral("Sistema de Puntos"), this);
    auto *pointsRow = new QHBoxLayout(points);
    pointsRow->addWidget(new QLabel(QStringLiteral("1 Punto    ="), points));
    pointsRow->addWidget(m_points);
    pointsRow->addWidget(new QLabel(QStringLiteral("€"), points));
    auto *ipc = new QGroupBox(QStringLiteral(" I.P.C. "), this);
    auto *ipcRow = new QHBoxLayout(ipc);
    ipcRow->addWidget(new QLabel(QStringLiteral("Variación  ="), ipc));
    ipcRow->addWidget(m_ipc);
    ipcRow->addWidget(new QLabel(QStringLiteral("%"), ipc));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Seleccione la Región de cálculo:"), this));
    layout->addWidget(m_list);
    layout->addWidget(points);
    layout->addWidget(ipc);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(select);
    layout->addLayout(buttons);

    const QSqlDatabase general = m_context.store.database(Alias::General);
    m_regions = RegionsByName(general);
    for (const RegionRow &region : m_regions)
        m_list->addItem(region.nombre, region.id);
    m_list->setCurrentIndex(-1);
    if (const auto proposed = ProposedRegion(general, m_context.settings()))
        m_list->setCurrentIndex(m_list->findData(proposed->id));
    regionChanged();

    connect(m_list, &QComboBox::currentIndexChanged, this, &TFormSelRegion::regionChanged);
    connect(select, &QPushButton::clicked, this, &TFormSelRegion::select);
}

std::optional<RegionRow> TFormSelRegion::selectedRegion() const
{
    const int index = m_list->currentIndex();
    if (index < 0 || index >= static_cast<int>(m_regions.size()))
        return std::nullopt;
    return m_regions[static_cast<std::size_t>(index)];
}

bool TFormSelRegion::storePendingIPC()
{
    if (m_shownRegion < 0)
        return true;
    RegionRow &shown = m_regions[static_cast<std::size_t>(m_shownRegion)];
    try {
        const double ipc = ParseFieldNumber(m_ipc->text()).value_or(0.0);
        if (ipc != shown.ipc) {
            StoreRegionIPC(m_context.store.database(Alias::General), shown.id, ipc);
            shown.ipc = ipc;
        }
        return true;
    } catch (const AppError &e) {
        m_context.prompter.error(e.message());
        return false;
    }
}

void TFormSelRegion::regionChanged()
{
    if (!storePendingIPC()) {
        // The shown region keeps its edit until it is corrected.
        const QSignalBlocker block(m_list);
        m_list->setCurrentIndex(m_shownRegion);
        return;
    }
    m_shownRegion = m_list->currentIndex();
    const auto region = selectedRegion();
    m_points->setEnabled(region && region->puntos);
    m_points->clear();
    m_ipc->setEnabled(region.has_value());
    m_ipc->setText(region ? FormatGeneral(region->ipc) : QString());
    if (!region || !region->puntos)
        return;
    try {
        m_points->setText(PointFileText(ModuleDirFor(m_context.session.programDir, *region)));
    } catch (...) {
        ReportCurrentException(m_context.prompter);
    }
}

void TFormSelRegion::select()
{
    const auto chosen = selectedRegion();
    if (!chosen) {
        m_context.prompter.inform(QStringLiteral("Seleccione una región de la lista."));
        return;
    }
    if (!storePendingIPC())
        return;
    ActivateRegion(m_context, m_regions[static_cast<std::size_t>(m_shownRegion)]);
    const QString pointText = m_points->text();
    const QString moduleDir = m_context.session.moduleDir;
    accept();
    try {
        ApplyPointText(moduleDir, chosen->puntos, pointText);
    } catch (...) {
        ReportCurrentException(m_context.prompter);
    }
}

void OpenRegionWindow(AppContext &context, QWidget *parent)
{
    TFormSelRegion window(context, parent);
    if (window.exec() == QDialog::Accepted && parent)
        parent->window()->setWindowTitle(QStringLiteral("Intereses y Honorarios (Region: ") + context.session.regionName
                                         + u')');
}

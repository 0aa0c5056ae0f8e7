#pragma once

#include "fees/region_modules.h"

#include <QDialog>

#include <optional>
#include <vector>

struct AppContext;
class QComboBox;
class QLineEdit;

// "Seleccione Región": the active fee region, its IPC and, in a points region, the value of a
// point. "Seleccionar" makes the region active; the close box keeps the IPC being edited
// unstored.
class TFormSelRegion final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormSelRegion)

public:
    explicit TFormSelRegion(AppContext &context, QWidget *parent = nullptr);

    // The region chosen in the list, if any.
    std::optional<RegionRow> selectedRegion() const;

private:
    void regionChanged();
    bool storePendingIPC();
    void select();

    AppContext &m_context;
    std::vector<RegionRow> m_regions;
    QComboBox *m_list;
    QLineEdit *m_points;
    QLineEdit *m_ipc;
    int m_shownRegion = -1; // the region whose IPC the edit shows
};

// Opens the region window; after "Seleccionar" the main window's caption names the region.
void OpenRegionWindow(AppContext &context, QWidget *parent);

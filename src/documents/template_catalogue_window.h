#pragma once

#include "documents/template_catalogue.h"

#include <QDialog>

struct AppContext;
class QPushButton;
class QTableView;
class TemplateListModel;

// "Selección de Plantilla": the template catalogue, with "  &Altas", "  &Bajas", "  &Modif."
// and "   &Salir". Its "&Aceptar" and "&Cancelar" stay hidden when opened from the main window.
class TFormDcto final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormDcto)

public:
    explicit TFormDcto(AppContext &context, QWidget *parent = nullptr);

    // The highlighted record's id, or 0 when the catalogue is empty.
    int currentId() const;
    void refresh(int selectId = 0);

private:
    void add();
    void modify();
    void remove();
    void edit(int id, bool adding);

    AppContext &m_context;
    TemplateCatalogue m_catalogue;
    TemplateCatalogueActions m_actions;
    TemplateListModel *m_model;
    QTableView *m_grid;
};

// The main window's "Configurar Plantillas de &Intereses": the catalogue window, modal, freed
// when it closes.
void ShowTemplateCatalogue(AppContext &context, QWidget *parent);

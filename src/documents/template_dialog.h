#pragma once

#include "documents/template_catalogue.h"
#include "documents/word_processor_dialog.h"

#include <QDialog>

struct AppContext;
class QLineEdit;

// "Mantenimiento de Plantillas": the description of a template and its document, with the
// buttons that choose ("S&elec."), create ("&Nueva"), remove ("&Eliminar") and edit
// ("&Modif.") the document. The caller stores the record when the dialog closes.
class TFormDctoMan final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormDctoMan)

public:
    explicit TFormDctoMan(AppContext &context, QWidget *parent = nullptr);

    void setRecord(const TemplateRecord &record);
    TemplateRecord record() const;

private:
    void select();
    void create();
    void remove();
    void modify();
    void setPlantilla(const QString &name);
    void runWordProcessor(WordMode mode);

    AppContext &m_context;
    TemplateFileActions m_files;
    TemplateRecord m_record;
    QLineEdit *m_descripcion;
    QLineEdit *m_plantilla;
};

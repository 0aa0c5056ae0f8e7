#pragma once

#include "documents/merge_values.h"

#include <QDialog>

struct AppContext;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

// The three jobs handed to the word processor.
enum class WordMode {
    NewTemplate,  // "AltaPLANT": a new empty document under the template's name, opened
    EditTemplate, // "ModifPLANT": the template opened for editing
    Settlement    // the settlement merged into the template, written to Documentos and opened
};

// "AltaPLANT", "ModifPLANT" or "Liquidacion".
QString WordModeName(WordMode mode);

// The waiting dialog "Procesador de Textos": runs its job as soon as it shows, then shows the
// document's path (LabelARCHIVO) and offers "Continuar". In the template modes it lists the merge fields ("Campos Substitución") with
// "Insertar", which puts the chosen field on the clipboard to paste into the document, and
// "Terminar", which closes like "Continuar".
class TFormWord final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormWord)

public:
    // templateFile: the template's file name in the templates folder DocPlant.
    TFormWord(AppContext &context, WordMode mode, QString templateFile, QWidget *parent = nullptr);

    // The settlement of the settlement mode.
    void setSettlement(MergeData settlement) { m_data = std::move(settlement); }

    WordMode mode() const { return m_mode; }
    // The document the job wrote or opened; empty until the job has run (or when it failed).
    const QString &documentPath() const { return m_documentPath; }
    bool finished() const { return m_finished; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void runJob();
    void doJob();
    void finishJob();
    void progress(int value);
    void openDocument(const QString &path);
    void insertField();

    AppContext &m_context;
    WordMode m_mode;
    QString m_templateFile;
    MergeData m_data;
    QString m_documentPath;
    bool m_started = false;
    bool m_finished = false;

    QLabel *m_label;
    QProgressBar *m_progress;
    QLabel *m_written; // where the document is, once written
    QPushButton *m_continue;
    QWidget *m_fields;
    QComboBox *m_fieldList;
    QLabel *m_fieldHint;
};

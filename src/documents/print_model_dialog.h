#pragma once

#include <QDialog>

struct AppContext;
class QRadioButton;
class QTableView;
class TemplateListModel;

// "Selección de Modelo de Impresión": the word processor on a template of the catalogue, or
// the built-in listing.
class TFormDctoSel final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormDctoSel)

public:
    explicit TFormDctoSel(AppContext &context, QWidget *parent = nullptr);

    bool wordProcessorChosen() const;
    // After " &Aceptar" with the word processor chosen: the template's file name when its
    // document exists (else the message was shown and the name is empty).
    const QString &chosenTemplate() const { return m_chosen; }

private:
    void acceptChoice();

    AppContext &m_context;
    TemplateListModel *m_model;
    QTableView *m_grid;
    QRadioButton *m_word;
    QString m_chosen;
};

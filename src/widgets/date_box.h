#pragma once

#include <QDate>
#include <QWidget>

class QLineEdit;
class QToolButton;
class Prompter;

// A date typed as dd/mm/yyyy, with a calendar pop-up titled "Seleccione Fecha". Text that is
// not a date is refused when the box is left: the message "<texto>" no es una fecha válida.
// is shown (through the prompter, when one is set) and the focus stays. An empty box is
// allowed when `allowEmpty`.
class DateBox final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DateBox)

public:
    explicit DateBox(QWidget *parent = nullptr);

    QDate date() const;          // invalid when empty or not a date
    void setDate(const QDate &date);
    QString text() const;        // "" when empty, otherwise what is typed
    void setText(const QString &text);
    void clear();

    void setAllowEmpty(bool allow) { m_allowEmpty = allow; }
    void setReadOnly(bool readOnly);
    void setPrompter(Prompter *prompter) { m_prompter = prompter; }
    QLineEdit *lineEdit() const { return m_edit; }

    // Checks the text as leaving the box does; returns whether it is acceptable.
    bool validate();
    void openCalendar();

signals:
    // Each time the text becomes a different valid date (typed or chosen).
    void dateChanged(const QDate &date);
    void editingFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onTextEdited();

    QLineEdit *m_edit;
    QToolButton *m_button;
    Prompter *m_prompter = nullptr;
    bool m_allowEmpty = false;
    bool m_validating = false;
    QDate m_lastDate;
};

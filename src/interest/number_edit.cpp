#include "interest/number_edit.h"

#include "core/number_text.h"
#include "core/prompter.h"

#include <QFocusEvent>
#include <QTimer>

NumberEdit::NumberEdit(Prompter &prompter, QWidget *parent)
    : QLineEdit(parent)
    , m_prompter(prompter)
{
}

QString NumberEdit::InvalidMessage()
{
    return QStringLiteral("La cantidad introducida no es válida.");
}

std::optional<double> NumberEdit::value() const
{
    return ParseSpanishNumber(text());
}

bool NumberEdit::validate()
{
    if (value())
        return true;
    if (m_validating)
        return false;
    // The message box takes the focus away again; one message is enough.
    m_validating = true;
    m_prompter.inform(InvalidMessage());
    setText(QStringLiteral("0"));
    m_validating = false;
    QTimer::singleShot(0, this, [this] {
        setFocus();
        selectAll();
    });
    return false;
}

void NumberEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Switching to another window or opening a pop-up is not leaving the edit.
    const Qt::FocusReason reason = event->reason();
    if (!isReadOnly() && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        validate();
}

void NumberEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    selectAll();
}

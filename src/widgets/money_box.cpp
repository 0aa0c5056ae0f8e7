#include "widgets/money_box.h"

#include "core/number_text.h"
#include "core/prompter.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace {

QString EditText(double value)
{
    return FormatGeneral(value);
}

} // namespace

MoneyBox::MoneyBox(QWidget *parent)
    : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9.]*(,[0-9]*)?")), this));
    setText(displayText());
    connect(this, &QLineEdit::returnPressed, this, &MoneyBox::commitText);
}

void MoneyBox::setValue(double value)
{
    const bool changed = value != m_value;
    m_value = value;
    setText(hasFocus() ? EditText(value) : displayText());
    if (changed)
        emit valueChanged(value);
}

QString MoneyBox::displayText() const
{
    return FormatThousands2(m_value);
}

void MoneyBox::setCheck(Prompter &prompter, Check check)
{
    m_prompter = &prompter;
    m_check = std::move(check);
}

bool MoneyBox::commitText()
{
    QString typed = text();
    typed.remove(QLatin1Char('.'));
    std::optional<double> parsed = 0.0;
    if (!typed.trimmed().isEmpty() && typed.trimmed() != QLatin1String("-"))
        parsed = ParseSpanishNumber(typed);
    if (!parsed) {
        setValue(m_value);
        return true;
    }
    const std::optional<QString> refusal = m_check ? m_check(*parsed) : std::nullopt;
    if (!refusal) {
        setValue(*parsed);
        return true;
    }
    setValue(m_value);
    // The message box takes the focus away again; one message is enough.
    if (m_prompter && !m_refusing) {
        m_refusing = true;
        m_prompter->inform(*refusal);
        m_refusing = false;
        QTimer::singleShot(0, this, [this] { setFocus(); });
    }
    return false;
}

void MoneyBox::keyPressEvent(QKeyEvent *event)
{
    // A refused value keeps Return here: the dialog's default button must not act on the old one.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !commitText()) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void MoneyBox::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    setText(EditText(m_value));
    m_selectOnClick = event->reason() == Qt::MouseFocusReason;
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

void MoneyBox::focusOutEvent(QFocusEvent *event)
{
    commitText();
    setText(displayText());
    QLineEdit::focusOutEvent(event);
}

void MoneyBox::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (m_selectOnClick) {
        m_selectOnClick = false;
        selectAll();
    }
}

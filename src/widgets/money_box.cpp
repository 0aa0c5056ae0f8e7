#include "widgets/money_box.h"

#include "core/number_text.h"

#include <QFocusEvent>
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

void MoneyBox::commitText()
{
    QString typed = text();
    typed.remove(QLatin1Char('.'));
    if (typed.trimmed().isEmpty() || typed.trimmed() == QLatin1String("-")) {
        setValue(0.0);
        return;
    }
    if (const auto parsed = ParseSpanishNumber(typed))
        setValue(*parsed);
    else
        setValue(m_value);
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

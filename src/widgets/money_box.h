#pragma once

#include <QLineEdit>

#include <functional>
#include <optional>

class Prompter;

// An amount box (currency edit): shows ",0.00;-,0.00" ("1.234,50") when not being edited,
// takes digits, a decimal comma and a minus sign while edited (thousands points typed are
// ignored), and checks the value when left: text that is not a number brings the last value
// back. A click selects the whole text.
class MoneyBox final : public QLineEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MoneyBox)

public:
    explicit MoneyBox(QWidget *parent = nullptr);

    double value() const { return m_value; }
    void setValue(double value);
    // The display text (",0.00;-,0.00").
    QString displayText() const;
    // Takes the typed text as the value, as leaving the box does (an action started by a
    // keyboard shortcut leaves the focus where it is). False when the check refused it.
    bool commitText();

    // A rule on typed values: a value it refuses (its message) is not taken; the message is
    // shown through `prompter`, the last value comes back and the focus returns to the box.
    using Check = std::function<std::optional<QString>(double)>;
    void setCheck(Prompter &prompter, Check check);

signals:
    void valueChanged(double value);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    Prompter *m_prompter = nullptr;
    Check m_check;
    bool m_refusing = false;
    double m_value = 0.0;
    bool m_selectOnClick = false;
};

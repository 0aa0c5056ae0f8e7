#pragma once

#include <QLineEdit>

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
    // keyboard shortcut leaves the focus where it is).
    void commitText();

signals:
    void valueChanged(double value);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    double m_value = 0.0;
    bool m_selectOnClick = false;
};

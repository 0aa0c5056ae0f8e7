#pragma once

#include <QLineEdit>

#include <optional>

class Prompter;

// A text edit for a number typed with the decimal comma (rates, agreed percentages). A click
// selects the whole text. Leaving it with text that is not a number shows "La cantidad
// introducida no es válida.", puts "0" back and returns the focus.
class NumberEdit final : public QLineEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NumberEdit)

public:
    explicit NumberEdit(Prompter &prompter, QWidget *parent = nullptr);

    // The number typed, or nullopt when the text is not one.
    std::optional<double> value() const;
    // Checks the text as leaving the edit does; returns whether it is a number.
    bool validate();

    static QString InvalidMessage();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    Prompter &m_prompter;
    bool m_validating = false;
};

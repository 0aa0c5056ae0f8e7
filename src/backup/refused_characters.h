#pragma once

#include <QValidator>

// Refuses typed or pasted text holding any of the given characters; every other character is
// accepted.
class RefusedCharacters final : public QValidator
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RefusedCharacters)

public:
    RefusedCharacters(QString refused, QObject *parent);

    State validate(QString &input, int &pos) const override;

private:
    QString m_refused;
};

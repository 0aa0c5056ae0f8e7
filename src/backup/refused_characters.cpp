#include "backup/refused_characters.h"

RefusedCharacters::RefusedCharacters(QString refused, QObject *parent)
    : QValidator(parent)
    , m_refused(std::move(refused))
{
}

QValidator::State RefusedCharacters::validate(QString &input, int &) const
{
    for (const QChar c : input) {
        if (m_refused.contains(c))
            return Invalid;
    }
    return Acceptable;
}

#include "interest/settlement_types.h"

const QStringList &InterestTypeTexts()
{
    static const QStringList texts = {QStringLiteral("Interés Legal"),
                                      QStringLiteral("Interés Judicial"),
                                      QStringLiteral("Interés Verbal Auto. (20%)"),
                                      QStringLiteral("Interés Verbal Auto. (Legal +50%)"),
                                      QStringLiteral("Interés Pactado"),
                                      QStringLiteral("Interés Demora Admon.")};
    return texts;
}

std::optional<int> InterestTypeIndex(const QString &text)
{
    const auto at = InterestTypeTexts().indexOf(text);
    if (at < 0)
        return std::nullopt;
    return static_cast<int>(at);
}

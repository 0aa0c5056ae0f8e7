#pragma once

#include <QSqlDatabase>

#include <optional>

class QWidget;

// The title search of the criteria windows: the dialog "Búsqueda" (TformBuscar) asks the text,
// then the result window "Resultado Búsqueda" (TformResBus) lists the matching titles
// (SearchCriterionTitles). Returns the Id the user selected; nullopt when cancelled at either
// step. Throws StoreError from the search.
std::optional<int> RunTitleSearch(QWidget *parent, const QSqlDatabase &modulo);

#pragma once

#include "clients/record_file.h"

#include <QString>

#include <optional>

struct AppContext;
class QWidget;

// Choosing a client from another window (the invoice editor). Link cuantix_clients_ui.
//
// PickClient opens the clients window ("Clientes") modally in picker mode: the list is in name
// order, "S&eleccionar" is shown, `EditNOMBRE` holds `initialName` with the caret at its end
// and the list is positioned on the nearest name. The user may add, edit and search clients
// there as in the window of the "Clientes" menu entry.
//
// Returns the chosen client's number (`ICodCli`) when the user closes with "S&eleccionar" (a
// double click on the list edits the client, as in the other mode), and 0 when the window is
// closed with "&Salir" or the title-bar button, or when "S&eleccionar" finds the list empty.
//
// Reads and writes the `clientes` table of the dbIntereses database of `context.store`; the
// questions go through `context.prompter`. Throws AppError/StoreError only for store failures.
//
// Typical use:
//     const int number = PickClient(m_context, EditCLIENTE->text(), this);
//     if (number != 0)
//         if (const std::optional<Record> client = FindClient(m_context, number))
//             fill from client->value("SNombreCli").toString(), "SDomicilioCli", "SNifCli",
//             "SCodPostalCli", "SPoblacionCli", "SProvinciaCli" ...
int PickClient(AppContext &context, const QString &initialName, QWidget *parent = nullptr);

// The stored client with that number (field name -> value, blank fields absent), or nullopt.
std::optional<Record> FindClient(AppContext &context, int number);

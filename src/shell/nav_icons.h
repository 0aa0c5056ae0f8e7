#pragma once

#include <QIcon>

// Pictures of the navigation panel's buttons, drawn by the program.
enum class NavGlyph { Rates, Settlement, Region, Concepts, Tables, Invoice, InvoiceList, Fees, Clients, Contacts };
QIcon NavIcon(NavGlyph glyph);

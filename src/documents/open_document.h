#pragma once

#include <QString>

#include <functional>

// Opens a document with the program the system associates with its type (the word
// processor for .docx). Returns false when no program took it.
bool OpenDocument(const QString &path);

// Replaces how documents are opened (tests record the paths instead of starting a word
// processor); an empty function restores the system's way.
void SetDocumentOpener(std::function<bool(const QString &path)> opener);

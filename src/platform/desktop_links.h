#pragma once

#include <QString>

#include <functional>

class Prompter;
class QUrl;

// Opens an address (web page or local file) with the user's default program. False when no
// program took it.
bool OpenAddress(const QUrl &url);

// Replaces how addresses are opened (tests record them instead of starting programs); an
// empty function restores the system's way.
void SetAddressOpener(std::function<bool(const QUrl &url)> opener);

// Opens the folder holding the file at path in the file manager. False when nothing took it.
bool OpenFolderOf(const QString &path);

// For a file the program wrote that the system's program could not open: says so, shows where
// it was written and asks whether to open its folder, which it then opens. `what` names the
// file for the user, with its article: "el documento", "el manual".
void ReportUnopenedFile(Prompter &prompter, const QString &what, const QString &path);

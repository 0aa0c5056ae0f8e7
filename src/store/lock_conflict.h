#pragma once

#include <QString>

#include <functional>

class Prompter;

// Fixed beginnings of the lock message of each maintenance window.
namespace LockBeginning {
inline const QString RateEdit = QStringLiteral("En este momento el tipo de interés está siendo usado por el usuario: ");
inline const QString RateDelete = QStringLiteral("En este momento el tipo de interes está siendo usado por el usuario: ");
inline const QString TemplatesAdd = QStringLiteral("En este momento las plantillas están siendo usadas por el usuario: ");
inline const QString TemplateEdit = QStringLiteral("En este momento la plantilla está siendo usado por el usuario: ");
inline const QString DocumentDelete = QStringLiteral("En este momento el documento está siendo usado por el usuario: ");
inline const QString Record = QStringLiteral("En este momento el registro está siendo usado por el usuario: ");
} // namespace LockBeginning

// beginning + '"' + user + '"' + ". Inténtelo más tarde."
QString LockMessage(const QString &beginning, const QString &user);

// The reaction of every maintenance window to a record-lock outcome. Runs `begin` (which
// starts the change and takes the lock) and returns true when it succeeded. Otherwise:
//  - deleted by another user: calls `refresh`, shows nothing, returns false;
//  - locked by another user (record or table): shows the lock message built from `beginning`
//    and the holder's name, returns false;
//  - already locked by this program: shows "Este registro ya está siendo usado dentro de la
//    ejecución del programa." when `reportLockedHere`, else the error propagates;
//  - any other error propagates.
bool LockConflict(Prompter &prompter, const QString &beginning, const std::function<void()> &begin,
                  const std::function<void()> &refresh, bool reportLockedHere = false);

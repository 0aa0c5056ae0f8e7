#pragma once

#include <QString>

// Whether a process of this machine with that id is still running.
bool ProcessIsRunning(qint64 pid);

// The name the user logged in with ("" when the system does not tell).
QString CurrentUserName();

// Whether the program runs as the Unix superuser (never on Windows).
bool RunsAsRoot();

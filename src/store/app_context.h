#pragma once

#include "core/ini_file.h"
#include "core/prompter.h"
#include "core/session.h"
#include "store/data_store.h"

// What every window and engine of the running program reaches: the session values, the named
// databases, the prompter for questions and the settings file. The main window owns them.
struct AppContext
{
    Session &session;
    DataStore &store;
    Prompter &prompter;
    QString settingsPath; // the settings file (the executable's path with ".ini")

    IniFile settings() const { return IniFile(settingsPath); }
};

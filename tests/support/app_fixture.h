#pragma once

#include "store/app_context.h"
#include "support/scripted_prompter.h"
#include "support/temp_installation.h"

// A running program's context on a fresh installation: main databases connected, working
// tables open, scripted prompter, settings file "Devenix.ini" in the installation folder.
class AppFixture
{
public:
    AppFixture();

    TempInstallation install;
    Session session;
    DataStore store;
    ScriptedPrompter prompter;
    AppContext context;
};

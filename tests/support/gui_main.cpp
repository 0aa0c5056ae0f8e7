#include "widgets/application.h"

#include "support/pg_server.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    CuantixApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    AddTestServerEnvironment();
    return RUN_ALL_TESTS();
}

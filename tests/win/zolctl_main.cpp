// Entry of zolctl's tests: the stand-in server registered with this run's own state
// directory; zolctl.exe runs as a separate process against it.
#include "standin_support.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(standin_test::NewStandinEnvironment());
    return RUN_ALL_TESTS();
}

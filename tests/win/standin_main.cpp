// Entry of the stand-in server's tests: COM on the main thread and the suite's own
// registration of the server.
#include "standin_support.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    ::testing::AddGlobalTestEnvironment(standin_test::NewStandinEnvironment());
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}

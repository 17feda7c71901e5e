// Test entry: on Windows a crash must fail the test instead of opening the debugger's dialog.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

static LONG WINAPI TerminateOnCrash(EXCEPTION_POINTERS*) {
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    SetUnhandledExceptionFilter(TerminateOnCrash);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

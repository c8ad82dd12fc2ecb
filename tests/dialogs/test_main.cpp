// The common item dialog and the shell need a single-threaded apartment.
#include <gtest/gtest.h>

#include <ole2.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(::OleInitialize(nullptr))) {
        return 2;
    }
    const int status = RUN_ALL_TESTS();
    ::OleUninitialize();
    return status;
}

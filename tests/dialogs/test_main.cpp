// The common item dialog and the shell need a single-threaded apartment.
#include <gtest/gtest.h>

#include <ole2.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return FAILED(::OleInitialize(nullptr)) ? 2 : RUN_ALL_TESTS();
}

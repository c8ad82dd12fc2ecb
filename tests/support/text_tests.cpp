// Paths into the ANSI code page: exact or not at all, never a look-alike.
#include "support/text.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace octolume::test {
namespace {

class AnsiCodePage1252 : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetACP() != 1252)
            GTEST_SKIP() << "the expected bytes are those of code page 1252";
    }
};

TEST_F(AnsiCodePage1252, PathsInTheCodePageComeThroughExactly) {
    EXPECT_EQ(ToAnsiExactly(L"C:\\Temp\\caf\u00e9 \u20ac.txt"), "C:\\Temp\\caf\xe9 \x80.txt");
    EXPECT_EQ(ToAnsiExactly(L""), std::string());
}

TEST_F(AnsiCodePage1252, PathsWithAnyOtherCharacterHaveNoAnsiForm) {
    // ā has a best fit (a), Ω none (?), a lone surrogate no character at all.
    EXPECT_EQ(ToAnsiExactly(L"C:\\inst\\\u0101\\octolume.dll"), std::nullopt);
    EXPECT_EQ(ToAnsiExactly(L"C:\\\u03a9.txt"), std::nullopt);
    EXPECT_EQ(ToAnsiExactly(std::wstring(L"C:\\\xd800.txt")), std::nullopt);
    // Where a text is converted anyway, a missing character shows as such.
    EXPECT_EQ(ToAnsi(L"\u0101.txt"), "?.txt");
}

} // namespace
} // namespace octolume::test

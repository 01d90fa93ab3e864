// File identity on Windows: a hard link and either separator name the same
// file (volume serial number and file ID), and names that differ only in
// letter case are one name.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/platform.hpp"
#include "support/temp_dir.hpp"

namespace quillet {
namespace {

using platform::FileIdentity;
using platform::identify_file;

bool same(const std::string& a, const std::string& b) {
    return platform::same_file(identify_file(a.c_str()), identify_file(b.c_str()));
}

std::wstring wide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &text[0], size);
    text.resize(static_cast<std::size_t>(size) - 1);
    return text;
}

TEST(FileIdentityWindows, HardLinkSeparatorsAndLetterCase) {
    quillet_test::TempDir dir;
    dir.write("game.zvk", {1});
    ASSERT_TRUE(CreateHardLinkW(wide(dir.file("hard.zvk")).c_str(), wide(dir.file("game.zvk")).c_str(), nullptr));
    EXPECT_TRUE(same(dir.file("game.zvk"), dir.file("hard.zvk")));
    EXPECT_TRUE(same(dir.file("game.zvk"), dir.path() + "\\game.zvk"));
    EXPECT_TRUE(same(dir.file("game.zvk"), dir.file("GAME.ZVK")));
    EXPECT_TRUE(same(dir.file("new.bin"), dir.path() + "\\NEW.bin"));
    EXPECT_FALSE(same(dir.file("new.bin"), dir.file("new2.bin")));
}

}  // namespace
}  // namespace quillet

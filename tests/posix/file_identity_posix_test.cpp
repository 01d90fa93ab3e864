// File identity through what only POSIX systems have: hard and symbolic
// links name the file they lead to, devices are not regular files.
#include <unistd.h>

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

TEST(FileIdentityPosix, LinksNameTheFileTheyLeadTo) {
    quillet_test::TempDir dir;
    dir.write("game.zvk", {1});
    ASSERT_EQ(link(dir.file("game.zvk").c_str(), dir.file("hard.zvk").c_str()), 0);
    ASSERT_EQ(symlink("game.zvk", dir.file("soft.zvk").c_str()), 0);
    ASSERT_EQ(symlink("later.bin", dir.file("dangling.bin").c_str()), 0);
    EXPECT_TRUE(same(dir.file("game.zvk"), dir.file("hard.zvk")));
    EXPECT_TRUE(same(dir.file("soft.zvk"), dir.file("game.zvk")));
    // A dangling link: writing through it makes the file it names.
    EXPECT_EQ(identify_file(dir.file("dangling.bin").c_str()).kind, FileIdentity::Kind::ABSENT);
    EXPECT_TRUE(same(dir.file("dangling.bin"), dir.file("later.bin")));
    EXPECT_FALSE(same(dir.file("dangling.bin"), dir.file("game.zvk")));
}

TEST(FileIdentityPosix, DevicesAreNoRegularFiles) {
    EXPECT_EQ(identify_file("/dev/null").kind, FileIdentity::Kind::OTHER);
    EXPECT_TRUE(same("/dev/null", "/dev/../dev/null"));
}

}  // namespace
}  // namespace quillet

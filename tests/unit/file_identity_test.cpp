// Which file a path names, whatever its spelling: the platform layer's
// identity of files (src/base/platform_*.cpp), on every system. The links
// of each system are in tests/posix and tests/windows.
#include <gtest/gtest.h>

#include <string>

#include "base/file_access.hpp"
#include "base/platform.hpp"
#include "support/temp_dir.hpp"

namespace quillet {
namespace {

using platform::FileIdentity;
using platform::identify_file;
using platform::same_file;

bool same(const std::string& a, const std::string& b) {
    return same_file(identify_file(a.c_str()), identify_file(b.c_str()));
}

TEST(FileIdentity, KindsOfWhatStandsThere) {
    quillet_test::TempDir dir;
    dir.write("game.zvk", {1, 2, 3});
    dir.make_directory("sub");
    EXPECT_EQ(identify_file(dir.file("game.zvk").c_str()).kind, FileIdentity::Kind::REGULAR);
    EXPECT_EQ(identify_file(dir.file("sub").c_str()).kind, FileIdentity::Kind::OTHER);
    EXPECT_EQ(identify_file(dir.file("new.bin").c_str()).kind, FileIdentity::Kind::ABSENT);
    EXPECT_EQ(identify_file(dir.file("missing/new.bin").c_str()).kind, FileIdentity::Kind::UNKNOWN);
    EXPECT_EQ(identify_file("").kind, FileIdentity::Kind::UNKNOWN);
}

TEST(FileIdentity, OneFileWhateverItsSpelling) {
    quillet_test::TempDir dir;
    dir.write("game.zvk", {1, 2, 3});
    dir.write("other.zvk", {1, 2, 3});
    dir.make_directory("sub");
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"game.zvk", "game.zvk", true},
        {"game.zvk", "./game.zvk", true},
        {"game.zvk", "sub/../game.zvk", true},
        {"game.zvk", "sub/./../game.zvk", true},
        {"game.zvk", "other.zvk", false},  // the same bytes are not the same file
        {"game.zvk", "sub", false},
        {"new.bin", "./new.bin", true},  // nothing there yet: one name in one directory
        {"new.bin", "sub/../new.bin", true},
        {"new.bin", "new2.bin", false},
        {"new.bin", "sub/new.bin", false},
        {"new.bin", "game.zvk", false},
        {"missing/x", "missing/x", false},  // cannot be examined: no file
    };
    for (const Case& c : cases) {
        EXPECT_EQ(same(dir.file(c.a), dir.file(c.b)), c.same) << c.a << " and " << c.b;
        EXPECT_EQ(same(dir.file(c.b), dir.file(c.a)), c.same) << c.b << " and " << c.a;
        // Their keys, which match many paths in one pass, say the same.
        const std::string key = file_key(dir.file(c.a).c_str());
        EXPECT_EQ(!key.empty() && key == file_key(dir.file(c.b).c_str()), c.same) << c.a << " and " << c.b;
    }
}

}  // namespace
}  // namespace quillet

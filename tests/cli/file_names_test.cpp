// File names beyond ASCII, as typed on the command line: loaded and saved
// under exactly those names (on Windows through the UTF-16 arguments and
// the wide system calls), and shown in every message as typed.
#include "cli_test.hpp"

namespace quillet_test {
namespace {

using FileNameTest = CliTest;

const std::string MEMORY = "hra_č.bin";
const std::string SNAPSHOT = "Příklad.zvk";

TEST_F(FileNameTest, MemoryFileAndSnapshotKeepTheirNames) {
    const Bytes page = varied(PAGE_BYTES, 7);
    dir.write(MEMORY, page);
    HeaderFields expected;
    expected.block_lengths[0] = PAGE_BYTES;
    EXPECT_TRUE(same_bytes(join({header_bytes(expected), page}), build(SNAPSHOT, {"-mem", "0", MEMORY})));
    EXPECT_EQ((std::vector<std::string>{SNAPSHOT, MEMORY}), dir.entries());
}

TEST_F(FileNameTest, TemplateAndRomFileKeepTheirNames) {
    dir.write(MEMORY, varied(100, 2));
    dir.write("ROM_ľ.bin", repeated(1024, 0x3C));
    const Bytes original = build(SNAPSHOT, {"-mem", "0", MEMORY, "-rom", "ROM_ľ.bin"});
    ASSERT_FALSE(original.empty());
    EXPECT_TRUE(same_bytes(original, build("kópia.zvk", {"-zvk", SNAPSHOT})));
}

TEST_F(FileNameTest, ProgressAndFailuresShowTheNamesAsTyped) {
    dir.write(MEMORY, varied(10, 1));
    EXPECT_TRUE(succeeded(run({"-vb", "-mem", "256", MEMORY, "-o", SNAPSHOT}),
                          "Loading file `" + MEMORY + "` from address 256\n" + saved(SNAPSHOT)));
    EXPECT_TRUE(failed_with(run({"-mem", "0", "chybí_ř.bin", "-o", SNAPSHOT}), 5,
                            "Can't open source file 'chybí_ř.bin'!"));
    EXPECT_TRUE(failed_with(run({"-mem", "0", MEMORY, "-o", "složka/" + SNAPSHOT}), 10,
                            "Can't open output file 'složka/" + SNAPSHOT + "'!",
                            "Saving final Snapshot `složka/" + SNAPSHOT + "`\n"));
    EXPECT_TRUE(failed_with(run({"-zvk", MEMORY, "-o", SNAPSHOT}), 24, "Bad or no ZVK header in file: '" + MEMORY + "'!",
                            "Loading template Snapshot `" + MEMORY + "`\n"));
}

}  // namespace
}  // namespace quillet_test

// quillet-info with file names beyond ASCII: the snapshot, the extraction
// directory and the memory image are found and written under the names as
// typed, and shown so (on Windows through the UTF-16 arguments).
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "mini_json.hpp"

namespace info_test {
namespace {

TEST_F(InfoTest, NamesBeyondAsciiAreReadWrittenAndShown) {
    dir_.write("hra_č.bin", Bytes(100, 0x21));
    const std::string file = make_snapshot("Příklad.zvk", {"-mem", "0", path("hra_č.bin")});
    dir_.make_directory("výstup");
    const RunResult run = run_info({"-x", path("výstup"), "-m", path("paměť.bin"), file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(text_field(run.out, "File:"), file);
    EXPECT_EQ(text_field(run.out, "File size:"), "16440 bytes");
    EXPECT_EQ(dir_.entries("výstup"), std::vector<std::string>{"block-00.bin"});
    EXPECT_EQ(dir_.read("paměť.bin").size(), 65536u);

    const RunResult json = run_info({"--json", file});
    JsonValue value;
    std::string error;
    ASSERT_TRUE(parse_json(json.out, &value, &error)) << error;
    EXPECT_EQ(value["file"].text, file);
    EXPECT_EQ(value["file_size"].number, 16440);
}

TEST_F(InfoTest, MissingFileWithANameBeyondAsciiIsReportedAsTyped) {
    const RunResult run = run_info({path("chybí_ř.zvk")});
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.err, "Can't open source file '" + path("chybí_ř.zvk") + "'!\n");
}

}  // namespace
}  // namespace info_test

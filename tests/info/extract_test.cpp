// quillet-info -x / -m: what quillet loaded with -mem, -pg, -hex and -rom
// comes back byte for byte at its addresses; failures to write name the
// path and write nothing outside the directory.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "support/target.hpp"

namespace info_test {
namespace {

constexpr int PAGE = 16384;

// Pseudo-random bytes: no useful runs, so they test the raw form and the
// literal runs of the run form.
Bytes noise(int count, unsigned seed) {
    Bytes bytes(static_cast<std::size_t>(count));
    unsigned state = seed;
    for (std::uint8_t& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    if (from + count > bytes.size()) return Bytes();
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + count));
}

bool all_zero(const Bytes& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

class ExtractTest : public InfoTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        InfoTest::SetUp();
        program_ = noise(5000, 1);
        page_ = noise(3000, 2);
        mapper_page_ = noise(PAGE, 3);
        rom_ = noise(3000, 4);
        dir_.write("program.bin", program_);
        dir_.write("page.bin", page_);
        dir_.write("mapper.bin", mapper_page_);
        dir_.write("rom.in", rom_);
        ASSERT_EQ(mkdir(path("out").c_str(), 0700), 0);
    }

    std::vector<std::string> arguments(std::vector<std::string> extra) const {
        if (GetParam()) extra.push_back("-pack");
        return extra;
    }

    Bytes program_, page_, mapper_page_, rom_;
};

TEST_P(ExtractTest, LoadedBytesComeBackAtTheirAddresses) {
    const std::string file = make_snapshot(
        "s.zvk", arguments({"-mem", "0x1234", path("program.bin"), "-pg", "1", path("page.bin"), "-hex", "0xC010",
                            "DEADBEEF0102", "-pg", "6", path("mapper.bin"), "-rom", path("rom.in")}));
    const RunResult run = run_info({"-x", path("out"), "--memory", path("memory.bin"), file});
    ASSERT_EQ(run.status, 0) << run.err;

    const Bytes memory = dir_.read("memory.bin");
    ASSERT_EQ(memory.size(), 65536u);
    EXPECT_EQ(slice(memory, 0x1234, program_.size()), program_);
    EXPECT_EQ(slice(memory, 0x4000, page_.size()), page_);
    EXPECT_EQ(slice(memory, 0xC010, 6), (Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02}));
    EXPECT_TRUE(all_zero(slice(memory, 0, 0x1234)));
    EXPECT_TRUE(all_zero(slice(memory, 0x4000 + page_.size(), 0x8000 - 0x4000 - page_.size())));
    EXPECT_TRUE(all_zero(slice(memory, 0x8000, PAGE))) << "block 2 was never loaded";

    for (int block : {0, 1, 3}) {
        char name[32];
        std::snprintf(name, sizeof name, "out/block-%02d.bin", block);
        EXPECT_EQ(dir_.read(name), slice(memory, static_cast<std::size_t>(block) * PAGE, PAGE)) << name;
    }
    EXPECT_FALSE(dir_.exists("out/block-02.bin"));
    EXPECT_EQ(dir_.read("out/block-06.bin"), mapper_page_);
    Bytes padded_rom = rom_;
    padded_rom.resize(3072, 0xFF);  // quillet rounds the image up to 1 KB with 0xFF
    EXPECT_EQ(dir_.read("out/rom.bin"), padded_rom);

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path("out"))) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"block-00.bin", "block-01.bin", "block-03.bin", "block-06.bin",
                                               "rom.bin"}));
}

TEST_P(ExtractTest, BlockTwoOfAModelThatDoesNotStoreItIsZeroInTheMemoryImage) {
    const std::string file =
        make_snapshot("s.zvk", arguments({"-cm", "ALFA", "-mem", "0x8000", path("mapper.bin"), "-mem", "0xC000",
                                          path("page.bin")}));
    const RunResult run = run_info({"-x", path("out"), "-m", path("memory.bin"), file});
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes memory = dir_.read("memory.bin");
    ASSERT_EQ(memory.size(), 65536u);
    EXPECT_TRUE(all_zero(slice(memory, 0x8000, PAGE)));
    EXPECT_EQ(slice(memory, 0xC000, page_.size()), page_);
    EXPECT_FALSE(dir_.exists("out/block-02.bin"));
    EXPECT_TRUE(dir_.exists("out/block-03.bin"));
}

INSTANTIATE_TEST_SUITE_P(RawAndPacked, ExtractTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "packed" : "raw"; });

class ExtractFailureTest : public InfoTest {
protected:
    void SetUp() override {
        InfoTest::SetUp();
        dir_.write("page.bin", noise(100, 7));
        snapshot_ = make_snapshot("s.zvk", {"-pg", "0", path("page.bin")});
    }
    std::string snapshot_;
};

TEST_F(ExtractFailureTest, AMissingDirectoryIsCreated) {
    const RunResult run = run_info({"--extract", path("new"), snapshot_});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::filesystem::file_size(path("new/block-00.bin")), static_cast<std::uintmax_t>(PAGE));
}

TEST_F(ExtractFailureTest, MissingParentDirectoryFailsWithThePath) {
    const RunResult run = run_info({"--extract", path("missing/out"), snapshot_});
    EXPECT_EQ(run.status, 10);
    EXPECT_EQ(run.err, "Can't open output file '" + path("missing/out/block-00.bin") + "'!\n");
    EXPECT_FALSE(dir_.exists("missing"));
}

// The folder holds this snapshot's pieces and no former extraction's: the
// pieces it lacks go, whatever else the folder holds stays.
TEST_F(ExtractFailureTest, AnEarlierExtractionsPiecesThisSnapshotLacksGo) {
    ASSERT_EQ(mkdir(path("out").c_str(), 0700), 0);
    dir_.write("out/rom.bin", Bytes(1024, 0xFF));
    dir_.write("out/block-00.bin", Bytes(PAGE, 1));
    dir_.write("out/block-05.bin", Bytes(PAGE, 5));
    dir_.write("out/notes.txt", Bytes{'h', 'i'});
    const RunResult run = run_info({"-x", path("out"), snapshot_});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(dir_.exists("out/rom.bin"));
    EXPECT_FALSE(dir_.exists("out/block-05.bin"));
    EXPECT_EQ(slice(dir_.read("out/block-00.bin"), 0, 100), noise(100, 7));
    EXPECT_EQ(dir_.read("out/notes.txt"), (Bytes{'h', 'i'}));
}

// A piece that cannot be written leaves the folder as it was: no piece of
// the new set, and the former extraction whole.
TEST_F(ExtractFailureTest, AFailedExtractionLeavesTheFolderAsItWas) {
    QUILLET_REQUIRE(quillet_test::Facility::RESOURCE_LIMITS);
    ASSERT_EQ(mkdir(path("out").c_str(), 0700), 0);
    dir_.write("out/block-05.bin", Bytes(PAGE, 5));
    quillet_test::ProcessSetup setup;
    setup.file_size_limit = PAGE / 2;  // a disk that fills up
    const RunResult run = run_info_with_setup({"-x", path("out"), snapshot_}, setup);
    EXPECT_EQ(run.status, 12) << run.err;
    EXPECT_EQ(run.err, "Can't write to the output file '" + path("out/block-00.bin") + "'!\n");
    EXPECT_EQ(dir_.read("out/block-05.bin"), Bytes(PAGE, 5));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path("out")), {}), 1);
}

TEST_F(ExtractFailureTest, MemoryFileInAMissingDirectoryFails) {
    const RunResult run = run_info({"-m", path("missing/memory.bin"), snapshot_});
    EXPECT_EQ(run.status, 10);
    EXPECT_NE(run.err.find(path("missing/memory.bin")), std::string::npos) << run.err;
}

TEST_F(ExtractFailureTest, ALinkInTheDirectoryIsNotFollowed) {
    QUILLET_REQUIRE(quillet_test::Facility::SYMBOLIC_LINKS);
    ASSERT_EQ(mkdir(path("out").c_str(), 0700), 0);
    dir_.write("outside.bin", Bytes{1, 2, 3});
    ASSERT_EQ(symlink(path("outside.bin").c_str(), path("out/block-00.bin").c_str()), 0);
    const RunResult run = run_info({"-x", path("out"), snapshot_});
    EXPECT_EQ(run.status, 11);
    EXPECT_EQ(run.err, "Can't access output file '" + path("out/block-00.bin") + "'!\n");
    EXPECT_EQ(dir_.read("outside.bin"), (Bytes{1, 2, 3}));
}

TEST_F(ExtractFailureTest, AnInvalidSnapshotExtractsNothing) {
    ASSERT_EQ(mkdir(path("out").c_str(), 0700), 0);
    Bytes damaged = dir_.read("s.zvk");
    damaged[0] = 'z';
    dir_.write("bad.zvk", damaged);
    const RunResult run = run_info({"-x", path("out"), "-m", path("memory.bin"), path("bad.zvk")});
    EXPECT_EQ(run.status, 24);
    EXPECT_TRUE(std::filesystem::is_empty(path("out")));
    EXPECT_FALSE(dir_.exists("memory.bin"));
}

TEST_F(ExtractFailureTest, ExtractionNeedsASingleFileAndADirectoryName) {
    ASSERT_EQ(mkdir(path("out").c_str(), 0700), 0);
    const std::vector<std::vector<std::string>> refused = {
        {"-x", path("out"), snapshot_, snapshot_},
        {"-m", path("memory.bin"), snapshot_, snapshot_},
        {"-x", "", snapshot_},
    };
    for (const auto& arguments : refused) {
        const RunResult run = run_info(arguments);
        EXPECT_EQ(run.status, 64) << arguments[0];
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
    EXPECT_TRUE(std::filesystem::is_empty(path("out")));
    EXPECT_FALSE(dir_.exists("memory.bin"));
}

}  // namespace
}  // namespace info_test

// quillet-info --diff: snapshots that restore the same state (the same
// file, its packed twin) against ones that differ in one byte of a mapper
// page, in the model, in the add-on hardware, in the ROM image or in which
// blocks are present; the exit statuses of a comparison; an OTHER that is
// no valid snapshot.
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "mini_json.hpp"

namespace info_test {
namespace {

constexpr int PAGE = 16384;
constexpr int SAME = 0;
constexpr int DIFFERENT = 1;

Bytes counting_page() {
    Bytes page(PAGE);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(i * 7);
    return page;
}

class DiffTest : public InfoTest {
protected:
    void SetUp() override {
        InfoTest::SetUp();
        Bytes page = counting_page();
        dir_.write("page.bin", page);
        page[0x1234] ^= 0xFF;
        dir_.write("page-changed.bin", page);
        dir_.write("runs.bin", Bytes(PAGE / 2, 0xE5));
    }

    // Runs --diff in text and in JSON; both must give `status`. Returns
    // the text output and fills `json` with the comparison's object.
    std::string compare(const std::string& a, const std::string& b, int status, JsonValue* json) {
        const RunResult text = run_info({a, "--diff", b});
        EXPECT_EQ(text.status, status) << text.err;
        EXPECT_EQ(text.err, "");
        const RunResult run = run_info({"--json", "--diff", b, a});
        EXPECT_EQ(run.status, status);
        JsonValue value;
        std::string error;
        EXPECT_TRUE(parse_json(run.out, &value, &error)) << error << "\n" << run.out;
        EXPECT_EQ(value["status"].number, status);
        *json = value["diff"];
        return text.out;
    }
};

TEST_F(DiffTest, ASnapshotAndItsPackedTwinAreTheSame) {
    const std::vector<std::string> contents = {"-mem", "0x4000", path("runs.bin"), "-pg", "9", path("page.bin"),
                                               "-rom", path("page.bin"), "-reg", "PC", "0x4000"};
    const std::string raw = make_snapshot("raw.zvk", contents);
    std::vector<std::string> packed_contents = contents;
    packed_contents.push_back("-pack");
    const std::string packed = make_snapshot("packed.zvk", packed_contents);
    ASSERT_NE(dir_.read("raw.zvk"), dir_.read("packed.zvk"));

    for (const std::string& other : {raw, packed}) {
        JsonValue diff;
        EXPECT_EQ(compare(raw, other, SAME, &diff), "No differences between " + raw + " and " + other + "\n");
        EXPECT_EQ(diff["other"].text, other);
        EXPECT_TRUE(diff["same"].boolean);
        EXPECT_TRUE(diff["header"].items.empty());
        EXPECT_TRUE(diff["rom"].is_null());
        EXPECT_TRUE(diff["memory"].items.empty());
    }
}

TEST_F(DiffTest, OneByteChangedInAMapperPageIsOneRange) {
    const std::string a = make_snapshot("a.zvk", {"-pg", "6", path("page.bin")});
    const std::string b = make_snapshot("b.zvk", {"-pack", "-pg", "6", path("page-changed.bin")});
    JsonValue diff;
    EXPECT_EQ(compare(a, b, DIFFERENT, &diff),
              "Differences between " + a + " and " + b + ":\nMemory:\n  p6:0x1234-0x1234: 1 byte differs\n");
    EXPECT_FALSE(diff["same"].boolean);
    EXPECT_TRUE(diff["header"].items.empty());
    ASSERT_EQ(diff["memory"].items.size(), 1u);
    const JsonValue& range = diff["memory"][0];
    EXPECT_EQ(range["block"].number, 6);
    EXPECT_EQ(range["first"].number, 0x1234);
    EXPECT_EQ(range["last"].number, 0x1234);
    EXPECT_EQ(range["count"].number, 1);
    EXPECT_TRUE(range["absent"].is_null());
}

// Differences fewer than 16 bytes apart share a range; 16 apart start a new one.
TEST_F(DiffTest, NearbyDifferencesShareARange) {
    const std::string a = make_snapshot("a.zvk", {"-mem", "0x4000", path("page.bin")});
    const std::string b = make_snapshot("b.zvk", {"-mem", "0x4000", path("page.bin"), "-hex", "0x4100", "5A",
                                                  "-hex", "0x410F", "5A", "-hex", "0x411F", "5A"});
    JsonValue diff;
    EXPECT_EQ(compare(a, b, DIFFERENT, &diff), "Differences between " + a + " and " + b +
                                                   ":\nMemory:\n  0x4100-0x410F: 2 bytes differ\n"
                                                   "  0x411F-0x411F: 1 byte differs\n");
    ASSERT_EQ(diff["memory"].items.size(), 2u);
    EXPECT_EQ(diff["memory"][0]["block"].number, 1);
    EXPECT_EQ(diff["memory"][0]["first"].number, 0x4100);
    EXPECT_EQ(diff["memory"][0]["last"].number, 0x410F);
    EXPECT_EQ(diff["memory"][0]["count"].number, 2);
}

TEST_F(DiffTest, AnotherModelDiffersInTheHeaderAndInBlockTwo) {
    const std::vector<std::string> memory = {"-mem", "0x8000", path("page.bin")};
    const std::string v2a = make_snapshot("v2a.zvk", memory);
    std::vector<std::string> v3_arguments = memory;
    v3_arguments.insert(v3_arguments.end(), {"-cm", "V3"});
    const std::string v3 = make_snapshot("v3.zvk", v3_arguments);
    std::vector<std::string> alfa_arguments = memory;
    alfa_arguments.insert(alfa_arguments.end(), {"-cm", "ALFA"});
    const std::string alfa = make_snapshot("alfa.zvk", alfa_arguments);

    JsonValue diff;
    EXPECT_EQ(compare(v2a, v3, DIFFERENT, &diff),
              "Differences between " + v2a + " and " + v3 + ":\nHeader:\n  model, offset 6: V2A -> V3\n");
    ASSERT_EQ(diff["header"].items.size(), 1u);
    EXPECT_EQ(diff["header"][0]["field"].text, "model");
    EXPECT_EQ(diff["header"][0]["offset"].number, 6);
    EXPECT_EQ(diff["header"][0]["a"].number, 2);
    EXPECT_EQ(diff["header"][0]["b"].number, 3);
    EXPECT_TRUE(diff["memory"].items.empty());

    EXPECT_EQ(compare(alfa, v2a, DIFFERENT, &diff), "Differences between " + alfa + " and " + v2a +
                                                        ":\nHeader:\n  model, offset 6: ALFA -> V2A\n"
                                                        "Memory:\n  0x8000-0xBFFF: absent -> present\n");
    ASSERT_EQ(diff["memory"].items.size(), 1u);
    EXPECT_EQ(diff["memory"][0]["block"].number, 2);
    EXPECT_EQ(diff["memory"][0]["count"].number, PAGE);
    EXPECT_EQ(diff["memory"][0]["absent"].text, "a");
}

TEST_F(DiffTest, RegistersFlagsAndAddOnHardwareByName) {
    const std::string plain = make_snapshot("plain.zvk", {"-mem", "0", path("page.bin")});
    const std::string changed = make_snapshot(
        "changed.zvk", {"-mem", "0", path("page.bin"), "-ei", "-allram", "-reg", "SP", "0x1234", "-mm", "5", "-mus"});
    JsonValue diff;
    EXPECT_EQ(compare(plain, changed, DIFFERENT, &diff), "Differences between " + plain + " and " + changed +
                                                              ":\nHeader:\n"
                                                              "  version, offset 3: 1 -> 2\n"
                                                              "  interrupts_enabled, offset 7: 0 -> 1\n"
                                                              "  SP, offset 18: 0x8000 -> 0x1234\n"
                                                              "  allram, offset 30: 0x8A -> 0x82\n"
                                                              "  mapper_port, offset 57: 0xFF -> 0x05\n"
                                                              "  musica_state, offset 115: 0xFF -> 0x32\n"
                                                              "  musica_state, offset 116: 0x00 -> 0xFF\n"
                                                              "  musica_state, offset 117: 0x00 -> 0xFF\n"
                                                              "  musica_state, offset 118: 0x00 -> 0x72\n"
                                                              "  musica_state, offset 119: 0x00 -> 0xFF\n"
                                                              "  musica_state, offset 120: 0x00 -> 0xFF\n"
                                                              "  musica_state, offset 121: 0x00 -> 0xB2\n"
                                                              "  musica_state, offset 122: 0x00 -> 0xFF\n"
                                                              "  musica_state, offset 123: 0x00 -> 0xFF\n");
    EXPECT_EQ(diff["header"].items.size(), 14u);
    EXPECT_EQ(diff["header"][2]["field"].text, "SP");
    EXPECT_EQ(diff["header"][2]["a"].number, 0x8000);
    EXPECT_EQ(diff["header"][2]["b"].number, 0x1234);
}

TEST_F(DiffTest, RomImagesByLengthFirstDifferenceAndCount) {
    Bytes rom(1024, 0x11);
    dir_.write("rom-a.bin", rom);
    rom[3] = 0x22;
    rom.push_back(0x33);  // rounded up to 2048 bytes with 0xFF
    dir_.write("rom-b.bin", rom);
    const std::string none = make_snapshot("none.zvk", {"-hex", "0", "00"});
    const std::string a = make_snapshot("a.zvk", {"-hex", "0", "00", "-rom", path("rom-a.bin")});
    const std::string b = make_snapshot("b.zvk", {"-hex", "0", "00", "-pack", "-rom", path("rom-b.bin")});

    JsonValue diff;
    EXPECT_EQ(compare(a, b, DIFFERENT, &diff), "Differences between " + a + " and " + b +
                                                   ":\nROM image: 1024 bytes -> 2048 bytes, 1025 bytes differ from "
                                                   "offset 0x0003\n");
    EXPECT_EQ(diff["rom"]["a_length"].number, 1024);
    EXPECT_EQ(diff["rom"]["b_length"].number, 2048);
    EXPECT_EQ(diff["rom"]["first"].number, 3);
    EXPECT_EQ(diff["rom"]["count"].number, 1025);

    EXPECT_EQ(compare(a, none, DIFFERENT, &diff), "Differences between " + a + " and " + none +
                                                      ":\nROM image: 1024 bytes -> none, 1024 bytes differ from "
                                                      "offset 0x0000\n");
}

TEST_F(DiffTest, AnInvalidOtherGetsItsOwnStatusAndNoComparison) {
    const std::string good = make_snapshot("good.zvk", {"-mem", "0", path("page.bin")});
    Bytes damaged = dir_.read("good.zvk");
    damaged[3] = 7;
    dir_.write("bad.zvk", damaged);
    const std::string bad = path("bad.zvk");

    const RunResult text = run_info({"--diff", bad, good});
    EXPECT_EQ(text.status, 25);
    EXPECT_EQ(text.out, "");
    const std::string message = "Bad ZVK version `7` in file: '" + bad +
                                "'!\nthe version byte at offset 3 is 7; versions 1 and 2 exist\n";
    EXPECT_EQ(text.err, message);

    const RunResult json = run_info({"--json", "--diff", bad, good});
    EXPECT_EQ(json.status, 25);
    JsonValue value;
    std::string error;
    ASSERT_TRUE(parse_json(json.out, &value, &error)) << error;
    EXPECT_EQ(value["status"].number, 25);
    EXPECT_TRUE(value.has("diff"));
    EXPECT_TRUE(value["diff"].is_null());

    const RunResult reversed = run_info({"--diff", good, bad});
    EXPECT_EQ(reversed.status, 25);
    EXPECT_EQ(reversed.err, message);
}

TEST_F(DiffTest, EitherSnapshotMayComeFromStandardInput) {
    const std::string raw = make_snapshot("raw.zvk", {"-pg", "6", path("page.bin")});
    const std::string packed = make_snapshot("packed.zvk", {"-pack", "-pg", "6", path("page.bin")});
    const std::string changed = make_snapshot("changed.zvk", {"-pg", "6", path("page-changed.bin")});
    EXPECT_EQ(run_info_with_input({"--diff", "-", raw}, dir_.read("packed.zvk")).status, SAME);
    const RunResult run = run_info_with_input({"-", "--diff", changed}, dir_.read("raw.zvk"));
    EXPECT_EQ(run.status, DIFFERENT) << run.err;
    EXPECT_EQ(run.out.rfind("Differences between - and " + changed + ":\n", 0), 0u) << run.out;
}

}  // namespace
}  // namespace info_test

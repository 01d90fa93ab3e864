// quillet-info's summary and JSON of snapshots that quillet writes, checked
// field by field against what the command line asked for. Offsets and the
// file size are recomputed here from the stored lengths.
#include <filesystem>
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "mini_json.hpp"
#include "support/snapshot_bytes.hpp"

namespace info_test {
namespace {

constexpr int RUN_FORM = -1;  // stored length not known in advance: 2..16383

struct BlockExpectation {
    int index;
    const char* state;  // "present" or "not_stored"; unlisted slots are "absent"
    const char* form;
    int stored_length;  // or RUN_FORM
};

struct SummaryCase {
    const char* name;
    std::vector<std::string> arguments;  // *.bin names are input files made by the fixture
    int version;
    const char* model;
    bool interrupts;
    unsigned af, pc;
    bool allram;
    const char* vcpu;  // JSON state name; null for a version 1 header
    int mapper;        // -1: absent
    const char* mif85;
    bool musica;
    const char* rom_form;  // null: no ROM image
    int rom_stored, rom_unpacked;
    std::vector<BlockExpectation> blocks;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const SummaryCase& c, std::ostream* out) { *out << c.name; }

const char* const MODELS[] = {"V1", "V2", "V2A", "V3", "MATO", "ALFA", "ALFA2", "C2717"};

std::vector<SummaryCase> all_cases() {
    std::vector<SummaryCase> cases = {
        {"v1_raw_defaults", {"-mem", "0", "ramp.bin"}, 1, "V2A", false, 0x0046, 0x8000, false, nullptr, -1,
         nullptr, false, nullptr, 0, 0, {{0, "present", "raw", 16384}}},
        {"v1_packed_flags_allram",
         {"-pack", "-ei", "-allram", "-reg", "AF", "0xFFFF", "-reg", "pc", "0x1234", "-mem", "0", "fill.bin", "-pg",
          "3", "mixed.bin", "-pg", "1", "ramp.bin"},
         1, "V2A", true, 0xFFD7, 0x1234, true, nullptr, -1, nullptr, false, nullptr, 0, 0,
         {{0, "present", "fill", 1}, {1, "present", "raw", 16384}, {3, "present", "run", RUN_FORM}}},
        {"rom_raw_unpacked", {"-rom", "rom_run.bin", "-mem", "0x4000", "ramp.bin", "-reg", "AF", "0x0100"}, 1,
         "V2A", false, 0x0102, 0x8000, false, nullptr, -1, nullptr, false, "raw", 2048, 2048,
         {{1, "present", "raw", 16384}}},
        {"rom_raw_packed", {"-pack", "-rom", "rom_raw.bin", "-pg", "0", "fill.bin"}, 1, "V2A", false, 0x0046,
         0x8000, false, nullptr, -1, nullptr, false, "raw", 1024, 1024, {{0, "present", "fill", 1}}},
        {"rom_fill", {"-pack", "-rom", "rom_fill.bin", "-pg", "0", "fill.bin"}, 1, "V2A", false, 0x0046, 0x8000,
         false, nullptr, -1, nullptr, false, "fill", 1, 16384, {{0, "present", "fill", 1}}},
        {"rom_run", {"-pack", "-rom", "rom_run.bin", "-pg", "0", "fill.bin"}, 1, "V2A", false, 0x0046, 0x8000,
         false, nullptr, -1, nullptr, false, "run", RUN_FORM, 2048, {{0, "present", "fill", 1}}},
        {"vcpu_interrupt_disabled", {"-vpi", "0", "-pg", "0", "fill.bin"}, 2, "V2A", false, 0x0046, 0x8000, false,
         "interrupt_disabled", -1, "not_plugged", false, nullptr, 0, 0, {{0, "present", "raw", 16384}}},
        {"vcpu_interrupt_enabled", {"-cm", "v3", "-vpi", "1", "-pg", "2", "ramp.bin"}, 2, "V3", false, 0x0046,
         0x8000, false, "interrupt_enabled", -1, "not_plugged", false, nullptr, 0, 0,
         {{2, "present", "raw", 16384}}},
        {"mapper_port", {"-pack", "-mm", "5", "-pg", "0", "fill.bin", "-pg", "15", "ramp.bin"}, 2, "V2A", false,
         0x0046, 0x8000, false, "not_plugged", 5, "not_plugged", false, nullptr, 0, 0,
         {{0, "present", "fill", 1}, {15, "present", "raw", 16384}}},
        {"mapper_page_implies_port_0", {"-pg", "9", "ramp.bin"}, 2, "V2A", false, 0x0046, 0x8000, false,
         "not_plugged", 0, "not_plugged", false, nullptr, 0, 0, {{9, "present", "raw", 16384}}},
        {"mif85_interrupt_disabled", {"-mif85", "0", "-cm", "MATO", "-pg", "2", "ramp.bin", "-pg", "3", "ramp.bin"},
         2, "MATO", false, 0x0046, 0x8000, false, "not_plugged", -1, "interrupt_disabled", false, nullptr, 0, 0,
         {{2, "not_stored", nullptr, 0}, {3, "present", "raw", 16384}}},
        {"mif85_interrupt_enabled", {"-mif85", "1", "-pg", "0", "fill.bin"}, 2, "V2A", false, 0x0046, 0x8000, false,
         "not_plugged", -1, "interrupt_enabled", false, nullptr, 0, 0, {{0, "present", "raw", 16384}}},
        {"musica_plugged", {"-mus", "-cm", "C2717", "-allram", "-pg", "2", "ramp.bin"}, 2, "C2717", false, 0x0046,
         0x8000, true, "not_plugged", -1, "not_plugged", true, nullptr, 0, 0, {{2, "present", "raw", 16384}}},
    };
    // Block 2 of every model, followed by block 3 whose offset shows
    // whether block 2's data was counted.
    for (const char* model : MODELS) {
        const std::string m = model;
        const bool stored = m == "V2A" || m == "V3" || m == "C2717";
        SummaryCase c{model, {"-pack", "-cm", model, "-pg", "2", "ramp.bin", "-pg", "3", "mixed.bin"}, 1, model,
                      false, 0x0046, 0x8000, false, nullptr, -1, nullptr, false, nullptr, 0, 0, {}};
        c.blocks.push_back(stored ? BlockExpectation{2, "present", "raw", 16384}
                                  : BlockExpectation{2, "not_stored", nullptr, 0});
        c.blocks.push_back({3, "present", "run", RUN_FORM});
        cases.push_back(c);
    }
    return cases;
}

// What one slot should show, with its offset worked out from the lengths.
struct SlotLayout {
    std::string state;
    const char* form;
    int stored_length;
    long offset;
};

struct Layout {
    int header_length;
    long rom_offset;
    int rom_stored;
    std::vector<SlotLayout> slots;
    long end;
};

bool run_length_ok(int n) { return n > 1 && n < 16384; }

// Lays out the file from the expectations; run-form lengths come from the
// JSON, which the checks then hold to the same value everywhere.
Layout lay_out(const SummaryCase& c, const JsonValue& json) {
    Layout layout{c.version == 1 ? 56 : 124, 0, c.rom_stored, {}, 0};
    long at = layout.header_length;
    if (c.rom_form) {
        layout.rom_offset = at;
        if (c.rom_stored == RUN_FORM) layout.rom_stored = static_cast<int>(json["rom"]["stored_length"].number);
        EXPECT_TRUE(c.rom_stored != RUN_FORM || run_length_ok(layout.rom_stored)) << layout.rom_stored;
        at += layout.rom_stored;
    }
    layout.slots.assign(c.version == 1 ? 4 : 16, SlotLayout{"absent", nullptr, 0, -1});
    for (const BlockExpectation& b : c.blocks) {
        int length = b.stored_length;
        if (length == RUN_FORM && json["blocks"].items.size() > static_cast<std::size_t>(b.index)) {
            length = static_cast<int>(json["blocks"][static_cast<std::size_t>(b.index)]["stored_length"].number);
            EXPECT_TRUE(run_length_ok(length)) << length;
        }
        layout.slots[static_cast<std::size_t>(b.index)] = SlotLayout{b.state, b.form, length, -1};
    }
    for (SlotLayout& slot : layout.slots) {
        if (slot.state != "present") continue;
        slot.offset = at;
        at += slot.stored_length;
    }
    layout.end = at;
    return layout;
}

std::string squash(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch != ' ' || out.empty() || out.back() != ' ') out += ch;
    }
    return out;
}

std::string format(const char* pattern, long a, long b = 0, long c = 0) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

const char* bytes(long n) { return n == 1 ? "byte" : "bytes"; }

std::string plugged_text(const std::string& state, const char* interrupt) {
    if (state == "not_plugged") return "not plugged";
    return std::string("plugged, ") + interrupt + (state == "interrupt_enabled" ? " enabled" : " disabled");
}

std::string expected_block_text(int index, const SlotLayout& slot) {
    std::string where = index < 4 ? format("0x%04lX-0x%04lX", index * 16384L, index * 16384L + 16383)
                                  : format("mapper page %ld", index);
    if (slot.state == "absent") return where + " absent";
    if (slot.state == "not_stored") return where + " not stored for this model";
    return where + " present, " + slot.form + " form, " + std::to_string(slot.stored_length) + " " +
           bytes(slot.stored_length) + " stored at offset " + std::to_string(slot.offset);
}

void check_text(const std::string& out, const SummaryCase& c, const Layout& layout, const std::string& file) {
    EXPECT_EQ(text_field(out, "File:"), file);
    EXPECT_EQ(text_field(out, "Format version:"), std::to_string(c.version));
    EXPECT_EQ(text_field(out, "Header length:"), std::to_string(layout.header_length) + " bytes");
    EXPECT_EQ(text_field(out, "Computer model:"), c.model);
    EXPECT_EQ(text_field(out, "Interrupts:"), c.interrupts ? "enabled" : "disabled");
    EXPECT_EQ(text_field(out, "Registers:"),
              format("AF=0x%04lX BC=0x0000 DE=0x0000 HL=0x0000 PC=0x%04lX SP=0x8000", c.af, c.pc));
    const unsigned f = c.af & 0xFF;
    EXPECT_EQ(text_field(out, "Flags:"), format("S=%ld Z=%ld AC=", f >> 7 & 1, f >> 6 & 1) +
                                             format("%ld P=%ld CY=%ld", f >> 4 & 1, f >> 2 & 1, f & 1));
    EXPECT_EQ(text_field(out, "AllRAM:"), c.allram ? "on (0x82)" : "off (0x8A)");
    if (c.vcpu) {
        EXPECT_EQ(text_field(out, "VideoCPU circuit:"), plugged_text(c.vcpu, "interrupt"));
        EXPECT_EQ(text_field(out, "Memory mapper:"), c.mapper < 0 ? "absent" : format("port value %ld", c.mapper));
        EXPECT_EQ(text_field(out, "MIF 85:"), plugged_text(c.mif85, "CT0 interrupt"));
        EXPECT_EQ(text_field(out, "MUSICA:"), c.musica ? "plugged" : "not plugged");
        EXPECT_EQ(text_field(out, "Add-on hardware:"), "");
    } else {
        EXPECT_EQ(text_field(out, "Add-on hardware:"), "none (version 1 header)");
        EXPECT_EQ(text_field(out, "VideoCPU circuit:"), "");
    }
    if (c.rom_form) {
        EXPECT_EQ(text_field(out, "ROM image:"),
                  std::string(c.rom_form) + " form, " + std::to_string(layout.rom_stored) + " " +
                      bytes(layout.rom_stored) + " stored at offset " + std::to_string(layout.rom_offset) + ", " +
                      std::to_string(c.rom_unpacked) + " bytes unpacked");
    } else {
        EXPECT_EQ(text_field(out, "ROM image:"), "none");
    }
    for (int i = 0; i < 16; ++i) {
        const bool exists = static_cast<std::size_t>(i) < layout.slots.size();
        const std::string expected = exists ? expected_block_text(i, layout.slots[static_cast<std::size_t>(i)]) : "";
        EXPECT_EQ(squash(block_line(out, i)), expected) << "block " << i;
    }
    EXPECT_EQ(text_field(out, "File size:"), std::to_string(layout.end) + " bytes");
    EXPECT_EQ(text_field(out, "After last piece:"), "nothing");
}

void check_json_blocks(const JsonValue& blocks, const Layout& layout) {
    ASSERT_EQ(blocks.items.size(), layout.slots.size());
    for (std::size_t i = 0; i < layout.slots.size(); ++i) {
        SCOPED_TRACE("block " + std::to_string(i));
        const JsonValue& b = blocks[i];
        const SlotLayout& slot = layout.slots[i];
        EXPECT_EQ(b["index"].number, static_cast<double>(i));
        if (i < 4) {
            EXPECT_EQ(b["address_first"].number, i * 16384.0);
            EXPECT_EQ(b["address_last"].number, i * 16384.0 + 16383);
        } else {
            EXPECT_TRUE(b["address_first"].is_null() && b["address_last"].is_null() && b.has("address_first"));
        }
        EXPECT_EQ(b["state"].text, slot.state);
        const bool present = slot.state == "present";
        EXPECT_EQ(b["form"].text, present ? slot.form : "");
        EXPECT_EQ(b["form"].is_null(), !present);
        EXPECT_EQ(b["stored_length"].number, slot.stored_length);
        EXPECT_EQ(b["offset"].number, present ? slot.offset : 0);
        EXPECT_EQ(b["offset"].is_null(), !present);
        // quillet stores 0 in the word of a block 2 it does not store.
        EXPECT_EQ(b["length_word"].number, slot.stored_length);
    }
}

void check_json(const JsonValue& j, const SummaryCase& c, const Layout& layout, const std::string& file) {
    EXPECT_EQ(j["file"].text, file);
    EXPECT_EQ(j["status"].number, 0);
    EXPECT_EQ(j["version"].number, c.version);
    EXPECT_EQ(j["header_length"].number, layout.header_length);
    EXPECT_EQ(j["model"].text, c.model);
    EXPECT_EQ(MODELS[static_cast<int>(j["model_number"].number)], std::string(c.model));
    EXPECT_EQ(j["interrupts_enabled"].kind, JsonValue::BOOLEAN);
    EXPECT_EQ(j["interrupts_enabled"].boolean, c.interrupts);
    const double registers[] = {static_cast<double>(c.af), 0, 0, 0, static_cast<double>(c.pc), 0x8000};
    const char* const names[] = {"AF", "BC", "DE", "HL", "PC", "SP"};
    for (int r = 0; r < 6; ++r) EXPECT_EQ(j["registers"][names[r]].number, registers[r]) << names[r];
    const char* const flags[] = {"S", "Z", "AC", "P", "CY"};
    const int bits[] = {7, 6, 4, 2, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(j["flags"][flags[i]].kind, JsonValue::BOOLEAN);
        EXPECT_EQ(j["flags"][flags[i]].boolean, ((c.af >> bits[i]) & 1) != 0) << flags[i];
    }
    EXPECT_EQ(j["allram"].text, c.allram ? "on" : "off");
    EXPECT_EQ(j["allram_byte"].number, c.allram ? 0x82 : 0x8A);
    const JsonValue& hardware = j["addon_hardware"];
    EXPECT_TRUE(j.has("addon_hardware"));
    if (c.vcpu) {
        EXPECT_EQ(hardware["vcpu_interrupt_circuit"].text, c.vcpu);
        const std::string vcpu = c.vcpu;
        EXPECT_EQ(hardware["vcpu_interrupt_circuit_byte"].number,
                  vcpu == "not_plugged" ? 0xFF : vcpu == "interrupt_enabled" ? 0x87 : 0x07);
        EXPECT_EQ(hardware["mapper_port"].is_null(), c.mapper < 0);
        if (c.mapper >= 0) {
            EXPECT_EQ(hardware["mapper_port"].number, c.mapper);
        }
        EXPECT_EQ(hardware["mif85"].text, c.mif85);
        const std::string mif85 = c.mif85;
        EXPECT_EQ(hardware["mif85_byte"].number, mif85 == "not_plugged" ? 0xFF : mif85 == "interrupt_enabled" ? 1 : 0);
        EXPECT_EQ(hardware["musica_plugged"].boolean, c.musica);
    } else {
        EXPECT_TRUE(hardware.is_null());
    }
    if (c.rom_form) {
        const JsonValue& rom = j["rom"];
        EXPECT_EQ(rom["form"].text, c.rom_form);
        EXPECT_EQ(rom["stored_length"].number, layout.rom_stored);
        EXPECT_EQ(rom["unpacked_length"].number, c.rom_unpacked);
        EXPECT_EQ(rom["offset"].number, layout.rom_offset);
        const bool raw_flag = std::string(c.rom_form) == "raw";
        EXPECT_EQ(rom["descriptor"].number, layout.rom_stored + (raw_flag ? 0x8000 : 0));
    } else {
        EXPECT_TRUE(j["rom"].is_null() && j.has("rom"));
    }
    check_json_blocks(j["blocks"], layout);
    EXPECT_EQ(j["file_size"].number, layout.end);
    EXPECT_EQ(j["end_offset"].number, layout.end);
    EXPECT_EQ(j["trailing_bytes"].number, 0);
}

class SummaryTest : public InfoTest, public ::testing::WithParamInterface<SummaryCase> {
protected:
    void SetUp() override {
        InfoTest::SetUp();
        Bytes mixed(16384, 0);
        const Bytes varied = quillet_test::varied(8192, 5);
        std::copy(varied.begin(), varied.end(), mixed.begin() + 8192);
        Bytes rom_run(1000, 0);
        const Bytes rom_tail = quillet_test::varied(1000, 9);
        rom_run.insert(rom_run.end(), rom_tail.begin(), rom_tail.end());
        dir_.write("ramp.bin", quillet_test::varied(16384, 1));
        dir_.write("fill.bin", Bytes(16384, 0xE5));
        dir_.write("mixed.bin", mixed);
        dir_.write("rom_raw.bin", quillet_test::varied(1024, 3));
        dir_.write("rom_fill.bin", Bytes(1024, 0xAA));
        dir_.write("rom_run.bin", rom_run);
    }

    std::vector<std::string> with_paths(const std::vector<std::string>& arguments) const {
        std::vector<std::string> out;
        for (const std::string& a : arguments) {
            const bool input = a.size() > 4 && a.compare(a.size() - 4, 4, ".bin") == 0;
            out.push_back(input ? path(a) : a);
        }
        return out;
    }
};

TEST_P(SummaryTest, TextAndJsonShowEveryField) {
    const SummaryCase& c = GetParam();
    const std::string file = make_snapshot("case.zvk", with_paths(c.arguments));

    const RunResult json_run = run_info({"--json", file});
    ASSERT_EQ(json_run.status, 0) << json_run.err;
    EXPECT_EQ(json_run.err, "");
    JsonValue json;
    std::string error;
    ASSERT_TRUE(parse_json(json_run.out, &json, &error)) << error << "\n" << json_run.out;
    ASSERT_EQ(json.kind, JsonValue::OBJECT);

    const Layout layout = lay_out(c, json);
    EXPECT_EQ(static_cast<long>(std::filesystem::file_size(file)), layout.end);
    check_json(json, c, layout, file);

    const RunResult text_run = run_info({file});
    ASSERT_EQ(text_run.status, 0) << text_run.err;
    EXPECT_EQ(text_run.err, "");
    check_text(text_run.out, c, layout, file);
}

INSTANTIATE_TEST_SUITE_P(Snapshots, SummaryTest, ::testing::ValuesIn(all_cases()),
                         [](const ::testing::TestParamInfo<SummaryCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace info_test

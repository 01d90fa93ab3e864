#include <gtest/gtest.h>

#include <cstring>

#include "driver/failure.hpp"
#include "snapshot/snapshot_saving.hpp"
#include "support/snapshot_bytes.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;

constexpr unsigned RAW_PAGE = 16384;

// A context ready for saving into a temporary directory: header and work
// buffers present, nothing loaded.
class SnapshotSaving : public testing::Test {
protected:
    static constexpr const char* OUTPUT_NAME = "out.zvk";  // in dir
    SnapshotSaving() : output(dir.file(OUTPUT_NAME)) {
        context->output_path = output.c_str();
        EXPECT_EQ(ensure_buffer(context->work_buffer, WORK_BUFFER_SIZE), 0);
    }
    Bytes save() {
        EXPECT_EQ(save_snapshot(context.get()), 0);
        return dir.read(OUTPUT_NAME);
    }
    // Puts template header bytes into the header buffer, as template loading
    // leaves them.
    void use_template(const Bytes& header) {
        context->template_path = "template.zvk";
        std::memcpy(context->header, header.data(), header.size());
    }

    TempDir dir;
    std::string output;
    ContextHolder context;
};

TEST_F(SnapshotSaving, DefaultVersion1SnapshotWithOnePage) {
    context.set_page(0, ascending(PAGE_SIZE));
    HeaderFields expected;
    expected.block_lengths[0] = RAW_PAGE;
    const Bytes file = save();
    EXPECT_EQ(file.size(), 16440u);
    EXPECT_EQ(file, join({header_bytes(expected), ascending(PAGE_SIZE)}));
    const int defaults[REGISTER_COUNT] = {0x0046, 0, 0, 0, 0x8000, 0x8000};
    for (int r = 0; r < REGISTER_COUNT; ++r) EXPECT_EQ(context->registers[r], defaults[r]) << r;
}

TEST_F(SnapshotSaving, NoPagesGiveTheHeaderAlone) {
    EXPECT_EQ(save(), header_bytes(HeaderFields()));
}

TEST_F(SnapshotSaving, RegistersGivenAreStoredWithTheFlagBitsAdjusted) {
    struct Case {
        int af;
        std::uint16_t stored_af;
    } cases[] = {{0xFFFF, 0xFFD7}, {0x0000, 0x0002}, {0x1228, 0x1202}};
    for (const Case& c : cases) {
        context->registers[REG_AF] = c.af;
        context->registers[REG_HL] = 0xBEEF;
        context->registers[REG_SP] = 0;
        HeaderFields expected;
        expected.registers = {c.stored_af, 0, 0, 0xBEEF, 0x8000, 0};
        EXPECT_EQ(save(), header_bytes(expected)) << c.af;
    }
}

TEST_F(SnapshotSaving, SettingsReachModelInterruptsAndAllram) {
    context->model = MODEL_C2717;
    context->enable_interrupts = 1;
    context->allram = 1;
    HeaderFields expected;
    expected.model = 7;
    expected.interrupts_enabled = 1;
    expected.peripheral_state[0] = 0x82;
    EXPECT_EQ(save(), header_bytes(expected));
}

TEST_F(SnapshotSaving, MusicaWritesVersion2WithFourBlocksOnly) {
    context->musica_plugged = 1;
    context.set_page(1, repeated(PAGE_SIZE, 0x11));
    context.set_page(5, repeated(PAGE_SIZE, 0x55));  // not walked without the mapper
    HeaderFields expected;
    expected = version_2(expected);
    expected.block_lengths[1] = RAW_PAGE;
    expected.musica_state = {0x32, 0xFF, 0xFF, 0x72, 0xFF, 0xFF, 0xB2, 0xFF, 0xFF};
    EXPECT_EQ(save(), join({header_bytes(expected), repeated(PAGE_SIZE, 0x11)}));
}

TEST_F(SnapshotSaving, VideoCpuInterruptCircuit) {
    const std::pair<int, std::uint8_t> cases[] = {{0, 0x07}, {1, 0x87}};
    for (const auto& [value, stored] : cases) {
        context->vcpu_interrupt = value;
        HeaderFields expected;
        expected = version_2(expected);
        expected.vcpu_interrupt_circuit = stored;
        EXPECT_EQ(save(), header_bytes(expected)) << value;
    }
}

TEST_F(SnapshotSaving, Mif85Mode) {
    context->mif85_mode = 1;
    HeaderFields expected;
    expected = version_2(expected);
    expected.mif85_state = 1;
    EXPECT_EQ(save(), header_bytes(expected));
}

TEST_F(SnapshotSaving, MemoryMapperWalksAllSixteenBlocks) {
    context->mapper_port = 5;
    context.set_page(9, ascending(PAGE_SIZE, 9));
    context.set_page(15, ascending(PAGE_SIZE, 15));
    HeaderFields expected;
    expected = version_2(expected);
    expected.mapper_port_value = 5;
    expected.block_lengths[9] = RAW_PAGE;
    expected.block_lengths[15] = RAW_PAGE;
    EXPECT_EQ(save(), join({header_bytes(expected), ascending(PAGE_SIZE, 9), ascending(PAGE_SIZE, 15)}));
}

TEST_F(SnapshotSaving, Block2IsLeftOutForModelsWithoutIt) {
    context->model = MODEL_V1;
    context.set_page(2, repeated(PAGE_SIZE, 0x22));
    context.set_page(3, repeated(PAGE_SIZE, 0x33));
    HeaderFields expected;
    expected.model = 0;
    expected.block_lengths[3] = RAW_PAGE;
    EXPECT_EQ(save(), join({header_bytes(expected), repeated(PAGE_SIZE, 0x33)}));
    EXPECT_EQ(context->page_lengths[2], 0);
}

TEST_F(SnapshotSaving, PackingStoresFillRunAndRawForms) {
    context->pack = 1;
    context.set_page(0, repeated(PAGE_SIZE, 0));
    context.set_page(1, ascending(PAGE_SIZE));
    context.set_page(3, join({repeated(PAGE_SIZE - 1, 0xFF), {0x00}}));
    Bytes runs;
    for (int i = 0; i < 126; ++i) runs.insert(runs.end(), {0x7F, 0xFF});
    runs.insert(runs.end(), {0x00, 0xFF, 0x80, 0x00});
    HeaderFields expected;
    expected.block_lengths[0] = 1;
    expected.block_lengths[1] = RAW_PAGE;
    expected.block_lengths[3] = 256;
    EXPECT_EQ(save(), join({header_bytes(expected), {0x00}, ascending(PAGE_SIZE), runs}));
    const int stored[] = {1, PAGE_SIZE, 0, 256};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(context->page_lengths[i], stored[i]) << i;
}

TEST_F(SnapshotSaving, RomDescriptorAndImage) {
    struct Case {
        const char* name;
        Bytes rom;
        int model;
        int pack;
        unsigned descriptor;
        Bytes stored;
    } cases[] = {
        {"raw 1024", ascending(1024), MODEL_V2A, 0, 0x8400, ascending(1024)},
        {"V3 keeps 8192", ascending(9216), MODEL_V3, 0, 0xA000, ascending(8192)},
        {"V2A keeps 9216", ascending(9216), MODEL_V2A, 0, 0x8000 | 9216, ascending(9216)},
        {"fill", repeated(1024, 0xFF), MODEL_V2A, 1, 0x0001, {0xFF}},
        {"one byte", {0x42}, MODEL_V2A, 1, 0x8001, {0x42}},
        {"run form", join({repeated(1023, 0xFF), {0x00}}), MODEL_V2A, 1, 0x0012,
         {0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x6E, 0xFF,
          0x80, 0x00}},
        {"packed but raw", ascending(2048), MODEL_V2A, 1, 0x8800, ascending(2048)},
    };
    for (const Case& c : cases) {
        ContextHolder fresh;
        fresh->output_path = output.c_str();
        ASSERT_EQ(ensure_buffer(fresh->work_buffer, WORK_BUFFER_SIZE), 0);
        fresh.set_rom(c.rom);
        fresh->model = c.model;
        fresh->pack = c.pack;
        HeaderFields expected;
        expected.model = static_cast<std::uint8_t>(c.model);
        expected.rom_descriptor = c.descriptor;
        ASSERT_EQ(save_snapshot(fresh.get()), 0) << c.name;
        EXPECT_EQ(dir.read(OUTPUT_NAME), join({header_bytes(expected), c.stored})) << c.name;
    }
}

// A template header with values that differ from every default.
HeaderFields template_header() {
    HeaderFields t;
    t.magic = {'Z', 'V', 'K'};
    t.model = 0;
    t.interrupts_enabled = 1;
    t.registers = {0x12FF, 0x2345, 0x3456, 0x4567, 0x5678, 0x6789};  // F with bits 3 and 5 set
    for (std::size_t i = 0; i < t.peripheral_state.size(); ++i) {
        t.peripheral_state[i] = static_cast<std::uint8_t>(0xC0 + i);
    }
    return t;
}

TEST_F(SnapshotSaving, TemplateHeaderBytesAreKept) {
    use_template(header_bytes(template_header()));
    HeaderFields expected = template_header();
    expected.model = 2;       // the command line decides the model ...
    expected.interrupts_enabled = 0;  // ... and the interrupt flag
    EXPECT_EQ(save(), header_bytes(expected));
    for (int r = 0; r < REGISTER_COUNT; ++r) EXPECT_EQ(context->registers[r], REGISTER_NOT_GIVEN) << r;
}

TEST_F(SnapshotSaving, AllramChangesOnlyByte30OfTheTemplate) {
    use_template(header_bytes(template_header()));
    context->allram = 1;
    context->registers[REG_PC] = 0x0100;
    HeaderFields expected = template_header();
    expected.model = 2;
    expected.interrupts_enabled = 0;
    expected.peripheral_state[0] = 0x82;
    expected.registers[REG_PC] = 0x0100;
    EXPECT_EQ(save(), header_bytes(expected));
}

TEST_F(SnapshotSaving, Version2TemplateSavedWithFourBlocksClearsTheOtherWords) {
    HeaderFields t = template_header();
    t = version_2(t);
    t.mapper_port_value = 3;
    t.vcpu_interrupt_circuit = 0x87;
    t.reserved.fill(0x5A);
    t.block_lengths.fill(RAW_PAGE);
    use_template(header_bytes(t));
    for (int i = 0; i < PAGE_COUNT; ++i) context.set_page(i, repeated(PAGE_SIZE, static_cast<std::uint8_t>(i)));
    context->musica_plugged = 1;

    HeaderFields expected = t;
    expected.model = 2;
    expected.interrupts_enabled = 0;
    expected.mapper_port_value = 0xFF;
    expected.vcpu_interrupt_circuit = 0xFF;
    expected.reserved.fill(0);
    expected.musica_state = {0x32, 0xFF, 0xFF, 0x72, 0xFF, 0xFF, 0xB2, 0xFF, 0xFF};
    expected.block_lengths.fill(0);
    for (int i = 0; i < 4; ++i) expected.block_lengths[i] = RAW_PAGE;
    EXPECT_EQ(save(), join({header_bytes(expected), repeated(PAGE_SIZE, 0), repeated(PAGE_SIZE, 1),
                              repeated(PAGE_SIZE, 2), repeated(PAGE_SIZE, 3)}));
}

TEST_F(SnapshotSaving, Version2TemplateWithoutAddOnsGivesVersion1) {
    HeaderFields t = template_header();
    t = version_2(t);
    t.block_lengths[6] = RAW_PAGE;
    use_template(header_bytes(t));
    HeaderFields expected = template_header();
    expected.model = 2;
    expected.interrupts_enabled = 0;
    EXPECT_EQ(save(), header_bytes(expected));
}

TEST_F(SnapshotSaving, MissingDirectoryFailsWithoutWriting) {
    const std::string path = dir.file("missing/out.zvk");
    context->output_path = path.c_str();
    testing::internal::CaptureStderr();
    EXPECT_EQ(save_snapshot(context.get()), ERR_OUTPUT_OPEN);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), message("Can't open output file '%s'!", path));
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
}  // namespace quillet

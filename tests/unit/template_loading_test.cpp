#include <gtest/gtest.h>

#include "driver/failure.hpp"
#include "snapshot/template_loading.hpp"
#include "support/snapshot_bytes.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using namespace quillet_test;

constexpr unsigned RAW = 16384;

// A bare template header: no ROM image, no blocks.
HeaderFields bare(std::uint8_t version = 1) {
    HeaderFields h;
    if (version == 2) h = version_2(h);
    return h;
}

// Stored runs that decode to `count` bytes 0x00 (repeat runs only).
Bytes zero_runs(int count) {
    Bytes runs;
    for (; count >= 130; count -= 130) runs.insert(runs.end(), {0x7F, 0x00});
    if (count > 0) runs.insert(runs.end(), {static_cast<std::uint8_t>(count - 3), 0x00});
    return runs;
}

class TemplateLoading : public testing::Test {
protected:
    static constexpr const char* TEMPLATE_NAME = "template.zvk";  // in dir
    TemplateLoading() : path(dir.file(TEMPLATE_NAME)) { context->template_path = path.c_str(); }
    int load(const Bytes& file) {
        dir.write(TEMPLATE_NAME, file);
        testing::internal::CaptureStderr();
        const int result = load_template(context.get());
        errors = testing::internal::GetCapturedStderr();
        return result;
    }

    TempDir dir;
    std::string path;
    ContextHolder context;
    std::string errors;
};

TEST_F(TemplateLoading, DamagedFilesAreRejected) {
    const std::string no_header = "Bad or no ZVK header in file: '%s'!";
    const std::string bad_size = "Bad size of memory blocks after unpack in ZVK file: '%s'!";
    const std::string short_read = "Can't read from the source file '%s'!";
    const Bytes header = header_bytes(bare());
    const auto with = [](auto change) {
        HeaderFields h = bare();
        change(h);
        return header_bytes(h);
    };
    const auto block0 = [&](const Bytes& stored) {
        const auto length = static_cast<std::uint16_t>(stored.size());
        return join({with([&](HeaderFields& h) { h.block_lengths[0] = length; }), stored});
    };
    struct Case {
        const char* name;
        Bytes file;
        int code;
        std::string format;
    } cases[] = {
        {"empty", {}, ERR_SOURCE_READ, short_read},
        {"6 bytes", Bytes{'Z', 'V', 'K', 1, 56, 0}, ERR_SOURCE_READ, short_read},
        {"short header", Bytes(header.begin(), header.begin() + 30), ERR_SOURCE_READ, short_read},
        {"lower-case magic", with([](HeaderFields& h) { h.magic = {'z', 'v', 'k'}; }), ERR_BAD_HEADER,
         no_header},
        {"bad magic and version", with([](HeaderFields& h) { h.magic[2] = 'X'; h.version = 9; }),
         ERR_BAD_HEADER, no_header},
        {"version 0", with([](HeaderFields& h) { h.version = 0; }), ERR_BAD_VERSION,
         "Bad ZVK version `0` in file: '%s'!"},
        {"version 3", with([](HeaderFields& h) { h.version = 3; }), ERR_BAD_VERSION,
         "Bad ZVK version `3` in file: '%s'!"},
        {"version 3, length 0", join({{'Z', 'V', 'K', 3, 0, 0, 2}, repeated(49, 0)}), ERR_BAD_VERSION,
         "Bad ZVK version `3` in file: '%s'!"},
        {"version 255", with([](HeaderFields& h) { h.version = 255; }), ERR_BAD_VERSION,
         "Bad ZVK version `255` in file: '%s'!"},
        {"length 55", with([](HeaderFields& h) { h.header_length = 55; }), ERR_BAD_HEADER, no_header},
        {"length 125", with([](HeaderFields& h) { h.header_length = 125; }), ERR_BAD_HEADER, no_header},
        {"length 0x0138", with([](HeaderFields& h) { h.header_length = 0x0138; }), ERR_BAD_HEADER, no_header},
        {"model 8", with([](HeaderFields& h) { h.model = 8; }), ERR_UNKNOWN_MODEL,
         "Unknown computer model `8` in ZVK file: '%s'!"},
        {"model 200, length 125", with([](HeaderFields& h) { h.model = 200; h.header_length = 125; }),
         ERR_BAD_HEADER, no_header},
        {"block 0 too long", with([](HeaderFields& h) { h.block_lengths[0] = 16385; }), ERR_BAD_HEADER, no_header},
        {"block 3 too long", with([](HeaderFields& h) { h.block_lengths[3] = 0xFFFF; }), ERR_BAD_HEADER, no_header},
        {"V1 block 2 too long", with([](HeaderFields& h) { h.model = 0; h.block_lengths[2] = 16385; }),
         ERR_BAD_HEADER, no_header},
        {"v2 block 15 too long", with([](HeaderFields& h) { h = version_2(h); h.block_lengths[15] = 16385; }),
         ERR_BAD_HEADER, no_header},
        {"ROM 0x8000", with([](HeaderFields& h) { h.rom_descriptor = 0x8000; }), ERR_BAD_BLOCK_SIZE, bad_size},
        {"ROM 0x4001", with([](HeaderFields& h) { h.rom_descriptor = 0x4001; }), ERR_BAD_HEADER, no_header},
        {"ROM 0xC001", with([](HeaderFields& h) { h.rom_descriptor = 0xC001; }), ERR_BAD_HEADER, no_header},
        {"ROM cut short",
         join({with([](HeaderFields& h) { h.rom_descriptor = 0x8400; }), repeated(1023, 0x11)}),
         ERR_SOURCE_READ, short_read},
        {"ROM whose last run is cut",
         join({with([](HeaderFields& h) { h.rom_descriptor = 3; }), {0x83, 0x01, 0x02}}), ERR_BAD_BLOCK_SIZE,
         bad_size},
        {"block cut short", join({with([](HeaderFields& h) { h.block_lengths[0] = RAW; }), repeated(16383, 1)}),
         ERR_SOURCE_READ, short_read},
        {"block decodes to 16383", block0(zero_runs(16383)), ERR_BAD_BLOCK_SIZE, bad_size},
        {"block with bytes left over", block0(join({zero_runs(16384), {0x80, 0x01}})), ERR_BAD_BLOCK_SIZE,
         bad_size},
        {"block whose last run is cut", block0(join({zero_runs(16380), {0x83, 0x01, 0x02}})),
         ERR_BAD_BLOCK_SIZE, bad_size},
        {"second block missing",
         join({with([](HeaderFields& h) { h.block_lengths[0] = 1; h.block_lengths[1] = 1; }), {0xE5}}),
         ERR_SOURCE_READ, short_read},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(load(c.file), c.code) << c.name;
        EXPECT_EQ(errors, message(c.format, path)) << c.name;
    }
}

TEST_F(TemplateLoading, MissingFileCannotBeOpened) {
    context->template_path = "no-such-template.zvk";
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_template(context.get()), ERR_SOURCE_OPEN);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              message("Can't open source file '%s'!", "no-such-template.zvk"));
}

TEST_F(TemplateLoading, HeaderLengthBoundsAreAcceptedWithEitherVersion) {
    for (std::uint8_t version : {1, 2}) {
        for (unsigned length : {56u, 124u}) {
            HeaderFields h = bare(version);
            h.header_length = length;
            EXPECT_EQ(load(header_bytes(h)), 0) << int(version) << " " << length;
            EXPECT_EQ(errors, "");
        }
    }
}

TEST_F(TemplateLoading, Version1WithLongHeaderHasItsRomAfterTheHeader) {
    HeaderFields h = bare();
    h.header_length = 100;
    h.rom_descriptor = 0x8001;
    h.block_lengths[0] = 1;
    h.block_lengths[4] = RAW;  // a version 1 file has no block 4: ignored
    const Bytes header = header_bytes(h);
    ASSERT_EQ(load(join({header, {0x5A}, {0xE5}})), 0);
    EXPECT_EQ(context.rom(), Bytes{0x5A});
    EXPECT_EQ(context.page(0), repeated(PAGE_SIZE, 0xE5));
    EXPECT_EQ(context->page_lengths[0], PAGE_SIZE);
    EXPECT_EQ(context->pages[4], nullptr);
    EXPECT_EQ(Bytes(context->header, context->header + HEADER_BUFFER_SIZE), join({header, repeated(24, 0)}));
}

TEST_F(TemplateLoading, Version2WithShortHeaderHasOnlyFourBlocks) {
    HeaderFields h = bare(2);
    h.header_length = 56;
    h.block_lengths[0] = RAW;
    ASSERT_EQ(load(join({header_bytes(h), ascending(PAGE_SIZE), repeated(200, 0x01)})), 0);
    EXPECT_EQ(context.page(0), ascending(PAGE_SIZE));
    for (int i = 1; i < PAGE_COUNT; ++i) EXPECT_EQ(context->pages[i], nullptr) << i;
}

TEST_F(TemplateLoading, Version2BlocksAndAllStoredForms) {
    HeaderFields h = bare(2);
    h.block_lengths[1] = 1;
    h.block_lengths[7] = static_cast<unsigned>(zero_runs(PAGE_SIZE).size());
    h.block_lengths[15] = RAW;
    ASSERT_EQ(load(join({header_bytes(h), {0x11}, zero_runs(PAGE_SIZE), ascending(PAGE_SIZE, 15)})), 0);
    EXPECT_EQ(context.page(1), repeated(PAGE_SIZE, 0x11));
    EXPECT_EQ(context.page(7), repeated(PAGE_SIZE, 0));
    EXPECT_EQ(context.page(15), ascending(PAGE_SIZE, 15));
    for (int i = 0; i < PAGE_COUNT; ++i) {
        EXPECT_EQ(context->page_lengths[i], i == 1 || i == 7 || i == 15 ? PAGE_SIZE : 0) << i;
    }
}

TEST_F(TemplateLoading, Block2IsSkippedForModelsWithoutIt) {
    HeaderFields h = bare();
    h.model = 0;
    h.block_lengths = {1, 1, 5000, 1};
    ASSERT_EQ(load(join({header_bytes(h), {0x00}, {0x11}, {0x33}})), 0);
    EXPECT_EQ(context.page(0), repeated(PAGE_SIZE, 0x00));
    EXPECT_EQ(context.page(1), repeated(PAGE_SIZE, 0x11));
    EXPECT_EQ(context->pages[2], nullptr);
    EXPECT_EQ(context.page(3), repeated(PAGE_SIZE, 0x33));
}

TEST_F(TemplateLoading, Block2OfAV3TemplateIsRead) {
    HeaderFields h = bare();
    h.model = 3;
    h.block_lengths = {0, 0, 1, 1};
    ASSERT_EQ(load(join({header_bytes(h), {0x22}, {0x33}})), 0);
    EXPECT_EQ(context.page(2), repeated(PAGE_SIZE, 0x22));
    EXPECT_EQ(context.page(3), repeated(PAGE_SIZE, 0x33));
}

TEST_F(TemplateLoading, RomImageForms) {
    struct Case {
        const char* name;
        unsigned descriptor;
        Bytes stored;
        Bytes image;
    } cases[] = {
        {"raw 5000", 0x9388, ascending(5000), ascending(5000)},
        {"raw 16384", 0xC000, ascending(PAGE_SIZE), ascending(PAGE_SIZE)},
        {"raw 1 byte", 0x8001, {0xFF}, {0xFF}},
        {"fill", 0x0001, {0xFF}, repeated(PAGE_SIZE, 0xFF)},
        {"runs", 0x0005, {0x05, 0x41, 0x81, 0x42, 0x43}, join({repeated(8, 0x41), {0x42, 0x43}})},
        {"unflagged 16384", 0x4000, ascending(PAGE_SIZE), ascending(PAGE_SIZE)},
    };
    for (const Case& c : cases) {
        ContextHolder fresh;
        fresh->template_path = path.c_str();
        fresh.set_rom(repeated(2048, 0x99));  // replaced by the template's image
        HeaderFields h = bare();
        h.rom_descriptor = c.descriptor;
        h.block_lengths[0] = 1;
        dir.write(TEMPLATE_NAME, join({header_bytes(h), c.stored, {0x77}}));
        ASSERT_EQ(load_template(fresh.get()), 0) << c.name;
        EXPECT_EQ(fresh->rom_length, static_cast<int>(c.image.size())) << c.name;
        EXPECT_EQ(fresh.rom(), c.image) << c.name;
        EXPECT_EQ(fresh.page(0), repeated(PAGE_SIZE, 0x77)) << c.name;
    }
}

TEST_F(TemplateLoading, SettingsAreNotTakenFromTheTemplate) {
    HeaderFields h = bare(2);
    h.model = 3;
    h.interrupts_enabled = 1;
    h.registers = {0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666};
    h.vcpu_interrupt_circuit = 0x87;
    h.mapper_port_value = 7;
    h.mif85_state = 1;
    h.musica_state = {0x32, 0xFF, 0xFF, 0x72, 0xFF, 0xFF, 0xB2, 0xFF, 0xFF};
    ASSERT_EQ(load(header_bytes(h)), 0);
    EXPECT_EQ(Bytes(context->header, context->header + HEADER_BUFFER_SIZE), header_bytes(h));
    EXPECT_EQ(context->model, MODEL_V2A);
    EXPECT_EQ(context->enable_interrupts, 0);
    EXPECT_EQ(context->allram, 0);
    EXPECT_EQ(context->musica_plugged, 0);
    EXPECT_EQ(context->vcpu_interrupt, NOT_GIVEN);
    EXPECT_EQ(context->mapper_port, NOT_GIVEN);
    EXPECT_EQ(context->mif85_mode, NOT_GIVEN);
    for (int r = 0; r < REGISTER_COUNT; ++r) EXPECT_EQ(context->registers[r], REGISTER_NOT_GIVEN) << r;
    EXPECT_EQ(context->rom_image, nullptr);
}

}  // namespace
}  // namespace quillet

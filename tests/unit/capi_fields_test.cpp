// The header's field table through the public interface: each field's
// place against the tests' own model of the header, every setting
// round-tripping through a written file, and the refusals.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "quillet/quillet.h"
#include "unit/snapshot_test_support.hpp"

namespace {

using namespace quillet_test;

struct Handle {
    Handle() { quillet_set_reporter(s, ReportLog::take, &log); }
    ~Handle() { quillet_snapshot_free(s); }
    quillet_snapshot* s = quillet_snapshot_new();
    ReportLog log;
};

// A version 2 header whose every byte tells where it is from: no two
// fields alike, with the add-on hardware plugged as the reader accepts it.
HeaderFields distinct_fields() {
    HeaderFields f = version_2(HeaderFields());
    f.model = C2717;
    f.interrupts_enabled = 1;
    f.registers = {0x1283, 0x3456, 0x789A, 0xBCDE, 0x0F12, 0x3344};  // AF as the 8080 keeps it
    for (std::size_t i = 0; i < f.peripheral_state.size(); ++i) f.peripheral_state[i] = static_cast<std::uint8_t>(0x40 + i);
    f.vcpu_interrupt_circuit = 0x87;
    f.mapper_port_value = 0x25;
    f.mif85_state = 1;
    f.musica_state = MUSICA_PLUGGED;
    return f;
}

quillet_field info(int field) {
    quillet_field f{};
    EXPECT_EQ(quillet_field_info(field, &f), 0) << field;
    return f;
}

Bytes field_of(const quillet_snapshot* s, int field) {
    Bytes out(info(field).width);
    EXPECT_EQ(quillet_get_field(s, field, out.data(), out.size()), 0) << info(field).name;
    return out;
}

// Every field lies where the tests' own layout puts it, the fields cover
// both headers once, and each name leads back to its number.
TEST(CApiFields, EachFieldReadsItsBytesOfTheFile) {
    const Bytes file = header_bytes(distinct_fields());
    ASSERT_EQ(file.size(), HEADER_V2_BYTES);
    Handle h;
    ASSERT_EQ(quillet_read_bytes(h.s, file.data(), file.size(), nullptr), 0);
    int end = 0;
    std::set<std::string> names;
    for (int i = 0; i < quillet_field_count(); ++i) {
        const quillet_field f = info(i);
        EXPECT_EQ(f.offset, end) << f.name;
        end = f.offset + f.width;
        EXPECT_EQ(f.first_version, end <= static_cast<int>(HEADER_V1_BYTES) ? 1 : 2) << f.name;
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
        EXPECT_EQ(quillet_field_number(f.name), i);
        EXPECT_NE(std::string(f.meaning), "");
        EXPECT_EQ(field_of(h.s, i), Bytes(file.begin() + f.offset, file.begin() + end)) << f.name;
    }
    EXPECT_EQ(end, static_cast<int>(HEADER_V2_BYTES));
    EXPECT_EQ(quillet_field_count(), 35);
}

// Every setting taken from one snapshot and set into a new one comes back
// the same from the file that one writes.
TEST(CApiFields, EverySettingRoundTripsThroughAWrittenFile) {
    const Bytes file = header_bytes(distinct_fields());
    Handle from, to, back;
    ASSERT_EQ(quillet_read_bytes(from.s, file.data(), file.size(), nullptr), 0);
    for (int i = 0; i < quillet_field_count(); ++i) {
        if (!info(i).setting) continue;
        const Bytes value = field_of(from.s, i);
        EXPECT_EQ(quillet_set_field(to.s, i, value.data(), value.size()), 0) << info(i).name;
    }
    std::size_t size = 0;
    ASSERT_EQ(quillet_write_size(to.s, 0, &size), 0);
    Bytes written(size);
    ASSERT_EQ(quillet_write_bytes(to.s, 0, written.data(), written.size(), &size), 0);
    EXPECT_TRUE(same_bytes(file, written));
    ASSERT_EQ(quillet_read_bytes(back.s, written.data(), written.size(), nullptr), 0);
    for (int i = 0; i < quillet_field_count(); ++i) EXPECT_EQ(field_of(back.s, i), field_of(from.s, i)) << info(i).name;
    EXPECT_EQ(to.log.reports, Reports{});
}

// A version 1 file's settings of the add-on hardware read as a new
// snapshot's (not plugged); the writer's fields of a snapshot built in
// memory are zeros.
TEST(CApiFields, WhatTheFileDoesNotHoldReadsAsNew) {
    const Bytes file = header_bytes(HeaderFields());
    Handle read, made;
    ASSERT_EQ(quillet_read_bytes(read.s, file.data(), file.size(), nullptr), 0);
    EXPECT_EQ(field_of(read.s, quillet_field_number("mapper_port")), Bytes{0xFF});
    EXPECT_EQ(field_of(read.s, quillet_field_number("musica_state")), Bytes(MUSICA_UNPLUGGED.begin(), MUSICA_UNPLUGGED.end()));
    EXPECT_EQ(field_of(made.s, quillet_field_number("version")), Bytes{0});
    EXPECT_EQ(field_of(made.s, quillet_field_number("magic")), Bytes(3, 0));
    EXPECT_EQ(field_of(made.s, quillet_field_number("PC")), (Bytes{0x00, 0x80}));
}

TEST(CApiFields, RefusalsGiveTheirCodeReportOnceAndChangeNothing) {
    const int pc = quillet_field_number("PC");
    const int model = quillet_field_number("model");
    const std::uint8_t bytes[4] = {0x08, 0x80, 0, 0};
    std::uint8_t out[4] = {};
    quillet_field f{};
    // Without a snapshot: nothing to report through.
    const struct {
        int result;
        int code;
    } cases[] = {
        {quillet_field_number("pc"), -13},
        {quillet_field_number(nullptr), -4},
        {quillet_field_info(35, &f), -13},
        {quillet_field_info(0, nullptr), -4},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.code);

    Handle h;
    const Bytes before = field_of(h.s, pc);
    const struct {
        int result;
        int code;
        const char* report;
    } reported[] = {
        {quillet_get_field(h.s, -1, out, sizeof out), -13, "Value -1 is out of range for field (0 to 34)"},
        {quillet_get_field(h.s, pc, out, 1), -13, "Value 1 is out of range for capacity of field PC (2 or more)"},
        {quillet_get_field(h.s, pc, nullptr, 2), -4, "Null pointer given for 'out'!"},
        {quillet_set_field(h.s, pc, bytes, 3), -13, "Value 3 is out of range for length of field PC (2)"},
        {quillet_set_field(h.s, 1, bytes, 1), -13,
         "Value 1 is out of range for a setting field (version is laid out by the writer)"},
        {quillet_set_field(h.s, model, bytes, 1), -19, "Bad computer model '8'!"},
        {quillet_set_field(h.s, quillet_field_number("mapper_port"), bytes + 1, 1), -22, "Bad Memory Mapper value '128'!"},
        {quillet_set_field(h.s, pc, nullptr, 2), -4, "Null pointer given for 'bytes'!"},
    };
    for (const auto& c : reported) {
        EXPECT_EQ(c.result, c.code) << c.report;
        EXPECT_EQ(h.log.reports.front(), (Report{c.code, c.report}));
        h.log.reports.erase(h.log.reports.begin());
    }
    EXPECT_EQ(field_of(h.s, pc), before);
    EXPECT_EQ(field_of(h.s, model), Bytes{V2A});
    EXPECT_EQ(quillet_get_field(nullptr, pc, out, sizeof out), -4);
    EXPECT_EQ(quillet_set_field(nullptr, pc, bytes, 2), -4);
}

}  // namespace

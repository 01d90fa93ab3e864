#include "unit/snapshot_test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace quillet_test {

bool operator==(const Report& a, const Report& b) { return a.code == b.code && a.text == b.text; }

void PrintTo(const Report& report, std::ostream* os) { *os << "{" << report.code << ", \"" << report.text << "\"}"; }

void ReportLog::take(void* user, int code, const char* text) {
    static_cast<ReportLog*>(user)->reports.push_back(Report{code, text});
}

Bytes ascending(int count, int start) {
    Bytes bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(start + i);
    return bytes;
}

std::string message(const std::string& format, const std::string& path) {
    std::string text = format;
    for (std::size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + path.size())) {
        text.replace(at, 2, path);
    }
    return text;
}

Bytes page_of(const quillet::Snapshot& snapshot, int page) {
    const quillet::ByteBuffer& buffer = snapshot.pages[page];
    if (!buffer) return Bytes();
    EXPECT_EQ(buffer.size(), PAGE_BYTES) << "page " << page;
    return Bytes(buffer.data(), buffer.data() + buffer.size());
}

Bytes rom_of(const quillet::Snapshot& snapshot) {
    const quillet::ByteBuffer& rom = snapshot.rom;
    return rom ? Bytes(rom.data(), rom.data() + rom.size()) : Bytes();
}

std::vector<int> present_pages(const quillet::Snapshot& snapshot) {
    std::vector<int> present;
    for (int i = 0; i < quillet::PAGE_COUNT; ++i) {
        if (snapshot.pages[i]) present.push_back(i);
    }
    return present;
}

void set_page(quillet::Snapshot* snapshot, int page, const Bytes& content) {
    ASSERT_EQ(content.size(), PAGE_BYTES);
    ASSERT_EQ(quillet::obtain_page(snapshot, page, quillet::Reporter{}), 0);
    std::memcpy(snapshot->pages[page].data(), content.data(), content.size());
}

Bytes contents_of(const quillet::Snapshot& s) {
    Bytes all;
    const auto put = [&all](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        all.insert(all.end(), bytes, bytes + size);
    };
    const auto put_number = [&put](std::size_t number) { put(&number, sizeof number); };
    const auto put_buffer = [&](const quillet::ByteBuffer& buffer) {
        all.push_back(buffer ? 1 : 0);
        put_number(buffer.size());
        if (buffer) put(buffer.data(), buffer.size());
    };
    const auto put_piece = [&](const quillet::StoredPiece& piece) {
        all.push_back(piece.present ? 1 : 0);
        put_number(piece.offset);
        put_number(piece.stored_length);
        put_number(piece.unpacked_length);
    };
    put_number(static_cast<std::size_t>(s.model));
    all.push_back(s.interrupts_enabled ? 1 : 0);
    put(s.registers, sizeof s.registers);
    put(s.peripheral_state, sizeof s.peripheral_state);
    all.insert(all.end(), {s.vcpu_circuit, s.mapper_port, s.mif85_state});
    put(s.musica_state, sizeof s.musica_state);
    put_buffer(s.rom);
    for (const quillet::ByteBuffer& page : s.pages) put_buffer(page);
    put(s.stored.header, sizeof s.stored.header);
    put_number(static_cast<std::size_t>(s.stored.header_length));
    put_piece(s.stored.rom);
    for (const quillet::StoredPiece& block : s.stored.blocks) put_piece(block);
    put_number(s.stored.end);
    return all;
}

}  // namespace quillet_test

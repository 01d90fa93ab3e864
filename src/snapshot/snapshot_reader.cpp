#include "snapshot/snapshot_reader.hpp"

#include <cstring>
#include <initializer_list>

#include "base/file_access.hpp"
#include "snapshot/block_codec.hpp"
#include "snapshot/header_settings.hpp"

namespace quillet {
namespace {

constexpr int GROUPED_SIZE = 32;

// A number with its thousands grouped by commas: "16,384".
class Grouped {
public:
    explicit Grouped(std::size_t number) {
        char* p = text_ + GROUPED_SIZE - 1;
        *p = '\0';
        int digits = 0;
        do {
            if (digits > 0 && digits % 3 == 0) *--p = ',';
            *--p = static_cast<char>('0' + number % 10);
            number /= 10;
            ++digits;
        } while (number != 0);
        start_ = p;
    }
    const char* c_str() const { return start_; }

private:
    char text_[GROUPED_SIZE];
    const char* start_;
};

// `pieces` one after the other into `text` (`size` bytes), cut to fit.
void concatenate(char* text, std::size_t size, std::initializer_list<const char*> pieces) {
    std::size_t at = 0;
    for (const char* piece : pieces) {
        for (; *piece && at + 1 < size; ++piece) text[at++] = *piece;
    }
    text[at] = '\0';
}

void describe(ReadDetail* detail, std::initializer_list<const char*> pieces) {
    if (detail) concatenate(detail->text, ReadDetail::SIZE, pieces);
}

// A word as four hexadecimal digits after 0x: "0x8000".
struct HexWord {
    explicit HexWord(unsigned word) {
        const char* const digits = "0123456789ABCDEF";
        concatenate(text, sizeof text, {"0x"});
        for (int i = 0; i < 4; ++i) text[2 + i] = digits[(word >> (12 - 4 * i)) & 0xF];
        text[6] = '\0';
    }
    char text[8];
};

const char* decimal(const DecimalText& number) { return number.c_str(); }

// The bytes being read and how far the reading has come.
struct Source {
    const std::uint8_t* data;
    std::size_t length;
    std::size_t position;
    const char* name;
    const Reporter& reporter;
    ReadDetail* detail;

    bool has(std::size_t count) const { return length - position >= count; }
    std::size_t left() const { return length - position; }
    int fail(int code) const { return report_failure(reporter, code, name); }
    int fail(int code, long number) const { return report_failure(reporter, code, name, number); }
    // The file ends inside `what`, which needed `needed` bytes from here on.
    int ends_inside(const char* what, std::size_t needed) const {
        if (length == 0) {
            describe(detail, {"the file is empty"});
        } else {
            describe(detail, {"the file ends inside ", what, ", ", Grouped(left()).c_str(), " of ",
                              Grouped(needed).c_str(), " bytes"});
        }
        return fail(ERR_SOURCE_READ);
    }
};

// "block 1", "the ROM image"
struct PieceName {
    char text[GROUPED_SIZE];
};
PieceName block_name(int block) {
    PieceName name{};
    concatenate(name.text, sizeof name.text, {"block ", decimal(DecimalText(block))});
    return name;
}

// Magic, version, header length and model: the first seven bytes.
int check_probe(const Source& in) {
    if (!in.has(HEADER_PROBE_SIZE)) return in.ends_inside("the header", HEADER_PROBE_SIZE);
    const std::uint8_t* header = in.data;
    if (std::memcmp(header + OFFSET_MAGIC, MAGIC, MAGIC_SIZE) != 0) {
        describe(in.detail, {"the file does not begin with \"ZVK\""});
        return in.fail(ERR_BAD_HEADER);
    }
    const int version = header[OFFSET_VERSION];
    if (version != VERSION_1 && version != VERSION_2) {
        describe(in.detail, {"the version byte at offset ", decimal(DecimalText(OFFSET_VERSION)), " is ",
                             decimal(DecimalText(version)), "; versions 1 and 2 exist"});
        return in.fail(ERR_BAD_VERSION, version);
    }
    const int length = read_word(header + OFFSET_HEADER_LENGTH);
    if (length < HEADER_SIZE_V1 || length > HEADER_SIZE_V2) {
        describe(in.detail, {"the header length at offset ", decimal(DecimalText(OFFSET_HEADER_LENGTH)), " is ",
                             decimal(DecimalText(length)), ", outside ", decimal(DecimalText(HEADER_SIZE_V1)), " to ",
                             decimal(DecimalText(HEADER_SIZE_V2))});
        return in.fail(ERR_BAD_HEADER);
    }
    const int model = header[OFFSET_COMPUTER_MODEL];
    if (model >= MODEL_COUNT) {
        describe(in.detail, {"the model byte at offset ", decimal(DecimalText(OFFSET_COMPUTER_MODEL)), " is ",
                             decimal(DecimalText(model)), "; models 0 to ", decimal(DecimalText(MODEL_COUNT - 1)),
                             " exist"});
        return in.fail(ERR_UNKNOWN_MODEL, model);
    }
    return 0;
}

// The stored lengths of the ROM image and of every block slot.
int check_lengths(const Source& in, const std::uint8_t* header, BlockSlot* slots, int blocks) {
    const int rom_length = read_word(header + OFFSET_ROM_DESCRIPTOR) & ROM_LENGTH_MASK;
    if (rom_length > PAGE_BYTES) {
        describe(in.detail, {"the ROM image's stored length at offset ", decimal(DecimalText(OFFSET_ROM_DESCRIPTOR)),
                             " is ", Grouped(static_cast<std::size_t>(rom_length)).c_str(), ", above ",
                             Grouped(PAGE_BYTES).c_str()});
        return in.fail(ERR_BAD_HEADER);
    }
    for (int i = 0; i < blocks; ++i) {
        const int length = read_word(slots[i]);
        if (length > PAGE_BYTES) {
            describe(in.detail, {"the length of block ", decimal(DecimalText(i)), " at offset ",
                                 decimal(DecimalText(static_cast<long>(slots[i] - header))), " is ",
                                 Grouped(static_cast<std::size_t>(length)).c_str(), ", above ",
                                 Grouped(PAGE_BYTES).c_str()});
            return in.fail(ERR_BAD_HEADER);
        }
    }
    return 0;
}

// Takes the next `stored_length` bytes as a piece and records where it was.
int take_piece(Source& in, const char* what, int stored_length, StoredPiece* piece, const std::uint8_t** stored) {
    if (!in.has(static_cast<std::size_t>(stored_length))) {
        return in.ends_inside(what, static_cast<std::size_t>(stored_length));
    }
    *stored = in.data + in.position;
    piece->present = true;
    piece->offset = in.position;
    piece->stored_length = static_cast<std::size_t>(stored_length);
    in.position += static_cast<std::size_t>(stored_length);
    return 0;
}

int read_rom_image(Source& in, Snapshot* s) {
    const int descriptor = read_word(s->stored.header + OFFSET_ROM_DESCRIPTOR);
    if (descriptor == 0) return 0;
    const int stored_length = descriptor & ROM_LENGTH_MASK;
    if (stored_length == 0) {
        describe(in.detail, {"the ROM image's descriptor at offset ", decimal(DecimalText(OFFSET_ROM_DESCRIPTOR)),
                             ", ", HexWord(static_cast<unsigned>(descriptor)).text, ", gives it no bytes"});
        return in.fail(ERR_BAD_BLOCK_SIZE);
    }
    const std::uint8_t* stored = nullptr;
    if (const int result = take_piece(in, "the ROM image", stored_length, &s->stored.rom, &stored)) return result;
    const int capacity = (descriptor & ROM_RAW_FLAG) ? stored_length : ROM_SIZE_MAX;
    if (const int result = s->rom.allocate(static_cast<std::size_t>(capacity), in.reporter)) {
        return result;
    }
    const int length = unpack_block(s->rom.data(), capacity, stored, stored_length);
    if (length < 0) {
        describe(in.detail, {"the ROM image at offset ", Grouped(s->stored.rom.offset).c_str(),
                             " does not unpack to at most ", Grouped(static_cast<std::size_t>(capacity)).c_str(),
                             " bytes"});
        return in.fail(ERR_BAD_BLOCK_SIZE);
    }
    // The raw flag names the form, also of a one-byte image.
    s->stored.rom.form = (descriptor & ROM_RAW_FLAG) ? FORM_RAW : stored_form(stored_length, capacity);
    s->rom.truncate(static_cast<std::size_t>(length));
    s->stored.rom.unpacked_length = static_cast<std::size_t>(length);
    return 0;
}

int read_block(Source& in, Snapshot* s, int block, int stored_length) {
    const std::uint8_t* stored = nullptr;
    StoredPiece* piece = &s->stored.blocks[block];
    if (const int result = take_piece(in, block_name(block).text, stored_length, piece, &stored)) return result;
    ByteBuffer& page = s->pages[block];
    if (const int result = page.allocate(PAGE_BYTES, in.reporter)) return result;
    const int unpacked = unpack_block(page.data(), PAGE_BYTES, stored, stored_length);
    if (unpacked != PAGE_BYTES) {
        if (unpacked >= 0) {
            describe(in.detail, {"block ", decimal(DecimalText(block)), " at offset ", Grouped(piece->offset).c_str(),
                                 " unpacks to ", Grouped(static_cast<std::size_t>(unpacked)).c_str(), " of ",
                                 Grouped(PAGE_BYTES).c_str(), " bytes"});
        } else {
            describe(in.detail, {"block ", decimal(DecimalText(block)), " at offset ", Grouped(piece->offset).c_str(),
                                 " does not unpack to ", Grouped(PAGE_BYTES).c_str(), " bytes: its stored bytes go on"});
        }
        return in.fail(ERR_BAD_BLOCK_SIZE);
    }
    piece->unpacked_length = PAGE_BYTES;
    piece->form = stored_form(stored_length, PAGE_BYTES);
    return 0;
}

// The settings that the header holds, field by field. A field the file
// does not hold whole (the add-on hardware of a version 1 file, bytes
// beyond a short version 2 header) keeps a new snapshot's value: not
// plugged.
void take_settings(Snapshot* s) {
    const std::uint8_t* h = s->stored.header;
    std::uint8_t settings[HEADER_BUFFER_SIZE] = {};
    lay_out_settings(Snapshot(), settings);
    for (const HeaderField& field : HEADER_FIELDS) {
        if (field.role != FieldRole::SETTING || !header_holds(field, h[OFFSET_VERSION], s->stored.header_length)) {
            continue;
        }
        std::memcpy(settings + field.offset, h + field.offset, static_cast<std::size_t>(field.width));
    }
    take_setting_fields(s, settings);
}

int read_contents(Source& in, Snapshot* s) {
    if (const int result = check_probe(in)) return result;
    const int header_length = read_word(in.data + OFFSET_HEADER_LENGTH);
    if (!in.has(static_cast<std::size_t>(header_length))) {
        return in.ends_inside("the header", static_cast<std::size_t>(header_length));
    }
    std::uint8_t* header = s->stored.header;
    std::memcpy(header, in.data, static_cast<std::size_t>(header_length));
    s->stored.header_length = header_length;
    in.position = static_cast<std::size_t>(header_length);

    BlockSlot slots[PAGE_COUNT] = {};
    locate_block_sizes(header, slots);
    const int blocks = block_count_for_version(header[OFFSET_VERSION]);
    if (const int result = check_lengths(in, header, slots, blocks)) return result;

    if (const int result = read_rom_image(in, s)) return result;
    for (int i = 0; i < blocks; ++i) {
        if (!model_stores_block(header[OFFSET_COMPUTER_MODEL], i)) continue;
        const int stored_length = read_word(slots[i]);
        if (stored_length == 0) continue;
        if (const int result = read_block(in, s, i, stored_length)) return result;
    }
    s->stored.end = in.position;
    take_settings(s);
    return 0;
}

// A file too long to be a snapshot.
void describe_too_long(ReadDetail* detail) {
    describe(detail, {"the file is longer than ", Grouped(SNAPSHOT_SIZE_MAX).c_str(), " bytes, the most a snapshot can use"});
}

}  // namespace

int read_snapshot_bytes(const std::uint8_t* data, std::size_t length, const char* name, Snapshot* snapshot,
                        const Reporter& reporter, ReadDetail* detail) {
    if (detail) detail->text[0] = '\0';
    Source in{data, data ? length : 0, 0, name, reporter, detail};
    Snapshot read;
    if (const int result = read_contents(in, &read)) return result;
    swap_snapshots(*snapshot, read);
    return 0;
}

int read_snapshot_file(const char* path, Snapshot* snapshot, const Reporter& reporter, ReadDetail* detail) {
    if (detail) detail->text[0] = '\0';
    ByteBuffer content;
    const long length = read_whole_file(path, SNAPSHOT_SIZE_MAX, &content, reporter);
    if (length == ERR_SOURCE_TOO_LONG) describe_too_long(detail);
    if (length < 0) return static_cast<int>(length);
    return read_snapshot_bytes(content.data(), static_cast<std::size_t>(length), path, snapshot, reporter, detail);
}

int read_snapshot_stream(ReadPiece read, void* user, const char* name, Snapshot* snapshot,
                         const Reporter& reporter, std::size_t* length, ReadDetail* detail) {
    if (detail) detail->text[0] = '\0';
    ByteBuffer content;
    const long n = read_to_end(read, user, SNAPSHOT_SIZE_MAX, &content, name, reporter);
    if (n == ERR_SOURCE_TOO_LONG) describe_too_long(detail);
    if (n < 0) return static_cast<int>(n);
    *length = static_cast<std::size_t>(n);
    return read_snapshot_bytes(content.data(), static_cast<std::size_t>(n), name, snapshot, reporter, detail);
}

}  // namespace quillet

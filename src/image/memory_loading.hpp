// Memory loading: files, byte strings and hexadecimal strings placed into
// a snapshot's pages, and the ROM module image.
//
// Addresses are in the 64 KB address space (pages 0..3: address / 16384 is
// the page, address % 16384 the offset); a load spreads over as many pages
// as it covers. Every page a load touches is created zero-filled when
// absent; a load of nothing touches no page. Each load reports its progress
// line before anything is checked. The callers check addresses (0..65535)
// and page numbers (0..15) before calling.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/failure.hpp"
#include "snapshot/snapshot.hpp"

namespace quillet {

// Stores `length` bytes from `address` on. ERR_SOURCE_TOO_LONG (naming
// `name` and the room left) when they do not fit below 65536.
int load_bytes_at(Snapshot* snapshot, int address, const std::uint8_t* data, std::size_t length,
                  const char* name, const Reporter& reporter);

// Stores the file `path` from `address` on: at most 65536 - address bytes,
// read straight into the pages. The failure codes of SourceFile.
int load_file_at(Snapshot* snapshot, int address, const char* path, const Reporter& reporter);

// Stores `length` bytes (at most 16384, else ERR_SOURCE_TOO_LONG naming
// `name`) at the start of page `page`. The page exists afterwards, also
// when nothing is stored.
int load_bytes_into_page(Snapshot* snapshot, int page, const std::uint8_t* data, std::size_t length,
                         const char* name, const Reporter& reporter);

// Reads the file `path` (at most 16384 bytes) straight into page `page`,
// which is obtained first, so it exists even when the file fails.
int load_file_into_page(Snapshot* snapshot, int page, const char* path, const Reporter& reporter);

// Decodes the hexadecimal byte string `hex` (pairs of digits, either case)
// and stores it from `address` on. Checked in this order: odd length
// ERR_BAD_HEXSTRING, more bytes than fit below 65536 ERR_HEXSTRING_TOO_LONG,
// a character that is no hexadecimal digit ERR_BAD_HEXSTRING (then nothing
// is stored).
int store_hex_string(Snapshot* snapshot, int address, const char* hex, const Reporter& reporter);

// Replaces the ROM image by `length` bytes (at most 16384, else
// ERR_SOURCE_TOO_LONG naming `name`) rounded up to a multiple of 1024 with
// 0xFF bytes. A length of 0 removes the ROM image.
int set_rom_image(Snapshot* snapshot, const std::uint8_t* data, std::size_t length, const char* name,
                  const Reporter& reporter);

// The file `path` (at most 16384 bytes) as the ROM image, rounded up the
// same way. An empty file leaves the ROM image as it was.
int load_rom_file(Snapshot* snapshot, const char* path, const Reporter& reporter);

}  // namespace quillet

/*
 * quillet_layout.h: the raw offsets of a ZVK snapshot header. DEPRECATED.
 *
 * These macros were part of quillet.h up to version 1.0. The header's
 * fields are now offered by the field table of quillet.h
 * (quillet_field_count, quillet_field_info, quillet_field_number,
 * quillet_get_field, quillet_set_field), which gives each field's offset,
 * width and version with its value. The macros are kept, unchanged, for the
 * callers that use them, until the next major version; the library checks
 * at build time that they agree with its table.
 *
 * The header as quillet_stored_header() hands it over: the offsets of its
 * fields. Numbers of two bytes are 16-bit little-endian words.
 */
#ifndef QUILLET_LAYOUT_H
#define QUILLET_LAYOUT_H

#include "quillet/quillet.h"

#define QUILLET_WORD_SIZE                 2
#define QUILLET_HEADER_SIZE_V1            56
#define QUILLET_HEADER_SIZE_V2            124
#define QUILLET_OFFSET_MAGIC              0   /* "ZVK" */
#define QUILLET_OFFSET_VERSION            3   /* 1 or 2 */
#define QUILLET_OFFSET_HEADER_LENGTH      4   /* word: 56..124 */
#define QUILLET_OFFSET_COMPUTER_MODEL     6
#define QUILLET_OFFSET_INTERRUPTS_ENABLED 7
#define QUILLET_OFFSET_REGISTERS          8   /* AF, BC, DE, HL, PC, SP: a word each */
#define QUILLET_OFFSET_ROM_DESCRIPTOR     20  /* word: stored length | QUILLET_ROM_RAW_FLAG */
#define QUILLET_OFFSET_BLOCK_LENGTHS_LOW  22  /* words: blocks 0..3 */
#define QUILLET_OFFSET_PERIPHERAL_STATE   30  /* 26 bytes; the first is AllRAM */
#define QUILLET_OFFSET_VCPU_CIRCUIT       56  /* version 2 only, from here on */
#define QUILLET_OFFSET_MAPPER_PORT        57
#define QUILLET_OFFSET_BLOCK_LENGTHS_HIGH 58  /* words: blocks 4..15 */
#define QUILLET_OFFSET_MIF85_STATE        82
#define QUILLET_OFFSET_RESERVED           83  /* 32 zero bytes */
#define QUILLET_RESERVED_SIZE             32
#define QUILLET_OFFSET_MUSICA_STATE       115 /* 9 bytes */

#endif /* QUILLET_LAYOUT_H */

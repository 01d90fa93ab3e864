/*
 * quillet.h: building and reading ZVK snapshots of the PMD 85, and its tapes.
 *
 * A snapshot holds what an emulator restores when it starts a PMD 85: the
 * computer model, the CPU register pairs and interrupt flag, 26 bytes of
 * peripheral state, the add-on hardware (VideoCPU interrupt circuit, 256 KB
 * memory mapper, MIF 85, MUSICA), an optional ROM module image of up to
 * 16 KB, and up to sixteen 16 KB memory pages. Pages 0 to 3 are the 64 KB
 * address space (address / 16384 is the page); pages 4 to 15 exist only with
 * the memory mapper.
 *
 * Contracts common to every function:
 * - Results are 0 (QUILLET_OK) or a negative failure code, QUILLET_ERR_*,
 *   unless a function says otherwise. Each failure is also reported once,
 *   with its full message text, through the snapshot's reporter (see
 *   quillet_set_reporter); the library itself never writes to standard
 *   output or standard error and never reads standard input.
 * - Lengths are explicit byte counts. Texts are NUL-terminated UTF-8 (on
 *   POSIX systems: whatever bytes the file system takes; on Windows, file
 *   names are converted to UTF-16 for the system).
 * - Windows embedders: the `argv` of a narrow `main` is in the ANSI code
 *   page, not UTF-8, so a name outside it arrives as '?' and a name within
 *   it in other bytes. Take the arguments from the wide entry point and
 *   convert them, as quillet's programs do:
 *     int wmain(int argc, wchar_t** argv)   (MinGW: link with -municode)
 *     WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, path, sizeof path, NULL, NULL);
 * - A null pointer where data is needed is refused with -4
 *   (QUILLET_ERR_MISSING_VALUE, "Null pointer given for '%s'!" naming the
 *   parameter), never a crash; getters of a null snapshot return -4 (0 where
 *   the result is a size). Where null means something, it is documented.
 * - Messages name the parameters and data of the call, never an option of
 *   a program; a program that wants its own words maps the codes to them.
 * - The library keeps no global state: different snapshots may be used from
 *   different threads at the same time; one snapshot from one thread at a
 *   time.
 */
#ifndef QUILLET_H
#define QUILLET_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && defined(QUILLET_SHARED_LIBRARY)
#  if defined(QUILLET_BUILDING_LIBRARY)
#    define QUILLET_API __declspec(dllexport)
#  else
#    define QUILLET_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) && defined(QUILLET_BUILDING_LIBRARY)
#  define QUILLET_API __attribute__((visibility("default")))
#else
#  define QUILLET_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*-************************************
 *  Version
 **************************************/
/* The one place the version is defined: the build and the packages read it
 * from here. */
#define QUILLET_VERSION_MAJOR 1
#define QUILLET_VERSION_MINOR 0
#define QUILLET_VERSION_PATCH 0
#define QUILLET_VERSION_TEXT_(major, minor) #major "." #minor
#define QUILLET_VERSION_TEXT(major, minor) QUILLET_VERSION_TEXT_(major, minor)
#define QUILLET_VERSION_STRING QUILLET_VERSION_TEXT(QUILLET_VERSION_MAJOR, QUILLET_VERSION_MINOR)

/* The library's version, "MAJOR.MINOR": the one it was built as, which may
 * differ from QUILLET_VERSION_STRING of the header a program was compiled
 * with. Static text; never null. */
QUILLET_API const char* quillet_version(void);

/*-************************************
 *  Result codes
 **************************************/
/* The codes the library returns. Their numbers are those of the programs'
 * exit statuses; the numbers missing here (1, 3, 11, 14 to 18) are
 * failures only a program raises. */
#define QUILLET_OK                        0
#define QUILLET_ERR_OUT_OF_MEMORY        (-2)
#define QUILLET_ERR_MISSING_VALUE        (-4)  /* a null pointer */
#define QUILLET_ERR_SOURCE_OPEN          (-5)
#define QUILLET_ERR_SOURCE_ACCESS        (-6)
#define QUILLET_ERR_SOURCE_LENGTH        (-7)
#define QUILLET_ERR_SOURCE_TOO_LONG      (-8)
#define QUILLET_ERR_SOURCE_READ          (-9)
#define QUILLET_ERR_OUTPUT_OPEN          (-10)
#define QUILLET_ERR_OUTPUT_WRITE         (-12)
#define QUILLET_ERR_VALUE_RANGE          (-13)
#define QUILLET_ERR_BAD_MODEL            (-19)
#define QUILLET_ERR_BAD_REGISTER         (-20)
#define QUILLET_ERR_BAD_PAGE             (-21)
#define QUILLET_ERR_BAD_MAPPER           (-22)
#define QUILLET_ERR_BAD_STATE            (-23)  /* an add-on hardware state */
#define QUILLET_ERR_BAD_HEADER           (-24)
#define QUILLET_ERR_BAD_VERSION          (-25)
#define QUILLET_ERR_UNKNOWN_MODEL        (-26)
#define QUILLET_ERR_BAD_BLOCK_SIZE       (-27)
#define QUILLET_ERR_BAD_HEXSTRING        (-28)
#define QUILLET_ERR_HEXSTRING_TOO_LONG   (-29)
/* Tapes (see below); numbered apart from the snapshot's codes. */
#define QUILLET_ERR_TAPE_FORMAT          (-40)  /* no tape blocks in it */
#define QUILLET_ERR_TAPE_DAMAGED         (-41)  /* a record or block cut short */
#define QUILLET_ERR_TAPE_CHECKSUM        (-42)
#define QUILLET_ERR_BAD_TAPE_FIELD       (-43)  /* a name or type a header cannot hold */
#define QUILLET_ERR_BAD_RECORDING        (-44)  /* a WAV file that is no PCM recording */

#define QUILLET_ERR_BAD_KEY              (-50)  /* a key a typing script names that the model has not */
#define QUILLET_ERR_BAD_MACHINE_STATE    (-51)  /* a saved machine state that is damaged, cut or of another model */

/* The printf-style format of the message of `code` (one of the codes
 * above), for example "Can't open source file '%s'!". Null for any other
 * code. Static text. */
QUILLET_API const char* quillet_message(int code);

/* The name under which failures of in-memory data are reported, where the
 * command line would name a file: "(memory)". */
#define QUILLET_MEMORY_NAME "(memory)"

/*-************************************
 *  Format constants
 **************************************/
#define QUILLET_PAGE_SIZE        16384  /* one memory page, one stored block */
#define QUILLET_PAGE_COUNT       16
#define QUILLET_ADDRESS_SPACE    65536  /* pages 0..3 */
#define QUILLET_ADDRESS_MAX      (QUILLET_ADDRESS_SPACE - 1)
#define QUILLET_HEADER_SIZE_MAX  124    /* a version 2 header */
#define QUILLET_ROM_SIZE_MAX     16384
#define QUILLET_REGISTER_VALUE_MAX 0xFFFF
#define QUILLET_MAPPER_PORT_MAX  127    /* memory mapper port values 0..127 */
#define QUILLET_V3_ROM_LIMIT     8192   /* a V3 snapshot stores at most this much ROM */
/* The most bytes a snapshot file uses: the longest header, a raw ROM image
 * and sixteen raw blocks. The readers refuse a longer pipe or stream (-8)
 * and never read past the byte beyond it; of a regular file they read no
 * more than this: what follows the last piece does not count. */
#define QUILLET_SNAPSHOT_SIZE_MAX (124 + 16384 + 16 * 16384)

/* 0 when `address` is one of the 64 KB address space (0..65535), else -13.
 * Reports nothing: the check that every function taking an address makes,
 * for a caller that checks a value before it has a snapshot. */
QUILLET_API int quillet_address_check(long address);

/* The sizes of the state buffers of quillet_get_peripheral_state and
 * quillet_get_musica_state. Where each field of the header lies: the field
 * table below (the raw offsets, deprecated, are in quillet_layout.h). */
#define QUILLET_PERIPHERAL_STATE_SIZE     26
#define QUILLET_MUSICA_STATE_SIZE         9
/* The values of the ROM descriptor and of the AllRAM byte. */
#define QUILLET_ROM_RAW_FLAG              0x8000
#define QUILLET_ROM_LENGTH_MASK           0x7FFF
#define QUILLET_ALLRAM_ON                 0x82
#define QUILLET_ALLRAM_OFF                0x8A

/* Computer models, as stored in the snapshot. */
#define QUILLET_MODEL_V1     0
#define QUILLET_MODEL_V2     1
#define QUILLET_MODEL_V2A    2  /* the default */
#define QUILLET_MODEL_V3     3
#define QUILLET_MODEL_MATO   4
#define QUILLET_MODEL_ALFA   5
#define QUILLET_MODEL_ALFA2  6
#define QUILLET_MODEL_C2717  7
#define QUILLET_MODEL_COUNT  8

/* The name of `model` as the command line spells it ("V1" .. "C2717"), or
 * null for a number outside 0..7. Static text. */
QUILLET_API const char* quillet_model_name(int model);
/* The reverse: the number 0..7 of the model named `name` in any letter case
 * ("v2a" is 2), -19 for another name, -4 for null. Reports nothing. */
QUILLET_API int quillet_model_number(const char* name);

/* 1 when a snapshot of `model` stores block 2 (0x8000..0xBFFF): V2A, V3
 * and C2717; else 0. */
#define QUILLET_BLOCK_2 2
QUILLET_API int quillet_model_stores_block2(int model);

/* Register pairs, in header order. */
#define QUILLET_REG_AF  0
#define QUILLET_REG_BC  1
#define QUILLET_REG_DE  2
#define QUILLET_REG_HL  3
#define QUILLET_REG_PC  4
#define QUILLET_REG_SP  5
#define QUILLET_REGISTER_COUNT 6

/* The name of register pair `reg` ("AF" .. "SP"), or null. Static text. */
QUILLET_API const char* quillet_register_name(int reg);
/* The reverse: the number 0..5 of the register pair named `name` in any
 * letter case ("pc" is 4), -20 for another name, -4 for null. Reports
 * nothing. */
QUILLET_API int quillet_register_number(const char* name);

/* Add-on hardware states, as the header stores them. */
#define QUILLET_NOT_PLUGGED             0xFF  /* VideoCPU circuit, mapper, MIF 85 */
#define QUILLET_VCPU_INTERRUPT_DISABLED 0x07
#define QUILLET_VCPU_INTERRUPT_ENABLED  0x87
#define QUILLET_MIF85_INTERRUPT_DISABLED 0x00
#define QUILLET_MIF85_INTERRUPT_ENABLED  0x01

/*-************************************
 *  Reporting
 **************************************/
/* Receives every failure (`code` negative) and progress line (`code` 0) of
 * the operations on one snapshot, as the text the command line prints,
 * without a line end. `text` is valid only during the call. */
typedef void (*quillet_report_fn)(void* user, int code, const char* text);

/*-************************************
 *  The snapshot
 **************************************/
typedef struct quillet_snapshot quillet_snapshot;

/* A new snapshot with the defaults of a build without template: model V2A,
 * interrupts disabled, AF 0x0046, BC, DE and HL 0, PC and SP 0x8000, the
 * default peripheral state (AllRAM off), no add-on hardware, no ROM image,
 * no pages. Null when memory runs out. The caller owns it and frees it with
 * quillet_snapshot_free(). */
QUILLET_API quillet_snapshot* quillet_snapshot_new(void);

/* Frees `snapshot` and everything it holds. Null is accepted and ignored. */
QUILLET_API void quillet_snapshot_free(quillet_snapshot* snapshot);

/* Installs the reporter of `snapshot`; a null `report` silences it (the
 * default). `user` is passed back unchanged and never looked at. */
QUILLET_API void quillet_set_reporter(quillet_snapshot* snapshot, quillet_report_fn report, void* user);

/* The last failure reported on `snapshot`, with or without a reporter, for
 * callers that cannot take a callback (ctypes and other foreign-function
 * interfaces): its code (0 before any failure; -4 for a null snapshot);
 * its message, the text a reporter receives (cut to 511 bytes; "" before
 * any failure); and, when the last failure was a read (quillet_read_file,
 * _bytes, _stream), what it adds in words: where the file ends or what in
 * it is wrong ("the file ends inside block 1, 2,880 of 16,384 bytes"; ""
 * when there is nothing to add, as for a file that cannot be opened). A
 * later success does not clear them. The texts belong to the snapshot and
 * stay valid until its next call. */
QUILLET_API int quillet_last_failure(const quillet_snapshot* snapshot);
QUILLET_API const char* quillet_last_message(const quillet_snapshot* snapshot);
QUILLET_API const char* quillet_last_detail(const quillet_snapshot* snapshot);

/*-************************************
 *  Reading
 **************************************/
/* Replaces the whole content of `snapshot` (model, registers, interrupt
 * flag, peripheral and add-on bytes, ROM image, pages) by the snapshot file
 * `path`, which may be a pipe (read to its end). The file is checked
 * completely, in this order, and the first failure is the result: cannot be
 * opened -5; cannot be examined -6; a pipe longer than
 * QUILLET_SNAPSHOT_SIZE_MAX -8 (it is not read past the byte beyond it);
 * fewer than 7 bytes -9; magic not "ZVK" -24; version not 1 or 2 -25; header
 * length outside 56..124 -24; model above 7 -26; file shorter than its
 * header -9; ROM length or any block length above 16384 -24; file ends
 * inside the ROM image or a block -9; a piece that does not unpack (a block
 * to exactly 16384 bytes) -27; -2. Block 2 is read only for the models V2A,
 * V3 and C2717. On failure `snapshot` is left exactly as it was. The add-on
 * hardware of a version 1 file reads as not plugged. */
QUILLET_API int quillet_read_file(quillet_snapshot* snapshot, const char* path);

/* The same from `length` bytes at `data`, which the caller keeps owning.
 * Failures are reported with `name` where a file name would stand (null:
 * QUILLET_MEMORY_NAME). */
QUILLET_API int quillet_read_bytes(quillet_snapshot* snapshot, const void* data, size_t length,
                                   const char* name);

/* The same from a source of bytes that the caller reads (standard input,
 * a socket, a decompressor): `read` puts up to `capacity` bytes at `data`
 * and returns their number, 0 at the end of the source, or a negative
 * number on a read error (-9). The source is read to its end, at most
 * QUILLET_SNAPSHOT_SIZE_MAX bytes: one byte more is -8, and the rest is
 * not read. Failures name `name` (null: QUILLET_MEMORY_NAME). `*length`
 * (`length` may be null) receives the number of bytes the source held. */
typedef long (*quillet_read_fn)(void* user, void* data, size_t capacity);
QUILLET_API int quillet_read_stream(quillet_snapshot* snapshot, quillet_read_fn read, void* user,
                                    const char* name, size_t* length);

/* How the file last read into `snapshot` stored a piece. */
typedef struct quillet_stored_piece {
    int present;             /* 1 when the file held this piece, else 0 */
    size_t offset;           /* file offset of its stored bytes */
    size_t stored_length;    /* 1 fill form, 16384 (or raw ROM) raw form, else run form */
    size_t unpacked_length;  /* 16384 for a block; the ROM image's length */
} quillet_stored_piece;

#define QUILLET_PIECE_ROM (-1)

/* Copies the header bytes of the file last read into `header`
 * (QUILLET_HEADER_SIZE_MAX bytes; bytes at and beyond the file's header
 * length are 0). Result: the header length (56..124), or 0 when the
 * snapshot was not read from a file or bytes (header then all zero). */
QUILLET_API int quillet_stored_header(const quillet_snapshot* snapshot, uint8_t* header);

/* Describes piece `piece` (QUILLET_PIECE_ROM or a block 0..15) of the file
 * last read. Result 0, or -21 for another piece number. All zero when the
 * snapshot was not read or the file did not hold the piece. Later changes
 * to the snapshot do not change what this reports. */
QUILLET_API int quillet_stored_piece_info(const quillet_snapshot* snapshot, int piece,
                                          quillet_stored_piece* info);

/* The offset just after the last piece of the file last read (0 when none
 * was read): bytes from there on were not part of the snapshot. */
QUILLET_API size_t quillet_stored_end(const quillet_snapshot* snapshot);

/* How a piece is stored (see the block codec below). */
#define QUILLET_FORM_RAW  0  /* a copy */
#define QUILLET_FORM_FILL 1  /* one byte, repeated */
#define QUILLET_FORM_RUN  2  /* runs of the block codec */

/* What a block slot of the file last read held. */
#define QUILLET_BLOCK_ABSENT     0  /* length word 0, or a slot the version lacks */
#define QUILLET_BLOCK_PRESENT    1
#define QUILLET_BLOCK_NOT_STORED 2  /* block 2 of a model that leaves it out: its word is ignored */

/* The layout of the file last read, as its header describes it. */
typedef struct quillet_layout {
    int version;                                /* the version byte: 1 or 2 */
    int header_length;                          /* 56..124 */
    int block_slots;                            /* length words the header holds: 4 or 16 */
    int addon_hardware;                         /* 1 when it holds the add-on hardware (version 2) */
    unsigned rom_descriptor;                    /* stored length | QUILLET_ROM_RAW_FLAG; 0: no ROM image */
    int rom_form;                               /* QUILLET_FORM_* of a ROM image */
    unsigned length_words[QUILLET_PAGE_COUNT];  /* the block-length words; 0 beyond block_slots */
    int block_states[QUILLET_PAGE_COUNT];       /* QUILLET_BLOCK_* */
    int block_forms[QUILLET_PAGE_COUNT];        /* QUILLET_FORM_* of a present block */
} quillet_layout;

/* Describes the file last read into `snapshot` in `layout`. All zero (and
 * every block absent) when the snapshot was not read from a file or bytes.
 * Later changes to the snapshot do not change it. */
QUILLET_API int quillet_stored_layout(const quillet_snapshot* snapshot, quillet_layout* layout);

/*-************************************
 *  The header's fields
 **************************************/
/* The header of a snapshot file as a table of fields, numbered 0 to
 * quillet_field_count() - 1 in header order: "magic", "version",
 * "header_length", "model", "interrupts_enabled", "AF" .. "SP",
 * "rom_descriptor", "block_length_0" .. "block_length_3", "allram",
 * "peripheral_state", then the fields of a version 2 header:
 * "vcpu_interrupt_circuit", "mapper_port", "block_length_4" ..
 * "block_length_15", "mif85", "reserved", "musica_state". Together they
 * cover every byte of both headers once. A setting is what the snapshot
 * holds and an emulator restores; the other fields the writer lays out from
 * the snapshot's contents (its version, ROM image and blocks). */
#define QUILLET_FIELD_NUMBER 0  /* a count or a flag, read in decimal */
#define QUILLET_FIELD_CODE   1  /* a byte of state, read in hexadecimal */
#define QUILLET_FIELD_WORD   2  /* a 16-bit little-endian word */
#define QUILLET_FIELD_MODEL  3  /* a computer model number */
#define QUILLET_FIELD_BYTES  4  /* a string of bytes */

typedef struct quillet_field {
    const char* name;     /* as listed above; static text */
    int offset;           /* of its first byte in the file */
    int width;            /* its bytes: 1, 2 (a word) or more */
    int first_version;    /* 1, or 2: only a version 2 header holds it */
    int setting;          /* 1: a setting, which quillet_set_field changes; else 0 */
    int form;             /* QUILLET_FIELD_* */
    const char* meaning;  /* one line; static text */
} quillet_field;

/* The number of fields (35). */
QUILLET_API int quillet_field_count(void);

/* Describes field `field` into `*info`. Result 0; -13 for a number outside
 * 0 .. quillet_field_count() - 1, -4 for a null `info`. Reports nothing. */
QUILLET_API int quillet_field_info(int field, quillet_field* info);

/* The number of the field named `name` (exact spelling, as listed above),
 * -13 for another name, -4 for null. Reports nothing. */
QUILLET_API int quillet_field_number(const char* name);

/* Copies field `field` of `snapshot` into `out` (`capacity` bytes; the
 * field's width are written, a word little-endian): a setting as the
 * snapshot holds it now (also one that the file it was read from did not
 * hold: then its value of a new snapshot, not plugged); any other field as
 * the file last read held it, 0 bytes when the snapshot was not read from
 * a file or bytes, or the file's header was too short to hold it. Result
 * 0; -13 for another field number or a `capacity` below the width, -4 for
 * a null pointer; nothing is written then. */
QUILLET_API int quillet_get_field(const quillet_snapshot* snapshot, int field, uint8_t* out, size_t capacity);

/* Sets setting `field` of `snapshot` from its `length` bytes at `bytes` (a
 * word little-endian), with the checks and results of the function that
 * sets it alone: "model" as quillet_set_model, a register pair as
 * quillet_set_register, "interrupts_enabled" as quillet_set_interrupts (a
 * non-zero byte enables), "vcpu_interrupt_circuit", "mapper_port" and
 * "mif85" as quillet_set_vcpu_circuit, _mapper_port and _mif85; "allram",
 * "peripheral_state" and "musica_state" take any bytes. -13 for a field
 * that is no setting or another number, or a `length` other than the
 * field's width; -4 for a null pointer. A failure changes nothing. */
QUILLET_API int quillet_set_field(quillet_snapshot* snapshot, int field, const uint8_t* bytes, size_t length);

/*-************************************
 *  Settings
 **************************************/
/* Model 0..7 (QUILLET_MODEL_*); another number: -19. */
QUILLET_API int quillet_set_model(quillet_snapshot* snapshot, int model);
/* The model 0..7. */
QUILLET_API int quillet_get_model(const quillet_snapshot* snapshot);

/* Register pair `reg` (QUILLET_REG_*; another number: -20) = `value`
 * (0..QUILLET_REGISTER_VALUE_MAX; another value: -13, naming the register). AF is stored as the 8080 holds it: bits 3
 * and 5 of the flag byte cleared, bit 1 set ((value & 0xFFD7) | 2). */
QUILLET_API int quillet_set_register(quillet_snapshot* snapshot, int reg, long value);
/* The value 0..65535 of register pair `reg`, or -20. */
QUILLET_API long quillet_get_register(const quillet_snapshot* snapshot, int reg);

/* The CPU's global interrupt flag: 0 disabled, 1 enabled (any non-zero
 * `enabled` counts as 1). */
QUILLET_API int quillet_set_interrupts(quillet_snapshot* snapshot, int enabled);
/* 0 or 1. */
QUILLET_API int quillet_get_interrupts(const quillet_snapshot* snapshot);

/* AllRAM, byte 30 of the peripheral state: on stores 0x82, off the default
 * 0x8A (any non-zero `on` counts as on). */
QUILLET_API int quillet_set_allram(quillet_snapshot* snapshot, int on);
/* 1 when byte 30 holds 0x82, else 0. */
QUILLET_API int quillet_get_allram(const quillet_snapshot* snapshot);

/* The 26 bytes of peripheral state (header bytes 30 to 55) into `state`. */
QUILLET_API int quillet_get_peripheral_state(const quillet_snapshot* snapshot, uint8_t* state);

/* Add-on hardware. A snapshot with any of it plugged is written as a
 * version 2 file (124-byte header), else as version 1 (56 bytes); pages 4
 * to 15 are written only with the memory mapper. The combinations that the
 * command line refuses (mapper or VideoCPU circuit with a model other than
 * V2A and V3, AllRAM with a model other than V2A, V3 and C2717, MIF 85 with
 * MUSICA) are the caller's to avoid: the snapshot stores what it is told.
 *
 * VideoCPU interrupt circuit: QUILLET_NOT_PLUGGED, ..._DISABLED (0x07) or
 * ..._ENABLED (0x87); another value: -23 (QUILLET_ERR_BAD_STATE). */
QUILLET_API int quillet_set_vcpu_circuit(quillet_snapshot* snapshot, int state);
/* Memory mapper port value 0..QUILLET_MAPPER_PORT_MAX, or
 * QUILLET_NOT_PLUGGED; another: -22. */
QUILLET_API int quillet_set_mapper_port(quillet_snapshot* snapshot, int port);
/* MIF 85: QUILLET_NOT_PLUGGED, 0 or 1 (CT0 interrupt off / on); another: -23. */
QUILLET_API int quillet_set_mif85(quillet_snapshot* snapshot, int state);
/* MUSICA interface: 0 not plugged, non-zero plugged. */
QUILLET_API int quillet_set_musica(quillet_snapshot* snapshot, int plugged);

/* The stored byte (0..255) of each, as a file may hold any value there.
 * quillet_get_musica: 1 when the MUSICA state is not the unplugged one
 * (0xFF and eight zero bytes). */
QUILLET_API int quillet_get_vcpu_circuit(const quillet_snapshot* snapshot);
QUILLET_API int quillet_get_mapper_port(const quillet_snapshot* snapshot);
QUILLET_API int quillet_get_mif85(const quillet_snapshot* snapshot);
QUILLET_API int quillet_get_musica(const quillet_snapshot* snapshot);
/* The QUILLET_MUSICA_STATE_SIZE bytes of the MUSICA state into `state`. */
QUILLET_API int quillet_get_musica_state(const quillet_snapshot* snapshot, uint8_t* state);

/*-************************************
 *  Memory and ROM image
 **************************************/
/* Each load writes over what the pages hold and creates a touched page
 * (zero-filled) when absent; nothing is written for 0 bytes. Note that
 * block 2 (0x8000..0xBFFF) is written to a file only for the models V2A,
 * V3 and C2717, and pages 4..15 only with the memory mapper. On failure
 * the memory may hold part of what was loaded. */

/* Stores `length` bytes at `address` (0..65535; another: -13) of the 64 KB
 * address space. More than 65536 - address bytes: -8. */
QUILLET_API int quillet_load_bytes(quillet_snapshot* snapshot, long address, const void* data,
                                   size_t length);
/* Stores `length` bytes (at most 16384; more: -8) at the start of page
 * `page` (0..15; another: -21). The page exists afterwards even when
 * `length` is 0. */
QUILLET_API int quillet_load_page_bytes(quillet_snapshot* snapshot, int page, const void* data,
                                        size_t length);
/* The file `path`, loaded as the command line's -mem does: at most
 * 65536 - address bytes (-8), failures -5, -6, -9 naming `path`. A pipe
 * (a named one too) is read to its end within the same limit, and not past
 * the byte beyond it; a directory or a device is -9. The same holds for
 * quillet_load_page_file and quillet_load_rom_file. */
QUILLET_API int quillet_load_file(quillet_snapshot* snapshot, long address, const char* path);
/* The file `path` into page `page`, as -pg does (at most 16384 bytes). */
QUILLET_API int quillet_load_page_file(quillet_snapshot* snapshot, int page, const char* path);
/* The hexadecimal byte string `hex` (pairs of digits, either case) at
 * `address`, as -hex does: odd length -28, more bytes than fit -29, a
 * character that is no hex digit -28 (then nothing is stored). */
QUILLET_API int quillet_store_hex(quillet_snapshot* snapshot, long address, const char* hex);

/* Replaces the ROM image by `length` bytes (at most 16384; more: -8),
 * rounded up to a multiple of 1024 with 0xFF bytes. A `length` of 0 removes
 * the ROM image. A V3 snapshot writes at most its first 8192 bytes. */
QUILLET_API int quillet_set_rom(quillet_snapshot* snapshot, const void* data, size_t length);
/* The file `path` as the ROM image, as -rom does; an empty file leaves the
 * ROM image as it was. */
QUILLET_API int quillet_load_rom_file(quillet_snapshot* snapshot, const char* path);

/* The length of the ROM image in bytes, 0 when there is none. */
QUILLET_API size_t quillet_rom_length(const quillet_snapshot* snapshot);
/* Copies the first min(capacity, rom length) bytes of the ROM image into
 * `out`. Result: the number copied, or a negative code. */
QUILLET_API long quillet_read_rom(const quillet_snapshot* snapshot, void* out, size_t capacity);

/* 1 when page `page` holds data, 0 when it is absent, -21 for a page
 * outside 0..15. */
QUILLET_API int quillet_has_page(const quillet_snapshot* snapshot, int page);
/* Copies `length` bytes from offset `offset` of page `page` into `out`;
 * an absent page reads as zero bytes. An offset above 16384, or a length
 * above 16384 - offset: -13, whose message shows the value given and its
 * limit ("Value 10 is out of range for length from offset 16380 in a page
 * (0 to 4)"). */
QUILLET_API int quillet_read_page(const quillet_snapshot* snapshot, int page, size_t offset,
                                  void* out, size_t length);
/* Copies `length` bytes from `address` of the 64 KB address space into
 * `out`; absent pages read as zero bytes. A length above 65536 - address:
 * -13, showing the length given and its limit. */
QUILLET_API int quillet_read_memory(const quillet_snapshot* snapshot, long address, void* out,
                                    size_t length);

/*-************************************
 *  Writing
 **************************************/
/* Writes `snapshot` to the file `path`, its ROM image and blocks packed when
 * `pack` is non-zero, exactly as the command line does: the header (version
 * 1 or 2), then the ROM image, then the present blocks. The file appears
 * whole or not at all: an existing file is replaced only when everything
 * was written, and a failure leaves it as it was. Failures: -10 cannot be
 * created (also a missing directory, an existing read-only file), -12.
 * `snapshot` itself does not change. */
QUILLET_API int quillet_write_file(const quillet_snapshot* snapshot, const char* path, int pack);

/* The size in bytes of the file quillet_write_file would write, into
 * `*size`. */
QUILLET_API int quillet_write_size(const quillet_snapshot* snapshot, int pack, size_t* size);

/* The same bytes into `out` (`capacity` bytes); `*written` receives their
 * count. A `capacity` smaller than the size: -12 (reported with
 * QUILLET_MEMORY_NAME), nothing is written, and `*written` receives the
 * size needed. A null `out` with a `capacity` of 0 asks for the size: -12
 * and the size in `*written`, reported to nobody. */
QUILLET_API int quillet_write_bytes(const quillet_snapshot* snapshot, int pack, void* out,
                                    size_t capacity, size_t* written);

/*-************************************
 *  Block codec
 **************************************/
/* Stores `length` bytes of `source` (1..16384) in `output` (`capacity`
 * bytes, at least `length`, not overlapping `source`) and returns the
 * stored length: 1 the fill form (output[0] is the only byte value), 2 to
 * length - 1 the run form, `length` the raw form (a copy). Never writes
 * past output[length - 1]. -4 for a null pointer, -13 for a length outside
 * 1..16384 or a capacity below `length`. Reports nothing. */
QUILLET_API int quillet_pack_block(uint8_t* output, size_t capacity, const uint8_t* source,
                                   size_t length);

/* Unpacks `packed_length` stored bytes into `destination` (`capacity`
 * bytes): a stored length of 1 fills the whole capacity, one equal to
 * `capacity` is copied, anything between is decoded as runs. Returns the
 * number of bytes written (at most `capacity`); -4 for a null pointer; -13
 * for a length of 0, a capacity of 0 or above 16384, packed_length >
 * capacity; -27 when stored bytes remain once the destination is full or
 * the last run is cut short. Never reads or writes outside the two buffers.
 * Reports nothing. */
QUILLET_API int quillet_unpack_block(uint8_t* destination, size_t capacity, const uint8_t* packed,
                                     size_t packed_length);

/*-************************************
 *  The 8080
 **************************************/
/* The PMD 85's processor, exact to the clock cycle ("state"): all 256
 * opcodes (the undocumented ones as the chip executes them), its flags and
 * states, interrupts with EI's one-instruction delay, HLT. Its memory is 64
 * KB of RAM, all zero when new; read-only images (a monitor ROM) can be
 * mapped over it: reads there see the image, writes go to the RAM beneath.
 * Input and output ports go through callbacks; without them IN reads 0xFF
 * and OUT is ignored. A processor knows nothing of snapshots but can take
 * its memory and registers from one. The same contracts as the snapshot
 * functions: results 0 or a negative code, failures also through the
 * processor's reporter, -4 for a null pointer. */
typedef struct quillet_cpu quillet_cpu;

/* A new processor: RAM zero, every register 0 (F reads 0x02), PC and SP 0,
 * interrupts disabled, not halted, no images, no stop addresses, no port
 * callbacks, counters 0. Null when memory runs out. Free with
 * quillet_cpu_free(). */
QUILLET_API quillet_cpu* quillet_cpu_new(void);
/* Frees `cpu`. Null is accepted and ignored. */
QUILLET_API void quillet_cpu_free(quillet_cpu* cpu);
/* Installs the reporter of `cpu`, as quillet_set_reporter does. */
QUILLET_API void quillet_cpu_set_reporter(quillet_cpu* cpu, quillet_report_fn report, void* user);
/* The text of the last failure reported by a call on this processor, with
 * or without a reporter (NUL-terminated, "" when none; a null processor:
 * ""); on a machine's processor, by a call on the machine or its processor,
 * as quillet_machine_last_message gives it. Valid until the next failing
 * call on it. */
QUILLET_API const char* quillet_cpu_last_message(const quillet_cpu* cpu);

/* Takes from `snapshot` the registers, the interrupt flag and blocks 0 to 3
 * as the 64 KB of RAM (a block that is absent, or block 2 where the model
 * does not store it, as zero bytes). Images, stops, callbacks, the halt
 * state and the counters stay as they are. */
QUILLET_API int quillet_cpu_from_snapshot(quillet_cpu* cpu, const quillet_snapshot* snapshot);

/* Single registers, numbered as the instruction set encodes them (6, which
 * the instructions use for M, is F here). */
#define QUILLET_CPU_B 0
#define QUILLET_CPU_C 1
#define QUILLET_CPU_D 2
#define QUILLET_CPU_E 3
#define QUILLET_CPU_H 4
#define QUILLET_CPU_L 5
#define QUILLET_CPU_F 6
#define QUILLET_CPU_A 7
/* The bits of F; bit 1 always reads 1, bits 3 and 5 always 0. */
#define QUILLET_FLAG_CY 0x01
#define QUILLET_FLAG_P  0x04
#define QUILLET_FLAG_AC 0x10
#define QUILLET_FLAG_Z  0x40
#define QUILLET_FLAG_S  0x80

/* Single register `reg` (QUILLET_CPU_*; another: -20) = `value` (0..255;
 * another: -13). F keeps its fixed bits as the chip holds them. */
QUILLET_API int quillet_cpu_set_register8(quillet_cpu* cpu, int reg, int value);
/* The value 0..255 of single register `reg`, or -20. */
QUILLET_API int quillet_cpu_get_register8(const quillet_cpu* cpu, int reg);
/* Register pair `reg` (QUILLET_REG_AF .. QUILLET_REG_SP; another: -20) =
 * `value` (0..65535; another: -13); AF as the chip holds it. */
QUILLET_API int quillet_cpu_set_pair(quillet_cpu* cpu, int reg, long value);
/* The value 0..65535 of register pair `reg`, or -20. */
QUILLET_API long quillet_cpu_get_pair(const quillet_cpu* cpu, int reg);

/* The interrupt flag (INTE): 0 disabled, non-zero enabled. */
QUILLET_API int quillet_cpu_set_interrupts(quillet_cpu* cpu, int enabled);
/* 0 or 1. */
QUILLET_API int quillet_cpu_get_interrupts(const quillet_cpu* cpu);
/* Whether the processor is halted (by HLT, until an interrupt is taken). */
QUILLET_API int quillet_cpu_set_halted(quillet_cpu* cpu, int halted);
QUILLET_API int quillet_cpu_get_halted(const quillet_cpu* cpu);

/* The clock states and the instructions executed since quillet_cpu_new
 * (an accepted interrupt counts as one instruction of 11 states); 0 for a
 * null processor. */
QUILLET_API uint64_t quillet_cpu_states(const quillet_cpu* cpu);
QUILLET_API uint64_t quillet_cpu_instructions(const quillet_cpu* cpu);

/* Writes `length` bytes to the RAM from `address` (0..65535; another: -13;
 * address + length above 65536: -13), beneath any image. As everywhere in
 * this interface, a null buffer with a `length` of 0 is no failure: nothing
 * is copied. */
QUILLET_API int quillet_cpu_write_memory(quillet_cpu* cpu, long address, const void* data, size_t length);
/* Copies `length` bytes of the RAM from `address` into `out`, beneath any
 * image; bounds as for writing. */
QUILLET_API int quillet_cpu_read_memory(const quillet_cpu* cpu, long address, void* out, size_t length);
/* The same bytes as the processor reads them: the images where mapped. */
QUILLET_API int quillet_cpu_read_view(const quillet_cpu* cpu, long address, void* out, size_t length);
/* Maps `length` bytes of `image` (copied) as read-only from `address`.
 * A range that leaves the 64 KB, is empty, or overlaps an image mapped
 * before: -13, and nothing changes. */
QUILLET_API int quillet_cpu_map_rom(quillet_cpu* cpu, long address, const void* image, size_t length);

/* Reads the file `path` straight into the processor, from `address`
 * (0..65535; another: -13) on: into the RAM (quillet_cpu_load_file), or
 * as a read-only image over it that `cpu` keeps until it is freed
 * (quillet_cpu_map_rom_file; an image mapped there already: -13). The file
 * is read as quillet_load_file reads one, with its failure codes: a
 * regular file, a pipe or a FIFO to its end, at most 65536 - `address`
 * bytes (a longer one: -8, a pipe not read past the byte beyond); -5, -6,
 * -9, -2. Result: the number of bytes read (an empty file: 0, and nothing
 * is loaded or mapped), or the failure code; a failure changes nothing.
 * -4 for a null pointer. */
QUILLET_API long quillet_cpu_load_file(quillet_cpu* cpu, long address, const char* path);
QUILLET_API long quillet_cpu_map_rom_file(quillet_cpu* cpu, long address, const char* path);

/* The port callbacks, both may be null. `in` returns the byte read (its
 * low 8 bits count); during a call the processor's registers and counters
 * are up to date, and the callback may call quillet_cpu_interrupt or
 * quillet_cpu_request_stop. */
typedef int (*quillet_cpu_in_fn)(void* user, int port);
typedef void (*quillet_cpu_out_fn)(void* user, int port, int value);
QUILLET_API int quillet_cpu_set_ports(quillet_cpu* cpu, quillet_cpu_in_fn in, quillet_cpu_out_fn out,
                                      void* user);

/* A trace: called before each instruction of a run while it returns
 * non-zero, with the registers and counters up to date and PC at the
 * instruction. Once it returns 0 the run goes on at full speed without it.
 * Null `trace` removes it. Each traced instruction costs a call. */
typedef int (*quillet_cpu_trace_fn)(void* user, const quillet_cpu* cpu);
QUILLET_API int quillet_cpu_set_trace(quillet_cpu* cpu, quillet_cpu_trace_fn trace, void* user);

/* Coverage, counted by the run loop itself at a small cost per
 * instruction: how many times each address's byte was executed as part of
 * an instruction, and read or written as data by one (its operands in
 * memory and the stack; not the fetches of instructions, nor an accepted
 * interrupt's push). quillet_cpu_set_coverage with `on` non-zero starts
 * the counts from zero (about 2.5 MB, held until it is called with 0 or
 * the processor is freed: -2 when memory runs out); 0 ends counting and
 * drops the counts. quillet_cpu_coverage copies the counts of `kind`
 * (QUILLET_COVERAGE_*, another: -13) for all QUILLET_ADDRESS_SPACE
 * addresses into `counts`, whose `count` must be QUILLET_ADDRESS_SPACE
 * (another: -13); without counting: -23. -4 for a null pointer. */
#define QUILLET_COVERAGE_EXECUTED 0
#define QUILLET_COVERAGE_READ     1
#define QUILLET_COVERAGE_WRITTEN  2
QUILLET_API int quillet_cpu_set_coverage(quillet_cpu* cpu, int on);
QUILLET_API int quillet_cpu_coverage(const quillet_cpu* cpu, int kind, uint64_t* counts, size_t count);

/* A device asks for RST `rst` (0..7; -1 withdraws the request; another:
 * -13). The request waits until interrupts are enabled (and the
 * instruction after EI has run); then PC is pushed, PC = rst * 8,
 * interrupts are disabled and a halt ends. */
QUILLET_API int quillet_cpu_interrupt(quillet_cpu* cpu, int rst);
/* From a port callback: the run ends after the current instruction. */
QUILLET_API int quillet_cpu_request_stop(quillet_cpu* cpu);

/* Stop addresses: a run ends before the instruction at one executes.
 * `address` 0..65535 (another: -13); `on` non-zero sets, zero clears. */
QUILLET_API int quillet_cpu_set_stop(quillet_cpu* cpu, long address, int on);

/* Why a run ended: a positive result of quillet_cpu_run. */
#define QUILLET_STOP_ADDRESS           1  /* PC at a stop address */
#define QUILLET_STOP_HALTED            2  /* HLT, and no interrupt to end it */
#define QUILLET_STOP_STATE_LIMIT       3  /* the run took max_states */
#define QUILLET_STOP_INSTRUCTION_LIMIT 4  /* the run took max_instructions */
#define QUILLET_STOP_REQUESTED         5  /* a callback asked for it */
#define QUILLET_STOP_RETURNED          6  /* quillet_cpu_call: the routine returned */
#define QUILLET_STOP_NO_MONITOR        7  /* a machine without a monitor image executed where it would be */
#define QUILLET_STOP_WATCH             9  /* a watched address was read or written */

/* Runs until a stop address, HLT, a callback's request, or a limit: the
 * limits are this run's budget, counted from its start (UINT64_MAX: none;
 * quillet_cpu_states and quillet_cpu_instructions stay totals since
 * quillet_cpu_new), checked before each instruction, so that the last one
 * may end up to 17 states past max_states (21 on a machine's processor). With `leave_stop` non-zero, the first instruction runs even
 * at a stop address: the way to go on from one. Result: the reason, one of
 * QUILLET_STOP_*, or -4. */
QUILLET_API int quillet_cpu_run(quillet_cpu* cpu, uint64_t max_states, uint64_t max_instructions,
                                int leave_stop);

/* Calls the routine at `address` (0..65535; another: -13) as CALL does:
 * pushes PC and jumps there, then runs as quillet_cpu_run does until the
 * routine returns to that PC with SP back where it was before the push:
 * QUILLET_STOP_RETURNED. Meeting the return address with SP elsewhere (a
 * recursive call) goes on through it, unless it is a stop address of its
 * own: then QUILLET_STOP_ADDRESS. Any other end is the reason
 * quillet_cpu_run gives, its limits a budget counted from this call's
 * start; the stop addresses stay as they were. */
QUILLET_API int quillet_cpu_call(quillet_cpu* cpu, long address, uint64_t max_states, uint64_t max_instructions);

/* Puts the state of `cpu` into `snapshot`, so that the emulator goes on
 * from it: the register pairs (AF as the chip holds it), the interrupt
 * flag, and the RAM of blocks 0 to 3 (beneath any image) into each block
 * that `snapshot` holds or whose RAM is not all zero bytes; a block that
 * was absent and stayed all zero stays absent. Everything else of
 * `snapshot` (model, hardware, ROM image, pages 4 to 15) stays as it was;
 * block 2 is written out only where the model stores it. */
QUILLET_API int quillet_cpu_to_snapshot(const quillet_cpu* cpu, quillet_snapshot* snapshot);

/* The reason as a word: "address", "halt", "state limit", "instruction
 * limit", "requested", "return", "no monitor", "frame", "watch"; null for
 * another number.
 * Static text. */
QUILLET_API const char* quillet_stop_name(int reason);

/*-************************************
 *  The machine
 **************************************/
/* A whole PMD 85 of the snapshot's model (V1, V2, V2A, V3, MATO, ALFA,
 * ALFA2, C2717): its memory map after reset (the start-up map) and in
 * normal running (the monitor ROM and its mirrors, ranges that read 0xFF,
 * writes to the ROM lost on the 48 KB models and reaching the RAM beneath
 * on the 64 KB ones, the PMD 85-3's ROM read at 0xE000 over the video RAM,
 * AllRAM by the system 8255's port C), the system 8255 (keyboard matrix,
 * speaker, LED), the ROM module's 8255, the I/O board (8251 status, 8253,
 * the MIF 85's counter-0 interrupt where the snapshot plugs it), the 256 KB
 * mapper on V2A and V3 where the snapshot has it; ports no device answers
 * read 0xFF. Its processor counts the states of the real machine: the
 * video circuit's wait states (frames of 40 960 states, 2 048 000 states a
 * second). Same contracts as the rest: 0 or a negative code, failures
 * also through the machine's reporter, -4 for a null pointer. */
typedef struct quillet_machine quillet_machine;

/* States in a frame and in a second of PMD 85 time. */
#define QUILLET_MACHINE_FRAME_STATES  40960
#define QUILLET_MACHINE_SECOND_STATES 2048000

/* Whether `model` (QUILLET_MODEL_*) takes a monitor image of `size`
 * bytes: 1 or 0 (a bad model: 0). `sizes` (null: not wanted) receives up
 * to `capacity` of the sizes it takes, in increasing order; the result of
 * quillet_machine_monitor_sizes is their number (a bad model: -19). */
QUILLET_API int quillet_machine_monitor_fits(int model, size_t size);
QUILLET_API int quillet_machine_monitor_sizes(int model, size_t* sizes, int capacity);

/* Whether `image` (`size` bytes) is a monitor image the library knows by
 * its CRC-32 (the monitors of the V1, V2, V2A, V3, MATO, ALFA2 and C2717
 * of the common firmware set): the model it was made for (QUILLET_MODEL_*),
 * and in *name (when `name` is not null) what it is, e.g. "monitor 1"
 * (static text). An image it does not know: -1, *name null. A known image
 * given to another model runs all the same; a front end may warn. -4 for a
 * null image with a size. Reports nothing. */
QUILLET_API int quillet_monitor_made_for(const void* image, size_t size, const char** name);

/* A new machine in *out (null on failure) as `snapshot` describes it: its
 * model, registers, interrupt flag, all 16 pages (absent ones zero), ROM
 * module image, mapper port and AllRAM byte (the system 8255's control
 * word: 0x82 on, 0x8A off); the monitor image `monitor` (`monitor_length`
 * bytes, copied) where the model has it, or none (null and 0): then its
 * range reads 0xFF and a run that executes there ends with
 * QUILLET_STOP_NO_MONITOR. A size the model does not take: -13. Memory
 * running out: -2. Free with quillet_machine_free(). `report` (may be
 * null) receives the failures of this call and of the machine's later
 * calls. */
QUILLET_API int quillet_machine_new(const quillet_snapshot* snapshot, const void* monitor, size_t monitor_length,
                                    quillet_report_fn report, void* user, quillet_machine** out);
/* Frees `machine` (and its processor). Null is accepted and ignored. */
QUILLET_API void quillet_machine_free(quillet_machine* machine);

/* The machine's processor: registers, flags, counters, memory (what the
 * processor reads, and writes made as its writes are, through the map),
 * ports (an `in` callback's byte is read ahead of the device; a negative
 * one lets the device answer; `out` sees every OUT before the device),
 * trace, stops, runs and calls, all through the quillet_cpu_* functions,
 * which then act on the machine. Not quillet_cpu_map_rom or
 * quillet_cpu_from_snapshot (-23). Owned by the machine: never freed on
 * its own (quillet_cpu_free ignores it). */
QUILLET_API quillet_cpu* quillet_machine_cpu(quillet_machine* machine);

/* Power-on: PC 0, interrupts disabled, the start-up map (the monitor
 * mirrored at 0x0000, ended by the first I/O write), every device reset;
 * RAM as it is. Without a monitor image: -23. */
QUILLET_API int quillet_machine_boot(quillet_machine* machine);

/* Frames since state 0 (40 960 states each); 0 for null. */
QUILLET_API uint64_t quillet_machine_frames(const quillet_machine* machine);

/* Whether the model can read the snapshot's ROM module (MATO and ALFA
 * have no port for it): 1 or 0. */
QUILLET_API int quillet_machine_rom_module_readable(const quillet_machine* machine);
/* Fits the ROM module image of `length` bytes at `image` (copied) in place
 * of the snapshot's: the module's 8255 addresses 32 KB, so 1 to
 * QUILLET_ROM_MODULE_MAX bytes (else -13), from module address 0; the
 * machine reads 0xFF past it. A snapshot stores less of a module than
 * that (8 KB on V3): this is how a larger one goes in. Without a port for
 * the module (MATO, ALFA): -23. */
#define QUILLET_ROM_MODULE_MAX 32768
QUILLET_API int quillet_machine_set_rom_module(quillet_machine* machine, const void* image, size_t length);

/* The 16 KB the video circuit shows (pixel line y at 64 * y), copied into
 * `out` (`length` at most 16384; more: -13). */
QUILLET_API int quillet_machine_read_video(quillet_machine* machine, void* out, size_t length);

/* The width in pixels of the picture the video circuit draws now: 384 on
 * a C2717 whose system 8255 sets PC5 (eight pixels a byte, no attributes),
 * 288 otherwise (six pixels a byte); either way the first 48 bytes of each
 * line. A null machine: 0. */
#define QUILLET_SCREEN_WIDE_WIDTH 384
QUILLET_API int quillet_machine_screen_width(const quillet_machine* machine);

/* The frame as the screen shows it now: quillet_machine_screen_width
 * pixels by 256, rows from the top, four bytes a pixel (red, green, blue,
 * 255), drawn from the video memory as quillet_screen_render_rgba draws it
 * with the machine's own colours: a lit pixel white (0xFF), bit 6 of its
 * byte half bright (0x80), bit 7 blinking: lit when `blink_on` is non-zero,
 * black otherwise (the C2717's 384-pixel mode: white, eight pixels a byte).
 * `size` short of the picture: -13 and nothing written. */
QUILLET_API int quillet_machine_render_rgba(quillet_machine* machine, int blink_on, uint8_t* out, size_t size);

/* The machine's state into `snapshot` as quillet_cpu_to_snapshot does, and
 * also pages 4 to 15 with the mapper, its port value and the AllRAM byte,
 * all as the run left them; whole or not at all. */
QUILLET_API int quillet_machine_to_snapshot(quillet_machine* machine, quillet_snapshot* snapshot);

/* Typing on the model's keyboard. `script` (`length` bytes) is typed as a
 * person would, from the program's first scan of the keyboard (a write of
 * the columns, then a read of the rows) on, after what is still being
 * typed: each character with the key that types it on that model (a
 * letter's case through SHIFT: the PMD 85's unshifted letter keys type
 * capitals), a line break as EOL, keys by name in braces ({EOL}, {CLR},
 * {RCL}, {K0}..{K11}, {STOP}, {LEFT}, {RIGHT}, {HOME}, {END}, {INS},
 * {DEL}, {WRK}, {C-D}, {LINE-START}, {LINE-END}, {SPACE}; MATO: {EOL},
 * {UP}, {DOWN}, {LEFT}, {RIGHT}, {CNT}), {SHIFT+name}, {STOP+name},
 * {CNT+name} with a line held, {LBRACE}/{RBRACE}, and {WAIT n}: n frames
 * with no key down. Each key is held until the program has read its
 * column many times over a frame at least, then released until it has
 * read the keyboard many times more over three frames at least (neither
 * longer than 20 frames), so that the monitors' keyboard routines take it
 * once. Those frames count from the first read that sees the key's
 * column (for the release, any read of the keyboard): keys typed while
 * the program does not read the keyboard (it loads a tape, looking at
 * STOP alone) wait for it, while {WAIT n} is n frames however the
 * program reads. A name the model has not, or a character it cannot type: -50
 * naming it, and nothing is typed. */
QUILLET_API int quillet_machine_type(quillet_machine* machine, const char* script, size_t length);

/* Presses (`down` non-zero) or releases (0) the key called `name` by
 * hand, beside the script's keys: a name as above, with or without its
 * braces ("EOL" or "{EOL}", "SHIFT+A" or "{SHIFT+A}"), or a single
 * character (the key that types it, with SHIFT where it needs it). Key
 * events are taken as a front end passes them, in order, and none is
 * lost: a release waits until its key has been held as the typist holds
 * one (read many times over a frame, or 20 frames from the program's
 * first read of the keyboard after the press), so that a press and
 * its release that both come before the program's next read of the
 * keyboard are still seen, and a press waits for the typist's gap after
 * the release before it. Unknown: -50, and nothing changes. */
QUILLET_API int quillet_machine_key(quillet_machine* machine, const char* name, int down);

/* The names of the keys of `model` (QUILLET_MODEL_*; another: -19) that
 * quillet_machine_key and the scripts' braces take, in a stable order:
 * the named keys (EOL, K0..K11, ...; MATO's own), then every character
 * the keyboard types, each as a one-character name. Up to `capacity`
 * into `names` (null: count only; static texts); the result is their
 * number. */
QUILLET_API int quillet_machine_key_names(int model, const char** names, int capacity);

/* Whether keys of the scripts remain to be typed: 1 or 0 (null: 0). */
QUILLET_API int quillet_machine_typing(const quillet_machine* machine);

/* How far the scripts are typed: *typed (not null) the keys the program
 * has read (a read has seen the key's column; each stroke of a key, as
 * {SHIFT+A}, counts one, a pause none), and *total (not null) the keys
 * of all the scripts given. -4 for a null pointer. */
QUILLET_API int quillet_machine_keys_typed(const quillet_machine* machine, size_t* typed, size_t* total);

/* The text the screen shows, read with the font of the monitor image: one
 * line (ending in '\n') per row of text from the top, any pixel line
 * beginning a row, the blanks at a row's end left out, a cell with pixels
 * but no glyph of the font as '?'. Written NUL-terminated into `out`
 * (`capacity` bytes, cut short to fit; null with 0: nothing written);
 * *length (may be null) receives its whole length without the NUL.
 * Without a monitor image (no font): -23. */
QUILLET_API int quillet_machine_screen_text(quillet_machine* machine, char* out, size_t capacity, size_t* length);

/* Whether a row of the screen's text (as quillet_machine_screen_text
 * reads it) holds `text`: 1 or 0. Without a monitor image: -23. */
QUILLET_API int quillet_machine_screen_shows(quillet_machine* machine, const char* text);

/* Ends every later run at the first frame whose screen shows `text` in a
 * row (QUILLET_STOP_REQUESTED); null or "" clears it. Without a monitor
 * image: -23. */
QUILLET_API int quillet_machine_set_until_text(quillet_machine* machine, const char* text);

/* The record of port C: every change of the lines the speaker and the
 * LED hear, kept from quillet_machine_record_port_c(machine, 1) on
 * (0 ends the record and forgets it). A machine keeps none unless asked,
 * so that a long run's memory stays bounded; quillet_machine_take_audio
 * needs none. */
QUILLET_API int quillet_machine_record_port_c(quillet_machine* machine, int on);

/* What the speaker played over the record (PC2, and the 1 kHz and 4 kHz
 * tones while PC0 and PC1 gate them; MATO: PC1), from state 0 to now, as
 * mono 16-bit PCM at `rate` samples a second (8000 to 192000; another:
 * -13), each sample the speaker's mean level over its time (silence 0;
 * before the record began, the lines as the record found them). `out`
 * (null: count only) receives up to `capacity` samples; *count (not null)
 * the number there are. quillet_machine_audio_wav gives the same as a
 * WAV file's bytes (a 44-byte header, then the samples, little-endian):
 * up to `capacity` into `out` (null: length only), *length its whole
 * length; -13 for more samples than a WAV file holds (4294967259
 * bytes). Without the record: -23. */
QUILLET_API int quillet_machine_audio_samples(quillet_machine* machine, uint32_t rate, int16_t* out,
                                              size_t capacity, size_t* count);
QUILLET_API int quillet_machine_audio_wav(quillet_machine* machine, uint32_t rate, uint8_t* out, size_t capacity,
                                          size_t* length);

/* Watchpoints: a run of the machine's processor (quillet_cpu_run,
 * quillet_cpu_call) ends with QUILLET_STOP_WATCH after the instruction
 * that read or wrote a watched address: that instruction has run whole,
 * its states and writes counted, and the next run goes on from the one
 * after it. A read is of data (a memory operand, the stack of POP, RET and
 * XTHL), not the fetch of an instruction; a write is the processor's own,
 * an accepted interrupt's push included (which counts as an instruction),
 * not one made through quillet_cpu_write_memory. Each of `first`..`last`
 * (`last` below `first`: -13) is watched for the `kinds` given besides
 * those it had: QUILLET_WATCH_READ, QUILLET_WATCH_WRITE or both (another:
 * -13); quillet_machine_unwatch watches them for none. With no address
 * watched for reads, runs go at their full speed; a read watched costs
 * every read a test while it lasts.
 * quillet_machine_watch_hit: 1, with the address and the kind
 * (QUILLET_WATCH_READ or QUILLET_WATCH_WRITE) of the first watched access
 * of that instruction, when the machine's last run ended with
 * QUILLET_STOP_WATCH; 0, leaving them as they were, when it ended
 * otherwise. */
#define QUILLET_WATCH_READ  1
#define QUILLET_WATCH_WRITE 2
QUILLET_API int quillet_machine_watch(quillet_machine* machine, uint16_t first, uint16_t last, int kinds);
QUILLET_API int quillet_machine_unwatch(quillet_machine* machine, uint16_t first, uint16_t last);
QUILLET_API int quillet_machine_watch_hit(const quillet_machine* machine, uint16_t* address, int* kind);

/* A change of the system 8255's lines PC0 to PC3 (MATO: its speaker as
 * PC2): the 1 kHz and 4 kHz tones' gates, the speaker and the LED (the
 * bits QUILLET_PORT_C_*), from `state` on. */
#define QUILLET_PORT_C_TONE_1KHZ 0x01  /* PC0 */
#define QUILLET_PORT_C_TONE_4KHZ 0x02  /* PC1 */
#define QUILLET_PORT_C_SPEAKER   0x04  /* PC2 */
#define QUILLET_PORT_C_LED       0x08  /* PC3 */
typedef struct {
    uint64_t state;
    uint8_t lines;    /* PC3..PC0 from then on */
    uint8_t changed;  /* the lines that changed */
} quillet_port_c_change;

/* Every such change of the record, in order: up to `capacity` into `out`
 * (null: count only); *count (not null) the number there are. Without the
 * record: -23. */
QUILLET_API int quillet_machine_port_c_changes(quillet_machine* machine, quillet_port_c_change* out,
                                               size_t capacity, size_t* count);

/*-************************************
 *  The machine frame by frame
 **************************************/
/* What a front end does each frame: run it, draw it, play its sound, feed
 * the keys (quillet_machine_key), and save or restore the whole machine. */
#define QUILLET_STOP_FRAME 8   /* quillet_machine_run_frame: the frame ended */

/* Runs to the end of the current frame (40 960 states from the frame's
 * start; quillet_machine_frames then counts one more): QUILLET_STOP_FRAME;
 * or to an earlier stop, which is the result: a stop address
 * (QUILLET_STOP_ADDRESS; the next run_frame goes on from it), a watched
 * address (QUILLET_STOP_WATCH), a port callback's request or the text
 * waited for (QUILLET_STOP_REQUESTED), QUILLET_STOP_NO_MONITOR. A
 * processor halted with no interrupt to end it (after DI; HLT) lets the
 * frame's time pass: the screen, the sound, the typing and the tape go
 * on, and the result is QUILLET_STOP_FRAME. -4 for a null machine. */
QUILLET_API int quillet_machine_run_frame(quillet_machine* machine);

/* The sound since the last call (the speaker and the tones, as
 * quillet_machine_audio_samples renders them) at `rate` samples a second
 * (8000 to 192000; another: -13), on a grid of samples counted from state
 * 0: up to `capacity` samples into `out` (null only with a capacity of 0),
 * *count (not null) how many were given. What it gave is dropped, and
 * what it did not is kept for the next call, so that memory stays bounded
 * however long the machine runs: sound older than 2 seconds of machine
 * time that was never taken is dropped too. At 44 100 Hz a frame gives
 * 882 samples. */
QUILLET_API int quillet_machine_take_audio(quillet_machine* machine, uint32_t rate, int16_t* out, size_t capacity,
                                           size_t* count);

/* The text of the last failure reported by a call on this machine or its
 * processor (NUL-terminated, "" when none; a null machine: ""). Valid
 * until the next failing call on it. */
QUILLET_API const char* quillet_machine_last_message(const quillet_machine* machine);

/* The whole machine as a blob, a front end's "save state": a versioned,
 * checked image of everything a run changes (the processor, all the RAM
 * with the mapper's, the monitor and module images, the start-up map and
 * AllRAM, the 8255s, the 8253, the mapper, the speaker's lines and the
 * sound not taken, the frame counter, the keyboard with the typing still
 * to come and the keys held by hand, the tape in the recorder and where
 * it is). Not the caller's settings: stop addresses, watchpoints, the text
 * waited for, port and trace callbacks, the record of port C. The ZVK
 * snapshot stays the format to exchange; this one is for the same
 * library. quillet_machine_save_state: *length (not null) its length; with
 * `out` null only that, else the blob into `out` (`capacity` bytes; less
 * than the length: -12, nothing written). quillet_machine_load_state makes
 * `machine` run on exactly as the saved one would (states, memory,
 * screen, sound); a blob damaged, cut short, of another version or of
 * another model is refused (-51, naming why) and the machine stays as it
 * was. */
QUILLET_API int quillet_machine_save_state(quillet_machine* machine, uint8_t* out, size_t capacity, size_t* length);
QUILLET_API int quillet_machine_load_state(quillet_machine* machine, const uint8_t* state, size_t length);

/* The 8080's instruction of `opcode` (0..255), from the table the
 * processor and quillet_disassemble follow: its length in bytes (1..3),
 * the states it takes (a conditional CALL or RET: `states` when its
 * condition fails, `states_taken` when it holds; any other: both the
 * same), and the opcode it executes as (itself, or for one of the twelve
 * the set leaves undefined, the defined instruction the chip runs). The
 * states are the bare 8080's, without the PMD 85's wait states. Another
 * opcode: -13; a null `out`: -4. */
typedef struct {
    int length;
    int states;
    int states_taken;
    int executed_as;
} quillet_instruction;
QUILLET_API int quillet_instruction_info(int opcode, quillet_instruction* out);

/* Room for the longest text quillet_disassemble writes, NUL included. */
#define QUILLET_DISASSEMBLY_MAX 32

/* The instruction at `bytes` (`available` of them) in Intel mnemonics, as
 * an 8080 assembler takes them back ("MOV A,M", "MVI B,3EH", "JNZ 0105H";
 * an undocumented opcode as its data bytes with what the chip does with
 * it: "DB 0CBH,05H,01H ; JMP 0105H"), NUL-terminated into `text`
 * (`capacity` bytes, cut short to fit). Result: the instruction's length
 * (1..3); 0 with an empty text when `available` is shorter than it; -4
 * for a null pointer. */
QUILLET_API int quillet_disassemble(const uint8_t* bytes, size_t available, char* text, size_t capacity);

/*-************************************
 *  The screen
 **************************************/
/* The PMD 85's screen is the 16 KB of video memory from 0xC000: 256 lines,
 * one every 64 bytes, of which the first 48 are shown; six pixels a byte,
 * bit 0 the leftmost; bits 7 and 6 the attribute that colours the byte's
 * lit pixels. A test compares the screen a run left with a reference: two
 * pixels differ when one is lit and the other not, or both are lit with
 * different attributes; the hidden bytes 48..63 of a line do not count. */
#define QUILLET_VIDEO_SIZE    16384
#define QUILLET_SCREEN_WIDTH  288
#define QUILLET_SCREEN_HEIGHT 256

/* What differs between two screens: the count of pixels, and the first in
 * reading order (x 0..287 from the left, y 0..255 from the top, the byte
 * 0xC000.. that holds it and its bit 0..5), all -1 when none differs. */
typedef struct quillet_screen_difference {
    long pixels;
    int x;
    int y;
    long address;
    int bit;
} quillet_screen_difference;

/* Compares the screens of `video` and `reference` (QUILLET_VIDEO_SIZE bytes
 * each, the memory from 0xC000) into `difference`. Result 0, or -4 for a
 * null pointer. */
QUILLET_API int quillet_screen_compare(const uint8_t* video, const uint8_t* reference,
                                       quillet_screen_difference* difference);

/* The picture of the differences into `rgb` (capacity bytes, at least
 * QUILLET_SCREEN_WIDTH * QUILLET_SCREEN_HEIGHT * 3: else -13 and nothing
 * written): rows from the top, red, green, blue a pixel; the reference's
 * lit pixels dim grey (0x40, 0x40, 0x40), its unlit ones black, and each
 * pixel that differs red (0xFF, 0, 0). Result 0, -13, or -4 for a null
 * pointer. */
QUILLET_API int quillet_screen_diff_picture(const uint8_t* video, const uint8_t* reference, uint8_t* rgb,
                                            size_t capacity);

/* The picture of `video` (`video_size` bytes, at least QUILLET_VIDEO_SIZE;
 * fewer: -13), the memory from 0xC000, as the screen of `model`
 * (QUILLET_MODEL_*; another: -19) shows it: 256 rows from the top, four
 * bytes a pixel (red, green, blue, 255); each shown byte six pixels, bit 0
 * the leftmost, lit ones in the colour of its attribute (bits 7 and 6 as a
 * number 0..3), unlit ones black. `palette` (null: the machine's own, as
 * quillet_machine_render_rgba has them) is 12 bytes, red, green and blue
 * for attributes 0 to 3; bit 7 blinks, so that with `blink_on` zero
 * attributes 2 and 3 draw black. `wide` non-zero: the C2717's 384-pixel
 * mode (another model: -13), eight pixels a byte in attribute 0's colour.
 * `out` receives the picture, QUILLET_SCREEN_WIDTH (wide:
 * QUILLET_SCREEN_WIDE_WIDTH) * QUILLET_SCREEN_HEIGHT * 4 bytes; `size`
 * short of it: -13 and nothing written. -4 for a null `video` or `out`. */
QUILLET_API int quillet_screen_render_rgba(const uint8_t* video, size_t video_size, int model, int wide,
                                           int blink_on, const uint8_t* palette, uint8_t* out, size_t size);

/*-************************************
 *  Tapes
 **************************************/
/* A PMD 85 tape: its blocks in the order they were recorded. A file is a
 * 63-byte header block (three 16-byte lead-ins of 0xFF, 0x00 and 0x55, the
 * file number, the type character, the start address and the data length
 * minus one as little-endian words, an 8-character name padded with
 * spaces, and the checksum of those 14 bytes) followed by its data block
 * (the data bytes, then their checksum). A checksum is the sum of the
 * bytes modulo 256. Blocks without a header of their own (a loader reads
 * them itself) are kept as they are. A tape is read from, and written as:
 *   QUILLET_TAPE_PTP  records of a 2-byte little-endian length and a block;
 *   QUILLET_TAPE_PMD  the blocks one after another: each header block, the
 *                     data block of the length it gives, and what follows
 *                     without a header as one block;
 *   QUILLET_TAPE_WAV  the sound of the 1200 bit/s bi-phase signal: each bit
 *                     a period that changes level in its middle ('1' low then
 *                     high), each byte a start bit, eight data bits from the
 *                     lowest and two stop bits; 3 s of '1' bits at the start,
 *                     1 s before each header block, 0.5 s before any other
 *                     block, 0.2 s at the end. Written as 8-bit mono PCM at
 *                     48000 samples a second; read from PCM of 8 or 16 bits
 *                     at 8000 to 192000 samples a second (the first
 *                     channel), either polarity, with noise and a few per
 *                     cent of speed error.
 * A tape is used from one thread at a time; failures go to its reporter and
 * are kept as its last, as for a snapshot. */
typedef struct quillet_tape quillet_tape;

#define QUILLET_TAPE_PTP 0
#define QUILLET_TAPE_PMD 1
#define QUILLET_TAPE_WAV 2

#define QUILLET_TAPE_HEADER_SIZE   63
#define QUILLET_TAPE_NAME_MAX      8
#define QUILLET_TAPE_NUMBER_MAX    99      /* the monitors show two decimal digits */
#define QUILLET_TAPE_DATA_MAX      65534   /* a data block and its checksum fit a PTP record */
#define QUILLET_TAPE_FILE_SIZE_MAX (256L * 1024 * 1024)  /* the longest tape file read */
#define QUILLET_TAPE_TYPE_MACHINE_CODE '?'
#define QUILLET_TAPE_TYPE_BASIC        '>'

/* A new empty tape, or null when memory runs out. Free it with
 * quillet_tape_free() (null is accepted and ignored). */
QUILLET_API quillet_tape* quillet_tape_new(void);
QUILLET_API void quillet_tape_free(quillet_tape* tape);
/* Installs the reporter of `tape` (null `report`: silent, the default). */
QUILLET_API void quillet_tape_set_reporter(quillet_tape* tape, quillet_report_fn report, void* user);
/* The code and message of the last failure on `tape`, as
 * quillet_last_failure and quillet_last_message give a snapshot's. */
QUILLET_API int quillet_tape_last_failure(const quillet_tape* tape);
QUILLET_API const char* quillet_tape_last_message(const quillet_tape* tape);

/* Replaces the blocks of `tape` by those of the `length` bytes at `data`
 * (the caller keeps them): a WAV file ("RIFF....WAVE") is decoded, an image
 * that begins with a header block is read as PMD, anything else as PTP.
 * Failures, naming `name` (null: QUILLET_MEMORY_NAME), and what they add in
 * words: a PTP record that runs past the end or is empty -41 ("record 3 at
 * offset 130 is 500 bytes long, the image holds 20"); a WAV file that is no
 * PCM recording -44; nothing found (an empty image, a recording without a
 * block) -40; -2. Checksums and files cut short do not fail a read: the
 * entries say so, and quillet_tape_check finds them. On failure `tape` is
 * left as it was. */
QUILLET_API int quillet_tape_read_bytes(quillet_tape* tape, const void* data, size_t length, const char* name);
/* The same from the file `path` (a pipe is read to its end): -5, -6, -9 as
 * quillet_read_file; more than QUILLET_TAPE_FILE_SIZE_MAX bytes -8. */
QUILLET_API int quillet_tape_read_file(quillet_tape* tape, const char* path);
/* What the tape was read from: QUILLET_TAPE_PTP, _PMD or _WAV
 * (QUILLET_TAPE_PTP for a tape built with quillet_tape_add_*). */
QUILLET_API int quillet_tape_kind(const quillet_tape* tape);

/* A tape's entries, in order: each file (a header block and the block after
 * it, unless that is a header block too), and each block that belongs to
 * no file. */
typedef struct quillet_tape_entry {
    int is_file;               /* 1 a file, 0 a block of no file */
    int number;                /* a file's: number 0..255 as stored */
    int type;                  /* type character */
    unsigned start;            /* start address */
    size_t length;             /* data length, from the header */
    char name[QUILLET_TAPE_NAME_MAX + 1];  /* trailing spaces removed */
    int header_checksum;       /* the stored checksum bytes, 0..255; -1 where there is none */
    int header_checksum_holds; /* 1 when the header's bytes sum to it */
    int data_checksum;
    int data_checksum_holds;   /* 1 when the data block is whole and sums to its checksum */
    int data_complete;         /* 1 when the data block holds length + 1 bytes */
    size_t data_length;        /* data bytes held: a file's, at most `length`; a block's, all */
    size_t block;              /* the number (from 0) of the entry's first block */
    size_t position;           /* where that block was read: image offset or WAV sample */
} quillet_tape_entry;

/* The number of entries of `tape` (0 for null). */
QUILLET_API size_t quillet_tape_entry_count(const quillet_tape* tape);
/* Describes entry `index` in `*entry`; -13 for an index beyond the last. */
QUILLET_API int quillet_tape_entry_info(const quillet_tape* tape, size_t index, quillet_tape_entry* entry);
/* Copies the data of entry `index` (a file's data without its checksum, a
 * block's bytes) into `out`, at most `capacity` bytes. Result: the number
 * copied, -13 for an index beyond the last, -4. */
QUILLET_API long quillet_tape_entry_data(const quillet_tape* tape, size_t index, void* out, size_t capacity);

/* The name of entry `index` as its header stores it, every byte (also a 0
 * byte, where `name` of quillet_tape_entry ends) with the trailing spaces
 * removed: at most QUILLET_TAPE_NAME_MAX bytes into `out` (`capacity`
 * bytes, no null byte added). Result: their number (0 for a block of no
 * file), -13 for an index beyond the last or a capacity below the name's
 * length, -4. */
QUILLET_API long quillet_tape_entry_name(const quillet_tape* tape, size_t index, char* out, size_t capacity);

/* The first thing that keeps `tape` from loading, reported naming `name`
 * (null: QUILLET_MEMORY_NAME) with the block and where it was read: no
 * blocks -40; a header or a data checksum that fails -42; a file without
 * its data block or with a shorter one than its header gives -41. Blocks
 * of no file are not checked. 0 when nothing is wrong. */
QUILLET_API int quillet_tape_check(const quillet_tape* tape, const char* name);
/* As quillet_tape_check, with the checksums that fail taken as they are:
 * each is reported (-42, with its block) and the check goes on; the
 * result is the first other failure (-40, -41), else 0. `*failed` (may be
 * null) receives how many checksums failed. */
QUILLET_API int quillet_tape_check_ignoring_checksums(const quillet_tape* tape, const char* name, size_t* failed);
/* The checksums the bytes of entry `index` give, to hold against the
 * stored ones of quillet_tape_entry: *header that of a file's header
 * fields, *data that of a whole data block's bytes; -1 where there is none
 * (a block of no file, a data block cut short). Either may be null. -13
 * for an index beyond the last. */
QUILLET_API int quillet_tape_entry_sums(const quillet_tape* tape, size_t index, int* header, int* data);

/* Appends a file: its header block and its data block of `length` bytes at
 * `data`. `number` 0..QUILLET_TAPE_NUMBER_MAX (else -13); `type` a
 * printable ASCII character (else -43); `name` at most 8 printable ASCII
 * characters (else -43); `start` 0..65535 (else -13); `length` 1 to
 * 65536 - start and at most QUILLET_TAPE_DATA_MAX (0: -13; more: -8,
 * naming `name` and the most that fits). On failure nothing is added. */
QUILLET_API int quillet_tape_add_file(quillet_tape* tape, int number, int type, long start, const char* name,
                                      const void* data, size_t length);
/* Appends `length` bytes (1..65535; else -13) as a block of no file. */
QUILLET_API int quillet_tape_add_block(quillet_tape* tape, const void* data, size_t length);

/* The image of `tape` in form `kind` (QUILLET_TAPE_*; another: -13) into
 * `out` (`capacity` bytes); `*written` receives its size. A capacity below
 * it: -12, nothing written, and `*written` the size needed (so a capacity
 * of 0 asks for it). A tape without blocks: -40. */
QUILLET_API int quillet_tape_write_bytes(const quillet_tape* tape, int kind, void* out, size_t capacity,
                                         size_t* written);
/* The same as the file `path`, whole or not at all as quillet_write_file
 * writes: -10, -12. A WAV recording is written as it is made, so that its
 * memory stays the same however long the tape is. A WAV recording holds at
 * most 4294967259 bytes of samples (its sizes are 32-bit numbers: about 9.7
 * million bytes of tape): a longer one is -13, here and in
 * quillet_tape_write_bytes, before anything is written. */
QUILLET_API int quillet_tape_write_file(const quillet_tape* tape, int kind, const char* path);

/* The tape checksum of `length` bytes at `data`: their sum modulo 256 (0
 * for null). */
QUILLET_API int quillet_tape_checksum(const void* data, size_t length);

/* The tape recorder of the machine. quillet_machine_insert_tape puts the
 * blocks of `tape` (copied: a PTP or PMD image, or a recording read back
 * into blocks, through quillet_tape_read_*) into it in place of any tape
 * there, or takes the tape out (null). It plays them at 1200 bit/s with
 * the lead-ins quillet_tape_write_* gives a WAV file (3 s at the start,
 * 1 s before a header block, 0.5 s before any other), from the program's
 * first read of the 8251 (status or data) on, into the model's tape
 * interface: on V1 and ALFA the hardware separator hands each byte to the
 * 8251's receiver (RxRDY, status bit 1, set until the data register is
 * read; a byte not read before the next arrives is lost), on V2, V2A, V3,
 * ALFA2 and C2717 the signal itself is the 8251's DSR (status bit 7) and
 * the monitor decodes it. A recording plays as the blocks read from it, at
 * the nominal rate. A block that holds several of a recording back to back
 * (a raw PMD image's bytes after a file, a PTP record of several) plays as
 * the recording had them: when the monitor's block reader asks for fewer
 * bytes than the block that is to play next holds, that many play, then a
 * block's lead-in (0.5 s), then the rest; the pieces keep the block's
 * number. Without a tape the 8251 reads as before (status 0x85,
 * RxRDY clear). A tape without blocks: -40. MATO (its own tape format on
 * PC7, not modelled): -23.
 * quillet_machine_tape_blocks: the blocks that have played to their end
 * into *played, the tape's blocks into *total (either may be null; no
 * tape: 0 and 0). Played is heard, not taken (see
 * quillet_machine_tape_rejected for the monitor's verdict). A tape
 * inserted before the monitor's keyboard routine runs starts rolling
 * there on the PMD 85-2 family, whose keyboard poll reads the 8251's
 * status: the 3 s lead-in leaves time to type a command such as MGLD. */
QUILLET_API int quillet_machine_insert_tape(quillet_machine* machine, const quillet_tape* tape);
QUILLET_API int quillet_machine_tape_blocks(const quillet_machine* machine, size_t* played, size_t* total);
/* The blocks (numbers from 0, in the order read; the programs show them
 * from 1) that the monitor's block reader rejected: a checksum that failed
 * (Z clear where it returns, 0x8DE1; monitor 3: 0xEDE1) or a byte it could
 * not read (CY set, through the reader's way out when its byte routine
 * fails). The machine watches that routine, from its entry (0x8DC4) to
 * either return, in a monitor image that has it, while a tape is in. A program's own reader (a loader that reads the
 * blocks after it) is not watched. `blocks` (null: count only) receives
 * up to `capacity` of them, *count (not null) how many there are. */
QUILLET_API int quillet_machine_tape_rejected(const quillet_machine* machine, size_t* blocks, size_t capacity,
                                              size_t* count);

/* A front end's tape counter: *block the blocks the head has passed (as
 * quillet_machine_tape_blocks counts them), *total the tape's blocks
 * (either may be null; no tape: 0 and 0). quillet_machine_rewind_tape
 * winds the tape to the lead-in before block `block` (0 .. the tape's
 * blocks; more: -13), to play from the program's next read of the 8251
 * on; no tape: -23. */
QUILLET_API int quillet_machine_tape_position(const quillet_machine* machine, size_t* block, size_t* total);
QUILLET_API int quillet_machine_rewind_tape(quillet_machine* machine, size_t block);

/* The recorder's play and stop keys. quillet_machine_play_tape with `play`
 * zero stops the tape where it is: the head stays, the line holds still
 * (no byte reaches the 8251's receiver, DSR does not change) and the
 * position calls count what had played; non-zero starts it again, to roll
 * from the program's next read of the 8251 on. A tape inserted or wound
 * back keeps the recorder as it was. No tape: -23. The recorder of every
 * model is worked by hand: no model drives its motor from the computer.
 * quillet_machine_tape_playing: 1 while a tape is in and not stopped, 0
 * otherwise; -4 for a null machine. */
QUILLET_API int quillet_machine_play_tape(quillet_machine* machine, int play);
QUILLET_API int quillet_machine_tape_playing(const quillet_machine* machine);

/* What the program saved: the 8251's transmitter sends each byte written
 * to its data port (0x1E; ALFA, ALFA2: 0xF0) once the command word has set
 * TxEN, at the rate of its transmit clock (V1, ALFA: the separator's
 * 1200 Hz; the PMD 85-2 family: the 8253's counter 1, C2717 counter 0)
 * and the mode word's factor, one character (start bit, data bits, parity,
 * stop bits) at a time: TxRDY (status bit 0) is clear while a byte waits
 * for the shift register, TxEMPTY (bit 2) while anything waits or goes
 * out. MATO, which has no 8251, sends on PC0: each bit a high pulse (one
 * shorter than 1225 states a '0', else a '1') and a low; a block a leader
 * of '0' bits, then the byte 55h after a header's (510 bits) or a '1' bit
 * after a data block's (128), then its bytes, each a '1' start bit and
 * eight bits from the lowest; a header block is recorded with the 48-byte
 * lead-in the other models' headers have, so a file saved on MATO reads
 * as one. The machine records what goes out, whatever the recorder does, as
 * tape blocks: the bytes in the order sent, a new block after the line
 * idled for a tenth of a second or more (the monitors leave half a second
 * between a header block and its data block) or after 65535 bytes. The
 * recording keeps 16 MiB; bytes sent after that are counted, not kept.
 * quillet_machine_tape_out replaces the blocks of `out` by a copy of the
 * recording (none when nothing was sent: writing `out` then fails with
 * -40), read as a PTP image is; *lost (may be null) the bytes not kept.
 * quillet_machine_clear_tape_out forgets the recording. The recording is
 * part of the saved state. -4 for a null machine or `out`. */
QUILLET_API int quillet_machine_tape_out(quillet_machine* machine, quillet_tape* out, uint64_t* lost);
QUILLET_API int quillet_machine_clear_tape_out(quillet_machine* machine);
/* How much the recording holds, without copying it (a front end's
 * counter): *blocks its blocks, *bytes their bytes (either may be null).
 * -4 for a null machine. */
QUILLET_API int quillet_machine_tape_out_size(quillet_machine* machine, size_t* blocks, size_t* bytes);

#ifdef __cplusplus
}
#endif

#endif /* QUILLET_H */

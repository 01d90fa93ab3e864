/*
 * quillet_tools.h: what command-line tools built on libquillet need beyond
 * the format: files written whole or not at all, one or a set of them, and
 * what stands at a path. quillet's programs use it; an embedder that reads
 * and writes snapshots needs only quillet.h. The functions are exported by
 * the same library and keep the contracts they had in quillet.h 1.0.
 */
#ifndef QUILLET_TOOLS_H
#define QUILLET_TOOLS_H

#include "quillet/quillet.h"

#ifdef __cplusplus
extern "C" {
#endif

/*-************************************
 *  Output files
 **************************************/
/* Writes `length` bytes to the file `path` the safe way of
 * quillet_write_file (whole or not at all). Failures are reported through `report` (may be null). */
QUILLET_API int quillet_save_file(const char* path, const void* data, size_t length,
                                  quillet_report_fn report, void* user);

/* A file written piece by piece, as a long text is, the same safe way:
 * the pieces go through a buffer of QUILLET_OUTPUT_BUFFER bytes into a
 * temporary file beside `path`, which replaces `path` only at
 * quillet_output_commit (a device or a pipe is written directly). So its
 * memory stays the same however long the file grows. */
typedef struct quillet_output quillet_output;
#define QUILLET_OUTPUT_BUFFER 65536

/* Opens `path` for writing into `*output` (null on failure). 0, -10 when
 * it cannot be created (reported with `path`), -2, or -4 for a null
 * pointer. Failures of this output are reported through `report` (may be
 * null). */
QUILLET_API int quillet_output_open(const char* path, quillet_output** output, quillet_report_fn report,
                                    void* user);
/* Appends `length` bytes of `data`. 0, or -12 when the file cannot take
 * them (a full disk), reported once: from then on every write and the
 * commit give -12 without a report. -4 for a null pointer. */
QUILLET_API int quillet_output_write(quillet_output* output, const void* data, size_t length);
/* Writes what is buffered and puts the file in place of `path`; frees
 * `output`. 0, or -12 (reported unless a write already was) and `path` is
 * as it was. A null `output`: -4. */
QUILLET_API int quillet_output_commit(quillet_output* output);
/* Gives the file up: `path` stays as it was; frees `output`. Null is
 * accepted and ignored. */
QUILLET_API void quillet_output_discard(quillet_output* output);

/* A WAV file of mono 16-bit PCM samples written as they come (a
 * machine's sound taken frame by frame), the safe way of quillet_output:
 * a temporary file whose header gets its sizes at quillet_wav_commit,
 * then put in place of `path`. So a regular file's memory stays the same
 * however many samples it takes; a device or a pipe, which cannot go back
 * to its header, keeps its samples until the commit and is written then.
 * quillet_wav_open: 0, -10 when `path` cannot be created (reported), -13
 * for a `rate` outside 8000 to 192000, -2, -4 for a null pointer.
 * quillet_wav_write appends `count` samples: 0; -13 when the samples would
 * pass what a WAV file holds (4294967259 bytes of them), reported with
 * that limit, and nothing more is taken; -12 when the file cannot take
 * them; after either, every write and the commit give the same code
 * without a report and the commit leaves `path` as it was.
 * quillet_wav_commit frees `wav`: 0 or that code. quillet_wav_discard
 * gives the file up (null is ignored). Failures are reported through
 * `report` (may be null). */
typedef struct quillet_wav_output quillet_wav_output;
QUILLET_API int quillet_wav_open(const char* path, uint32_t rate, quillet_wav_output** wav, quillet_report_fn report,
                                 void* user);
QUILLET_API int quillet_wav_write(quillet_wav_output* wav, const int16_t* samples, size_t count);
QUILLET_API int quillet_wav_commit(quillet_wav_output* wav);
QUILLET_API void quillet_wav_discard(quillet_wav_output* wav);

/* A file of a set that quillet_save_files writes into one directory: its
 * name there (no directory part) and `length` bytes at `data`. */
typedef struct quillet_named_data {
    const char* name;
    const void* data;
    size_t length;
} quillet_named_data;

/* Writes the `count` files into `directory`, which is created when it does
 * not exist (its parent must), all of them or none, each the safe way of
 * quillet_save_file: only when every file was written are they put in
 * place, and then each of the `stale_count` names in `stale` (files of an
 * earlier set that this one lacks) that stands in `directory` as a regular
 * file is removed. A failure leaves the directory as it was: -10 or -12
 * naming the file's path ("DIR/name"), -2, -4 for a null pointer. Failures
 * are reported through `report` (may be null). */
QUILLET_API int quillet_save_files(const char* directory, const quillet_named_data* files, size_t count,
                                   const char* const* stale, size_t stale_count, quillet_report_fn report,
                                   void* user);

/*-************************************
 *  Files
 **************************************/
/* What stands at `path`, a symbolic link itself rather than what it leads
 * to: QUILLET_ENTRY_NONE (nothing, or nothing that could be examined),
 * QUILLET_ENTRY_REGULAR (a regular file) or QUILLET_ENTRY_OTHER (a
 * directory, a link, a device, a pipe). -4 for a null `path`. */
#define QUILLET_ENTRY_NONE    0
#define QUILLET_ENTRY_REGULAR 1
#define QUILLET_ENTRY_OTHER   2
QUILLET_API int quillet_entry_kind(const char* path);

/* Whether writing to `a` or to `b` would replace one and the same file: 1
 * when both name the same existing regular file (the same device and
 * inode; on Windows the same volume and file ID), whatever the spelling
 * ("./x" and "x", a hard link, a symbolic link followed), or the same new
 * name in one directory where no file stands yet; 0 otherwise (different
 * files, a directory, a device or a pipe, which are written into rather
 * than replaced, or a path that cannot be examined); -4 for a null
 * pointer. Reports nothing. */
QUILLET_API int quillet_same_file(const char* a, const char* b);

/* Reads the whole file `path` into `out` (`capacity` bytes, at most
 * INT_MAX): a regular file, or a pipe read to its end, as the -mem files
 * of quillet are read, with their codes and messages (a file longer than
 * `capacity`: -8, too long). Result: the number of bytes read (0 for an
 * empty file), or a negative code, reported through `report` (may be
 * null). A null `path` or `out` with a `capacity`: -4. */
QUILLET_API long quillet_file_read(const char* path, void* out, size_t capacity, quillet_report_fn report,
                                   void* user);

/* Where quillet_file_load puts a file: room for `size` bytes, given once
 * the size is known; null when there is none. */
typedef void* (*quillet_place_fn)(void* user, size_t size);

/* Reads the whole file `path`, opened once, of at most `max_length` bytes
 * (at most INT_MAX), into the room `place` gives: a regular file by its
 * size, a pipe or FIFO to its end, with the codes and messages of
 * quillet_file_read: -5 it cannot be opened, -6 it cannot be examined, -8
 * it is longer (a regular file refused by its size before anything is
 * placed or read), -9 a directory, a device or a read error. -2 when
 * `place` gives no room. Result: the size (0 for an empty file, when
 * `place` is still asked for 0 bytes) or the negative code, reported
 * through `report` (may be null). A null `path` or `place`: -4. */
QUILLET_API long quillet_file_load(const char* path, size_t max_length, quillet_place_fn place, void* place_user,
                                   quillet_report_fn report, void* user);

/* Writes into `out` (`capacity` bytes) a text, ended by a null byte, that
 * two paths share exactly when quillet_same_file(a, b) is 1 for them; an
 * empty text for a path that names no file to replace (a directory, a
 * device, a pipe, one that cannot be examined). So many paths are matched
 * in one pass. Result: the text's length without the null byte; when that
 * does not fit `capacity`, nothing is written and the length is still the
 * result (a capacity of 0 asks for it). -4 for a null `path`, or a null
 * `out` with a `capacity`, -2 when memory runs out. Reports nothing. */
QUILLET_API long quillet_file_key(const char* path, char* out, size_t capacity);

/* The size in bytes of the regular file `path`, links followed; -1 when it
 * is no regular file or cannot be examined, -4 for a null `path`. */
QUILLET_API long long quillet_file_size(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* QUILLET_TOOLS_H */

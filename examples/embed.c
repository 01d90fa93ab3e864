/* embed.c - builds the example snapshot through libquillet, without
 * running quillet: the same file as
 *
 *   quillet -o OUTFILE -pack -mem 0 examples/stripes.bin -reg PC 0
 *
 * Usage: embed OUTFILE
 * Build: cc embed.c $(pkg-config --cflags --libs quillet) -o embed
 */
#include <stdio.h>

#include <quillet/quillet.h>

/* examples/stripes.bin: fills the video memory with stripes, then waits
 * (the listing is in stripes.asm). */
static const uint8_t STRIPES[] = {
    0xF3,             /* DI */
    0x31, 0x00, 0x80, /* LXI SP,8000h */
    0x21, 0x00, 0xC0, /* LXI H,0C000h */
    0x7D,             /* fill: MOV A,L */
    0xE6, 0x3F,       /* ANI 3Fh */
    0x77,             /* MOV M,A */
    0x23,             /* INX H */
    0x7C,             /* MOV A,H */
    0xB5,             /* ORA L */
    0xC2, 0x07, 0x00, /* JNZ fill */
    0xC3, 0x11, 0x00, /* halt: JMP halt */
};

/* Failures arrive here with the text quillet would print. */
static void print_failure(void* user, int code, const char* text) {
    (void)user;
    if (code < 0) fprintf(stderr, "embed: %s\n", text);
}

int main(int argc, char** argv) {
    quillet_snapshot* snapshot;
    int result;

    if (argc != 2) {
        fprintf(stderr, "usage: embed OUTFILE\n");
        return 64;
    }
    snapshot = quillet_snapshot_new();
    if (!snapshot) {
        fprintf(stderr, "embed: %s\n", quillet_message(QUILLET_ERR_OUT_OF_MEMORY));
        return -QUILLET_ERR_OUT_OF_MEMORY;
    }
    quillet_set_reporter(snapshot, print_failure, NULL);

    result = quillet_load_bytes(snapshot, 0, STRIPES, sizeof STRIPES);
    if (result == QUILLET_OK) result = quillet_set_register(snapshot, QUILLET_REG_PC, 0);
    if (result == QUILLET_OK) result = quillet_write_file(snapshot, argv[1], 1);

    quillet_snapshot_free(snapshot);
    return -result;
}

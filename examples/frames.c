/* frames.c - a PMD 85-2 driven frame by frame, as a front end drives it:
 * boots monitor 2, types a command as key events, and each frame takes
 * the picture and the sound (here only counted). Reads monit2.rom from
 * ../shared/pmd85-roms or the folder in QUILLET_FIRMWARE.
 * Build: cc frames.c $(pkg-config --cflags --libs quillet) -o frames */
#include <stdio.h>
#include <stdlib.h>

#include <quillet/quillet.h>
#include <quillet/quillet_tools.h>

int main(void) {
    const char* dir = getenv("QUILLET_FIRMWARE") ? getenv("QUILLET_FIRMWARE") : "../shared/pmd85-roms";
    char path[512];
    static uint8_t monitor[4096], video[16384];
    static int16_t sound[2048];
    snprintf(path, sizeof path, "%s/monit2.rom", dir);
    if (quillet_file_read(path, monitor, sizeof monitor, NULL, NULL) != (long)sizeof monitor) {
        printf("skipped: no %s\n", path);
        return 0;
    }
    quillet_snapshot* snapshot = quillet_snapshot_new();
    quillet_machine* machine = NULL;
    quillet_set_model(snapshot, QUILLET_MODEL_V2);
    if (quillet_machine_new(snapshot, monitor, sizeof monitor, NULL, NULL, &machine) != 0) return 1;
    quillet_machine_boot(machine);
    const char* keys = "MEM 8000\n";
    size_t heard = 0, count = 0;
    for (int frame = 0; frame < 400; ++frame) {
        if (frame >= 100 && *keys) { /* a key a frame, pressed and released at once */
            char name[2] = {*keys++, 0};
            quillet_machine_key(machine, name, 1);
            quillet_machine_key(machine, name, 0);
        }
        if (quillet_machine_run_frame(machine) != QUILLET_STOP_FRAME) break;
        quillet_machine_read_video(machine, video, sizeof video); /* a front end draws this */
        quillet_machine_take_audio(machine, 44100, sound, 2048, &count); /* and plays this */
        heard += count;
    }
    printf("%s: %d frames, %zu samples\n", quillet_machine_screen_shows(machine, "SUB 8000") == 1 ? "MEM shown" : "no MEM",
           (int)quillet_machine_frames(machine), heard);
    quillet_machine_free(machine);
    quillet_snapshot_free(snapshot);
    return 0;
}

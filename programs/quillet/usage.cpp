#include "usage.hpp"

#include <cstdio>

namespace quillet::cli {
namespace {

constexpr const char* PROGRAM_NAME = "quillet";
// The most characters the pause reads before it goes on without a line
// end, so that an endless input (/dev/zero) cannot hold it.
constexpr int PAUSE_READ_MAX = 4096;

constexpr const char* OPTION_LINES[] = {
    "  -o outfile.zvk\toutput file name\n",
    "  -pack\t\t\tpack Snapshot content\n",
    "  -cm CM\t\tcomputer [V2A]; CM=V1/V2/V2A/V3/MATO/ALFA/ALFA2/C2717\n",
    "  -zvk filename.zvk\ttemplate ZVK file\n",
    "  -rom filename.ext\tROM file\n",
    "  -mem adr filename.ext\tload file into memory from given address\n",
    "  -pg PG filename.ext\tload file into memory page; PG=<0,15>\n",
    "  -hex adr hexdata\tstore direct bytes into memory from given address\n",
    "  -reg RG value\t\tregister value; RG=AF/BC/DE/HL/PC/SP\n",
    "  -allram\t\tswitch AllRAM on\n",
    "  -ei\t\t\tenable global interrupt\n",
    "  -vpi intVCPU\t\tplug VideoCPU interrupt circuit; intVCPU=0/1 di/ei int\n",
    "  -mm value\t\t256kB memory mapping port value\n",
    "  -mif85 intCT0\t\tplug MIF 85; intCT0=0/1 dis/ena interrupt from CT0\n",
    "  -mus\t\t\tplug MUSICA interface\n",
    "  -vb\t\t\tverbose\n",
    "  -h\t\t\tusage information\n",
};

constexpr const char* NUMBER_LINES[] = {
    "\nAll numeric parameters must be nonnegative integers and can be in three forms:\n",
    "  decimal (e.g. 12345)\n",
    "  octal (e.g. 01234)\n",
    "  hexadecimal (e.g. 0x1234)\n\n",
};

}  // namespace

void wait_for_enter() {
    std::fputs("\nPress ENTER ...", stdout);
    std::fflush(stdout);
    for (int read = 0; read < PAUSE_READ_MAX; ++read) {
        const int ch = std::getchar();
        if (ch == '\n' || ch == EOF) break;
    }
}

void print_usage() {
    std::fputs("Creates ZVK Snapshot file for PMD 85 Emulator\n", stdout);
    std::printf("Usage: %s [options]\n", PROGRAM_NAME);
    std::fputs("\nOptions:\n", stdout);
    for (const char* line : OPTION_LINES) std::fputs(line, stdout);
    wait_for_enter();
    for (const char* line : NUMBER_LINES) std::fputs(line, stdout);
}

}  // namespace quillet::cli

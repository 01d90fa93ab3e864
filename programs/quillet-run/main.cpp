// The quillet-run executable: runs 8080 programs on the library's exact
// processor. Its entry point (programs/common/entry_*.cpp) hands over the
// arguments as UTF-8.
#include "run.hpp"

int program_main(int argc, char** argv) { return quillet::run::run_program(argc, argv); }

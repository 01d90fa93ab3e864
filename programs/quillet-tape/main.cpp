// The quillet-tape executable: lists, makes, extracts and converts PMD 85
// tapes. Its entry point (programs/common/entry_*.cpp) hands over the
// arguments as UTF-8.
#include "run.hpp"

int program_main(int argc, char** argv) { return quillet::tape_tool::run_tape(argc, argv); }

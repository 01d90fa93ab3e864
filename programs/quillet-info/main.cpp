// The quillet-info executable: shows, checks and extracts ZVK snapshots.
// Its entry point (programs/common/entry_*.cpp) hands over the arguments as UTF-8.
#include "run.hpp"

int program_main(int argc, char** argv) { return quillet::info::run_info(argc, argv); }

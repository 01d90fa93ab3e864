// The quillet executable: builds one ZVK snapshot from the command line.
// Its entry point (entry_*.cpp) hands over the arguments as UTF-8.
#include "run.hpp"

int program_main(int argc, char** argv) { return quillet::cli::run_quillet(argc, argv); }

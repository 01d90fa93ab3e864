// The quillet-info executable: shows, checks and extracts ZVK snapshots.
#include "info_run.hpp"

int main(int argc, char** argv) { return quillet::info::run_info(argc, argv); }

// The quillet executable: builds one ZVK snapshot from the command line.
#include "cli/run.hpp"

int main(int argc, char** argv) { return quillet::run_quillet(argc, argv); }

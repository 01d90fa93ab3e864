// The quillet executable: builds one ZVK snapshot from the command line.
#include "driver/run.hpp"

int main(int argc, char** argv) { return quillet::run_quillet(argc, argv); }

// Entry point of the programs on POSIX systems: the arguments are bytes,
// handed on as they are.
int program_main(int argument_count, char** argument_vector);  // each program's own

int main(int argc, char** argv) { return program_main(argc, argv); }

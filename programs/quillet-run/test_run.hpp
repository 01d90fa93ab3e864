// quillet-run --tests FILE: the cases of FILE (test_list.hpp), each run
// from the state of the one SNAPSHOT with the command line's options and its
// own, reported in the Test Anything Protocol that prove and CI systems read:
//
//   1..3
//   ok 1 - mul16 7*6
//   not ok 2 - fill: memory 0xC200 expected 3f found 00
//   ok 3 - --until done --screen after.png
//
// The plan line first, then one line per case in the file's order: "ok N -
// NAME" when the run would have ended with status 0, else "not ok N - NAME:
// " and why, the reasons joined by "; ": the stop expected and the one
// reached, a limit reached ("reached the state limit N at 0x0100"), each
// failed check ("WHAT expected E found F"), and "exit status N" for a file
// that could not be read or written (its message on standard error). A '#'
// in a NAME is written "\#", as the protocol has it.
//
// Every case is read and checked before anything runs: a malformed line, a
// bad option in it, an option that prints onto standard output (--json,
// --peek, --out-log, --screen-text, --help, --version) and an output that
// would replace another file are usage errors (64) that name FILE and the
// line, and no case runs. Then SNAPSHOT is read once (its failure ends the run with its
// status) and the cases run. The status: 0 when every case is ok, 1 when
// any is not.
#pragma once

#include "options.hpp"

namespace quillet::run {

// Runs the cases of `options.tests_path`, each with the words of the
// command line (`argument_count` words of `argument_vector`, which gave
// `options`) and its own after them. Returns the exit status.
int run_tests(int argument_count, char** argument_vector, const RunOptions& options);

}  // namespace quillet::run

// The quillet command line: what it asks for, gathered by one walk over
// the arguments, and the checks of the options in combination. Each value
// is checked by the library function that will set it, where its option is
// met; the failures are reported in quillet's words (failures.hpp).
#pragma once

#include "failures.hpp"

namespace quillet::cli {

// An option that takes a number and was not given.
constexpr int NOT_GIVEN = -1;

// Values of LoadRequest::page that are no page number.
constexpr int REQUEST_AT_ADDRESS = -1;  // "-mem": a file loaded at `address`
constexpr int REQUEST_HEX = -2;         // "-hex": a byte string stored at `address`
constexpr int NO_ADDRESS = -1;          // `address` of a "-pg" request

// One "-mem", "-pg" or "-hex", in command-line order.
struct LoadRequest {
    const char* text;  // file name or hexadecimal byte string, as given
    int address;       // 0..65535 for "-mem" and "-hex"; NO_ADDRESS for "-pg"
    int page;          // 0..15 for "-pg"; REQUEST_AT_ADDRESS or REQUEST_HEX
    LoadRequest* next;
};

// What the command line gathered. Texts point into the argument vector.
// Created by parse_command_line(), released by release_command_line(),
// which also releases the requests.
struct CommandLine {
    const char* output_path;
    const char* template_path;
    const char* rom_path;
    LoadRequest* load_head;
    LoadRequest* load_tail;
    int verbose;
    int pack;
    int allram;
    int enable_interrupts;
    int musica_plugged;
    int vcpu_interrupt;  // 0, 1 or NOT_GIVEN
    int mapper_port;     // 0..127 or NOT_GIVEN
    int mif85_mode;      // 0, 1 or NOT_GIVEN
    int model;           // ComputerModel, V2A unless given
    int registers[QUILLET_REGISTER_COUNT];  // 0..65535 or NOT_GIVEN
};

// Creates the command line record (stored in `slot` before any option is
// looked at, so the caller can release it whatever happens), walks the
// arguments from index 1, stores each option's values, queues the load
// requests and makes the final checks. Returns 0; USAGE_REQUESTED when "-h"
// was met (nothing reported); otherwise the code of the first failure,
// already reported. The final combination checks can report up to three
// failures and still return one ERR_BAD_COMBINATION.
int parse_command_line(int argument_count, char** argument_vector, CommandLine** slot,
                       const common::ReportSink& sink);

// Releases the requests and the record, and clears `command_line`. Nothing
// happens when it is null.
void release_command_line(CommandLine*& command_line);

// Appends a request at the tail of the queue. Returns 0 or
// ERR_OUT_OF_MEMORY (already reported).
int queue_load_request(CommandLine* command_line, const char* text, int page, int address,
                       const common::ReportSink& sink);

// The value of a non-negative number written in decimal, octal (leading 0) or
// hexadecimal (leading 0x or 0X), converted as strtol with base 0 does and
// clamped to 32-bit signed; -1 when the text is no such number. A non-zero
// number followed by other characters counts with its leading value (12abc is
// 12); a zero followed by other characters (0abc, 08, 0x) is rejected. The
// empty text is 0.
int parse_number(const char* text);

// Compares two texts after mapping a..z to upper case; true when equal in full.
bool equal_ignoring_case(const char* a, const char* b);

}  // namespace quillet::cli

#include "expected_stop.hpp"

#include <cinttypes>
#include <cstdio>

namespace quillet::run {
namespace {

constexpr long LABEL_REACH = 0xFF;  // how far past a label an address is still shown by it
constexpr int TEXT_SIZE = 64;

std::string expected_text(const RunOptions& options) {
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : " or ") + part; };
    if (options.expected_stops & STOP_UNTIL) {
        std::string at;
        for (const long address : options.untils) at += (at.empty() ? "" : " or ") + address_text(options.symbols(), address);
        if (!at.empty()) add("stop at " + at);
        if (options.until_text) add(std::string("stop when the screen shows \"") + options.until_text + "\"");
        if (at.empty() && !options.until_text) add("stop at an --until address");
    }
    if (options.expected_stops & STOP_RETURN) {
        add(options.call ? "return from " + address_text(options.symbols(), options.call_address) : "return");
    }
    if (options.expected_stops & STOP_HALT) add("halt");
    if (options.expected_stops & STOP_LIMIT) add("reach a limit");
    return "expected to " + text;
}

}  // namespace

const char* stop_word(int reason) {
    return reason == RUN_STOP_SCREEN_TEXT ? "screen text" : quillet_stop_name(reason);
}

unsigned stop_kind(int reason) {
    switch (reason) {
    case QUILLET_STOP_ADDRESS:
    case RUN_STOP_SCREEN_TEXT: return STOP_UNTIL;
    case QUILLET_STOP_RETURNED: return STOP_RETURN;
    case QUILLET_STOP_HALTED: return STOP_HALT;
    case QUILLET_STOP_STATE_LIMIT:
    case QUILLET_STOP_INSTRUCTION_LIMIT: return STOP_LIMIT;
    default: return 0;
    }
}

long halt_address(long pc) {
    constexpr long HLT_LENGTH = 1;  // the HLT opcode, one byte
    return (pc - HLT_LENGTH) & (QUILLET_ADDRESS_SPACE - 1);
}

std::string stop_text(const RunOptions& options, int reason, long pc) {
    const std::string at = address_text(options.symbols(), pc);
    char text[TEXT_SIZE];
    switch (reason) {
    case QUILLET_STOP_ADDRESS: return "stopped at " + at;
    case QUILLET_STOP_RETURNED: return "returned to " + at;
    case QUILLET_STOP_HALTED: return "halted at " + address_text(options.symbols(), halt_address(pc));
    case QUILLET_STOP_STATE_LIMIT:
        std::snprintf(text, sizeof text, "reached the state limit %" PRIu64 " at ", options.max_states);
        return text + at;
    case QUILLET_STOP_INSTRUCTION_LIMIT:
        std::snprintf(text, sizeof text, "reached the instruction limit %" PRIu64 " at ", options.max_instructions);
        return text + at;
    case QUILLET_STOP_NO_MONITOR: return "executed the absent monitor at " + at;
    case RUN_STOP_SCREEN_TEXT:
        return std::string("stopped when the screen showed \"") + (options.until_text ? options.until_text : "") +
               "\" at " + at;
    default: return std::string("stopped (") + stop_word(reason) + ") at " + at;
    }
}

std::string unexpected_stop(const RunOptions& options, int reason, long pc) {
    const unsigned kind = stop_kind(reason);
    if (options.expected_stops == 0 || (options.expected_stops & kind) != 0) return "";
    return expected_text(options) + ", " + stop_text(options, reason, pc);
}

std::string address_text(const common::SymbolTable& symbols, long address) {
    char number[TEXT_SIZE];
    std::snprintf(number, sizeof number, "0x%04lX", address);
    const std::string label = symbols.describe(address, LABEL_REACH);
    return label.empty() ? number : label + " (" + number + ")";
}

}  // namespace quillet::run

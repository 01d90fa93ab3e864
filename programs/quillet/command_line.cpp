#include "command_line.hpp"

#include <climits>
#include <cstdlib>

#include "owned_snapshot.hpp"

namespace quillet::cli {
namespace {

using common::report_failure;
using common::ReportSink;

// Pages 0..3 are the address space; a page above them needs the mapper.
constexpr int ADDRESS_SPACE_PAGES = QUILLET_ADDRESS_SPACE / QUILLET_PAGE_SIZE;

// The number whose name `name(number)` is `text` ignoring letter case, or -1.
int find_name(const char* text, const char* (*name)(int), int count) {
    for (int i = 0; i < count; ++i) {
        if (equal_ignoring_case(text, name(i))) return i;
    }
    return -1;
}

// The record being filled, where its failures go, and the values' checker.
struct Parse {
    CommandLine* line;
    const ReportSink& sink;
    quillet_snapshot* checker;
};

// An address of the 64 KB space, as the loads check it (reading nothing
// there), reported as -13 otherwise.
int parse_address(const Parse& p, const char* text, const char* word, int* address) {
    *address = parse_number(text);
    if (quillet_address_check(*address) != 0) {
        return report_failure(p.sink, QUILLET_ERR_VALUE_RANGE, *address, word);
    }
    return 0;
}

// A text option ("-o", "-rom", "-zvk") that may be given only once.
int store_path(const Parse& p, const char** field, int code, char* const* values) {
    if (*field) return report_failure(p.sink, code, *field, values[0]);
    *field = values[0];
    return 0;
}

// 0 or 1, reported as -23 otherwise ("-vpi", "-mif85").
int parse_switch_value(const Parse& p, const char* word, const char* text, int* field) {
    const int value = parse_number(text);
    if (value != 0 && value != 1) return report_failure(p.sink, QUILLET_ERR_BAD_STATE, word, text);
    *field = value;
    return 0;
}

using Handler = int (*)(const Parse& p, const char* word, char* const* values);

struct OptionSpec {
    const char* word;
    int value_count;
    Handler handle;
};

int handle_verbose(const Parse& p, const char*, char* const*) { return p.line->verbose = 1, 0; }
int handle_pack(const Parse& p, const char*, char* const*) { return p.line->pack = 1, 0; }
int handle_allram(const Parse& p, const char*, char* const*) { return p.line->allram = 1, 0; }
int handle_ei(const Parse& p, const char*, char* const*) { return p.line->enable_interrupts = 1, 0; }
int handle_musica(const Parse& p, const char*, char* const*) { return p.line->musica_plugged = 1, 0; }

int handle_vpi(const Parse& p, const char* word, char* const* values) {
    return parse_switch_value(p, word, values[0], &p.line->vcpu_interrupt);
}

int handle_mif85(const Parse& p, const char* word, char* const* values) {
    return parse_switch_value(p, word, values[0], &p.line->mif85_mode);
}

// A port value; "not plugged", which the library also takes, is none.
int handle_mapper(const Parse& p, const char*, char* const* values) {
    const int value = parse_number(values[0]);
    if (value == QUILLET_NOT_PLUGGED || quillet_set_mapper_port(p.checker, value) != 0) {
        return report_failure(p.sink, QUILLET_ERR_BAD_MAPPER, values[0]);
    }
    p.line->mapper_port = value;
    return 0;
}

int handle_model(const Parse& p, const char*, char* const* values) {
    const int model = find_name(values[0], quillet_model_name, QUILLET_MODEL_COUNT);
    if (model < 0) return report_failure(p.sink, QUILLET_ERR_BAD_MODEL, values[0]);
    p.line->model = model;
    return 0;
}

int handle_register(const Parse& p, const char* word, char* const* values) {
    const int reg = find_name(values[0], quillet_register_name, QUILLET_REGISTER_COUNT);
    if (reg < 0) return report_failure(p.sink, QUILLET_ERR_BAD_REGISTER, values[0]);
    const int value = parse_number(values[1]);
    if (quillet_set_register(p.checker, reg, value) != 0) {
        return report_failure(p.sink, QUILLET_ERR_VALUE_RANGE, value, word);
    }
    p.line->registers[reg] = value;
    return 0;
}

int handle_page(const Parse& p, const char*, char* const* values) {
    const int page = parse_number(values[0]);
    if (quillet_has_page(p.checker, page) < 0) return report_failure(p.sink, QUILLET_ERR_BAD_PAGE, values[0]);
    return queue_load_request(p.line, values[1], page, NO_ADDRESS, p.sink);
}

int handle_memory(const Parse& p, const char* word, char* const* values) {
    int address = 0;
    if (const int result = parse_address(p, values[0], word, &address)) return result;
    return queue_load_request(p.line, values[1], REQUEST_AT_ADDRESS, address, p.sink);
}

int handle_hex(const Parse& p, const char* word, char* const* values) {
    int address = 0;
    if (const int result = parse_address(p, values[0], word, &address)) return result;
    return queue_load_request(p.line, values[1], REQUEST_HEX, address, p.sink);
}

int handle_output(const Parse& p, const char*, char* const* values) {
    return store_path(p, &p.line->output_path, common::ERR_SECOND_OUTPUT, values);
}

int handle_rom(const Parse& p, const char*, char* const* values) {
    return store_path(p, &p.line->rom_path, common::ERR_SECOND_ROM, values);
}

int handle_template(const Parse& p, const char*, char* const* values) {
    return store_path(p, &p.line->template_path, common::ERR_SECOND_TEMPLATE, values);
}

// "-h" is handled by the walk itself: it ends parsing at once.
constexpr const char* HELP_WORD = "-h";

const OptionSpec OPTIONS[] = {
    {"-vb", 0, handle_verbose},    {"-pack", 0, handle_pack},   {"-allram", 0, handle_allram},
    {"-ei", 0, handle_ei},         {"-vpi", 1, handle_vpi},     {"-mus", 0, handle_musica},
    {"-mm", 1, handle_mapper},     {"-mif85", 1, handle_mif85}, {"-cm", 1, handle_model},
    {"-reg", 2, handle_register},  {"-pg", 2, handle_page},     {"-mem", 2, handle_memory},
    {"-hex", 2, handle_hex},       {"-o", 1, handle_output},    {"-rom", 1, handle_rom},
    {"-zvk", 1, handle_template},
};

bool equal_exactly(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

const OptionSpec* find_option(const char* argument) {
    for (const OptionSpec& option : OPTIONS) {
        if (equal_exactly(argument, option.word)) return &option;
    }
    return nullptr;
}

void set_initial_values(CommandLine* c) {
    c->model = QUILLET_MODEL_V2A;
    c->mapper_port = NOT_GIVEN;
    c->mif85_mode = NOT_GIVEN;
    c->vcpu_interrupt = NOT_GIVEN;
    for (int& value : c->registers) value = NOT_GIVEN;
}

// A zero-filled record, as every field not set otherwise starts at 0.
template <typename T>
int allocate_record(T** slot, const ReportSink& sink) {
    *slot = static_cast<T*>(std::calloc(1, sizeof(T)));
    return *slot ? 0 : report_failure(sink, QUILLET_ERR_OUT_OF_MEMORY);
}

bool has_mapper_page_request(const CommandLine* c) {
    for (const LoadRequest* r = c->load_head; r; r = r->next) {
        if (r->page >= ADDRESS_SPACE_PAGES) return true;
    }
    return false;
}

// The checks made once every argument was accepted.
int check_combination(CommandLine* c, const ReportSink& sink) {
    using common::ERR_BAD_COMBINATION;
    if (!c->output_path) return report_failure(sink, common::ERR_NO_OUTPUT);
    if (!c->template_path && !c->load_head) return report_failure(sink, common::ERR_NO_INPUT);
    if (c->mapper_port == NOT_GIVEN && has_mapper_page_request(c)) c->mapper_port = 0;

    int result = 0;
    if (c->mif85_mode != NOT_GIVEN && c->musica_plugged) {
        result = report_failure(sink, ERR_BAD_COMBINATION, "-mif85", "-mus");
    }
    if (c->allram && !quillet_model_stores_block2(c->model)) {
        result = report_failure(sink, ERR_BAD_COMBINATION, "-allram", "-cm");
    }
    if ((c->mapper_port != NOT_GIVEN || c->vcpu_interrupt != NOT_GIVEN) &&
        c->model != QUILLET_MODEL_V2A && c->model != QUILLET_MODEL_V3) {
        result = report_failure(sink, ERR_BAD_COMBINATION, "-mm -vpi", "-cm");
    }
    return result;
}

}  // namespace

bool equal_ignoring_case(const char* a, const char* b) {
    const auto upper = [](char ch) { return ch >= 'a' && ch <= 'z' ? char(ch - 'a' + 'A') : ch; };
    while (*a && upper(*a) == upper(*b)) ++a, ++b;
    return upper(*a) == upper(*b);
}

int parse_number(const char* text) {
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 0);
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    if (value < 0) return -1;
    if (value == 0 && *end != '\0') return -1;
    return static_cast<int>(value);
}

int parse_command_line(int argument_count, char** argument_vector, CommandLine** slot,
                       const ReportSink& sink) {
    *slot = nullptr;
    CommandLine* line = nullptr;
    if (const int result = allocate_record(&line, sink)) return result;
    *slot = line;
    set_initial_values(line);
    // A snapshot that no one keeps, on which the library's setters check
    // the values where their options are met.
    const common::OwnedSnapshot checker;
    if (!checker.get()) return report_failure(sink, QUILLET_ERR_OUT_OF_MEMORY);
    const Parse parse{line, sink, checker.get()};

    int i = 1;
    while (i < argument_count) {
        const char* argument = argument_vector[i];
        if (equal_exactly(argument, HELP_WORD)) return common::USAGE_REQUESTED;
        const OptionSpec* option = find_option(argument);
        if (!option) {
            ++i;
            continue;
        }
        if (i + option->value_count >= argument_count && option->value_count > 0) {
            return report_failure(sink, QUILLET_ERR_MISSING_VALUE, option->word);
        }
        if (const int result = option->handle(parse, option->word, argument_vector + i + 1)) {
            return result;
        }
        i += 1 + option->value_count;
    }
    return check_combination(line, sink);
}

int queue_load_request(CommandLine* line, const char* text, int page, int address, const ReportSink& sink) {
    LoadRequest* request = nullptr;
    if (const int result = allocate_record(&request, sink)) return result;
    request->text = text;
    request->address = address;
    request->page = page;
    request->next = nullptr;
    if (line->load_head) {
        line->load_tail->next = request;
    } else {
        line->load_head = request;
    }
    line->load_tail = request;
    return 0;
}

void release_command_line(CommandLine*& line) {
    if (!line) return;
    while (line->load_head) {
        LoadRequest* next = line->load_head->next;
        std::free(line->load_head);
        line->load_head = next;
    }
    std::free(line);
    line = nullptr;
}

}  // namespace quillet::cli

#include "driver/options.hpp"

#include <climits>
#include <cstdlib>

#include "driver/failure.hpp"

namespace quillet {
namespace {

constexpr int ADDRESS_MAX = 65535;
constexpr int REGISTER_VALUE_MAX = 65535;
constexpr int MAPPER_PORT_MAX = 127;
constexpr int PAGE_MAX = PAGE_COUNT - 1;

const char* const REGISTER_NAMES[REGISTER_COUNT] = {"AF", "BC", "DE", "HL", "PC", "SP"};

// Index of `text` in `names` ignoring letter case, or -1.
int find_name(const char* text, const char* const* names, int count) {
    for (int i = 0; i < count; ++i) {
        if (equal_ignoring_case(text, names[i])) return i;
    }
    return -1;
}

// A number that must lie in 0..max, reported as -13 otherwise.
int parse_bounded_value(const char* text, const char* word, int max, int* value) {
    *value = parse_number(text);
    if (*value < 0 || *value > max) return report_failure(ERR_VALUE_RANGE, word, *value);
    return 0;
}

// A text option ("-o", "-rom", "-zvk") that may be given only once.
int store_path(const char** field, int code, char* const* values) {
    if (*field) return report_failure(code, *field, values[0]);
    *field = values[0];
    return 0;
}

// 0 or 1, reported as -23 otherwise ("-vpi", "-mif85").
int parse_switch_value(const char* word, const char* text, int* field) {
    const int value = parse_number(text);
    if (value != 0 && value != 1) return report_failure(ERR_BAD_OPTION_VALUE, word, text);
    *field = value;
    return 0;
}

using Handler = int (*)(BuildContext* context, const char* word, char* const* values);

struct OptionSpec {
    const char* word;
    int value_count;
    Handler handle;
};

int handle_verbose(BuildContext* c, const char*, char* const*) { return c->verbose = 1, 0; }
int handle_pack(BuildContext* c, const char*, char* const*) { return c->pack = 1, 0; }
int handle_allram(BuildContext* c, const char*, char* const*) { return c->allram = 1, 0; }
int handle_ei(BuildContext* c, const char*, char* const*) { return c->enable_interrupts = 1, 0; }
int handle_musica(BuildContext* c, const char*, char* const*) { return c->musica_plugged = 1, 0; }

int handle_vpi(BuildContext* c, const char* word, char* const* values) {
    return parse_switch_value(word, values[0], &c->vcpu_interrupt);
}

int handle_mif85(BuildContext* c, const char* word, char* const* values) {
    return parse_switch_value(word, values[0], &c->mif85_mode);
}

int handle_mapper(BuildContext* c, const char*, char* const* values) {
    const int value = parse_number(values[0]);
    if (value < 0 || value > MAPPER_PORT_MAX) return report_failure(ERR_BAD_MAPPER, values[0]);
    c->mapper_port = value;
    return 0;
}

int handle_model(BuildContext* c, const char*, char* const* values) {
    const int model = find_name(values[0], MODEL_NAMES, MODEL_COUNT);
    if (model < 0) return report_failure(ERR_BAD_MODEL, values[0]);
    c->model = model;
    return 0;
}

int handle_register(BuildContext* c, const char* word, char* const* values) {
    const int reg = find_name(values[0], REGISTER_NAMES, REGISTER_COUNT);
    if (reg < 0) return report_failure(ERR_BAD_REGISTER, values[0]);
    int value = 0;
    if (const int result = parse_bounded_value(values[1], word, REGISTER_VALUE_MAX, &value)) {
        return result;
    }
    c->registers[reg] = value;
    return 0;
}

int handle_page(BuildContext* c, const char*, char* const* values) {
    const int page = parse_number(values[0]);
    if (page < 0 || page > PAGE_MAX) return report_failure(ERR_BAD_PAGE, values[0]);
    return queue_load_request(c, values[1], page, NO_ADDRESS);
}

int handle_memory(BuildContext* c, const char* word, char* const* values) {
    int address = 0;
    if (const int result = parse_bounded_value(values[0], word, ADDRESS_MAX, &address)) {
        return result;
    }
    return queue_load_request(c, values[1], REQUEST_AT_ADDRESS, address);
}

int handle_hex(BuildContext* c, const char* word, char* const* values) {
    int address = 0;
    if (const int result = parse_bounded_value(values[0], word, ADDRESS_MAX, &address)) {
        return result;
    }
    return queue_load_request(c, values[1], REQUEST_HEX, address);
}

int handle_output(BuildContext* c, const char*, char* const* values) {
    return store_path(&c->output_path, ERR_SECOND_OUTPUT, values);
}

int handle_rom(BuildContext* c, const char*, char* const* values) {
    return store_path(&c->rom_path, ERR_SECOND_ROM, values);
}

int handle_template(BuildContext* c, const char*, char* const* values) {
    return store_path(&c->template_path, ERR_SECOND_TEMPLATE, values);
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

void set_initial_values(BuildContext* c) {
    c->model = MODEL_V2A;
    c->mapper_port = NOT_GIVEN;
    c->mif85_mode = NOT_GIVEN;
    c->vcpu_interrupt = NOT_GIVEN;
    for (int& value : c->registers) value = REGISTER_NOT_GIVEN;
}

bool has_mapper_page_request(const BuildContext* c) {
    for (const LoadRequest* r = c->load_head; r; r = r->next) {
        if (r->page >= ADDRESS_SPACE_PAGES) return true;
    }
    return false;
}

// The checks made once every argument was accepted.
int check_combination(BuildContext* c) {
    if (!c->output_path) return report_failure(ERR_NO_OUTPUT);
    if (!c->template_path && !c->load_head) return report_failure(ERR_NO_INPUT);
    if (c->mapper_port == NOT_GIVEN && has_mapper_page_request(c)) c->mapper_port = 0;

    int result = 0;
    if (c->mif85_mode != NOT_GIVEN && c->musica_plugged) {
        result = report_failure(ERR_BAD_COMBINATION, "-mif85", "-mus");
    }
    if (c->allram && !model_stores_block2(c->model)) {
        result = report_failure(ERR_BAD_COMBINATION, "-allram", "-cm");
    }
    if ((c->mapper_port != NOT_GIVEN || c->vcpu_interrupt != NOT_GIVEN) &&
        c->model != MODEL_V2A && c->model != MODEL_V3) {
        result = report_failure(ERR_BAD_COMBINATION, "-mm -vpi", "-cm");
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

int parse_command_line(int argument_count, char** argument_vector, BuildContext** context_slot) {
    *context_slot = nullptr;
    BuildContext* context = nullptr;
    if (const int result = ensure_buffer(context, sizeof(BuildContext))) return result;
    *context_slot = context;
    set_initial_values(context);

    int i = 1;
    while (i < argument_count) {
        const char* argument = argument_vector[i];
        if (equal_exactly(argument, HELP_WORD)) return USAGE_REQUESTED;
        const OptionSpec* option = find_option(argument);
        if (!option) {
            ++i;
            continue;
        }
        if (i + option->value_count >= argument_count && option->value_count > 0) {
            return report_failure(ERR_MISSING_VALUE, option->word);
        }
        if (const int result = option->handle(context, option->word, argument_vector + i + 1)) {
            return result;
        }
        i += 1 + option->value_count;
    }
    return check_combination(context);
}

}  // namespace quillet

#include "mini_json.hpp"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace info_test {
namespace {

struct Parser {
    const std::string& text;
    std::size_t at;
    std::string error;

    bool fail(const char* what) {
        if (error.empty()) error = std::string(what) + " at offset " + std::to_string(at);
        return false;
    }
    void skip_space() {
        while (at < text.size() && std::strchr(" \t\r\n", text[at])) ++at;
    }
    bool literal(const char* word) {
        const std::size_t n = std::strlen(word);
        if (text.compare(at, n, word) != 0) return false;
        at += n;
        return true;
    }
    bool string(std::string* out) {
        if (at >= text.size() || text[at] != '"') return fail("string expected");
        for (++at; at < text.size() && text[at] != '"'; ++at) {
            if (static_cast<unsigned char>(text[at]) < 0x20) return fail("control character in string");
            if (text[at] != '\\') {
                out->push_back(text[at]);
                continue;
            }
            if (++at >= text.size()) return fail("unfinished escape");
            const char c = text[at];
            if (c == 'u') {
                if (at + 4 >= text.size()) return fail("short \\u escape");
                const long code = std::strtol(text.substr(at + 1, 4).c_str(), nullptr, 16);
                if (code > 0x7F) return fail("only ASCII \\u escapes expected");
                out->push_back(static_cast<char>(code));
                at += 4;
            } else if (std::strchr("\"\\/", c)) {
                out->push_back(c);
            } else {
                const char* const from = "bfnrt";
                const char* const to = "\b\f\n\r\t";
                const char* found = std::strchr(from, c);
                if (!found || !c) return fail("bad escape");
                out->push_back(to[found - from]);
            }
        }
        if (at >= text.size()) return fail("unfinished string");
        ++at;
        return true;
    }
    bool number(JsonValue* v) {
        const char* start = text.c_str() + at;
        char* end = nullptr;
        v->number = std::strtod(start, &end);
        if (end == start || !(std::isdigit(static_cast<unsigned char>(*start)) || *start == '-')) {
            return fail("value expected");
        }
        v->kind = JsonValue::NUMBER;
        at += static_cast<std::size_t>(end - start);
        return true;
    }
    bool sequence(char close, JsonValue* v) {
        ++at;
        skip_space();
        if (at < text.size() && text[at] == close) return ++at, true;
        for (;;) {
            if (v->kind == JsonValue::OBJECT) {
                std::string key;
                skip_space();
                if (!string(&key)) return false;
                if (v->members.count(key)) return fail("duplicate key");
                skip_space();
                if (at >= text.size() || text[at++] != ':') return fail("':' expected");
                v->keys.push_back(key);
                if (!value(&v->members[key])) return false;
            } else {
                v->items.emplace_back();
                if (!value(&v->items.back())) return false;
            }
            skip_space();
            if (at < text.size() && text[at] == ',') {
                ++at;
                continue;
            }
            if (at < text.size() && text[at] == close) return ++at, true;
            return fail("',' or end expected");
        }
    }
    bool value(JsonValue* v) {
        skip_space();
        if (at >= text.size()) return fail("value expected");
        const char c = text[at];
        if (c == '{') return v->kind = JsonValue::OBJECT, sequence('}', v);
        if (c == '[') return v->kind = JsonValue::ARRAY, sequence(']', v);
        if (c == '"') return v->kind = JsonValue::STRING, string(&v->text);
        if (literal("true")) return v->kind = JsonValue::BOOLEAN, v->boolean = true, true;
        if (literal("false")) return v->kind = JsonValue::BOOLEAN, true;
        if (literal("null")) return true;
        return number(v);
    }
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const {
    static const JsonValue missing;
    const auto found = members.find(key);
    return found == members.end() ? missing : found->second;
}

bool parse_json(const std::string& text, JsonValue* value, std::string* error) {
    Parser parser{text, 0, ""};
    *value = JsonValue{};
    bool ok = parser.value(value);
    parser.skip_space();
    if (ok && parser.at != text.size()) ok = parser.fail("text after the value");
    *error = parser.error;
    return ok;
}

}  // namespace info_test

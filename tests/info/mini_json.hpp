// A small JSON reader for checking quillet-info's --json output: parses a
// whole text strictly and gives access to its values.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace info_test {

struct JsonValue {
    enum Kind { NUL, BOOLEAN, NUMBER, STRING, ARRAY, OBJECT } kind = NUL;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;
    std::vector<std::string> keys;  // member names in document order

    // The member `key` of an object; a null value when missing.
    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](std::size_t index) const { return items.at(index); }
    bool has(const std::string& key) const { return members.count(key) != 0; }
    bool is_null() const { return kind == NUL; }
};

// Parses `text`; returns false (with `error` set) unless it is exactly one
// JSON value, surrounded only by white space.
bool parse_json(const std::string& text, JsonValue* value, std::string* error);

}  // namespace info_test

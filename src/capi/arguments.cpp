#include "capi/arguments.hpp"

#include "snapshot/snapshot_format.hpp"

namespace quillet {

std::string range_text(const char* what, long max) {
    return std::string(what) + " (0 to " + DecimalText(max).c_str() + ")";
}

int report_missing(const Reporter& reporter, const char* parameter) {
    return report_failure(reporter, ERR_MISSING_VALUE, parameter);
}

int report_out_of_range(const Reporter& reporter, long value, const char* what, long max) {
    return report_failure(reporter, ERR_VALUE_RANGE, range_text(what, max).c_str(), value);
}

int check_address(const Reporter& reporter, long address) {
    if (address < 0 || address > ADDRESS_MAX) return report_out_of_range(reporter, address, "address", ADDRESS_MAX);
    return 0;
}

int check_span(const Reporter& reporter, long address, std::size_t length) {
    if (const int result = check_address(reporter, address)) return result;
    const long room = ADDRESS_SPACE_SIZE - address;
    if (length > static_cast<std::size_t>(room)) {
        return report_out_of_range(reporter, static_cast<long>(length), "length", room);
    }
    return 0;
}

}  // namespace quillet

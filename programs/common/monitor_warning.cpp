#include "monitor_warning.hpp"

#include <cstdio>

#include "quillet/quillet.h"

namespace quillet::common {

std::string foreign_monitor_text(const std::uint8_t* image, std::size_t size, int model) {
    const char* name = nullptr;
    const int made_for = quillet_monitor_made_for(image, size, &name);
    if (made_for < 0 || made_for == model || !name) return "";
    return std::string("--monitor image is ") + name + ", made for the " + quillet_model_name(made_for) + ", not the " +
           quillet_model_name(model) + ":";
}

void warn_of_foreign_monitor(const char* program, const char* path, const std::uint8_t* image, std::size_t size,
                             int model) {
    const std::string text = foreign_monitor_text(image, size, model);
    if (!text.empty()) std::fprintf(stderr, "%s: warning: %s '%s'\n", program, text.c_str(), path);
}

}  // namespace quillet::common

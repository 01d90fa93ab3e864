#include "base/temporary_name.hpp"

namespace quillet::platform {
namespace {

constexpr const char* TEMPORARY_PREFIX = ".quillet-";
constexpr int NAME_LETTERS = 12;
constexpr int BITS_PER_LETTER = 5;
constexpr std::uint64_t LETTER_MASK = (1u << BITS_PER_LETTER) - 1;
constexpr std::uint64_t MIXING_FACTOR = 0x9E3779B97F4A7C15ULL;
constexpr char LETTERS[] = "0123456789abcdefghijklmnopqrstuv";

}  // namespace

std::string temporary_name(const std::string& directory_prefix, std::uint64_t entropy, int attempt) {
    std::uint64_t mix = (entropy ^ static_cast<std::uint64_t>(attempt)) * MIXING_FACTOR;
    std::string name = directory_prefix + TEMPORARY_PREFIX;
    for (int i = 0; i < NAME_LETTERS; ++i, mix >>= BITS_PER_LETTER) name += LETTERS[mix & LETTER_MASK];
    return name;
}

}  // namespace quillet::platform

#include "snapshot/snapshot_format.hpp"

#include <cstring>

namespace quillet {

const char* const MODEL_NAMES[MODEL_COUNT] = {"V1",   "V2",   "V2A",   "V3",
                                              "MATO", "ALFA", "ALFA2", "C2717"};

const char* const REGISTER_NAMES[REGISTER_COUNT] = {"AF", "BC", "DE", "HL", "PC", "SP"};

int header_field_number(const char* name) {
    for (int i = 0; i < HEADER_FIELD_COUNT; ++i) {
        if (std::strcmp(HEADER_FIELDS[i].name, name) == 0) return i;
    }
    return -1;
}

bool model_stores_block2(int model) {
    return model == MODEL_V2A || model == MODEL_V3 || model == MODEL_C2717;
}

bool model_stores_block(int model, int block) { return block != BLOCK_2 || model_stores_block2(model); }

int block_count_for_version(int version) {
    return version >= VERSION_2 ? BLOCK_COUNT_V2 : BLOCK_COUNT_V1;
}

void locate_block_sizes(std::uint8_t* header, BlockSlot slots[PAGE_COUNT]) {
    for (int i = 0; i < BLOCK_COUNT_V1; ++i) {
        slots[i] = header + OFFSET_BLOCK_LENGTHS_LOW + WORD_SIZE * i;
    }
    if (header[OFFSET_VERSION] < VERSION_2) return;
    for (int i = BLOCK_COUNT_V1; i < BLOCK_COUNT_V2; ++i) {
        slots[i] = header + OFFSET_BLOCK_LENGTHS_HIGH + WORD_SIZE * (i - BLOCK_COUNT_V1);
    }
}

}  // namespace quillet

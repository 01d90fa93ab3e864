#include "machine/machine_snapshot.hpp"

#include <cstring>

namespace quillet {

namespace {

constexpr std::uint8_t C2717_ALLRAM_BIT = 0x40;

bool all_zero(const std::uint8_t* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

void registers_from(Cpu8080* cpu, const Snapshot& snapshot) {
    for (int reg = 0; reg < REGISTER_COUNT; ++reg) cpu_set_pair(cpu, reg, snapshot.registers[reg]);
    cpu->state.interrupts_enabled = snapshot.interrupts_enabled;
    cpu->state.ei_pending = false;
}

void registers_to(const Cpu8080& cpu, Snapshot* snapshot) {
    for (int reg = 0; reg < REGISTER_COUNT; ++reg) set_register(snapshot, reg, cpu_get_pair(&cpu, reg));
    snapshot->interrupts_enabled = cpu.state.interrupts_enabled;
}

// The pages `count` of `pages` into the snapshot: a page it does not have
// goes in only when it is not all zero. Allocates every page first, so
// that nothing changes when memory runs out.
int pages_to(const std::uint8_t* pages, int count, Snapshot* snapshot, const Reporter& reporter) {
    bool wanted[PAGE_COUNT] = {};
    for (int i = 0; i < count; ++i) {
        wanted[i] = snapshot->pages[i] || !all_zero(pages + i * PAGE_BYTES, PAGE_BYTES);
    }
    ByteBuffer fresh[PAGE_COUNT];
    for (int i = 0; i < count; ++i) {
        if (wanted[i] && !snapshot->pages[i]) {
            if (const int result = fresh[i].allocate(PAGE_BYTES, reporter)) return result;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (!wanted[i]) continue;
        if (!snapshot->pages[i]) snapshot->pages[i].swap(fresh[i]);
        std::memcpy(snapshot->pages[i].data(), pages + i * PAGE_BYTES, PAGE_BYTES);
    }
    return 0;
}

}  // namespace

bool machine_from_snapshot(Machine* m, const Snapshot& snapshot) {
    if (!machine_init(m, snapshot.model)) return false;
    static_assert(PAGE_BYTES == RAM_BLOCK_SIZE && PAGE_COUNT == RAM_BLOCKS, "a snapshot's page is a RAM block");
    for (int i = 0; i < PAGE_COUNT; ++i) {
        if (snapshot.pages[i]) std::memcpy(&m->ram[i * RAM_BLOCK_SIZE], snapshot.pages[i].data(), PAGE_BYTES);
    }
    registers_from(&m->cpu, snapshot);
    machine_set_rom_module(m, snapshot.rom.data(), snapshot.rom.size());
    m->mapper_fitted = m->facts->mapper_possible && snapshot.mapper_port != NOT_PLUGGED;
    m->mif85_fitted = snapshot.mif85_state != NOT_PLUGGED;
    machine_reset_devices(m);
    m->mif85_interrupts = snapshot.mif85_state == MIF85_INTERRUPT_ENABLED;
    if (m->mapper_fitted) {
        m->mapper_port = snapshot.mapper_port & 0x7F;
        m->switches.mapper_bank = m->mapper_port & 0x0F;
        m->switches.mapper_window = (m->mapper_port >> 4) & 3;
    }
    const std::uint8_t control = snapshot.peripheral_state[ALLRAM_INDEX];
    pio_write(&m->system_pio, PIO_CONTROL, control);
    // The Consul's AllRAM is PC6 high, not PC4 low: the stored "on" sets it.
    if (m->facts->allram == AllRamControl::PC6_HIGH && control == ALLRAM_ON) {
        m->system_pio.latch[PIO_C] |= C2717_ALLRAM_BIT;
    }
    // The map is laid from the RAM just loaded: no cell holds newer bytes.
    std::fill(std::begin(m->plain), std::end(m->plain), false);
    machine_port_c_changed(m);
    machine_install_map(m);
    return true;
}

int machine_to_snapshot(Machine* m, Snapshot* snapshot, const Reporter& reporter) {
    machine_sync_ram(m);
    const int count = m->mapper_fitted ? PAGE_COUNT : ADDRESS_SPACE_PAGES;
    if (const int result = pages_to(m->ram.data(), count, snapshot, reporter)) return result;
    registers_to(m->cpu, snapshot);
    if (m->facts->allram != AllRamControl::NONE) {
        set_allram(snapshot, m->switches.allram);
    } else {
        snapshot->peripheral_state[ALLRAM_INDEX] = m->system_pio.control;
    }
    if (m->mapper_fitted) snapshot->mapper_port = m->mapper_port;
    return 0;
}

void bare_from_snapshot(Cpu8080* cpu, const Snapshot& snapshot) {
    static const std::uint8_t zero_page[PAGE_BYTES] = {};
    for (int i = 0; i < ADDRESS_SPACE_PAGES; ++i) {
        const bool stored = snapshot.pages[i] && model_stores_block(snapshot.model, i);
        cpu_write_ram(cpu, static_cast<std::uint16_t>(i * PAGE_BYTES), stored ? snapshot.pages[i].data() : zero_page,
                      PAGE_BYTES);
    }
    registers_from(cpu, snapshot);
}

int bare_to_snapshot(const Cpu8080& cpu, Snapshot* snapshot, const Reporter& reporter) {
    std::vector<std::uint8_t> memory(CPU_MEMORY_SIZE);
    cpu_read_ram(&cpu, 0, memory.data(), memory.size());
    if (const int result = pages_to(memory.data(), ADDRESS_SPACE_PAGES, snapshot, reporter)) return result;
    registers_to(cpu, snapshot);
    return 0;
}

}  // namespace quillet

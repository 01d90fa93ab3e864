// The machine's memory, runs and calls. The map's regions that show RAM
// nothing else shows are left to the processor's cells, where its loop
// reads and writes them at full speed; every other region is read-only in
// the cells, and the processor's writes there come to write_hook, which
// sends them where the map says and refreshes every view of that RAM. A
// switch of the map lays again only the regions that show something else,
// copying their bytes out of and into the cells at memory speed.
#include "machine/machine.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/word_bits.hpp"
#include "machine/routine_call.hpp"
#include "snapshot/snapshot_format.hpp"

namespace quillet {

namespace {

constexpr unsigned RAM_CHUNKS = RAM_BLOCKS * RAM_BLOCK_SIZE / MAP_REGION_SIZE;
constexpr std::uint8_t NOTHING_READ = 0xFF;

// The RAM block the video circuit shows.
unsigned video_block(const Machine& m) { return m.mapper_fitted && (m.mapper_port & 0x40) ? 7 : VIDEO_BLOCK; }

bool waits_for_text(const Machine& m) { return !m.until_text.empty(); }

// Whether the RAM at `ram` (an offset into Machine::ram) is a line of the
// video memory of block `block`: which one when it is.
bool video_line_of(std::uint32_t ram, unsigned block, std::size_t* line) {
    const std::uint32_t first = block * RAM_BLOCK_SIZE;
    if (ram < first || ram >= first + RAM_BLOCK_SIZE) return false;
    *line = (ram - first) / VIDEO_LINE_BYTES;
    return true;
}

static_assert(CPU_NOTE_LINE == VIDEO_LINE_BYTES && MAP_REGION_SIZE % CPU_NOTE_LINE == 0,
              "a line the processor notes is a line of the video memory");

// Takes the lines the processor noted into the text wait's changed lines,
// through the map that laid the marks.
void collect_written(Machine* m) {
    constexpr unsigned REGION_LINES = MAP_REGION_SIZE / CPU_NOTE_LINE;
    static_assert(MAP_REGIONS <= 64 && REGION_LINES % 8 == 0, "a region's entries are tested eight at a time");
    Machine::TextWait& wait = m->text_wait;
    for (std::uint64_t regions = wait.noted_regions; regions != 0; regions &= regions - 1) {
        const unsigned i = static_cast<unsigned>(trailing_zero_bits(regions));
        std::uint8_t* written = &m->cpu.written[i * REGION_LINES];
        for (unsigned eight = 0; eight < REGION_LINES; eight += 8) {
            if (load_word(&written[eight]) == 0) continue;  // most frames write few lines
            for (unsigned at = eight; at < eight + 8; ++at) {
                std::size_t line = 0;
                if ((written[at] & CELL_NOTED) &&
                    video_line_of(m->regions[i].ram + at * CPU_NOTE_LINE, wait.noted_block, &line)) {
                    wait.changed.set(line);
                }
            }
            std::memset(&written[eight], 0, 8);
        }
    }
}

void write_hook(void* context, std::uint16_t address, std::uint8_t value) {
    Machine* m = static_cast<Machine*>(context);
    const MapRegion& region = m->regions[address / MAP_REGION_SIZE];
    if (!region.write_ram) return;
    const std::uint32_t offset = address % MAP_REGION_SIZE;
    m->ram[region.ram + offset] = value;
    std::size_t line = 0;
    if (waits_for_text(*m) && video_line_of(region.ram + offset, video_block(*m), &line)) m->text_wait.changed.set(line);
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        const MapRegion& view = m->regions[i];
        if (view.read == ReadSource::RAM && view.ram == region.ram) {
            cpu_set_cell(&m->cpu, static_cast<std::uint16_t>(i * MAP_REGION_SIZE + offset), value, true);
        }
    }
}

std::uint8_t port_in(void* context, std::uint8_t port) { return machine_port_in(static_cast<Machine*>(context), port); }

void port_out(void* context, std::uint8_t port, std::uint8_t value) {
    machine_port_out(static_cast<Machine*>(context), port, value);
}

// One region of FFh: what a read of nothing sees.
struct NothingRegion {
    std::uint8_t bytes[MAP_REGION_SIZE];
};
constexpr NothingRegion nothing_region() {
    NothingRegion region{};
    for (std::uint8_t& byte : region.bytes) byte = NOTHING_READ;
    return region;
}
constexpr NothingRegion NOTHING_REGION = nothing_region();

bool shows_absent_monitor(const Machine& m, const MapRegion& r) {
    return m.monitor.empty() && r.read == ReadSource::MONITOR;
}

// The bytes a read of region `r` sees, MAP_REGION_SIZE of them.
const std::uint8_t* region_bytes(const Machine& m, const MapRegion& r) {
    if (r.read == ReadSource::RAM) return &m.ram[r.ram];
    if (r.read == ReadSource::MONITOR && !m.monitor.empty()) return &m.monitor[r.monitor];
    return NOTHING_REGION.bytes;
}

bool same_region(const MapRegion& a, const MapRegion& b) {
    return a.read == b.read && a.write_ram == b.write_ram && a.ram == b.ram && a.monitor == b.monitor;
}

// The marks a region's cells keep when it is laid again: the stops (those
// of an absent monitor are put right by lay_region), address 0's
// repetition, the watchpoints.
constexpr std::uint8_t KEPT_MARKS = CELL_STOP | CELL_MIRRORED | CELL_WATCHED;

// Lays region `i` as `regions` and `plain` have it. `stops_kept`: the stop
// marks its cells have are the caller's and the tape's alone (not an
// absent monitor's), so that they stay.
void lay_region(Machine* m, unsigned i, bool stops_kept) {
    const MapRegion& r = m->regions[i];
    const bool absent = shows_absent_monitor(*m, r);
    // The text waited for: writes to the video memory kept in the cells are noted.
    std::size_t line = 0;
    const bool noted = waits_for_text(*m) && m->plain[i] && video_line_of(r.ram, m->text_wait.noted_block, &line);
    const std::uint64_t bit = std::uint64_t{1} << i;
    m->text_wait.noted_regions = noted ? m->text_wait.noted_regions | bit : m->text_wait.noted_regions & ~bit;
    const std::uint8_t set = static_cast<std::uint8_t>((m->plain[i] ? 0 : CELL_READONLY) | (absent ? CELL_STOP : 0) |
                                                       (noted ? CELL_NOTED : 0));
    const std::uint8_t keep = stops_kept ? KEPT_MARKS : static_cast<std::uint8_t>(KEPT_MARKS & ~CELL_STOP);
    const std::uint16_t first = static_cast<std::uint16_t>(i * MAP_REGION_SIZE);
    cpu_lay_cells(&m->cpu, first, region_bytes(*m, r), MAP_REGION_SIZE, keep, set);
    if (stops_kept || absent) return;
    for (unsigned offset = 0; offset < MAP_REGION_SIZE; ++offset) {
        const unsigned address = first + offset;
        if (m->user_stops[address] || block_reader_stop(m->reader, static_cast<std::uint16_t>(address))) {
            cpu_set_stop(&m->cpu, static_cast<std::uint16_t>(address), true);
        }
    }
}

// Whether each region of `regions` shows RAM nothing else shows, so that
// its bytes may live in the processor's cells.
void find_plain(const MapRegion regions[MAP_REGIONS], bool plain[MAP_REGIONS]) {
    unsigned uses[RAM_CHUNKS] = {};
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        const MapRegion& r = regions[i];
        if (r.read == ReadSource::RAM || r.write_ram) ++uses[r.ram / MAP_REGION_SIZE];
    }
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        const MapRegion& r = regions[i];
        plain[i] = r.read == ReadSource::RAM && r.write_ram && uses[r.ram / MAP_REGION_SIZE] == 1;
    }
}

// Copies region `i`'s RAM from the cells back into `ram` when they hold it.
void sync_region(Machine* m, unsigned i) {
    if (m->plain[i]) {
        cpu_read_view(&m->cpu, static_cast<std::uint16_t>(i * MAP_REGION_SIZE), &m->ram[m->regions[i].ram],
                      MAP_REGION_SIZE);
    }
}

}  // namespace

bool machine_init(Machine* m, int model) {
    cpu_reset(&m->cpu);
    m->model = model;
    m->facts = &model_facts(model);
    try {
        m->ram.assign(RAM_BLOCKS * RAM_BLOCK_SIZE, 0);
        m->user_stops.assign(CPU_MEMORY_SIZE, false);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m->monitor.clear();
    m->rom_module.clear();
    m->switches = MapSwitches{};
    m->switches.monitor_size = m->facts->monitor_size_default;
    m->mapper_fitted = false;
    m->mif85_fitted = false;
    m->keyboard = Keyboard(*keyboard_layout(model));
    m->speaker = SpeakerRecorder{};
    m->font = ScreenFont{};
    m->has_font = false;
    m->until_text.clear();
    m->hooks = MachineHooks{};
    m->cpu.memory_write = write_hook;
    m->cpu.memory_context = m;
    m->cpu.input = port_in;
    m->cpu.output = port_out;
    m->cpu.port_context = m;
    m->cpu.timing = CPU_TIMING_VIDEO_WAITS;
    // Nothing is in the cells yet: no region is theirs to copy back.
    std::fill(std::begin(m->plain), std::end(m->plain), false);
    machine_reset_devices(m);
    machine_install_map(m);
    return true;
}

bool machine_set_monitor(Machine* m, const std::uint8_t* image, std::size_t size) {
    if (!monitor_size_fits(*m->facts, size)) return false;
    machine_sync_ram(m);
    m->monitor.assign(image, image + size);
    m->switches.monitor_size = size;
    m->has_font = m->font.load(m->model, m->monitor.data(), m->monitor.size());
    machine_install_map(m);
    return true;
}

void machine_set_rom_module(Machine* m, const std::uint8_t* image, std::size_t size) {
    m->rom_module.assign(image, image + size);
}

bool machine_rom_module_readable(const Machine& m) { return m.facts->rom_module_port; }

void machine_sync_ram(Machine* m) {
    for (unsigned i = 0; i < MAP_REGIONS; ++i) sync_region(m, i);
}

void machine_install_map(Machine* m) {
    machine_sync_ram(m);
    // The RAM or the monitor's font may have changed as a whole.
    collect_written(m);
    m->text_wait.all_changed = true;
    m->text_wait.noted_block = video_block(*m);
    m->cpu.noting = waits_for_text(*m);
    build_memory_map(*m->facts, m->switches, m->regions);
    find_plain(m->regions, m->plain);
    // The stops are laid again from scratch: an image placed since the
    // last map has ended an absent monitor's.
    for (unsigned i = 0; i < MAP_REGIONS; ++i) lay_region(m, i, false);
}

void machine_switch_map(Machine* m) {
    // The writes noted so far are placed by the map that laid their marks.
    collect_written(m);
    if (video_block(*m) != m->text_wait.noted_block) {
        machine_install_map(m);
        return;
    }
    MapRegion next[MAP_REGIONS];
    bool next_plain[MAP_REGIONS];
    build_memory_map(*m->facts, m->switches, next);
    find_plain(next, next_plain);
    bool changed[MAP_REGIONS];
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        changed[i] = !same_region(next[i], m->regions[i]) || next_plain[i] != m->plain[i];
        // Every region's RAM is in `ram` before any region is laid from it.
        if (changed[i]) sync_region(m, i);
    }
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        if (!changed[i]) continue;
        const bool absent_before = shows_absent_monitor(*m, m->regions[i]);
        m->regions[i] = next[i];
        m->plain[i] = next_plain[i];
        lay_region(m, i, !absent_before);
    }
}

namespace {

// Copies back the regions of the cells that hold lines `lines` of the
// video memory.
const std::uint8_t* sync_video(Machine* m, const VideoLines& lines) {
    constexpr std::size_t REGION_LINES = MAP_REGION_SIZE / VIDEO_LINE_BYTES;
    static_assert(64 % REGION_LINES == 0, "a region's lines lie in one word");
    const VideoLines word_mask(~std::uint64_t{0});
    std::uint64_t words[VIDEO_LINES / 64];
    for (std::size_t word = 0; word < VIDEO_LINES / 64; ++word) words[word] = ((lines >> (64 * word)) & word_mask).to_ullong();
    const unsigned block = video_block(*m);
    std::size_t first = 0;
    for (unsigned i = 0; i < MAP_REGIONS; ++i) {
        if (!m->plain[i] || !video_line_of(m->regions[i].ram, block, &first)) continue;
        if ((words[first / 64] >> (first % 64)) & ((std::uint64_t{1} << REGION_LINES) - 1)) sync_region(m, i);
    }
    return &m->ram[block * RAM_BLOCK_SIZE];
}

}  // namespace

const std::uint8_t* machine_video_memory(Machine* m) { return sync_video(m, VideoLines().set()); }

bool machine_wide_screen(const Machine& m) {
    constexpr std::uint8_t PC5_WIDE = 0x20;
    return m.facts->pc5_wide_screen && (m.port_c_levels & pio_port_c_outputs(m.system_pio) & PC5_WIDE) != 0;
}

void machine_type(Machine* m, const std::vector<KeyStroke>& strokes) { m->keyboard.type(strokes, STATES_PER_FRAME); }

std::vector<TextRow> machine_screen_rows(Machine* m) {
    if (!m->has_font) return {};
    return read_screen_text(m->font, machine_video_memory(m));
}

void machine_set_until_text(Machine* m, std::string text) {
    m->until_text = std::move(text);
    // The video memory's cells note writes while a text is waited for.
    machine_install_map(m);
}

bool machine_shows_until_text(Machine* m) {
    Machine::TextWait& wait = m->text_wait;
    collect_written(m);
    if (!wait.all_changed && wait.changed.none()) return wait.shown;
    const bool all = wait.all_changed;
    const VideoLines lines = all ? VideoLines().set() : wait.changed;
    const bool rows_changed = wait.reader.read(m->font, sync_video(m, lines), lines);
    wait.changed.reset();
    wait.all_changed = false;
    if (all || rows_changed) wait.shown = screen_shows(wait.reader.rows(), m->until_text);
    return wait.shown;
}

void machine_key(Machine* m, const KeyStroke& stroke, bool down) {
    // The lines held beside a key (SHIFT, STOP, CNT) go down before it and up after it.
    const auto is_line = [](Key key) { return key == KEY_SHIFT || key == KEY_STOP || key == KEY_CNT; };
    for (const bool lines : {down, !down}) {
        for (int i = 0; i < stroke.key_count; ++i) {
            if (is_line(stroke.keys[i]) == lines) m->keyboard.hand(stroke.keys[i], down, m->cpu.state.states, STATES_PER_FRAME);
        }
    }
}

std::size_t machine_take_audio(Machine* m, std::uint32_t rate, std::int16_t* out, std::size_t capacity) {
    return m->speaker.take(m->cpu.state.states, rate, static_cast<std::uint32_t>(STATES_PER_SECOND), out, capacity);
}

void machine_boot(Machine* m) {
    CpuState& s = m->cpu.state;
    const std::uint64_t states = s.states, instructions = s.instructions;
    s = CpuState{};
    s.states = states;
    s.instructions = instructions;
    machine_reset_devices(m);
    m->switches.startup = true;
    m->switches.allram = false;
    m->switches.mapper_window = m->switches.mapper_bank = 0;
    machine_install_map(m);
}

void machine_read(const Machine& m, std::uint16_t address, std::uint8_t* out, std::size_t length) {
    cpu_read_view(&m.cpu, address, out, length);
}

void machine_write(Machine* m, std::uint16_t address, const std::uint8_t* data, std::size_t length) {
    cpu_write_ram(&m->cpu, address, data, length);
}

void machine_set_stop(Machine* m, std::uint16_t address, bool stop) {
    m->user_stops[address] = stop;
    const MapRegion& r = m->regions[address / MAP_REGION_SIZE];
    cpu_set_stop(&m->cpu, address,
                 stop || (m->monitor.empty() && r.read == ReadSource::MONITOR) ||
                     block_reader_stop(m->reader, address));
}

bool machine_is_stop(const Machine& m, std::uint16_t address) { return m.user_stops[address]; }

namespace {

// The next state at which the machine has something to do between
// instructions: a frame's end, the MIF 85's interrupt.
std::uint64_t next_event(const Machine& m) {
    const std::uint64_t now = m.cpu.state.states;
    std::uint64_t at = (now / STATES_PER_FRAME + 1) * STATES_PER_FRAME;
    if (m.mif85_fitted && m.mif85_interrupts) at = std::min(at, timer_next_falling_edge(m.timer.counter[0], now));
    return at;
}

// Frame `frame` (counted from state 0) ended: the typist moves on (told
// the state at the frame's end); false when the screen shows the text
// waited for.
bool frame_ended(Machine* m, std::uint64_t frame) {
    m->keyboard.frame_ended((frame + 1) * STATES_PER_FRAME);
    if (m->until_text.empty() || !m->has_font) return true;
    return !machine_shows_until_text(m);
}

// The events due by now, the run having gone on from `edge_after` (in
// frame `frame_before`): the MIF 85's interrupt, the frames' ends. False
// when a frame's end stops the run.
bool events_passed(Machine* m, std::uint64_t frame_before, std::uint64_t edge_after) {
    const std::uint64_t now = m->cpu.state.states;
    if (m->mif85_fitted && m->mif85_interrupts && timer_next_falling_edge(m->timer.counter[0], edge_after) <= now) {
        cpu_request_interrupt(&m->cpu, 7);  // no interrupt controller: the bus reads FFh, RST 7
    }
    for (std::uint64_t frame = frame_before; frame < now / STATES_PER_FRAME; ++frame) {
        if (!frame_ended(m, frame)) return false;
    }
    return true;
}

// The machine stopped where the monitor's block reader begins or returns:
// the tape learns what the reader asks for, and its verdict. A return
// counts only for the reader's own call, seen by the stack pointer it
// began with (its failure's RET is shared with other routines).
void watch_block_reader(Machine* m) {
    BlockReader& r = m->reader;
    const CpuState& s = m->cpu.state;
    if (s.pc == r.entry) {
        r.active = true;
        r.entry_sp = s.sp;
        const std::size_t bytes = static_cast<std::size_t>(s.regs[CPU_D] << 8 | s.regs[CPU_E]) + 2;
        m->tape->block_requested(s.states, bytes);
        return;
    }
    if (!r.active || s.sp != r.entry_sp) return;
    r.active = false;
    const bool failed = s.pc == r.failed || (s.regs[CPU_F] & FLAG_Z) == 0;
    m->tape->block_checked(s.states, !failed);
}

}  // namespace

int machine_run(Machine* m, const CpuRunLimits& limits) {
    CpuState& s = m->cpu.state;
    bool leave_stop = limits.leave_stop;
    m->reschedule = false;
    for (;;) {
        const std::uint64_t event = next_event(*m);
        const std::uint64_t frame_before = s.states / STATES_PER_FRAME;
        const std::uint64_t edge_after = s.states;
        CpuRunLimits slice = limits;
        slice.max_states = std::min(limits.max_states, event);
        slice.leave_stop = leave_stop;
        const std::uint64_t states_before = s.states;
        const CpuStopReason reason = cpu_run(&m->cpu, slice);
        if (reason == CPU_STOP_ADDRESS && !m->user_stops[s.pc]) {
            if (!m->tape || !block_reader_stop(m->reader, s.pc)) return MACHINE_STOP_NO_MONITOR;
            watch_block_reader(m);
            leave_stop = true;
            if (s.states >= limits.max_states) return CPU_STOP_STATE_LIMIT;
            continue;
        }
        if (reason == CPU_STOP_REQUESTED && m->reschedule) {
            m->reschedule = false;
            leave_stop = false;
            if (s.states >= limits.max_states) return CPU_STOP_STATE_LIMIT;
            continue;
        }
        if (reason != CPU_STOP_STATE_LIMIT) return reason;
        leave_stop = leave_stop && s.states == states_before;
        if (s.states >= event && !events_passed(m, frame_before, edge_after)) return CPU_STOP_REQUESTED;
        if (s.states >= limits.max_states) return CPU_STOP_STATE_LIMIT;
    }
}

int machine_run_frame(Machine* m) {
    CpuState& s = m->cpu.state;
    const std::uint64_t end = (s.states / STATES_PER_FRAME + 1) * STATES_PER_FRAME;
    CpuRunLimits limits;
    limits.max_states = end;
    limits.leave_stop = s.states == m->frame_stop_states && s.pc == m->frame_stop_pc;
    m->frame_stop_states = UINT64_MAX;
    for (;;) {
        const int reason = machine_run(m, limits);
        if (reason == CPU_STOP_STATE_LIMIT) return MACHINE_STOP_FRAME;
        if (reason == CPU_STOP_ADDRESS) {
            m->frame_stop_pc = s.pc;
            m->frame_stop_states = s.states;
        }
        if (reason != CPU_STOP_HALTED) return reason;
        // Halted with no interrupt to end it: the clock runs on to the next
        // event (an interrupt may come then) or the frame's end.
        const std::uint64_t frame_before = s.states / STATES_PER_FRAME, edge_after = s.states;
        s.states = std::min(next_event(*m), end);
        if (!events_passed(m, frame_before, edge_after)) return CPU_STOP_REQUESTED;
        if (s.states >= end) return MACHINE_STOP_FRAME;
        limits.leave_stop = false;
    }
}

int machine_call(Machine* m, std::uint16_t address, const CpuRunLimits& totals) {
    return call_routine(&m->cpu, m, address, totals);
}

}  // namespace quillet

// The machine's saved state (machine_state.hpp). The blob: "QLTSTATE", the
// format's version and the model (32 bits each), the payload's length (64
// bits), the payload, and a CRC-32 of all before it; numbers
// little-endian. Each part lists its own fields (its state_io), read and
// written by one walk.
#include "machine/machine_state.hpp"

#include <cstring>
#include <memory>
#include <type_traits>

#include "snapshot/snapshot_format.hpp"

namespace quillet {
namespace {

constexpr char STATE_MAGIC[8] = {'Q', 'L', 'T', 'S', 'T', 'A', 'T', 'E'};
// 2: the 8251's words, its transmitter and what it recorded; whether the
// recorder is stopped.
constexpr std::uint32_t VERSION = 2;
constexpr std::size_t HEADER_SIZE = sizeof STATE_MAGIC + 4 + 4 + 8;
constexpr std::size_t CHECK_SIZE = 4;

std::uint32_t crc32(const std::uint8_t* data, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

template <class T>
using Number = std::conditional_t<std::is_enum<T>::value, std::underlying_type<T>, std::common_type<T>>;

// The bytes a number takes in the blob: its own, but 8 for sizes and
// counts, the same on every system.
template <class N>
constexpr std::size_t width() {
    return std::is_same<N, std::size_t>::value ? 8 : sizeof(N);
}

class Writer {
public:
    static constexpr bool READING = false;
    explicit Writer(std::vector<std::uint8_t>* out) : out_(out) {}
    template <class T>
    void operator()(const T& value) {
        using N = typename Number<T>::type;
        put(static_cast<std::uint64_t>(static_cast<N>(value)), width<N>());
    }
    void fail() {}
    void put(std::uint64_t value, std::size_t bytes) {
        for (std::size_t i = 0; i < bytes; ++i) out_->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void bytes(std::vector<std::uint8_t>& data) {
        put(data.size(), 8);
        out_->insert(out_->end(), data.begin(), data.end());
    }
    template <class T, class Each>
    void sequence(std::vector<T>& items, Each each) {
        put(items.size(), 8);
        for (T& item : items) each(item);
    }

private:
    std::vector<std::uint8_t>* out_;
};

class Reader {
public:
    static constexpr bool READING = true;
    Reader(const std::uint8_t* data, std::size_t length) : data_(data), left_(length) {}
    template <class T>
    void operator()(T& value) {
        using N = typename Number<T>::type;
        value = static_cast<T>(static_cast<N>(get(width<N>())));
    }
    std::uint64_t get(std::size_t bytes) {
        if (left_ < bytes) {
            ok_ = false;
            left_ = 0;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) value |= std::uint64_t{data_[i]} << (8 * i);
        data_ += bytes;
        left_ -= bytes;
        return value;
    }
    void bytes(std::vector<std::uint8_t>& data) {
        const std::uint64_t size = get(8);
        if (size > left_) {
            ok_ = false;
            return;
        }
        data.assign(data_, data_ + size);
        data_ += size;
        left_ -= size;
    }
    // Each item takes a byte at least: a count beyond what is left is no count.
    template <class T, class Each>
    void sequence(std::vector<T>& items, Each each) {
        const std::uint64_t count = get(8);
        if (count > left_) {
            ok_ = false;
            return;
        }
        items.assign(static_cast<std::size_t>(count), T{});
        for (T& item : items) each(item);
    }
    bool ok() const { return ok_ && left_ == 0; }
    void fail() { ok_ = false; }

private:
    const std::uint8_t* data_;
    std::size_t left_;
    bool ok_ = true;
};

template <class Io>
void pio_io(Io& io, Pio8255& pio) {
    io(pio.control);
    for (std::uint8_t& latch : pio.latch) io(latch);
}

template <class Io>
void timer_io(Io& io, Timer8253& timer) {
    for (TimerCounter& c : timer.counter) {
        io(c.states_per_clock), io(c.mode), io(c.access), io(c.writing_high), io(c.reading_high), io(c.latched);
        io(c.latch), io(c.reload), io(c.partial), io(c.counting), io(c.loaded_at);
    }
}

template <class Io>
void tape_io(Io& io, Machine& m) {
    bool present = m.tape != nullptr;
    io(present);
    if (!present) {
        m.tape.reset();
        return;
    }
    tape::Tape blocks = m.tape ? m.tape->tape() : tape::Tape{};
    io(blocks.kind), io(blocks.sample_rate);
    io.sequence(blocks.blocks, [&](tape::Block& block) {
        io.bytes(block.bytes);
        io(block.position);
    });
    if (!m.tape) {
        if (blocks.blocks.empty()) return io.fail();
        m.tape = std::make_unique<TapeInput>(std::move(blocks), m.facts->tape);
    }
    if (!m.tape->position_io(io)) io.fail();
}

// Every part of the machine, in the blob's order.
template <class Io>
void machine_io(Io& io, Machine& m) {
    CpuState& s = m.cpu.state;
    for (std::uint8_t& reg : s.regs) io(reg);
    io(s.sp), io(s.pc), io(s.interrupts_enabled), io(s.ei_pending), io(s.halted), io(s.interrupt_request);
    io(s.states), io(s.instructions);
    io.bytes(m.ram);
    io.bytes(m.monitor);
    io.bytes(m.rom_module);
    io(m.switches.startup), io(m.switches.allram), io(m.switches.mapper_window), io(m.switches.mapper_bank);
    io(m.switches.monitor_size);
    for (Pio8255* pio : {&m.system_pio, &m.module_pio, &m.gpio_pio, &m.ims_pio}) pio_io(io, *pio);
    timer_io(io, m.timer);
    m.usart.state_io(io);
    if (m.usart.expect > Usart8251::Expect::COMMAND) io.fail();
    io(m.mapper_fitted), io(m.mapper_port), io(m.mif85_fitted), io(m.mif85_interrupts), io(m.port_c_levels);
    io(m.frame_stop_pc), io(m.frame_stop_states), io(m.reader.active), io(m.reader.entry_sp);
    if (!m.keyboard.state_io(io)) io.fail();
    SpeakerRecorder::Pending pending = m.speaker.pending();
    std::uint8_t lines = m.speaker.lines();
    io(lines), io(pending.lines), io(pending.next_sample), io(pending.rate);
    io.sequence(pending.changes, [&](SpeakerRecorder::Change& change) {
        io(change.state), io(change.lines), io(change.changed);
    });
    if (Io::READING) m.speaker.restore(lines, std::move(pending));
    tape_io(io, m);
}

// Whether what was read makes a machine of the model: the RAM whole, an
// image of a size it takes, the map's switches within their ranges.
bool fits_model(const Machine& m) {
    return m.ram.size() == RAM_BLOCKS * RAM_BLOCK_SIZE &&
           (m.monitor.empty() || monitor_size_fits(*m.facts, m.monitor.size())) &&
           m.switches.mapper_window < 4 && m.switches.mapper_bank < RAM_BLOCKS &&
           (m.monitor.empty() ? m.switches.monitor_size == m.facts->monitor_size_default
                              : m.switches.monitor_size == m.monitor.size()) &&
           m.cpu.state.interrupt_request >= -1 && m.cpu.state.interrupt_request <= 7;
}

}  // namespace

std::vector<std::uint8_t> machine_save_state(Machine* m) {
    machine_sync_ram(m);
    std::vector<std::uint8_t> out(STATE_MAGIC, STATE_MAGIC + sizeof STATE_MAGIC);
    Writer header(&out);
    header.put(VERSION, 4);
    header.put(static_cast<std::uint32_t>(m->model), 4);
    header.put(0, 8);  // the payload's length, once known
    Writer payload(&out);
    machine_io(payload, *m);
    const std::uint64_t length = out.size() - HEADER_SIZE;
    for (int i = 0; i < 8; ++i) out[HEADER_SIZE - 8 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    header.put(crc32(out.data(), out.size()), CHECK_SIZE);
    return out;
}

std::string machine_load_state(Machine* m, const std::uint8_t* state, std::size_t length) {
    if (length < HEADER_SIZE + CHECK_SIZE) return "cut short";
    if (std::memcmp(state, STATE_MAGIC, sizeof STATE_MAGIC) != 0) return "not a saved machine state";
    Reader header(state + sizeof STATE_MAGIC, HEADER_SIZE - sizeof STATE_MAGIC);
    const std::uint64_t version = header.get(4), model = header.get(4), payload = header.get(8);
    if (version != VERSION) return "of format version " + std::to_string(version) + ", not " + std::to_string(VERSION);
    if (payload > length - HEADER_SIZE - CHECK_SIZE) return "cut short";
    if (payload < length - HEADER_SIZE - CHECK_SIZE) return "damaged (bytes after its end)";
    Reader check(state + length - CHECK_SIZE, CHECK_SIZE);
    if (check.get(CHECK_SIZE) != crc32(state, length - CHECK_SIZE)) return "damaged (its check does not match)";
    if (model != static_cast<std::uint64_t>(m->model)) {
        const char* saved = model < MODEL_COUNT ? model_facts(static_cast<int>(model)).name : "unknown model";
        return std::string("of the ") + saved + ", not the " + m->facts->name;
    }
    // Read into a machine of its own first: a blob whose fields make no
    // machine leaves `m` as it was.
    auto scratch = std::make_unique<Machine>();
    if (!machine_init(scratch.get(), m->model)) throw std::bad_alloc();
    Reader trial(state + HEADER_SIZE, static_cast<std::size_t>(payload));
    machine_io(trial, *scratch);
    if (!trial.ok() || !fits_model(*scratch)) return "damaged (its fields make no machine)";
    scratch.reset();
    m->tape.reset();  // the blob's tape, or none
    Reader reader(state + HEADER_SIZE, static_cast<std::size_t>(payload));
    machine_io(reader, *m);
    machine_state_restored(m);
    return "";
}

}  // namespace quillet

// The devices on the machine's ports (the sheet's sections 2 to 5): the
// system 8255 (keyboard, speaker, LED, paging), the ROM module's 8255, the
// I/O board (8251, 8253, the GPIO and IMS-2 8255s), the 256 KB mapper and
// the MIF 85's interrupt enable. A port no device answers reads FFh.
#include "machine/machine.hpp"

#include <algorithm>
#include <iterator>
#include <utility>

namespace quillet {

namespace {

constexpr std::uint8_t PIO_SELECT_MASK = 0x8C;
constexpr std::uint8_t SYSTEM_PIO = 0x84;       // 1xxx01aa: F4h-F7h
constexpr std::uint8_t MODULE_PIO = 0x88;       // 1xxx10aa: F8h-FBh
constexpr std::uint8_t BOARD_MASK = 0xFC;
constexpr std::uint8_t GPIO_PIO = 0x4C;         // 4Ch-4Fh
constexpr std::uint8_t TIMER = 0x5C;            // 5Ch-5Fh
constexpr std::uint8_t IMS2_PIO = 0x7C;         // 7Ch-7Fh
constexpr std::uint8_t MAPPER_PORT = 0x6D;
constexpr std::uint8_t MIF85_INTERRUPT_PORT = 0xEC;
constexpr std::uint8_t NOTHING = 0xFF;

constexpr std::uint8_t PULLED_UP = 0xFF;

// The 8251's status bits beside the transmitter's with nothing to receive:
// DSR set, RxRDY clear (a set RxRDY aborts the monitors' keyboard polls).
constexpr std::uint8_t USART_RECEIVER_IDLE = USART_DSR;
constexpr std::uint8_t USART_NO_DATA = 0x00;
// The separator's tape clock on TxC: 1200 Hz.
constexpr std::uint64_t SEPARATOR_CLOCK_HZ = 1200;

constexpr std::uint64_t TIMER_CPU_CLOCK = 1;                 // states per count
constexpr std::uint64_t TIMER_ONE_HERTZ = STATES_PER_SECOND; // counter 2's real-time clock

// The keyboard's levels on port B (the rows of the columns PA selects) or
// port C (MATO's SHIFT, STOP and CNT).
std::uint8_t keyboard(Machine* m, int port) {
    if (port == PIO_B) return m->keyboard.read_port_b(m->system_pio.latch[PIO_A], m->cpu.state.states);
    return m->keyboard.read_port_c_upper();
}

// What the speaker and the LED hear of port C's levels, as the speaker's
// recorder takes them (PC2 the speaker, PC0 and PC1 the tones' gates, PC3
// the LED): MATO's speaker on PC1 becomes PC2.
std::uint8_t sound_lines(const Machine& m, std::uint8_t levels) {
    if (m.facts->speaker == SpeakerWiring::PC1_ALONE) return (levels & PORT_C_TONE_4KHZ) ? PORT_C_SPEAKER : 0;
    return levels;
}

// The module's byte at the address on PB (low) and PC (high); past the
// image, and with A15 set, FFh as an unprogrammed EPROM reads (the sources
// differ here: one FFh, one 00h, one repeats the 32 KB).
std::uint8_t module_byte(const Machine& m) {
    const unsigned address = pio_read(m.module_pio, PIO_B, PULLED_UP) | pio_read(m.module_pio, PIO_C, PULLED_UP) << 8;
    return address < m.rom_module.size() && address < 0x8000 ? m.rom_module[address] : NOTHING;
}

// The 8251's data (even port) or status (odd): the transmitter's bits and
// the receiver's, from the tape where one plays.
std::uint8_t usart_read(Machine* m, std::uint8_t port) {
    const std::uint64_t now = m->cpu.state.states;
    if (!(port & 1)) return m->tape ? m->tape->data(now) : USART_NO_DATA;
    const std::uint8_t status =
        usart_transmit_status(&m->usart, now, machine_transmit_clock(*m)) | USART_RECEIVER_IDLE;
    return m->tape ? m->tape->status(now, status) : status;
}

void usart_write(Machine* m, std::uint8_t port, std::uint8_t value) {
    const std::uint64_t now = m->cpu.state.states;
    if (port & 1) {
        usart_write_control(&m->usart, value, now, machine_transmit_clock(*m));
    } else {
        usart_write_data(&m->usart, value, now, machine_transmit_clock(*m));
    }
}

// Bits 3-0 the bank, 5-4 the window it goes to, 6 the bank the video
// circuit shows (7 instead of 3); the window before gets its own block back.
void set_mapper(Machine* m, std::uint8_t value) {
    m->mapper_port = value & 0x7F;
    m->switches.mapper_bank = value & 0x0F;
    m->switches.mapper_window = (value >> 4) & 3;
}

// The interrupt's next time may have moved: the run ends its slice after
// this instruction and works it out again.
void reschedule(Machine* m) {
    m->reschedule = true;
    cpu_request_stop(&m->cpu);
}

}  // namespace

TransmitClock machine_transmit_clock(const Machine& m) {
    TransmitClock clock;
    switch (m.facts->transmit_clock) {
        case TransmitClockSource::NONE: break;
        case TransmitClockSource::SEPARATOR:
            clock.states_numerator = STATES_PER_SECOND;
            clock.states_denominator = SEPARATOR_CLOCK_HZ;
            break;
        case TransmitClockSource::COUNTER_0:
        case TransmitClockSource::COUNTER_1: {
            // OUT runs as a clock in modes 2 and 3, one period per count.
            const TimerCounter& c = m.timer.counter[m.facts->transmit_clock == TransmitClockSource::COUNTER_0 ? 0 : 1];
            const int mode = c.mode & 3;
            if (c.counting && (mode == 2 || mode == 3)) clock.states_numerator = c.reload * c.states_per_clock;
            break;
        }
    }
    return clock;
}

void machine_reset_devices(Machine* m) {
    pio_reset(&m->system_pio);
    pio_reset(&m->module_pio);
    pio_reset(&m->gpio_pio);
    pio_reset(&m->ims_pio);
    timer_reset(&m->timer);
    usart_reset(&m->usart);
    // Counter 0 counts the processor's clock where it clocks the 8251
    // (C2717) or the MIF 85 feeds it; else nothing drives its input.
    const bool counter_0_clocked =
        m->mif85_fitted || m->facts->transmit_clock == TransmitClockSource::COUNTER_0;
    m->timer.counter[0].states_per_clock = counter_0_clocked ? TIMER_CPU_CLOCK : 0;
    m->timer.counter[1].states_per_clock = TIMER_CPU_CLOCK;
    m->timer.counter[2].states_per_clock = TIMER_ONE_HERTZ;
    m->mapper_port = 0;
    m->mif85_interrupts = false;
    m->port_c_levels = pio_port_c_levels(m->system_pio, PULLED_UP);
}

bool machine_insert_tape(Machine* m, tape::Tape tape) {
    if (m->facts->tape == TapeInterface::NONE || !m->facts->io_board) return false;
    if (tape.blocks.empty()) {
        m->tape.reset();
    } else {
        m->tape = std::make_unique<TapeInput>(std::move(tape), m->facts->tape);
    }
    m->reader = m->tape ? find_block_reader(m->monitor.data(), m->monitor.size(), m->facts->monitor_address)
                        : BlockReader{};
    machine_sync_ram(m);  // the map is laid again, with the watched address among the stops
    machine_install_map(m);
    return true;
}

void machine_state_restored(Machine* m) {
    m->has_font = !m->monitor.empty() && m->font.load(m->model, m->monitor.data(), m->monitor.size());
    // Where the block reader is comes from the image; whether it is inside
    // a call came with the state.
    BlockReader reader = m->tape ? find_block_reader(m->monitor.data(), m->monitor.size(), m->facts->monitor_address)
                                 : BlockReader{};
    reader.active = m->reader.active && reader.entry != 0;
    reader.entry_sp = m->reader.entry_sp;
    m->reader = reader;
    // The cells hold nothing of `ram` now: the map is laid from it.
    std::fill(std::begin(m->plain), std::end(m->plain), false);
    machine_install_map(m);
}

void machine_port_c_changed(Machine* m) {
    const std::uint8_t levels = pio_port_c_levels(m->system_pio, PULLED_UP);
    if (levels != m->port_c_levels) m->speaker.set_port_c(m->cpu.state.states, sound_lines(*m, levels));
    m->port_c_levels = levels;
    MapSwitches next = m->switches;
    switch (m->facts->allram) {
        case AllRamControl::PC4_LOW: next.allram = !(levels & 0x10); break;
        case AllRamControl::PC6_HIGH: next.allram = (levels & 0x40) != 0; break;
        case AllRamControl::NONE: break;
    }
    if (m->facts->pc5_reenters_startup && (levels & pio_port_c_outputs(m->system_pio) & 0x20)) next.startup = true;
    if (next.allram != m->switches.allram || next.startup != m->switches.startup) {
        m->switches = next;
        machine_switch_map(m);
    }
}

std::uint8_t machine_port_in(Machine* m, std::uint8_t port) {
    std::uint8_t value;
    if (m->hooks.input_first && m->hooks.input_first(m->hooks.context, port, &value)) return value;
    const int reg = port & 3;
    if ((port & PIO_SELECT_MASK) == SYSTEM_PIO) {
        return pio_read(m->system_pio, reg, reg == PIO_A ? PULLED_UP : keyboard(m, reg));
    }
    if ((port & PIO_SELECT_MASK) == MODULE_PIO && m->facts->rom_module_port) {
        return pio_read(m->module_pio, reg, reg == PIO_A ? module_byte(*m) : PULLED_UP);
    }
    if (port == MAPPER_PORT && m->mapper_fitted) return m->mapper_port;
    if (!m->facts->io_board) return NOTHING;
    if ((port & m->facts->usart_mask) == m->facts->usart_port) return usart_read(m, port);
    switch (port & BOARD_MASK) {
        case TIMER: return timer_read(&m->timer, reg, m->cpu.state.states);
        case GPIO_PIO: return pio_read(m->gpio_pio, reg, PULLED_UP);
        case IMS2_PIO: return pio_read(m->ims_pio, reg, PULLED_UP);
        default: return NOTHING;
    }
}

void machine_port_out(Machine* m, std::uint8_t port, std::uint8_t value) {
    if (m->hooks.output_seen) m->hooks.output_seen(m->hooks.context, port, value, m->cpu.state.states);
    // The start-up map ends with the first I/O write, whatever its port
    // (the schematic's re-creation and one emulator; another ends it only
    // with a write to the system 8255, which every monitor makes first).
    if (m->switches.startup) {
        m->switches.startup = false;
        m->switches.mapper_bank = m->switches.mapper_window = 0;
        m->mapper_port = 0;
        machine_switch_map(m);
    }
    const int reg = port & 3;
    if ((port & PIO_SELECT_MASK) == SYSTEM_PIO) {
        pio_write(&m->system_pio, reg, value);
        if (reg == PIO_A) m->keyboard.port_a_written();
        if (reg == PIO_C || reg == PIO_CONTROL) machine_port_c_changed(m);
        return;
    }
    if ((port & PIO_SELECT_MASK) == MODULE_PIO && m->facts->rom_module_port) {
        pio_write(&m->module_pio, reg, value);
        return;
    }
    if (port == MAPPER_PORT && m->mapper_fitted) {
        set_mapper(m, value);
        machine_switch_map(m);
        return;
    }
    if (port == MIF85_INTERRUPT_PORT && m->mif85_fitted) {
        m->mif85_interrupts = value & 1;
        reschedule(m);
        return;
    }
    if (!m->facts->io_board) return;
    if ((port & m->facts->usart_mask) == m->facts->usart_port) return usart_write(m, port, value);
    switch (port & BOARD_MASK) {
        case TIMER:
            // What the transmitter sent at the old clock is sent first.
            usart_catch_up(&m->usart, m->cpu.state.states, machine_transmit_clock(*m));
            timer_write(&m->timer, reg, value, m->cpu.state.states);
            if (m->mif85_fitted) reschedule(m);
            break;
        case GPIO_PIO: pio_write(&m->gpio_pio, reg, value); break;
        case IMS2_PIO: pio_write(&m->ims_pio, reg, value); break;
        default: break;
    }
}

}  // namespace quillet

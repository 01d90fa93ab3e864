// quillet-run on the PMD 85, end to end: the real monitors boot, take what
// is typed and print, read back as text; the machine's devices answer
// behind --in; a program that calls the monitor without an image of it
// fails and says so. The firmware is read from the QUILLET_FIRMWARE folder; the
// tests that need it skip without it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "info_test_support.hpp"
#include "png_pixels.hpp"
#include "support/pmd85_roms.hpp"
#include "quillet/quillet.h"
#include "run/run_driver.hpp"

namespace {

using info_test::Bytes;
using info_test::RunResult;
using info_test::text_field;
using run_test::run_on_bare_8080;
using run_test::run_quillet_run;

class MachineRunTest : public info_test::InfoTest {
protected:
    // A snapshot of `model` with `code` at `address` and PC there; a ROM
    // module image when `rom_module` names one of the firmware folder.
    std::string make(int model, long address, const Bytes& code, const std::string& rom_module = "") {
        quillet_snapshot* s = quillet_snapshot_new();
        EXPECT_EQ(quillet_set_model(s, model), 0);
        EXPECT_EQ(quillet_load_bytes(s, address, code.data(), code.size()), 0);
        quillet_set_register(s, QUILLET_REG_PC, address);
        if (!rom_module.empty()) {
            const std::vector<std::uint8_t> image = quillet::test::read_pmd85_rom(rom_module);
            EXPECT_EQ(quillet_set_rom(s, image.data(), image.size()), 0);
        }
        const std::string file = path("machine.zvk");
        EXPECT_EQ(quillet_write_file(s, file.c_str(), 0), 0);
        quillet_snapshot_free(s);
        return file;
    }

    // The path of firmware image `name`, or "" when it is not there.
    static std::string firmware(const std::string& name) {
        return quillet::test::read_pmd85_rom(name).empty() ? "" : quillet::test::pmd85_roms_dir() + "/" + name;
    }
};

#define FIRMWARE_OR_SKIP(variable, name)                 \
    const std::string variable = firmware(name);         \
    if (variable.empty()) GTEST_SKIP() << quillet::test::NO_PMD85_ROMS

// Every monitor boots from power-on to its ready text, read with its font.
TEST_F(MachineRunTest, EachMonitorBootsToItsReadyText) {
    FIRMWARE_OR_SKIP(any, "monit2.rom");
    const struct {
        int model;
        const char* monitor;
        const char* ready;
    } cases[] = {
        {QUILLET_MODEL_V1, "monit1.rom", "** PMD-85 READY /1.0 **"},
        {QUILLET_MODEL_V2, "monit2.rom", "++ Os ready ++"},
        {QUILLET_MODEL_V2A, "monit2A.rom", "++ Os ready ++"},
        {QUILLET_MODEL_V3, "monit3.rom", "Testing memory"},
        {QUILLET_MODEL_V3, "monit3.rom", "++ OS ready ++"},
        {QUILLET_MODEL_MATO, "mato-mb.rom", "** OS READY **"},
        {QUILLET_MODEL_ALFA2, "didalfa2.rom", "++ Os ready ++"},
        {QUILLET_MODEL_C2717, "c2717.rom", "C2717 Basic-G"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.monitor + std::string(" ") + item.ready);
        const RunResult run = run_quillet_run({"--boot", "--monitor", firmware(item.monitor), "--until-text",
                                               item.ready, "--screen-text", make(item.model, 0x0000, {0x00})});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(text_field(run.out, "Stopped:").rfind(std::string("screen text \"") + item.ready + "\" at ", 0), 0u)
            << run.out;
        EXPECT_NE(run.out.find(std::string("\n  ") + item.ready), std::string::npos) << run.out;
    }
    // The JSON's word for the stop on the screen's text is its own.
    const RunResult json = run_quillet_run({"--boot", "--monitor", firmware("monit2.rom"), "--until-text",
                                            "++ Os ready ++", "--json", make(QUILLET_MODEL_V2, 0x0000, {0x00})});
    EXPECT_EQ(json.status, 0) << json.out << json.err;
    EXPECT_NE(json.out.find("\n  \"stop\": \"screen text\",\n"), std::string::npos) << json.out;
}

// What is typed reaches the monitor once per key: MEM lists the monitor's
// own first bytes; the same keys from a --keys file.
TEST_F(MachineRunTest, TypedCommandsRunInTheMonitor) {
    FIRMWARE_OR_SKIP(monitor, "monit2.rom");
    const std::string line = "SUB 8000 31 00 80 C3 06 80 3E 8A D3 F7 CD D8 8B";
    const std::string snapshot = make(QUILLET_MODEL_V2, 0x0000, {0x00});
    const RunResult typed = run_quillet_run(
        {"--boot", "--monitor", monitor, "--type", "MEM 8000{EOL}", "--until-text", line, snapshot});
    EXPECT_EQ(typed.status, 0) << typed.out << typed.err;

    dir_.write("keys.txt", Bytes{'M', 'E', 'M', ' ', '8', '0', '0', '0', '\n'});
    const RunResult from_file = run_quillet_run({"--boot", "--monitor", monitor, "--keys", path("keys.txt"),
                                                 "--max-states", "20000000", "--expect-text", line, "--expect-stop",
                                                 "limit", snapshot});
    EXPECT_EQ(from_file.status, 0) << from_file.out << from_file.err;

    // Alfa 2's monitor reads its 8251 at F0h/F1h: its keyboard poll too.
    FIRMWARE_OR_SKIP(alfa2, "didalfa2.rom");
    const RunResult alfa = run_quillet_run({"--boot", "--monitor", alfa2, "--type", "MEM 8000{EOL}", "--until-text",
                                            "SUB 8000 31 00 80 C3 06 80 3E 8A D3 F7 CD FE 9A",
                                            make(QUILLET_MODEL_ALFA2, 0x0000, {0x00})});
    EXPECT_EQ(alfa.status, 0) << alfa.out << alfa.err;
}

// The snapshot's ROM module holds BASIC: monitor 2A starts it without a
// key, and it computes what is typed.
TEST_F(MachineRunTest, BasicStartsFromTheRomModuleAndComputes) {
    FIRMWARE_OR_SKIP(monitor, "monit2A.rom");
    FIRMWARE_OR_SKIP(basic, "basic2A.rmm");
    const std::string snapshot = make(QUILLET_MODEL_V2A, 0x0000, {0x00}, "basic2A.rmm");
    const RunResult run = run_quillet_run({"--boot", "--monitor", monitor, "--type", "PRINT 6*7{EOL}",
                                           "--until-text", " 42", "--expect-text", "BASIC-G /V2.A", snapshot});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
}

// basic3.rmm is larger than a V3 snapshot stores of a module: given whole
// with --module, monitor 3 copies its loader and starts BASIC. A module
// past the 32 KB the module's 8255 addresses, an empty one, or one for a
// model without the module's port is refused.
TEST_F(MachineRunTest, AModuleGivenWholeStartsBasicOnMonitorThree) {
    FIRMWARE_OR_SKIP(monitor, "monit3.rom");
    FIRMWARE_OR_SKIP(basic, "basic3.rmm");
    const std::string snapshot = make(QUILLET_MODEL_V3, 0x0000, {0x00});
    const RunResult run = run_quillet_run({"--boot", "--monitor", monitor, "--module", basic, "--until-text",
                                           "BASIC G /V3.0", "--max-states", "40960000", snapshot});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const RunResult without = run_quillet_run({"--boot", "--monitor", monitor, "--until-text", "BASIC G /V3.0",
                                               "--max-states", "20480000", snapshot});
    EXPECT_NE(without.status, 0) << "no module: the monitor's own prompt";
    // The text that never came: the report shows what the screen did show.
    EXPECT_NE(without.out.find("\nScreen text:  "), std::string::npos) << without.out;
    EXPECT_NE(without.out.find("\n  ++ OS ready ++"), std::string::npos) << without.out;

    dir_.write("big.rmm", Bytes(32769, 0xCC));
    dir_.write("empty.rmm", Bytes());
    const struct {
        int model;
        std::string module;
        int status;
        std::string err;  // its first line
    } refused[] = {
        {QUILLET_MODEL_V3, path("big.rmm"), 8, "Source file '" + path("big.rmm") + "' is too long! Max length 32768 bytes."},
        {QUILLET_MODEL_V3, path("empty.rmm"), 64, "quillet-run: --module image is empty: '" + path("empty.rmm") + "'"},
        {QUILLET_MODEL_MATO, basic, 64, "quillet-run: --module: the MATO has no ROM module port '" + basic + "'"},
    };
    for (const auto& c : refused) {
        const RunResult r = run_quillet_run({"--module", c.module, make(c.model, 0x0000, {0x76})});
        EXPECT_EQ(r.status, c.status) << c.module;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.err);
    }
}

// A program of its own prints through the monitor's character routine
// (8500h), started by the monitor's JUMP; a text not on the screen fails
// the run, and the report shows the rows there are.
TEST_F(MachineRunTest, WhatAProgramPrintsIsReadBack) {
    FIRMWARE_OR_SKIP(monitor, "monit2A.rom");
    // MVI A,'Q'; CALL 8500H; MVI A,'U'; CALL 8500H; MVI A,'I'; CALL 8500H; HLT
    const std::string snapshot = make(QUILLET_MODEL_V2A, 0x7000,
                                      {0x3E, 'Q', 0xCD, 0x00, 0x85, 0x3E, 'U', 0xCD, 0x00, 0x85, 0x3E, 'I', 0xCD,
                                       0x00, 0x85, 0x76});
    const std::vector<std::string> start = {"--boot", "--monitor", monitor, "--type", "JUMP 7000{EOL}",
                                            "--expect-stop", "halt"};
    std::vector<std::string> pass = start;
    pass.insert(pass.end(), {"--expect-text", "QUI", snapshot});
    const RunResult shown = run_quillet_run(pass);
    EXPECT_EQ(shown.status, 0) << shown.out << shown.err;
    EXPECT_EQ(text_field(shown.out, "Stopped:"), "halt at 0x700F");
    EXPECT_EQ(shown.out.find("Screen text:"), std::string::npos) << "shown only when asked for or failing";

    std::vector<std::string> fail = start;
    fail.insert(fail.end(), {"--expect-text", "QUIT", snapshot});
    const RunResult missing = run_quillet_run(fail);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("  FAILED text \"QUIT\": expected on the screen, found not on the screen\n"),
              std::string::npos)
        << missing.out;
    EXPECT_NE(missing.out.find("\n  JUMP 7000\n  QUI\n"), std::string::npos) << missing.out;
}

// Without the monitor's image its range reads 0xFF: a call there ends the
// run, which fails and says what to give.
TEST_F(MachineRunTest, ACallOfTheAbsentMonitorFailsAndSaysSo) {
    // MVI A,'A'; CALL 8500H; HLT
    const std::string snapshot = make(QUILLET_MODEL_V2A, 0x7000, {0x3E, 'A', 0xCD, 0x00, 0x85, 0x76});
    const RunResult run = run_quillet_run({snapshot});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(text_field(run.out, "Stopped:"), "no monitor at 0x8500");
    EXPECT_NE(run.out.find("\n  FAILED the program called the monitor at 8500h; give --monitor\n"), std::string::npos)
        << run.out;
    // On the bare 8080 the same call runs on through the RAM there.
    EXPECT_EQ(run_on_bare_8080({"--max-instructions", "1000", snapshot}).status, 66);
}

// A tape of a program made by quillet-tape, loaded by monitor 2's MGLD
// and started by its JUMP; the report counts the blocks. A model without
// a tape input, and a file that is no tape, are refused.
TEST_F(MachineRunTest, TheMonitorLoadsATapeAndStartsIt) {
    const Bytes program = {0x21, 0x00, 0xC0, 0x36, 0xFF, 0x76};  // LXI H,0C000H; MVI M,0FFH; HLT
    dir_.write("prog.bin", program);
    quillet_tape* tape = quillet_tape_new();
    ASSERT_EQ(quillet_tape_add_file(tape, 1, '?', 0x7000, "PROG", program.data(), program.size()), 0);
    ASSERT_EQ(quillet_tape_write_file(tape, QUILLET_TAPE_PTP, path("prog.ptp").c_str()), 0);
    quillet_tape_free(tape);

    const RunResult mato = run_quillet_run({"--tape", path("prog.ptp"), make(QUILLET_MODEL_MATO, 0x0000, {0x76})});
    EXPECT_EQ(mato.status, 64);
    EXPECT_EQ(mato.err.substr(0, mato.err.find('\n')),
              "quillet-run: --tape: the MATO has no tape input here (its own tape format is not modelled) '" +
                  path("prog.ptp") + "'");
    const RunResult no_tape = run_quillet_run({"--tape", path("prog.bin"), make(QUILLET_MODEL_V2, 0x0000, {0x76})});
    EXPECT_EQ(no_tape.status, 40);
    EXPECT_EQ(no_tape.err, "No tape blocks in '" + path("prog.bin") + "'!\n");
    EXPECT_EQ(no_tape.out, "");

    FIRMWARE_OR_SKIP(monitor, "monit2.rom");
    const RunResult run =
        run_quillet_run({"--boot", "--monitor", monitor, "--tape", path("prog.ptp"), "--type",
                         "MGLD 01{EOL}{WAIT 300}JUMP 7000{EOL}", "--expect-stop", "halt", "--expect-mem", "0xC000=ff",
                         "--json", make(QUILLET_MODEL_V2, 0x0000, {0x00})});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("\"tape\": {\"played\": 2, \"blocks\": 2, \"rejected\": [], \"error_text\": null},"), std::string::npos)
        << run.out;
}

// Keys typed at once across a tape load: what follows MGLD's EOL waits
// while the monitor loads (it reads no key then) and is typed once it
// reads the keyboard again. Keys the program never reads are counted in
// the report, in text and JSON.
TEST_F(MachineRunTest, KeysTypedDuringATapeLoadWaitForTheMonitor) {
    FIRMWARE_OR_SKIP(monitor, "monit2.rom");
    const Bytes program = {0x21, 0x00, 0xC0, 0x36, 0xFF, 0x76};  // LXI H,0C000H; MVI M,0FFH; HLT
    quillet_tape* tape = quillet_tape_new();
    ASSERT_EQ(quillet_tape_add_file(tape, 1, '?', 0x7000, "PROG", program.data(), program.size()), 0);
    ASSERT_EQ(quillet_tape_write_file(tape, QUILLET_TAPE_PTP, path("prog.ptp").c_str()), 0);
    quillet_tape_free(tape);
    const struct {
        const char* script;
        std::vector<std::string> more;
        int status;
        const char* typing;  // the report's line, "" for none
        const char* json;
    } cases[] = {
        // All read: the last EOL is taken as the program starts, and no line.
        {"MGLD 01{EOL}JUMP 7000{EOL}", {"--expect-stop", "halt", "--expect-mem", "0xC000=ff"}, 0, "",
         "\"typing\": {\"typed\": 18, \"keys\": 18},"},
        // The program halts with keys still to type.
        {"MGLD 01{EOL}JUMP 7000{EOL}MEM 0{EOL}", {"--expect-stop", "halt"}, 0, "typed 18 of 24 keys",
         "\"typing\": {\"typed\": 18, \"keys\": 24},"},
        // The run ends inside the load, while the monitor reads no key.
        {"MGLD 01{EOL}JUMP 7000{EOL}", {"--max-states", "6000000", "--expect-stop", "limit"}, 0,
         "typed 8 of 18 keys", "\"typing\": {\"typed\": 8, \"keys\": 18},"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.script);
        std::vector<std::string> arguments = {"--boot", "--monitor", monitor, "--tape", path("prog.ptp"),
                                              "--type", item.script};
        arguments.insert(arguments.end(), item.more.begin(), item.more.end());
        arguments.push_back(make(QUILLET_MODEL_V2, 0x0000, {0x00}));
        const RunResult text = run_quillet_run(arguments);
        EXPECT_EQ(text.status, item.status) << text.out << text.err;
        EXPECT_EQ(text_field(text.out, "Typing:"), item.typing) << text.out;
        arguments.insert(arguments.begin(), "--json");
        const RunResult json = run_quillet_run(arguments);
        EXPECT_NE(json.out.find(item.json), std::string::npos) << json.out;
    }
}

// A data block whose byte no longer sums to its checksum: the report names
// it from 1, as quillet-tape does, with the monitor's words on the screen.
TEST_F(MachineRunTest, ARejectedBlockIsNamedFromOneWithTheMonitorsWords) {
    FIRMWARE_OR_SKIP(monitor, "monit2.rom");
    const Bytes program = {0x76, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    quillet_tape* tape = quillet_tape_new();
    ASSERT_EQ(quillet_tape_add_file(tape, 1, '?', 0x7000, "PROG", program.data(), program.size()), 0);
    ASSERT_EQ(quillet_tape_write_file(tape, QUILLET_TAPE_PTP, path("prog.ptp").c_str()), 0);
    quillet_tape_free(tape);
    Bytes image = dir_.read("prog.ptp");
    image[image.size() - 3] ^= 0x10;  // a data byte
    dir_.write("bad.ptp", image);
    const std::vector<std::string> start = {"--boot", "--monitor", monitor, "--tape", path("bad.ptp"), "--type",
                                            "MGLD 01{EOL}", "--max-states", "40000000"};
    std::vector<std::string> text = start;
    text.push_back(make(QUILLET_MODEL_V2, 0x0000, {0x00}));
    const RunResult run = run_quillet_run(text);
    EXPECT_EQ(text_field(run.out, "Tape:"),
              "2 of 2 blocks played, rejected by the monitor: block 2; the screen shows \"++ File error ++\"")
        << run.out;
    std::vector<std::string> json = start;
    json.insert(json.end(), {"--json", make(QUILLET_MODEL_V2, 0x0000, {0x00})});
    const RunResult as_json = run_quillet_run(json);
    EXPECT_NE(as_json.out.find("\"rejected\": [2], \"error_text\": \"++ File error ++\"},"), std::string::npos)
        << as_json.out;
}

// C2717 with PC5 set draws 384 pixels a line, eight a byte and no
// attributes; the same byte on the 288-pixel screen is one pixel with its
// attribute.
TEST_F(MachineRunTest, TheC2717DrawsItsWideModeWhereSet) {
    // MVI A,82H; OUT F7H (port C an output); MVI A,0BH; OUT F7H (PC5 set),
    // or NOPs; LXI H,0C000H; MVI M,81H; HLT
    const auto picture_of = [this](bool wide) {
        const Bytes mode = wide ? Bytes{0x3E, 0x82, 0xD3, 0xF7, 0x3E, 0x0B, 0xD3, 0xF7} : Bytes(8, 0x00);
        Bytes code = mode;
        code.insert(code.end(), {0x21, 0x00, 0xC0, 0x36, 0x81, 0x76});
        const RunResult run = run_quillet_run({"--screen", path("wide.png"), make(QUILLET_MODEL_C2717, 0x1000, code)});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        info_test::Picture picture;
        std::string error;
        EXPECT_TRUE(info_test::decode_png(dir_.read("wide.png"), &picture, &error)) << error;
        return picture;
    };
    const info_test::Rgb white{0xFF, 0xFF, 0xFF}, black{0, 0, 0};
    const info_test::Picture wide = picture_of(true);
    ASSERT_EQ(wide.width, 384);
    ASSERT_EQ(wide.height, 256);
    EXPECT_EQ(wide.at(0, 0), white);
    EXPECT_EQ(wide.at(6, 0), black);
    EXPECT_EQ(wide.at(7, 0), white);
    EXPECT_EQ(wide.at(8, 0), black);
    const info_test::Picture narrow = picture_of(false);
    ASSERT_EQ(narrow.width, 288);
    EXPECT_EQ(narrow.at(0, 0), white) << "bit 7 blinks, drawn lit";
    EXPECT_EQ(narrow.at(1, 0), black);
}

// A ROM module on a model with no port for it: the report says so.
TEST_F(MachineRunTest, AModuleTheModelCannotReadIsReported) {
    const Bytes module(1024, 0xC9);
    const auto made = [this, &module](int model) {
        quillet_snapshot* s = quillet_snapshot_new();
        EXPECT_EQ(quillet_set_model(s, model), 0);
        EXPECT_EQ(quillet_set_rom(s, module.data(), module.size()), 0);
        const Bytes halt = {0x76};
        EXPECT_EQ(quillet_load_bytes(s, 0x0000, halt.data(), halt.size()), 0);
        quillet_set_register(s, QUILLET_REG_PC, 0);
        EXPECT_EQ(quillet_write_file(s, path("module.zvk").c_str(), 0), 0);
        quillet_snapshot_free(s);
        return path("module.zvk");
    };
    const std::string line = "ROM module:        not readable: the model has no port for it\n";
    const RunResult mato = run_quillet_run({made(QUILLET_MODEL_MATO)});
    EXPECT_EQ(mato.status, 0) << mato.err;
    EXPECT_NE(mato.out.find(line), std::string::npos) << mato.out;
    const RunResult json = run_quillet_run({"--json", made(QUILLET_MODEL_ALFA)});
    EXPECT_NE(json.out.find("\"rom_module_readable\": false,"), std::string::npos) << json.out;
    const RunResult v2a = run_quillet_run({made(QUILLET_MODEL_V2A)});
    EXPECT_EQ(v2a.out.find("ROM module:"), std::string::npos) << v2a.out;
}

// --in's bytes come first, then the port's device answers: the system
// 8255's keyboard rows with no key down, 0xFF on the bare 8080. The
// machine's states hold the video circuit's wait states.
TEST_F(MachineRunTest, PortInputsComeBeforeTheDevices) {
    // IN F5H; MOV B,A; IN F5H; MOV C,A; HLT
    const std::string snapshot = make(QUILLET_MODEL_V2A, 0x7000, {0xDB, 0xF5, 0x47, 0xDB, 0xF5, 0x4F, 0x76});
    const RunResult machine = run_quillet_run({"--in", "0xF5=12", "--expect", "BC=0x127F", "--json", snapshot});
    EXPECT_EQ(machine.status, 0) << machine.out;
    EXPECT_NE(machine.out.find("\"frames\": 0,"), std::string::npos) << machine.out;
    const RunResult bare = run_on_bare_8080({"--in", "0xF5=12", "--expect", "BC=0x12FF", "--json", snapshot});
    EXPECT_EQ(bare.status, 0) << bare.out;
    EXPECT_EQ(bare.out.find("\"frames\""), std::string::npos) << bare.out;
    EXPECT_GT(std::stol(text_field(run_quillet_run({snapshot}).out, "States:")),
              std::stol(text_field(run_on_bare_8080({snapshot}).out, "States:")));
}

// What the speaker played: a program that toggles PC2 through the system
// 8255's bit set/reset gives a WAV of the run's length at its frequency.
TEST_F(MachineRunTest, TheSpeakerIsWrittenAsAWav) {
    // loop: MVI A,05H; OUT F7H; CALL wait; MVI A,04H; OUT F7H; CALL wait;
    // JMP loop; NOP; wait: MVI B,40; DCR B; JNZ $-1; RET (about 1.7 kHz)
    const std::string snapshot =
        make(QUILLET_MODEL_V2A, 0x7000,
             {0x3E, 0x05, 0xD3, 0xF7, 0xCD, 0x12, 0x70, 0x3E, 0x04, 0xD3, 0xF7, 0xCD, 0x12, 0x70, 0xC3, 0x00, 0x70,
              0x00, 0x06, 0x28, 0x05, 0xC2, 0x14, 0x70, 0xC9});
    const RunResult run = run_quillet_run({"--max-states", "204800", "--expect-stop", "limit", "--audio",
                                           path("speaker.wav"), "--out-log", "--json", snapshot});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    // The speaker's edges in the JSON, at the states of the OUTs.
    EXPECT_NE(run.out.find("\"speaker\": [\n    {\"state\": 18, \"level\": 1, \"tone_1khz\": false, \"tone_4khz\": false},\n"
                           "    {\"state\": 796, \"level\": 0,"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("{\"port\": 247, \"value\": 4, \"state\": 796}"), std::string::npos);
    const Bytes wav = dir_.read("speaker.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 12), "WAVE");
    const auto word = [&wav](std::size_t at) {
        return wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16 | static_cast<std::uint32_t>(wav[at + 3]) << 24;
    };
    EXPECT_EQ(word(24), 44100u);
    // 0.1 s of PMD 85 time, a sample of two bytes each.
    EXPECT_NEAR(static_cast<double>(wav.size() - 44) / 2, 4410.0, 2.0);
    // A period of 1568 states (the OUTs 778 and 790 states apart, the
    // video circuit's waits included): 131 rises of the level in 0.1 s.
    int rises = 0;
    bool up = false;
    for (std::size_t at = 44; at + 1 < wav.size(); at += 2) {
        const bool level = static_cast<std::int16_t>(wav[at] | wav[at + 1] << 8) > 0;
        rises += level && !up ? 1 : 0;
        up = level;
    }
    EXPECT_EQ(rises, 131);
}

// A monitor image of the firmware set given to a model it was not made
// for runs with a warning on standard error; its own model's, or an image
// the library does not know, without a word.
TEST_F(MachineRunTest, AMonitorOfAnotherModelRunsWithAWarning) {
    FIRMWARE_OR_SKIP(monit1, "monit1.rom");
    FIRMWARE_OR_SKIP(monit2, "monit2.rom");
    std::vector<std::uint8_t> changed = quillet::test::read_pmd85_rom("monit2.rom");
    changed[0x0FF0] ^= 0xFF;
    dir_.write("changed.rom", Bytes(changed.begin(), changed.end()));
    const struct {
        std::string monitor;
        std::string err;
    } cases[] = {
        {monit1, "quillet-run: warning: --monitor image is monitor 1, made for the V1, not the V2: '" + monit1 + "'\n"},
        {monit2, ""},
        {path("changed.rom"), ""},
    };
    const std::string snapshot = make(QUILLET_MODEL_V2, 0x0000, {0x00});
    for (const auto& item : cases) {
        const RunResult run =
            run_quillet_run({"--boot", "--monitor", item.monitor, "--max-states", "100000", "--expect-stop", "limit", snapshot});
        EXPECT_EQ(run.status, 0) << item.monitor << run.err;
        EXPECT_EQ(run.err, item.err);
    }
}

}  // namespace

namespace {

// The bytes of `wav` from `at` on, little-endian, as a number.
std::uint32_t wav_word(const Bytes& wav, std::size_t at) {
    return wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16 | static_cast<std::uint32_t>(wav[at + 3]) << 24;
}

}  // namespace

// --audio takes the sound as the run goes, a second of machine time at a
// time: however the run ends (a limit inside a stretch or between two, a
// routine called that returns or stops seconds later), it ends at the
// same instruction as without --audio, and the WAV holds the whole run.
TEST_F(MachineRunTest, TheSoundIsTakenAsTheRunGoes) {
    // 7000h: the speaker loop of TheSpeakerIsWrittenAsAWav; 7020h: MVI D,4;
    // LXI B,0; DCX B; MOV A,B; ORA C; JNZ 7025h; DCR D; JNZ 7022h; RET,
    // about 6.3 million states.
    Bytes code = {0x3E, 0x05, 0xD3, 0xF7, 0xCD, 0x12, 0x70, 0x3E, 0x04, 0xD3, 0xF7, 0xCD, 0x12, 0x70, 0xC3, 0x00, 0x70,
                  0x00, 0x06, 0x28, 0x05, 0xC2, 0x14, 0x70, 0xC9};
    code.resize(0x20, 0x00);
    const Bytes routine = {0x16, 0x04, 0x01, 0x00, 0x00, 0x0B, 0x78, 0xB1, 0xC2, 0x25,
                           0x70, 0x15, 0xC2, 0x22, 0x70, 0xC9, 0x76};
    code.insert(code.end(), routine.begin(), routine.end());
    const std::string snapshot = make(QUILLET_MODEL_V2A, 0x7000, code);
    const std::vector<std::vector<std::string>> cases = {
        {"--max-states", "5000000", "--expect-stop", "limit"},                       // a limit inside the third stretch
        {"--max-states", "4096000", "--expect-stop", "limit"},                       // at the end of the second
        {"--max-instructions", "400000", "--expect-stop", "limit"},                  // the other limit
        {"--call", "0x7020", "--expect-stop", "return"},                             // returns in the fourth
        {"--call", "0x7020", "--max-states", "3000000", "--expect-stop", "limit"},  // a call cut short
        {"--call", "0x7020", "--until", "0x702F", "--expect-stop", "until"},          // a stop inside the call
    };
    for (const std::vector<std::string>& options : cases) {
        SCOPED_TRACE(options[0] + " " + options[1] + " " + options[2]);
        std::vector<std::string> plain = {"--reg", "SP=0x6F00", "--json"};
        plain.insert(plain.end(), options.begin(), options.end());
        plain.push_back(snapshot);
        std::vector<std::string> audio = plain;
        audio.insert(audio.begin(), {"--audio", path("sound.wav")});
        const RunResult without = run_quillet_run(plain);
        const RunResult with = run_quillet_run(audio);
        EXPECT_EQ(without.status, 0) << without.out << without.err;
        EXPECT_EQ(with.status, without.status);
        EXPECT_EQ(with.out, without.out);
        const Bytes wav = dir_.read("sound.wav");
        ASSERT_GT(wav.size(), 44u);
        const std::size_t at = with.out.find("\"states\": ");
        ASSERT_NE(at, std::string::npos) << with.out;
        const double states = std::stod(with.out.substr(at + 10));
        EXPECT_NEAR((wav.size() - 44) / 2.0, states * 44100 / 2048000, 1.0);
        EXPECT_EQ(wav_word(wav, 4), wav.size() - 8);
        EXPECT_EQ(wav_word(wav, 40), wav.size() - 44);
    }
}

// A WAV file written as its samples come (quillet_wav_* of quillet_tools.h):
// a header whose sizes are left open, the samples, and the sizes put in at
// the commit, in the temporary file or, for an output that cannot go back,
// in the samples kept until then.
#include "quillet/quillet_tools.h"

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "base/failure.hpp"
#include "base/wav_file.hpp"
#include "capi/arguments.hpp"
#include "capi/capi_handles.hpp"

using namespace quillet;

struct quillet_wav_output {
    quillet_output* output = nullptr;
    Reporter reporter;
    std::uint32_t rate = 0;
    std::uint64_t data_size = 0;   // bytes of samples taken
    std::vector<std::uint8_t> kept;  // the samples of an output that cannot go back
    int failure = 0;               // the code every later call gives
};

namespace {

constexpr unsigned CHANNELS = 1;
constexpr unsigned BITS = 16;

std::vector<std::uint8_t> header_of(const quillet_wav_output* wav) {
    std::vector<std::uint8_t> header;
    append_wav_header(&header, CHANNELS, wav->rate, BITS, static_cast<std::uint32_t>(wav->data_size));
    return header;
}

}  // namespace

int quillet_wav_open(const char* path, uint32_t rate, quillet_wav_output** wav, quillet_report_fn report,
                     void* user) {
    const Reporter reporter{report, user};
    if (!wav) return report_missing(reporter, "wav");
    *wav = nullptr;
    if (!path) return report_missing(reporter, "path");
    if (rate < SOUND_RATE_MIN || rate > SOUND_RATE_MAX) {
        return report_failure(reporter, ERR_VALUE_RANGE, "sample rate (8000 to 192000)", static_cast<long>(rate));
    }
    std::unique_ptr<quillet_wav_output> opened(new (std::nothrow) quillet_wav_output);
    if (!opened) return report_failure(reporter, ERR_OUT_OF_MEMORY);
    opened->reporter = reporter;
    opened->rate = rate;
    if (const int code = quillet_output_open(path, &opened->output, report, user)) return code;
    if (output_goes_back(opened->output)) {
        const std::vector<std::uint8_t> header = header_of(opened.get());
        if (const int code = quillet_output_write(opened->output, header.data(), header.size())) {
            quillet_output_discard(opened->output);
            return code;
        }
    }
    *wav = opened.release();
    return 0;
}

int quillet_wav_write(quillet_wav_output* wav, const int16_t* samples, size_t count) {
    if (!wav) return ERR_MISSING_VALUE;
    if (wav->failure != 0) return wav->failure;
    if (!samples && count > 0) return report_missing(wav->reporter, "samples");
    const std::uint64_t more = std::uint64_t{count} * (BITS / 8);
    if (const int refused = check_wav_data_size(wav->data_size + more, wav->reporter)) return wav->failure = refused;
    std::uint8_t bytes[4096];
    for (std::size_t done = 0; done < count;) {
        const std::size_t piece = count - done < sizeof bytes / 2 ? count - done : sizeof bytes / 2;
        for (std::size_t i = 0; i < piece; ++i) {
            const auto value = static_cast<std::uint16_t>(samples[done + i]);
            bytes[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
        }
        if (output_goes_back(wav->output)) {
            if (const int code = quillet_output_write(wav->output, bytes, 2 * piece)) return wav->failure = code;
        } else {
            wav->kept.insert(wav->kept.end(), bytes, bytes + 2 * piece);
        }
        done += piece;
    }
    wav->data_size += more;
    return 0;
}

int quillet_wav_commit(quillet_wav_output* wav) {
    if (!wav) return ERR_MISSING_VALUE;
    std::unique_ptr<quillet_wav_output> owned(wav);
    int code = wav->failure;
    const std::vector<std::uint8_t> header = header_of(wav);
    if (code == 0 && output_goes_back(wav->output)) {
        code = rewrite_output(wav->output, 0, header.data(), header.size());
    } else if (code == 0) {
        code = quillet_output_write(wav->output, header.data(), header.size());
        if (code == 0) code = quillet_output_write(wav->output, wav->kept.data(), wav->kept.size());
    }
    if (code != 0) {
        quillet_output_discard(wav->output);
        return code;
    }
    return quillet_output_commit(wav->output);
}

void quillet_wav_discard(quillet_wav_output* wav) {
    if (!wav) return;
    quillet_output_discard(wav->output);
    delete wav;
}

#include "audio_stream.hpp"

#include <cstdint>

#include "console.hpp"

namespace quillet::run {

AudioStream::AudioStream(const char* path) {
    if (path) failure_ = quillet_wav_open(path, AUDIO_RATE, &wav_, common::print_report, nullptr);
}

AudioStream::~AudioStream() { quillet_wav_discard(wav_); }

void AudioStream::take(quillet_machine* machine) {
    if (!wav_ || failure_ != 0 || !machine) return;
    std::int16_t samples[8192];
    size_t count = 0;
    do {
        if (quillet_machine_take_audio(machine, AUDIO_RATE, samples, sizeof samples / sizeof samples[0], &count) != 0) {
            return;
        }
        failure_ = quillet_wav_write(wav_, samples, count);
    } while (failure_ == 0 && count == sizeof samples / sizeof samples[0]);
}

int AudioStream::commit() {
    if (!wav_) return failure_;
    quillet_wav_output* wav = wav_;
    wav_ = nullptr;
    if (failure_ != 0) {
        quillet_wav_discard(wav);
        return failure_;
    }
    return quillet_wav_commit(wav);
}

}  // namespace quillet::run

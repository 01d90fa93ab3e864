// The file of --audio while the run goes: the speaker's sound taken from the
// machine after each stretch of the run and written on, so that neither
// the machine nor the program holds the whole run's sound.
#pragma once

#include <cstdint>

#include "quillet/quillet.h"
#include "quillet/quillet_tools.h"

namespace quillet::run {

class AudioStream {
public:
    // Opens `path` (none when null); a file that cannot be created is
    // reported here and its code kept, and the run goes on without it.
    explicit AudioStream(const char* path);
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    bool wanted() const { return wav_ != nullptr; }
    // Writes the sound `machine` played since the last take. A failure (a
    // full disk, a WAV file's size limit passed) is reported once and kept.
    void take(quillet_machine* machine);
    // Puts the file in place; 0 or the failure code (reported).
    int commit();

private:
    quillet_wav_output* wav_ = nullptr;
    int failure_ = 0;
};

// The sample rate of --audio.
constexpr std::uint32_t AUDIO_RATE = 44100;

}  // namespace quillet::run

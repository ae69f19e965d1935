#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <optional>

// RIFF/WAVE sound files: reading the recordings that users keep beside the program (any of them
// may be damaged or not a sound at all) and writing the readings the program saves.
namespace wav {

struct Sound {
    QAudioFormat format;
    QByteArray samples; // interleaved, in format
};

// The sound in a file's bytes: integer PCM of 8, 16, 24 (widened to 32) or 32 bits, or 32-bit
// float, 1 to 8 channels. Nothing when the bytes hold no such sound or no samples at all. A
// data chunk that claims more bytes than the file holds is cut to what is there.
std::optional<Sound> parse(const QByteArray& bytes);

// A whole file of 16-bit PCM samples.
QByteArray encode16(const QByteArray& samples, int sampleRate, int channels = 1);

// Length in seconds.
double seconds(const Sound& sound);

} // namespace wav

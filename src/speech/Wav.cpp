#include "speech/Wav.h"

#include <QtEndian>
#include <cstring>

namespace wav {
namespace {

quint16 u16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

constexpr quint16 kPcm = 1;
constexpr quint16 kFloat = 3;
constexpr quint16 kExtensible = 0xFFFE;

struct Fmt {
    quint16 code = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
};

std::optional<QAudioFormat::SampleFormat> sampleFormatOf(const Fmt& f) {
    if (f.code == kPcm) {
        switch (f.bits) {
        case 8:
            return QAudioFormat::UInt8;
        case 16:
            return QAudioFormat::Int16;
        case 24:
        case 32:
            return QAudioFormat::Int32;
        default:
            return std::nullopt;
        }
    }
    if (f.code == kFloat && f.bits == 32)
        return QAudioFormat::Float;
    return std::nullopt;
}

// 24-bit samples become the top three bytes of 32-bit ones.
QByteArray widen24(const char* data, qsizetype bytes) {
    const qsizetype count = bytes / 3;
    QByteArray out(count * 4, Qt::Uninitialized);
    char* o = out.data();
    for (qsizetype i = 0; i < count; ++i) {
        o[4 * i] = 0;
        std::memcpy(o + 4 * i + 1, data + 3 * i, 3);
    }
    return out;
}

} // namespace

std::optional<Sound> parse(const QByteArray& bytes) {
    const qsizetype size = bytes.size();
    const char* d = bytes.constData();
    if (size < 12 || std::memcmp(d, "RIFF", 4) != 0 || std::memcmp(d + 8, "WAVE", 4) != 0)
        return std::nullopt;
    std::optional<Fmt> fmt;
    qsizetype dataAt = -1;
    qsizetype dataBytes = 0;
    for (qsizetype at = 12; at + 8 <= size;) {
        const qsizetype chunk = u32(d + at + 4);
        const qsizetype body = at + 8;
        const qsizetype present = qMin(chunk, size - body);
        if (std::memcmp(d + at, "fmt ", 4) == 0 && present >= 16 && !fmt) {
            Fmt f;
            f.code = u16(d + body);
            f.channels = u16(d + body + 2);
            f.rate = int(qMin<quint32>(u32(d + body + 4), 1u << 30));
            f.bits = u16(d + body + 14);
            if (f.code == kExtensible && present >= 26)
                f.code = u16(d + body + 24); // the first two bytes of the sub-format GUID
            fmt = f;
        } else if (std::memcmp(d + at, "data", 4) == 0 && dataAt < 0) {
            dataAt = body;
            dataBytes = present;
        }
        // Chunks are padded to an even length; a size past the end ends the walk.
        if (chunk > size - body)
            break;
        at = body + chunk + (chunk & 1);
    }
    if (!fmt || dataAt < 0)
        return std::nullopt;
    const auto sampleFormat = sampleFormatOf(*fmt);
    if (!sampleFormat || fmt->channels < 1 || fmt->channels > 8 || fmt->rate < 1000 || fmt->rate > 384000)
        return std::nullopt;
    const qsizetype frame = qsizetype(fmt->channels) * (fmt->bits / 8);
    dataBytes -= dataBytes % frame;
    if (dataBytes <= 0)
        return std::nullopt;
    Sound s;
    s.format.setSampleFormat(*sampleFormat);
    s.format.setChannelCount(fmt->channels);
    s.format.setSampleRate(fmt->rate);
    s.samples = fmt->bits == 24 ? widen24(d + dataAt, dataBytes) : QByteArray(d + dataAt, dataBytes);
    return s;
}

QByteArray encode16(const QByteArray& samples, int sampleRate, int channels) {
    const quint32 dataBytes = quint32(samples.size() - samples.size() % (2 * channels));
    QByteArray out(44, Qt::Uninitialized);
    char* h = out.data();
    std::memcpy(h, "RIFF", 4);
    qToLittleEndian<quint32>(36 + dataBytes, h + 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(kPcm, h + 20);
    qToLittleEndian<quint16>(quint16(channels), h + 22);
    qToLittleEndian<quint32>(quint32(sampleRate), h + 24);
    qToLittleEndian<quint32>(quint32(sampleRate * channels * 2), h + 28);
    qToLittleEndian<quint16>(quint16(channels * 2), h + 32);
    qToLittleEndian<quint16>(16, h + 34);
    std::memcpy(h + 36, "data", 4);
    qToLittleEndian<quint32>(dataBytes, h + 40);
    out.append(samples.constData(), dataBytes);
    return out;
}

double seconds(const Sound& sound) {
    const int frame = sound.format.bytesPerFrame();
    if (frame <= 0 || sound.format.sampleRate() <= 0)
        return 0;
    return double(sound.samples.size() / frame) / sound.format.sampleRate();
}

} // namespace wav

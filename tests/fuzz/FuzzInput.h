#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Reads an input a piece at a time; past its end every read gives zero.
class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    // 0 … n - 1.
    int below(int n) { return n <= 0 ? 0 : byte() % n; }
    int16_t int16() { return int16_t(uint16_t(byte() | (byte() << 8))); }
    template <typename T> T raw() {
        T value{};
        unsigned char bytes[sizeof(T)] = {};
        for (unsigned char& b : bytes)
            b = byte();
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
    QByteArray bytes(int count) {
        QByteArray out;
        for (int i = 0; i < count && !atEnd(); ++i)
            out += char(byte());
        return out;
    }
    // A short text: UTF-8 of the next bytes, up to length.
    QString text(int longest) { return QString::fromUtf8(bytes(below(longest + 1))); }
    QByteArray rest() {
        const QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(m_size - m_pos));
        m_pos = m_size;
        return out;
    }

  private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

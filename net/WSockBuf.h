#pragma once

#include <QByteArray>

namespace vorad {

// One chunk of a socket's send queue: written at the back, read from the front, reused once
// everything written has been read.
class TBuffer
{
public:
    static constexpr int DefaultSize = 1514;

    explicit TBuffer(int size = DefaultSize);

    // Copies as much as fits after what was written; returns the count copied.
    int Write(const char* data, int count);
    // The bytes not read yet.
    const char* Peek(int* count) const;
    void Remove(int count);
    int Size() const { return m_buffer.size(); }
    bool Empty() const { return m_rd == m_wr; }

private:
    QByteArray m_buffer;
    int m_wr = 0;
    int m_rd = 0;
};

} // namespace vorad

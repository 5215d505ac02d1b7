#include "WSockBuf.h"

#include <algorithm>
#include <cstring>

namespace vorad {

TBuffer::TBuffer(int size)
    : m_buffer(size > 0 ? size : DefaultSize, '\0')
{ }

int TBuffer::Write(const char* data, int count)
{
    const int n = std::clamp(count, 0, int(m_buffer.size()) - m_wr);
    if (n > 0) {
        std::memcpy(m_buffer.data() + m_wr, data, size_t(n));
        m_wr += n;
    }
    return n;
}

const char* TBuffer::Peek(int* count) const
{
    *count = m_wr - m_rd;
    return m_buffer.constData() + m_rd;
}

void TBuffer::Remove(int count)
{
    m_rd = std::min(m_wr, m_rd + std::max(count, 0));
    if (m_rd == m_wr)
        m_rd = m_wr = 0;
}

} // namespace vorad

// The mail server's reply lines as the client reads them.
#include "SmtpProt.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& line : bytes.split('\n')) {
        bool continuation = false;
        vorad::ParseStatusCode(line, &continuation);
    }
    return 0;
}

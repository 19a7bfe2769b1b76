#include "Wipe.h"

#include <cstring>

void WipeBytes(void* data, std::size_t size)
{
    if (data && size) {
        // Not optimised away, unlike a memset of memory about to be freed.
        explicit_bzero(data, size);
    }
}

void Wipe(QByteArray& bytes)
{
    if (bytes.isDetached()) {
        WipeBytes(bytes.data(), static_cast<std::size_t>(bytes.size()));
    }
    bytes.clear();
}

void Wipe(QString& text)
{
    if (text.isDetached()) {
        WipeBytes(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    }
    text.clear();
}

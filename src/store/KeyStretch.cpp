#include "KeyStretch.h"

// The block-level digest calls are deprecated in favour of the one-shot ones, which
// cannot reuse the hashed pads between rounds; they are what makes this fast.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <array>
#include <cstring>
#include <openssl/sha.h>
#include <thread>
#include <vector>

namespace {

constexpr int kBlockBytes = 64;
constexpr int kDigestBytes = SHA_DIGEST_LENGTH;

using Digest = std::array<unsigned char, kDigestBytes>;

// The two pads' states after their first block, shared by every round.
struct HmacPads
{
    SHA_CTX inner;
    SHA_CTX outer;
};

HmacPads padsFor(const QByteArray& password)
{
    unsigned char key[kBlockBytes] = {};
    if (password.size() > kBlockBytes) {
        SHA1(reinterpret_cast<const unsigned char*>(password.constData()), static_cast<size_t>(password.size()), key);
    } else {
        std::memcpy(key, password.constData(), static_cast<size_t>(password.size()));
    }
    unsigned char innerPad[kBlockBytes];
    unsigned char outerPad[kBlockBytes];
    for (int i = 0; i < kBlockBytes; ++i) {
        innerPad[i] = key[i] ^ 0x36;
        outerPad[i] = key[i] ^ 0x5c;
    }
    HmacPads pads;
    SHA1_Init(&pads.inner);
    SHA1_Update(&pads.inner, innerPad, kBlockBytes);
    SHA1_Init(&pads.outer);
    SHA1_Update(&pads.outer, outerPad, kBlockBytes);
    return pads;
}

void putState(const SHA_CTX& state, unsigned char* out)
{
    for (const SHA_LONG word : {state.h0, state.h1, state.h2, state.h3, state.h4}) {
        *out++ = static_cast<unsigned char>(word >> 24);
        *out++ = static_cast<unsigned char>(word >> 16);
        *out++ = static_cast<unsigned char>(word >> 8);
        *out++ = static_cast<unsigned char>(word);
    }
}

// T_index = U_1 ^ U_2 ^ ... ^ U_rounds.
Digest deriveBlock(const HmacPads& pads, const QByteArray& salt, int rounds, quint32 index)
{
    Digest u;
    SHA_CTX state = pads.inner;
    SHA1_Update(&state, salt.constData(), static_cast<size_t>(salt.size()));
    const unsigned char counter[4] = {static_cast<unsigned char>(index >> 24), static_cast<unsigned char>(index >> 16),
                                      static_cast<unsigned char>(index >> 8), static_cast<unsigned char>(index)};
    SHA1_Update(&state, counter, sizeof counter);
    SHA1_Final(u.data(), &state);
    state = pads.outer;
    SHA1_Update(&state, u.data(), u.size());
    SHA1_Final(u.data(), &state);
    Digest block = u;

    // Every later message is one digest after a hashed pad: a single block whose
    // padding and length (64 + 20 bytes, in bits) never change.
    unsigned char message[kBlockBytes] = {};
    message[kDigestBytes] = 0x80;
    constexpr int kMessageBits = (kBlockBytes + kDigestBytes) * 8;
    message[kBlockBytes - 2] = static_cast<unsigned char>(kMessageBits >> 8);
    message[kBlockBytes - 1] = static_cast<unsigned char>(kMessageBits & 0xff);
    for (int round = 1; round < rounds; ++round) {
        std::memcpy(message, u.data(), kDigestBytes);
        state = pads.inner;
        SHA1_Transform(&state, message);
        putState(state, message);
        state = pads.outer;
        SHA1_Transform(&state, message);
        putState(state, u.data());
        for (int i = 0; i < kDigestBytes; ++i) {
            block[static_cast<size_t>(i)] ^= u[static_cast<size_t>(i)];
        }
    }
    return block;
}

} // namespace

QByteArray Pbkdf2HmacSha1(const QByteArray& password, const QByteArray& salt, int rounds, int keyBytes)
{
    if (rounds < 1 || keyBytes < 1) {
        return {};
    }
    const HmacPads pads = padsFor(password);
    const int blocks = (keyBytes + kDigestBytes - 1) / kDigestBytes;
    std::vector<Digest> derived(static_cast<size_t>(blocks));
    // The first block is derived here, the others each on a thread of its own.
    std::vector<std::thread> others;
    others.reserve(static_cast<size_t>(blocks - 1));
    for (int i = 1; i < blocks; ++i) {
        others.emplace_back(
            [&, i] { derived[static_cast<size_t>(i)] = deriveBlock(pads, salt, rounds, static_cast<quint32>(i + 1)); });
    }
    derived[0] = deriveBlock(pads, salt, rounds, 1);
    for (std::thread& other : others) {
        other.join();
    }
    QByteArray key(blocks * kDigestBytes, Qt::Uninitialized);
    for (int i = 0; i < blocks; ++i) {
        std::memcpy(key.data() + i * kDigestBytes, derived[static_cast<size_t>(i)].data(), kDigestBytes);
    }
    key.truncate(keyBytes);
    return key;
}

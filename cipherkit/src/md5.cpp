// MD5 (RFC 1321). Compiled into libcipherkit and, a second time, into libhostmark.
#include <cipherkit/md5.h>

#include <bit>
#include <cstdint>
#include <cstring>

// The block words are read in host order (see byteSwap), which is MD5's order only here.
static_assert(std::endian::native == std::endian::little, "MD5 code assumes little endian");
static_assert(sizeof(unsigned int) == 4, "MD5 words are 32 bits");

namespace {

using Word = std::uint32_t;

constexpr Word F(Word x, Word y, Word z) {
    return z ^ (x & (y ^ z));
}
constexpr Word H(Word x, Word y, Word z) {
    return x ^ y ^ z;
}
constexpr Word I(Word x, Word y, Word z) {
    return y ^ (x | ~z);
}

// The message word and constant are added first: they do not wait for the previous step,
// which shortens the chain of dependent operations in each step.
inline void FF(Word& a, Word b, Word c, Word d, Word x, int s, Word t) {
    a = std::rotl((a + x + t) + F(b, c, d), s) + b;
}
// The round function G(b, c, d) = (b & d) | (c & ~d): its two halves never both have bits set,
// so OR is addition, and the half without b (the word the previous step just produced) can be
// added before b is ready.
inline void GG(Word& a, Word b, Word c, Word d, Word x, int s, Word t) {
    a = std::rotl((a + x + t + (c & ~d)) + (b & d), s) + b;
}
inline void HH(Word& a, Word b, Word c, Word d, Word x, int s, Word t) {
    a = std::rotl((a + x + t) + H(b, c, d), s) + b;
}
inline void II(Word& a, Word b, Word c, Word d, Word x, int s, Word t) {
    a = std::rotl((a + x + t) + I(b, c, d), s) + b;
}

// Reading the words straight from the caller's bytes lets MD5Update compress whole blocks
// without first copying them into the context.
void Compress(Word* state, const unsigned char* bytes) {
    Word x[16];
    std::memcpy(x, bytes, sizeof x);
    Word a = state[0], b = state[1], c = state[2], d = state[3];

    FF(a, b, c, d, x[0], 7, 0xd76aa478);
    FF(d, a, b, c, x[1], 12, 0xe8c7b756);
    FF(c, d, a, b, x[2], 17, 0x242070db);
    FF(b, c, d, a, x[3], 22, 0xc1bdceee);
    FF(a, b, c, d, x[4], 7, 0xf57c0faf);
    FF(d, a, b, c, x[5], 12, 0x4787c62a);
    FF(c, d, a, b, x[6], 17, 0xa8304613);
    FF(b, c, d, a, x[7], 22, 0xfd469501);
    FF(a, b, c, d, x[8], 7, 0x698098d8);
    FF(d, a, b, c, x[9], 12, 0x8b44f7af);
    FF(c, d, a, b, x[10], 17, 0xffff5bb1);
    FF(b, c, d, a, x[11], 22, 0x895cd7be);
    FF(a, b, c, d, x[12], 7, 0x6b901122);
    FF(d, a, b, c, x[13], 12, 0xfd987193);
    FF(c, d, a, b, x[14], 17, 0xa679438e);
    FF(b, c, d, a, x[15], 22, 0x49b40821);

    GG(a, b, c, d, x[1], 5, 0xf61e2562);
    GG(d, a, b, c, x[6], 9, 0xc040b340);
    GG(c, d, a, b, x[11], 14, 0x265e5a51);
    GG(b, c, d, a, x[0], 20, 0xe9b6c7aa);
    GG(a, b, c, d, x[5], 5, 0xd62f105d);
    GG(d, a, b, c, x[10], 9, 0x02441453);
    GG(c, d, a, b, x[15], 14, 0xd8a1e681);
    GG(b, c, d, a, x[4], 20, 0xe7d3fbc8);
    GG(a, b, c, d, x[9], 5, 0x21e1cde6);
    GG(d, a, b, c, x[14], 9, 0xc33707d6);
    GG(c, d, a, b, x[3], 14, 0xf4d50d87);
    GG(b, c, d, a, x[8], 20, 0x455a14ed);
    GG(a, b, c, d, x[13], 5, 0xa9e3e905);
    GG(d, a, b, c, x[2], 9, 0xfcefa3f8);
    GG(c, d, a, b, x[7], 14, 0x676f02d9);
    GG(b, c, d, a, x[12], 20, 0x8d2a4c8a);

    HH(a, b, c, d, x[5], 4, 0xfffa3942);
    HH(d, a, b, c, x[8], 11, 0x8771f681);
    HH(c, d, a, b, x[11], 16, 0x6d9d6122);
    HH(b, c, d, a, x[14], 23, 0xfde5380c);
    HH(a, b, c, d, x[1], 4, 0xa4beea44);
    HH(d, a, b, c, x[4], 11, 0x4bdecfa9);
    HH(c, d, a, b, x[7], 16, 0xf6bb4b60);
    HH(b, c, d, a, x[10], 23, 0xbebfbc70);
    HH(a, b, c, d, x[13], 4, 0x289b7ec6);
    HH(d, a, b, c, x[0], 11, 0xeaa127fa);
    HH(c, d, a, b, x[3], 16, 0xd4ef3085);
    HH(b, c, d, a, x[6], 23, 0x04881d05);
    HH(a, b, c, d, x[9], 4, 0xd9d4d039);
    HH(d, a, b, c, x[12], 11, 0xe6db99e5);
    HH(c, d, a, b, x[15], 16, 0x1fa27cf8);
    HH(b, c, d, a, x[2], 23, 0xc4ac5665);

    II(a, b, c, d, x[0], 6, 0xf4292244);
    II(d, a, b, c, x[7], 10, 0x432aff97);
    II(c, d, a, b, x[14], 15, 0xab9423a7);
    II(b, c, d, a, x[5], 21, 0xfc93a039);
    II(a, b, c, d, x[12], 6, 0x655b59c3);
    II(d, a, b, c, x[3], 10, 0x8f0ccc92);
    II(c, d, a, b, x[10], 15, 0xffeff47d);
    II(b, c, d, a, x[1], 21, 0x85845dd1);
    II(a, b, c, d, x[8], 6, 0x6fa87e4f);
    II(d, a, b, c, x[15], 10, 0xfe2ce6e0);
    II(c, d, a, b, x[6], 15, 0xa3014314);
    II(b, c, d, a, x[13], 21, 0x4e0811a1);
    II(a, b, c, d, x[4], 6, 0xf7537e82);
    II(d, a, b, c, x[11], 10, 0xbd3af235);
    II(c, d, a, b, x[2], 15, 0x2ad7d2bb);
    II(b, c, d, a, x[9], 21, 0xeb86d391);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

unsigned char* BlockBytes(MD5Context* context) {
    return reinterpret_cast<unsigned char*>(context->block);
}

}  // namespace

void MD5Init(MD5Context* context) {
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    context->byteCount[0] = 0;
    context->byteCount[1] = 0;
}

void MD5Update(MD5Context* context, const unsigned char* data, unsigned int length) {
    if (length == 0) return;
    const unsigned int before = context->byteCount[0];
    context->byteCount[0] = before + length;
    if (context->byteCount[0] < length) ++context->byteCount[1];

    const unsigned int used = before % 64;
    const unsigned int room = 64 - used;
    if (length < room) {
        std::memcpy(BlockBytes(context) + used, data, length);
        return;
    }
    std::memcpy(BlockBytes(context) + used, data, room);
    Compress(context->state, BlockBytes(context));
    data += room;
    length -= room;
    for (; length >= 64; data += 64, length -= 64) Compress(context->state, data);
    std::memcpy(BlockBytes(context), data, length);
}

void MD5Final(MD5Context* context, unsigned char* digest) {
    unsigned char* bytes = BlockBytes(context);
    unsigned int used = context->byteCount[0] % 64;
    bytes[used++] = 0x80;
    // No room left for the 8-byte length: finish this block and pad a fresh one.
    if (used > 56) {
        std::memset(bytes + used, 0, 64 - used);
        Compress(context->state, bytes);
        used = 0;
    }
    std::memset(bytes + used, 0, 56 - used);
    context->block[14] = context->byteCount[0] << 3;
    context->block[15] = (context->byteCount[1] << 3) | (context->byteCount[0] >> 29);
    Compress(context->state, bytes);
    std::memcpy(digest, context->state, sizeof context->state);
    std::memset(context, 0, sizeof *context);
}

void MD5Transform(unsigned int* state, const unsigned int* block) {
    Compress(state, reinterpret_cast<const unsigned char*>(block));
}

void byteSwap(unsigned int*, unsigned int) {}

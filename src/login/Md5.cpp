#include "login/Md5.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <vector>

namespace qs {

namespace {

// Converts one UTF-16 unit at a time to code page 936, as the system's
// character-code function does; unrepresentable characters (lone surrogates
// included) count as '?'.
class Cp936Units {
public:
    Cp936Units() : cd_(iconv_open("CP936", "UTF-16LE")) {}
    ~Cp936Units() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Cp936Units(const Cp936Units&) = delete;
    Cp936Units& operator=(const Cp936Units&) = delete;

    std::int16_t unit(char16_t c) {
        if (c < 0x80) return std::int16_t(c);
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return '?';
        char in[2] = {char(c & 0xFF), char(c >> 8)};
        unsigned char out[8] = {};
        char* inPtr = in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 2;
        std::size_t outLeft = sizeof out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == std::size_t(-1)) return '?';
        const std::size_t n = sizeof out - outLeft;
        if (n == 1) return std::int16_t(out[0]);
        if (n == 2) return std::int16_t(std::uint16_t(out[0] << 8 | out[1]));
        return '?';
    }

private:
    iconv_t cd_;
};

constexpr std::uint32_t rotl(std::uint32_t x, int c) {
    return (x << c) | (x >> (32 - c));
}

constexpr std::array<int, 64> kShift = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                        5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                        4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                        6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr std::array<std::uint32_t, 64> kSine = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

void compress(std::array<std::uint32_t, 4>& state, const std::uint32_t* block) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const std::uint32_t next = b + rotl(a + f + kSine[i] + block[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

QString MD5(const QString& sMessage, int stype) {
    const qsizetype n = sMessage.size();
    const std::size_t words = std::size_t(((n + 8) / 64 + 1) * 16);
    std::vector<std::uint32_t> message(words, 0);
    Cp936Units units;
    for (qsizetype k = 0; k < n; ++k) {
        // Sign extension is the point: a double-byte character's negative
        // value sets the bytes of the characters after it in the same word.
        const std::int32_t value = units.unit(sMessage.at(k).unicode());
        message[std::size_t(k / 4)] |= std::uint32_t(value) << (8 * (k % 4));
    }
    message[std::size_t(n / 4)] |= std::uint32_t(0x80) << (8 * (n % 4));
    message[words - 2] = std::uint32_t(std::uint64_t(n) << 3);
    message[words - 1] = std::uint32_t(std::uint64_t(n) >> 29);

    std::array<std::uint32_t, 4> state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t i = 0; i < words; i += 16) compress(state, message.data() + i);

    static const char hex[] = "0123456789abcdef";
    QString out;
    out.reserve(32);
    for (std::uint32_t w : state) {
        for (int byte = 0; byte < 4; ++byte) {
            const unsigned v = (w >> (8 * byte)) & 0xFF;
            out += QLatin1Char(hex[v >> 4]);
            out += QLatin1Char(hex[v & 0xF]);
        }
    }
    return stype == 32 ? out : out.mid(8, 16);
}

}  // namespace qs

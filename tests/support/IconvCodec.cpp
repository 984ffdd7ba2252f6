// The legacy codec of the native build: glibc iconv with CP932, the code page of a Japanese Windows.
#include "LegacyText.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <string>

namespace lodestar {

namespace {

class IconvCodec final : public LegacyCodec {
public:
    IconvCodec() : toLegacy_(Open("CP932", "UTF-8")), toUtf8_(Open("UTF-8", "CP932")) {
        // A byte that iconv reports as an incomplete sequence on its own starts a double-byte character.
        for (unsigned b = 0; b < 256; ++b) {
            const char one[1] = {static_cast<char>(b)};
            char out[8];
            char* in = const_cast<char*>(one);
            std::size_t inLeft = 1;
            char* outPtr = out;
            std::size_t outLeft = sizeof out;
            iconv(toUtf8_, nullptr, nullptr, nullptr, nullptr);
            const std::size_t r = iconv(toUtf8_, &in, &inLeft, &outPtr, &outLeft);
            lengths_[b] = (r == static_cast<std::size_t>(-1) && errno == EINVAL) ? 2 : 1;
        }
    }

    std::string Encode(std::string_view utf8) const override { return Convert(toLegacy_, utf8, true); }
    std::string Decode(std::string_view legacy) const override { return Convert(toUtf8_, legacy, false); }
    std::size_t CharLength(unsigned char lead) const override { return lengths_[lead]; }

private:
    static iconv_t Open(const char* to, const char* from) {
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot convert CP932");
        return cd;
    }

    // Unconvertible input becomes "?"; a UTF-8 source skips the whole bad character, a legacy source one
    // byte.
    static std::string Convert(iconv_t cd, std::string_view text, bool fromUtf8) {
        std::string out;
        out.resize(text.size() * 3 + 8);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        while (inLeft > 0) {
            if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = out.size() - used;
                continue;
            }
            std::size_t skip = 1;
            if (fromUtf8) {
                const auto lead = static_cast<unsigned char>(*in);
                skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
                if (skip > inLeft) skip = inLeft;
            }
            in += skip;
            inLeft -= skip;
            if (outLeft == 0) {
                const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = out.size() - used;
            }
            *outPtr++ = '?';
            --outLeft;
        }
        out.resize(static_cast<std::size_t>(outPtr - out.data()));
        return out;
    }

    iconv_t toLegacy_;
    iconv_t toUtf8_;
    std::array<std::size_t, 256> lengths_{};
};

} // namespace

const LegacyCodec& Legacy() {
    static const IconvCodec codec;
    return codec;
}

} // namespace lodestar

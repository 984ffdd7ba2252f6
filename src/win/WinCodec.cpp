// The legacy codec on Windows: the system's default ANSI code page (932 on a Japanese system).
//
// The program itself runs with UTF-8 as its active code page, so the legacy code page is read from the
// system locale rather than taken from GetACP().
#include "LegacyText.h"
#include "WinText.h"

#include <windows.h>

#include <array>
#include <cstdlib>

namespace lodestar {

namespace {

UINT SystemAnsiCodePage() {
    wchar_t buffer[8] = {};
    if (::GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buffer, 8) > 0) {
        const UINT cp = static_cast<UINT>(std::wcstoul(buffer, nullptr, 10));
        if (cp != 0 && ::IsValidCodePage(cp)) return cp;
    }
    return 1252;
}

class WinCodec final : public LegacyCodec {
public:
    explicit WinCodec(UINT codePage) : codePage_(codePage) {
        lengths_.fill(1);
        CPINFO info{};
        if (codePage_ == CP_UTF8) {
            for (unsigned b = 0xC0; b < 256; ++b)
                lengths_[b] = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        } else if (::GetCPInfo(codePage_, &info) && info.MaxCharSize == 2) {
            for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2) {
                for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b)
                    lengths_[b] = 2;
            }
        }
    }

    std::string Encode(std::string_view utf8) const override {
        if (codePage_ == CP_UTF8) return std::string(utf8);
        const std::wstring wide = Widen(utf8);
        if (wide.empty()) return {};
        const int n = ::WideCharToMultiByte(codePage_, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                            0, nullptr, nullptr);
        std::string out(static_cast<std::size_t>(n), '\0');
        ::WideCharToMultiByte(codePage_, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                              nullptr, nullptr);
        return out;
    }

    std::string Decode(std::string_view legacy) const override {
        if (legacy.empty()) return {};
        const int n =
            ::MultiByteToWideChar(codePage_, 0, legacy.data(), static_cast<int>(legacy.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        ::MultiByteToWideChar(codePage_, 0, legacy.data(), static_cast<int>(legacy.size()), wide.data(), n);
        return Narrow(wide);
    }

    std::size_t CharLength(unsigned char lead) const override { return lengths_[lead]; }

private:
    UINT codePage_;
    std::array<std::size_t, 256> lengths_{};
};

} // namespace

const LegacyCodec& Legacy() {
    static const WinCodec codec(SystemAnsiCodePage());
    return codec;
}

} // namespace lodestar

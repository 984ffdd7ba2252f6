#include "ItemRules.h"

#include "HotKey.h"
#include "ItemData.h"

namespace lodestar {

namespace {

// The shell's hotkey modifier flags (commctrl.h), as IShellLink and .url files give them.
constexpr std::uint16_t kHotkeyfShift = 0x100;
constexpr std::uint16_t kHotkeyfControl = 0x200;
constexpr std::uint16_t kHotkeyfAlt = 0x400;

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && UpperAscii(text.substr(0, prefix.size())) == UpperAscii(prefix);
}

} // namespace

std::uint16_t HotkeyToShortCut(std::uint16_t shellHotkey) {
    std::uint16_t shortcut = shellHotkey & 0xFF;
    if (shellHotkey & kHotkeyfShift) shortcut |= kShortcutShift;
    if (shellHotkey & kHotkeyfControl) shortcut |= kShortcutCtrl;
    if (shellHotkey & kHotkeyfAlt) shortcut |= kShortcutAlt;
    return shortcut;
}

std::uint8_t ShowCmdToWndSize(int showCmd) {
    switch (showCmd) {
    case 2: // SW_SHOWMINIMIZED
    case 6: // SW_MINIMIZE
    case 7: // SW_SHOWMINNOACTIVE
        return wsMinimized;
    case 3: // SW_SHOWMAXIMIZED
        return wsMaximized;
    default:
        return wsNormal;
    }
}

std::string EscapeAmpersands(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '&') escaped += '&';
        escaped += c;
    }
    return escaped;
}

bool IsUrlScheme(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2 || colon > 7) return false;
    if (!IsAsciiLetter(text[0])) return false;
    constexpr std::string_view kPunctuation = "!\"_$%&'()*,-.@";
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && kPunctuation.find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

std::optional<std::string> UrlSchemeOf(std::string_view text) {
    std::string_view scheme;
    const std::size_t separator = text.find("://");
    if (separator != std::string_view::npos && text.substr(0, separator).find(' ') == std::string_view::npos)
        scheme = text.substr(0, separator);
    else if (IsUrlScheme(text))
        scheme = text.substr(0, text.find(':'));
    if (scheme.empty()) return std::nullopt;
    return std::string(scheme);
}

std::string RemoveShortcutSuffix(std::string_view name) {
    std::string result(name);
    // Spelled as UTF-8 bytes so that no compiler's idea of the source encoding can change them.
    constexpr std::string_view kFullWidth = // へのショートカット
        "\xE3\x81\xB8\xE3\x81\xAE\xE3\x82\xB7\xE3\x83\xA7\xE3\x83\xBC"
        "\xE3\x83\x88\xE3\x82\xAB\xE3\x83\x83\xE3\x83\x88";
    constexpr std::string_view kHalfWidth = // へのｼｮｰﾄｶｯﾄ
        "\xE3\x81\xB8\xE3\x81\xAE\xEF\xBD\xBC\xEF\xBD\xAE\xEF\xBD\xB0"
        "\xEF\xBE\x84\xEF\xBD\xB6\xEF\xBD\xAF\xEF\xBE\x84";
    for (const std::string_view suffix : {kFullWidth, kHalfWidth}) {
        const std::size_t at = result.find(suffix);
        if (at != std::string::npos && at > 0 && at + suffix.size() == result.size()) result.erase(at);
    }
    return result;
}

std::string DrivePart(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // "\\server\share": up to the backslash that ends the share name.
        const std::size_t serverEnd = path.find('\\', 2);
        if (serverEnd == std::string_view::npos) return std::string(path);
        const std::size_t shareEnd = path.find('\\', serverEnd + 1);
        return std::string(path.substr(0, shareEnd));
    }
    return {};
}

std::optional<TStockIcon> DriveStockIcon(unsigned driveType, bool endsInBackslash) {
    switch (driveType) {
    case 1: // DRIVE_NO_ROOT_DIR: a network drive that is not connected, or no drive at all
    case 4: // DRIVE_REMOTE
        return siNetworkDrive;
    case 2: // DRIVE_REMOVABLE
        return siMissingRemovable;
    case 5: // DRIVE_CDROM
        return siMissingCdRom;
    case 0: // DRIVE_UNKNOWN
    case 3: // DRIVE_FIXED
    case 6: // DRIVE_RAMDISK
        return endsInBackslash ? siMissingFolder : siMissingFile;
    default:
        return std::nullopt;
    }
}

TIconLookup CommandIconLookup(const TCmd& cmd) {
    std::string program = UpperAscii(ExtractFileName(cmd.Path));
    if (const std::size_t exe = program.find(".EXE"); exe != std::string::npos) program.resize(exe);
    if (program == "RUNDLL32" && StartsWithIgnoringCase(cmd.Params, "RNAUI.DLL")) return {true, {}};
    if (program == "EXPLORER" && cmd.Params.starts_with("::")) return {false, cmd.Params};
    return {false, cmd.Path};
}

std::string PathDisplayName(std::string_view path) {
    std::string withoutBackslash = RemoveBackslash(path);
    std::string name = ExtractFileName(withoutBackslash);
    return name.empty() ? withoutBackslash : name;
}

std::string ShortcutText(std::uint16_t shortcut,
                         const std::function<std::string(unsigned key)>& systemKeyName) {
    const unsigned key = shortcut & kShortcutKeyMask;
    if (key == 0) return {};
    std::string name;
    switch (key) {
    case 0x08:
        name = "BkSp";
        break;
    case 0x09:
        name = "Tab";
        break;
    case 0x0D:
        name = "Enter";
        break;
    case 0x1B:
        name = "Esc";
        break;
    case 0x20:
        name = "Space";
        break;
    case 0x21:
        name = "PgUp";
        break;
    case 0x22:
        name = "PgDn";
        break;
    case 0x23:
        name = "End";
        break;
    case 0x24:
        name = "Home";
        break;
    case 0x25:
        name = "Left";
        break;
    case 0x26:
        name = "Up";
        break;
    case 0x27:
        name = "Right";
        break;
    case 0x28:
        name = "Down";
        break;
    case 0x2D:
        name = "Ins";
        break;
    case 0x2E:
        name = "Del";
        break;
    default:
        if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
            name = std::string(1, static_cast<char>(key));
        else if (key >= 0x70 && key <= 0x87)
            name = "F" + std::to_string(key - 0x6F);
        else if (systemKeyName)
            name = systemKeyName(key);
        break;
    }
    if (name.empty()) return {};
    std::string text;
    if (shortcut & kShortcutShift) text += "Shift+";
    if (shortcut & kShortcutCtrl) text += "Ctrl+";
    if (shortcut & kShortcutAlt) text += "Alt+";
    return text + name;
}

} // namespace lodestar

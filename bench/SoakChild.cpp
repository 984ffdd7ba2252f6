// The program the soak's item starts: it ends at once, without a window, and leaves the two records the
// Windows tests' launch_probe.exe leaves, so that either can be the soak's launched program:
//
//   soak_child.exe --out FILE [other options...]
//
// FILE gets "pid=<its process id>" once it runs, FILE.end "reason=exit" as it ends; each is written under
// another name first and then renamed, so that a reader never sees half of it.
#include <windows.h>

#include <string>

namespace {

bool WriteWhole(const std::wstring& path, const std::string& text) {
    const std::wstring temporary = path + L".tmp";
    const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    ::CloseHandle(file);
    return ok && ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// The argument after "--out", quoted or not. (shell32's splitter would cost more than the whole program.)
std::wstring OutPath(const std::wstring& line) {
    std::size_t at = line.find(L" --out ");
    if (at == std::wstring::npos) return {};
    at += 7;
    while (at < line.size() && line[at] == L' ')
        ++at;
    if (at < line.size() && line[at] == L'"') {
        const std::size_t end = line.find(L'"', at + 1);
        return end == std::wstring::npos ? std::wstring() : line.substr(at + 1, end - at - 1);
    }
    return line.substr(at, line.find(L' ', at) - at);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::wstring out = OutPath(::GetCommandLineW());
    if (out.empty()) return 2;
    if (!WriteWhole(out, "pid=" + std::to_string(::GetCurrentProcessId()) + "\n")) return 3;
    return WriteWhole(out + L".end", "reason=exit\n") ? 0 : 3;
}

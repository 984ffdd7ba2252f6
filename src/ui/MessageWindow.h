// A window whose messages go to a C++ object. The procedure binds the object at WM_NCCREATE, lets go of
// it at WM_NCDESTROY, and lets no exception out: what a handler throws goes to the application's
// exception handler.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace lodestar {

class TMessageWindow {
public:
    TMessageWindow() = default;
    TMessageWindow(const TMessageWindow&) = delete;
    TMessageWindow& operator=(const TMessageWindow&) = delete;
    virtual ~TMessageWindow();

    HWND Handle() const { return handle_; }

protected:
    // Creates a hidden top-level window of the class (registered once per process).
    void CreateHidden(const wchar_t* className, const std::string& title = {}, DWORD exStyle = 0);
    // Creates a message-only window: cheaper than a top-level one, and invisible to window searches.
    void CreateMessageOnly(const wchar_t* className);
    void DestroyHandle();
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    HWND handle_ = nullptr;
};

// A window that belongs to a component and hands its messages to it. The handler returns nothing for the
// messages it leaves to the default procedure.
class TOwnedWindow final : public TMessageWindow {
public:
    using THandler = std::function<std::optional<LRESULT>(UINT message, WPARAM wParam, LPARAM lParam)>;
    enum class TKind { MessageOnly, Hidden };

    TOwnedWindow(const wchar_t* className, TKind kind, THandler handler, DWORD exStyle = 0);
    void Destroy() { DestroyHandle(); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    THandler handler_;
};

} // namespace lodestar

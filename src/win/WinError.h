#pragma once

#include "Errors.h"

#include <windows.h>

#include <string>

namespace lodestar {

// The system's text for an error code, in UTF-8.
std::string SystemErrorText(DWORD code);

// A failed Windows call; carries GetLastError's code and text.
class EWindowsError : public EProgramError {
public:
    explicit EWindowsError(DWORD code = ::GetLastError())
        : EProgramError(SystemErrorText(code)), code_(code) {}
    DWORD Code() const { return code_; }

private:
    DWORD code_;
};

} // namespace lodestar

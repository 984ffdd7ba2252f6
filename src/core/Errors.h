// Program errors: every error the program raises derives from EProgramError and carries a UTF-8 message.
#pragma once

#include <stdexcept>
#include <string>

namespace lodestar {

class EProgramError : public std::runtime_error {
public:
    explicit EProgramError(const std::string& message) : std::runtime_error(message) {}
};

// Raised by the item stream reader when stored bytes cannot form an item.
class EReadError : public EProgramError {
public:
    using EProgramError::EProgramError;
};

} // namespace lodestar

// The host framework's error class.
#include "host/NuvolibError.h"

nuvoliberror::nuvoliberror(const std::string& message) : m_strMessage(message) {}

const char* nuvoliberror::what() const noexcept {
    return m_strMessage.c_str();
}

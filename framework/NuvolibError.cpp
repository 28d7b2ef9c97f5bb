// Copies of the host framework's error class.
#include "host/NuvolibError.h"

nuvoliberror::nuvoliberror(const nuvoliberror& other) : std::exception(other), m_strMessage(other.m_strMessage) {}

nuvoliberror& nuvoliberror::operator=(const nuvoliberror& other) {
    std::exception::operator=(other);
    m_strMessage = other.m_strMessage;
    return *this;
}

#include "control_block.h"

#include "dcb_messages.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

namespace serial {

namespace {

// The flags word is the 32-bit group of bit fields right after BaudRate.
constexpr std::size_t kFlagsOffset = offsetof(DCB, BaudRate) + sizeof(DWORD);
static_assert(kFlagsOffset + sizeof(quint32) <= offsetof(DCB, wReserved),
              "the DCB flags word sits between BaudRate and wReserved");

quint32 flagsOf(const DCB& dcb) {
    quint32 flags = 0;
    std::memcpy(&flags, reinterpret_cast<const char*>(&dcb) + kFlagsOffset, sizeof(flags));
    return flags;
}

void setFlags(DCB& dcb, quint32 flags) {
    std::memcpy(reinterpret_cast<char*>(&dcb) + kFlagsOffset, &flags, sizeof(flags));
}

} // namespace

struct ControlBlock::Platform {
    DCB block{};
};

ControlBlock::ControlBlock(MessageSink messages)
    : m_platform(std::make_unique<Platform>()), m_messages(std::move(messages)) {
    m_platform->block.DCBlength = sizeof(DCB);
}

ControlBlock::~ControlBlock() = default;

void ControlBlock::Read_DCB() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(reinterpret_cast<HANDLE>(m_handle), &dcb)) {
        const DWORD code = GetLastError();
        m_readOk = false;
        if (m_messages)
            m_messages(dcbReadErrorText(static_cast<qint64>(code)));
        return;
    }
    m_platform->block = dcb;
    m_readOk = true;
}

void ControlBlock::Write_DCB() {
    if (!m_readOk)
        return;
    DCB dcb = m_platform->block;
    setFlags(dcb, kHartFlagsWord);
    if (!SetCommState(reinterpret_cast<HANDLE>(m_handle), &dcb)) {
        const DWORD code = GetLastError();
        if (m_messages)
            m_messages(dcbWriteErrorText(static_cast<qint64>(code)));
        return;
    }
    m_platform->block = dcb;
}

quint32 ControlBlock::flagsWord() const {
    return flagsOf(m_platform->block);
}

bool ControlBlock::driverTogglesRts() const {
    return m_platform->block.fRtsControl == RTS_CONTROL_TOGGLE;
}

} // namespace serial

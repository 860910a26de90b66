#include "control_block.h"

namespace serial {

void ControlBlock::setHandle(qintptr handle) {
    // Each open is a new device, even under a reused descriptor number: its block must be
    // read before anything is written to it.
    m_readOk = false;
    m_handle = handle;
}

qintptr ControlBlock::handle() const {
    return m_handle;
}

} // namespace serial

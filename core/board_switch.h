#pragma once

#include "protocol/board.h"

namespace core {

// The board the polling cycle writes to: the window's while it shows one, otherwise one kept in
// memory (a front end without a window, and before the window is built or after it is gone),
// so the session never writes to a board that is not there.
class BoardSwitch final : public protocol::Board {
public:
    // `board` from now on; null: the one in memory.
    void showOn(protocol::Board* board) { m_shown = board; }

    void setCaption(protocol::Column column, int row, const QString& caption) override {
        target().setCaption(column, row, caption);
    }
    void setColour(protocol::Column column, int row, protocol::WinColour colour) override {
        target().setColour(column, row, colour);
    }
    QString caption(protocol::Column column, int row) const override {
        return target().caption(column, row);
    }
    protocol::WinColour colour(protocol::Column column, int row) const override {
        return target().colour(column, row);
    }

private:
    protocol::Board& target() {
        return m_shown ? *m_shown : static_cast<protocol::Board&>(m_memory);
    }
    const protocol::Board& target() const {
        return m_shown ? *m_shown : static_cast<const protocol::Board&>(m_memory);
    }

    protocol::MemoryBoard m_memory;
    protocol::Board* m_shown = nullptr;
};

} // namespace core

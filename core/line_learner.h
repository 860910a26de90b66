#pragma once

#include "field/field_model.h"
#include "protocol/board.h"
#include "protocol/line_framer.h"
#include "protocol/protocol_state.h"

#include <QByteArray>
#include <QLocale>
#include <QObject>

#include <array>
#include <set>

namespace core {

// What a master that only listens learns from the traffic of others. An instrument is placed at
// its polling address by a short command-0 answer (or a command-7 answer naming its address);
// from then on every answer heard for it, by either address, writes its board row through the
// designed decoders, as if the pass had read it, and goes to the field model with its burst
// frames. A row nothing was heard for in a while goes blank and idle, as a silent address does
// in the pass: nothing stale stands as live.
class LineLearner : public QObject {
    Q_OBJECT
public:
    LineLearner(protocol::ProtocolState& state, protocol::Board& board, field::FieldModel& model,
                QObject* parent = nullptr);

    void setLocale(const QLocale& locale) { m_locale = locale; }
    // A frame heard to its end, `nowMs` on a steady clock.
    void hear(const protocol::HeardFrame& frame, qint64 nowMs);
    // A stop: nothing is known any more (the board and the model are cleared beside it).
    void forget();
    // Rows nothing was heard for since kSilentAfterMs before `nowMs` go blank.
    void quietRows(qint64 nowMs);
    // Unique addresses answering whose polling address is not known yet, in the order heard.
    const std::vector<QByteArray>& unplaced() const { return m_unplaced; }

    static constexpr qint64 kSilentAfterMs = 30000;

signals:
    void unplacedChanged();

private:
    int rowOf(const protocol::HartFrame& frame) const;
    // The instrument whose long address is `asSent` is at `row`.
    void place(const QByteArray& asSent, int row);
    void forgetUnplaced(const QByteArray& uniqueAddress);
    void decode(int row, const protocol::HeardFrame& frame);

    protocol::ProtocolState& m_state;
    protocol::Board& m_board;
    field::FieldModel& m_model;
    QLocale m_locale = QLocale::system();
    std::array<qint64, protocol::kRowCount> m_lastHeardMs{}; // 0: nothing heard
    std::vector<QByteArray> m_unplaced;
};

} // namespace core

#include "core/line_learner.h"

#include "protocol/decoders.h"

#include <algorithm>

namespace core {

using protocol::HeardFrame;
using protocol::ReadAnswer;

LineLearner::LineLearner(protocol::ProtocolState& state, protocol::Board& board,
                         field::FieldModel& model, QObject* parent)
    : QObject(parent), m_state(state), m_board(board), m_model(model) {}

int LineLearner::rowOf(const protocol::HartFrame& frame) const {
    if (!frame.longAddress()) {
        const int polling = frame.pollingAddress();
        return polling >= 0 && polling < protocol::kRowCount ? polling : -1;
    }
    const QByteArray unique = frame.uniqueAddress();
    for (int row = 0; row < protocol::kRowCount; ++row)
        if (protocol::withoutMasterAndBurst(m_state.Device_Table[size_t(row)].Long_Address) ==
            unique)
            return row;
    return -1;
}

void LineLearner::place(const QByteArray& asSent, int row) {
    m_state.Device_Table[size_t(row)].Long_Address = asSent;
    forgetUnplaced(protocol::withoutMasterAndBurst(asSent));
}

void LineLearner::forgetUnplaced(const QByteArray& uniqueAddress) {
    const auto it = std::find(m_unplaced.begin(), m_unplaced.end(), uniqueAddress);
    if (it == m_unplaced.end())
        return;
    m_unplaced.erase(it);
    emit unplacedChanged();
}

void LineLearner::hear(const HeardFrame& heard, qint64 nowMs) {
    using Kind = HeardFrame::Kind;
    const protocol::HartFrame& frame = heard.frame;
    // Answers and burst frames carry what an instrument says; requests and the rest do not.
    if (heard.kind != Kind::AnswerToUs && heard.kind != Kind::AnswerToOther &&
        heard.kind != Kind::Burst)
        return;
    if (!frame.sound())
        return;
    // Command 7 names the polling address of an instrument asked by its long address.
    constexpr int kLoopConfiguration = 7;
    if (frame.longAddress() && frame.command == kLoopConfiguration && !frame.data.isEmpty() &&
        !frame.communicationError()) {
        const int polling = quint8(frame.data.at(0));
        if (polling < protocol::kRowCount && rowOf(frame) != polling)
            place(frame.address, polling);
    }
    const int row = rowOf(frame);
    if (row < 0) {
        const QByteArray unique = frame.uniqueAddress();
        if (frame.longAddress() &&
            std::find(m_unplaced.begin(), m_unplaced.end(), unique) == m_unplaced.end()) {
            m_unplaced.push_back(unique);
            emit unplacedChanged();
        }
        return;
    }
    m_lastHeardMs[size_t(row)] = nowMs;
    decode(row, heard);
}

void LineLearner::decode(int row, const HeardFrame& heard) {
    const protocol::HartFrame& frame = heard.frame;
    const int command = frame.command;
    m_state.Hart_Address = qint16(row);
    // The board takes what the pass would have read: a short command-0 answer, and the long
    // answers to 13 and 3. Everything goes to the field model.
    bool accepted = true;
    if (heard.kind != HeardFrame::Kind::Burst) {
        if (command == 0 && !frame.longAddress()) {
            accepted = protocol::Command_0(m_state, m_board, frame);
            if (accepted) // the decoder keeps its long address
                forgetUnplaced(protocol::withoutMasterAndBurst(
                    m_state.Device_Table[size_t(row)].Long_Address));
        } else if (command == 13 && frame.longAddress()) {
            accepted = protocol::Command_13(m_state, m_board, frame);
        } else if (command == 3 && frame.longAddress()) {
            accepted = protocol::Command_3(m_state, m_board, frame, m_locale);
        }
    }
    const ReadAnswer::Origin origin = heard.kind == HeardFrame::Kind::Burst
                                          ? ReadAnswer::Origin::Published
                                          : ReadAnswer::Origin::Heard;
    m_model.takeAnswer(ReadAnswer::of(command, row, accepted, heard.bytes, origin));
}

void LineLearner::forget() {
    m_lastHeardMs.fill(0);
    if (m_unplaced.empty())
        return;
    m_unplaced.clear();
    emit unplacedChanged();
}

void LineLearner::quietRows(qint64 nowMs) {
    for (int row = 0; row < protocol::kRowCount; ++row) {
        qint64& last = m_lastHeardMs[size_t(row)];
        if (last == 0 || nowMs - last < kSilentAfterMs)
            continue;
        last = 0;
        // As the pass does for an address that no longer answers command 0.
        m_state.Hart_Address = qint16(row);
        protocol::Command_0(m_state, m_board, protocol::HartFrame{});
        m_model.takeAnswer(ReadAnswer::of(0, row, false, QByteArray(), ReadAnswer::Origin::Heard));
    }
}

} // namespace core

#include "polling_cycle.h"

#include "decoders.h"
#include "frame.h"

#include <algorithm>
#include <utility>

namespace protocol {

namespace {

template <size_t N> void markPending(Board& board, const std::array<Column, N>& columns, int row) {
    for (Column column : columns) {
        board.setColour(column, row, kPendingColour);
        if (column != Column::Label6) // the row number stays
            board.setCaption(column, row, QString());
    }
}

} // namespace

PollingCycle::PollingCycle(ProtocolState& state, Board& board, HartPort& port, AnswerTimer& timer,
                           EventYield& yield, QObject* parent)
    : QObject(parent), m_state(state), m_board(board), m_port(port), m_timer(timer),
      m_yield(yield) {
    m_timer.setHandler([this] { Timer3_Timer(); });
}

void PollingCycle::setLocale(const QLocale& locale) {
    m_locale = locale;
}

NextStep nextStep(bool instrumentKnown, qint16 lastCommand, qint16 address) {
    NextStep next;
    if (!instrumentKnown)
        next.command = 0;
    else if (lastCommand == 0)
        next.command = 13;
    else if (lastCommand == 13)
        next.command = 3;
    else
        next.command = 0;
    next.address = next.command == 0 ? static_cast<qint16>((address + 1) % kRowCount) : address;
    return next;
}

PollingCycle::StepScope::StepScope(PollingCycle& cycle) : m_cycle(cycle) {
    ++m_cycle.m_stepDepth;
}

PollingCycle::StepScope::~StepScope() {
    if (--m_cycle.m_stepDepth == 0)
        emit m_cycle.stepFinished();
}

void PollingCycle::start() {
    const StepScope step(*this);
    m_running = true;
    ++m_run;
    Hart_Connet_Prosses();
}

void PendingRequest::finish(const ReadAnswer& answer) {
    emit finished(answer);
    deleteLater();
}

void PendingRequest::drop(DropReason why) {
    emit dropped(why);
    deleteLater();
}

void PollingCycle::stop() {
    m_running = false;
    ++m_run;
    m_timer.disarm();
    m_answered.reset();
    if (m_onDemand) // its answer will not be read
        std::exchange(m_onDemand, nullptr)->drop(PendingRequest::DropReason::Stopped);
    while (!m_queue.empty()) {
        PendingRequest* dropped = m_queue.front();
        m_queue.pop_front();
        dropped->drop(PendingRequest::DropReason::Stopped);
    }
    Clear_Display(m_state, m_board);
    emit cleared();
}

bool PollingCycle::isRunning() const {
    return m_running;
}

PollingCycle::State PollingCycle::state() const {
    if (!m_running)
        return State::Stopped;
    return m_stepDepth > 0 ? State::Sending : State::Waiting;
}

bool PollingCycle::answeredThisPass(int address) const {
    return address >= 0 && address < kRowCount && m_answered.test(size_t(address));
}

PendingRequest* PollingCycle::request(const OnDemandRequest& request) {
    if (!m_running || !answeredThisPass(request.address))
        return nullptr;
    m_queue.push_back(new PendingRequest(request, this));
    return m_queue.back();
}

PendingRequest* PollingCycle::requestNext(const OnDemandRequest& request) {
    if (!m_running || !answeredThisPass(request.address))
        return nullptr;
    m_queue.push_front(new PendingRequest(request, this));
    return m_queue.front();
}

bool PollingCycle::stillCurrent(quint64 run) const {
    return m_running && m_run == run;
}

void PollingCycle::Hart_Connet_Prosses() {
    ProtocolState& s = m_state;
    const bool devicePresent = !m_board.caption(Column::Label1, s.Hart_Address).trimmed().isEmpty();
    const NextStep next = nextStep(devicePresent, s.Hart_Command, s.Hart_Address);
    s.Hart_Command = next.command;
    s.Hart_Address = next.address;

    switch (s.Hart_Command) {
    case 0:
        markPending(m_board, kCommand0Cells, s.Hart_Address);
        break;
    case 3:
        markPending(m_board, kCommand3Cells, s.Hart_Address);
        break;
    case 13:
        markPending(m_board, kCommand13Cells, s.Hart_Address);
        break;
    }

    s.Tx_String = Build_Request(s.Hart_Command, s.Hart_Address, s.Device_Table, m_role);
    Send_Hart_Command();
}

void PollingCycle::Send_Hart_Command() {
    const quint64 run = m_run;
    (void)m_port.readAllWaiting(); // a late answer to the previous request
    m_yield.yield();
    if (!stillCurrent(run))
        return;
    // On a line shared with another master the request waits its turn; the answer wait starts
    // once it has gone out. Alone on the line it goes at once, inside this step.
    m_port.whenLineFree([this, run] {
        if (!stillCurrent(run))
            return;
        const StepScope step(*this);
        m_port.write(m_state.Tx_String);
        m_yield.yield();
        if (!stillCurrent(run))
            return;
        m_timer.arm();
    });
}

void PollingCycle::Timer3_Timer() {
    const StepScope step(*this);
    m_timer.disarm();
    if (!m_running)
        return;
    if (m_onDemand)
        receiveOnDemandAnswer();
    else
        Receive_Answer();
}

void PollingCycle::nextAfterAnswer() {
    while (!m_queue.empty()) {
        PendingRequest* next = m_queue.front();
        m_queue.pop_front();
        const OnDemandRequest& asked = next->request();
        if (!answeredThisPass(asked.address)) {
            next->drop(PendingRequest::DropReason::InstrumentSilent);
            continue;
        }
        m_state.Tx_String = asked.behind.isEmpty()
                                ? buildOnDemandRequest(asked.command, asked.address,
                                                       m_state.Device_Table, asked.data, m_role)
                                : buildRequestTo(asked.behind, asked.command, asked.data, m_role);
        m_onDemand = next;
        Send_Hart_Command();
        return;
    }
    Hart_Connet_Prosses();
}

// The answer to a request asked for beside the pass: reported, never decoded onto the board,
// and the pass state (the command and address of the pass, the device table) left as it was.
void PollingCycle::receiveOnDemandAnswer() {
    const quint64 run = m_run;
    PendingRequest* pending = std::exchange(m_onDemand, nullptr);
    const OnDemandRequest& asked = pending->request();
    const QByteArray asRead = m_port.readAllWaiting().value_or(QByteArray());
    emit answerReceived(static_cast<int>(asRead.size()), hexDump(asRead));
    if (!stillCurrent(run)) {
        pending->drop(PendingRequest::DropReason::Stopped);
        return;
    }
    ReadAnswer answer =
        ReadAnswer::of(asked.command, asked.address, false, asRead, ReadAnswer::Origin::OnDemand);
    answer.ageMs = m_port.lastByteAgeMs();
    answer.accepted = answersRequest(answer.frame, asked.command,
                                     asked.behind.isEmpty()
                                         ? m_state.Device_Table[size_t(asked.address)].Long_Address
                                         : asked.behind);
    if (asked.behind.isEmpty())
        emit answerDecoded(answer);
    pending->finish(answer);
    m_yield.yield();
    if (!stillCurrent(run))
        return;
    nextAfterAnswer();
}

void PollingCycle::Receive_Answer() {
    const quint64 run = m_run;
    ProtocolState& s = m_state;
    s.Rx_Buffer.fill(kRxFill);

    // A failed read is nothing received, never the previous answer over again.
    s.Rx_String = m_port.readAllWaiting().value_or(QByteArray());
    const QByteArray asRead = s.Rx_String;
    s.Rx_Dump = hexDump(s.Rx_String);
    emit answerReceived(static_cast<int>(s.Rx_String.size()), s.Rx_Dump);
    if (!stillCurrent(run))
        return;

    const auto firstNonPreamble =
        std::find_if(s.Rx_String.cbegin(), s.Rx_String.cend(),
                     [](char byte) { return static_cast<quint8>(byte) != kPreambleByte; });
    if (firstNonPreamble != s.Rx_String.cend())
        s.Rx_String.remove(0, firstNonPreamble - s.Rx_String.cbegin());

    s.Rx_Stored = static_cast<int>(std::min<qsizetype>(s.Rx_String.size(), kRxBufferSize));
    for (int k = 0; k < s.Rx_Stored; ++k)
        s.Rx_Buffer[static_cast<size_t>(k)] = static_cast<quint8>(s.Rx_String.at(k));

    // Taken apart once, here: the board's decoder and every listener beside it read this.
    ReadAnswer answer = ReadAnswer::of(s.Hart_Command, s.Hart_Address, false, asRead);
    answer.ageMs = m_port.lastByteAgeMs();
    switch (s.Hart_Command) {
    case 0:
        answer.accepted = Command_0(s, m_board, answer.frame);
        break;
    case 3:
        answer.accepted = Command_3(s, m_board, answer.frame, m_locale);
        break;
    case 13:
        answer.accepted = Command_13(s, m_board, answer.frame);
        break;
    }
    if (s.Hart_Command == 0)
        m_answered.set(size_t(s.Hart_Address), answer.accepted);
    emit answerDecoded(answer);

    m_yield.yield();
    if (!stillCurrent(run))
        return;
    nextAfterAnswer();
}

} // namespace protocol

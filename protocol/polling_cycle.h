#pragma once

#include "board.h"
#include "cycle_ports.h"
#include "master_role.h"
#include "protocol_state.h"
#include "read_answer.h"

#include <QByteArray>
#include <QLocale>
#include <QObject>
#include <QString>

#include <bitset>
#include <deque>

namespace protocol {

// What the cycle does next: the command, and the polling address it goes to. Command 0 while no
// instrument is known at `address` (its identifier cell empty); after command 0 to a known
// instrument comes 13, after 13 comes 3, after 3 (or anything else) command 0 again. The
// address moves on only with command 0, so a start (address 0) polls address 1 first, and
// address 0 follows 15.
struct NextStep {
    qint16 command = 0;
    qint16 address = 0;
};
NextStep nextStep(bool instrumentKnown, qint16 lastCommand, qint16 address);

// A request asked for beside the pass (an instrument's details, a followed value): any command
// with any data, to the instrument at a polling address, in the long-frame form of commands 13
// and 3.
struct OnDemandRequest {
    OnDemandRequest() = default;
    OnDemandRequest(int address, int command, QByteArray data = {}, QByteArray behind = {})
        : address(address), command(command), data(std::move(data)), behind(std::move(behind)) {}

    int address = 0;
    int command = 0;
    QByteArray data;
    // An instrument behind the I/O system at `address`, by its long address (master and burst
    // bits clear): the request goes to it through the I/O system, and its answer is reported to
    // whoever asked only, never as the answer of the instrument at `address`. Empty: that one.
    QByteArray behind;
};

// What becomes of one request asked for beside the pass: it reports its answer (answered or
// not, judged as the pass judges its own) or why it never went out, once, and is then deleted
// by the cycle that owns it. Whoever asked connects to it right after asking.
class PendingRequest : public QObject {
    Q_OBJECT
public:
    enum class DropReason {
        Stopped,          // the cycle stopped (or went to another line) first
        InstrumentSilent, // the instrument stopped answering command 0 before its turn
    };
    PendingRequest(OnDemandRequest request, QObject* parent)
        : QObject(parent), m_request(std::move(request)) {}
    const OnDemandRequest& request() const { return m_request; }

signals:
    void finished(const protocol::ReadAnswer& answer);
    void dropped(protocol::PendingRequest::DropReason why);

private:
    friend class PollingCycle;
    void finish(const ReadAnswer& answer);
    void drop(DropReason why);

    OnDemandRequest m_request;
};

// Endless polling of the loop: command 0 to each polling address in turn and, for every
// instrument that answers, command 13 and command 3 before the next address. Each step sends
// one request, arms the answer wait and returns to the event loop; the wait's tick reads,
// decodes and starts the next step.
class PollingCycle : public QObject {
    Q_OBJECT
public:
    PollingCycle(ProtocolState& state, Board& board, HartPort& port, AnswerTimer& timer,
                 EventYield& yield, QObject* parent = nullptr);

    // Locale of the numbers shown by the command-3 decoder (the system's by default).
    void setLocale(const QLocale& locale);
    // The master this program is on the line, named in every request from the next on
    // (primary by default).
    void setMasterRole(MasterRole role) { m_role = role; }
    MasterRole masterRole() const { return m_role; }

    // Starts a run: the first step goes out at once.
    void start();
    // The one way to stop: disarms Timer3, ends a step under way at its next yield (no timer is
    // armed and no step follows), and clears the board (Clear_Display).
    void stop();
    bool isRunning() const;

    // Where the cycle is: stopped; sending, inside a step (from the answer wait's tick, or a
    // start, until the next request is out and the wait armed); or waiting for an answer.
    enum class State { Stopped, Sending, Waiting };
    State state() const;
    // Whether a step is under way, the cycle's own frames on the stack: window events that run
    // now run inside one of its yields. Nothing modal may start then.
    bool isInsideStep() const { return m_stepDepth > 0; }

    // Queues `request` to go out as a step of its own after the step under way, before the pass
    // goes on (requests queued together go one after another). Refused (null), and nothing
    // queued, while the cycle is stopped or when no instrument at the address accepted
    // command 0 in this pass. The answer comes to the handle and through answerDecoded like any
    // other, and never reaches the board.
    PendingRequest* request(const OnDemandRequest& request);
    // The same, but ahead of everything queued: it goes out as the very next step.
    PendingRequest* requestNext(const OnDemandRequest& request);
    int queuedRequests() const { return int(m_queue.size()); }
    // Whether the instrument at `address` accepted command 0 in this pass: requests may go to it.
    bool answeredThisPass(int address) const;

    // One step: choose the next command and address, mark the row pending, build and send.
    void Hart_Connet_Prosses();
    // Flush the port's input, write Tx_String, arm Timer3.
    void Send_Hart_Command();
    // Timer3's tick: the answer wait is over.
    void Timer3_Timer();

signals:
    // The answer just read: its length (Text1) and hex dump (Text3).
    void answerReceived(int length, const QString& dump);
    // The same answer once decoded, taken apart once: what it answered, whether it was taken,
    // whether the pass or a request beside it asked. For listeners beside the board.
    void answerDecoded(const protocol::ReadAnswer& answer);
    // A stop cleared the board.
    void cleared();
    // The step under way has returned to the event loop (the answer wait armed, or the cycle
    // stopped). What had to wait for the end of a step can run now.
    void stepFinished();

private:
    void Receive_Answer();
    void receiveOnDemandAnswer();
    // After a step's answer: the next queued request if one may go, else the pass goes on.
    void nextAfterAnswer();
    bool stillCurrent(quint64 run) const;

    // Counts the step's frames while it runs; the outermost one says when the step is over.
    class StepScope {
    public:
        explicit StepScope(PollingCycle& cycle);
        ~StepScope();
        StepScope(const StepScope&) = delete;
        StepScope& operator=(const StepScope&) = delete;

    private:
        PollingCycle& m_cycle;
    };

    ProtocolState& m_state;
    Board& m_board;
    HartPort& m_port;
    AnswerTimer& m_timer;
    EventYield& m_yield;
    QLocale m_locale = QLocale::system();
    MasterRole m_role = MasterRole::Primary;
    bool m_running = false;
    int m_stepDepth = 0;
    quint64 m_run = 0; // bumped by every start and stop, so a step can tell it was overtaken
    std::deque<PendingRequest*> m_queue;  // owned: children of the cycle until they report
    PendingRequest* m_onDemand = nullptr; // the request whose answer the wait is for
    std::bitset<kRowCount> m_answered;    // command 0 accepted in this pass, by address
};

} // namespace protocol

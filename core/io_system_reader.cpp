#include "io_system_reader.h"

#include "field/details.h"
#include "protocol/master_role.h"
#include "protocol/sub_device_frame.h"

namespace core {

namespace {

constexpr int kReadIoSystemCapabilities = 74;
constexpr int kReadSubDeviceIdentity = 84;
constexpr int kReadIdentity = 0;
constexpr int kReadTag = 13;
constexpr int kReadValues = 3;
constexpr int kPreamblesBehind = 5;
constexpr qint64 kAskAgainMs = 200;     // busy, or a delayed response runs
constexpr qint64 kSilentPauseMs = 1000; // before an instrument that did not answer is asked again
constexpr int kReadListEveryMs = 5 * 60 * 1000;
constexpr qint64 kStatusEveryMs = 30000; // the I/O system's command 48, at most
constexpr int kBusy = 32;
constexpr int kDelayedResponseRunning = 34;

field::Identity identityOf(const field::SubDeviceSummary& summary) {
    field::Identity id;
    id.hartRevision = summary.hartRevision;
    id.manufacturer = summary.manufacturer;
    id.deviceType = summary.deviceType;
    id.expandedDeviceType = true;
    id.deviceId = summary.deviceId;
    id.longAddress = summary.uniqueAddress();
    id.fromList = true;
    return id;
}

bool answeredOk(const protocol::ReadAnswer& answer) {
    return answer.accepted && answer.frame.responseCode == 0;
}

} // namespace

IoSystemReader::IoSystemReader(protocol::PollingCycle& cycle, Clock now, SteadyClock steady,
                               QObject* parent)
    : QObject(parent), m_cycle(cycle), m_now(std::move(now)), m_steadyNow(std::move(steady)),
      m_probed(protocol::kRowCount) {
    m_steady.start();
    m_again.setSingleShot(true);
    connect(&m_again, &QTimer::timeout, this, &IoSystemReader::askNext);
    m_readAgain.setInterval(kReadListEveryMs);
    connect(&m_readAgain, &QTimer::timeout, this, [this] {
        if (m_address < 0 || m_entry > 0)
            return; // a read is under way
        m_listStale = true;
        askNext();
    });
}

void IoSystemReader::setEnabled(bool on) {
    if (!on)
        clear();
    m_enabled = on;
}

void IoSystemReader::clear() {
    ++m_generation;
    m_probed.assign(protocol::kRowCount, false);
    m_address = -1;
    m_io.reset();
    m_subDevices.clear();
    m_reading.clear();
    m_entry = 0;
    m_entryTurn = true;
    m_busy = false;
    m_turn = 0;
    m_again.stop();
    m_readAgain.stop();
    m_afterPassStep = false;
    m_sincePassStep = 0;
    m_listStale = false;
    m_ioStatus = 0;
    m_statusWanted = false;
    m_lastStatusReadMs = -1;
}

void IoSystemReader::takeAnswer(const protocol::ReadAnswer& answer) {
    if (answer.origin == protocol::ReadAnswer::Origin::Pass) {
        m_sincePassStep = 0;
        // The I/O system says its configuration changed (an instrument joined or left): its
        // list is read again before the next of its instruments is asked.
        constexpr int kConfigurationChanged = 0x40;
        const int status = answer.frame.deviceStatus;
        if (answer.accepted && answer.address == m_address && status >= 0) {
            if ((status & kConfigurationChanged) && !(m_ioStatus & kConfigurationChanged))
                m_listStale = true;
            m_ioStatus = status;
            // More status available: its command 48 may say the list changed. Read at most
            // every half minute, as the bit may stay set for as long as its cause lasts.
            constexpr int kMoreStatusAvailable = 0x10;
            if ((status & kMoreStatusAvailable) &&
                (m_lastStatusReadMs < 0 || nowMs() - m_lastStatusReadMs >= kStatusEveryMs))
                m_statusWanted = true;
        }
        if (m_afterPassStep) {
            m_afterPassStep = false;
            askNext();
        }
    }
    // Command 48 of the I/O system, asked by anyone: bit 0 of its standardized status 2 says
    // its list changed.
    if (answer.accepted && m_address >= 0 && answer.address == m_address &&
        answer.frame.responseCode == 0 && field::subDeviceListChanged(answer.frame))
        m_listStale = true;
    if (!m_enabled || m_busy || m_address >= 0 ||
        answer.origin != protocol::ReadAnswer::Origin::Pass || answer.command != 0 ||
        !answer.accepted || answer.address < 0 || answer.address >= protocol::kRowCount ||
        m_probed[size_t(answer.address)])
        return;
    probe(answer.address);
}

void IoSystemReader::probe(int address) {
    const bool sent = send(
        {address, kReadIoSystemCapabilities},
        [this, address](const protocol::ReadAnswer& answer) {
            const std::optional<field::IoSystem> io =
                answeredOk(answer) ? field::ioSystemFrom(answer.frame) : std::nullopt;
            if (!io || io->subDevices() == 0)
                return; // an instrument of its own: nothing behind it
            m_address = address;
            m_io = io;
            m_reading.clear();
            readEntry(1);
            m_readAgain.start();
        },
        [this, address] {
            m_probed[size_t(address)] = false; // asked again when it answers the pass again
        });
    if (sent)
        m_probed[size_t(address)] = true;
}

bool IoSystemReader::send(const protocol::OnDemandRequest& asked,
                          std::function<void(const protocol::ReadAnswer&)> answered,
                          std::function<void()> dropped) {
    protocol::PendingRequest* request = m_cycle.request(asked);
    if (!request) {
        m_again.start(int(kSilentPauseMs));
        return false;
    }
    m_busy = true;
    const quint64 generation = m_generation;
    connect(request, &protocol::PendingRequest::finished, this,
            [this, generation, answered](const protocol::ReadAnswer& answer) {
                if (generation != m_generation)
                    return;
                m_busy = false;
                answered(answer);
            });
    connect(request, &protocol::PendingRequest::dropped, this, [this, generation, dropped] {
        if (generation != m_generation)
            return;
        m_busy = false;
        dropped();
    });
    return true;
}

void IoSystemReader::readList() {
    m_reading.clear();
    m_entry = 0;
    // Command 74 again first: how many it holds now.
    const quint64 generation = m_generation;
    const bool sent = send(
        {m_address, kReadIoSystemCapabilities},
        [this](const protocol::ReadAnswer& answer) {
            const std::optional<field::IoSystem> io =
                answeredOk(answer) ? field::ioSystemFrom(answer.frame) : std::nullopt;
            if (io)
                m_io = io;
            readEntry(1);
        },
        [this, generation] { startOver(generation); });
    if (!sent)
        startOver(generation);
}

void IoSystemReader::startOver(quint64 generation) {
    // Not taken, or dropped: the list is read from its start a second later.
    m_reading.clear();
    m_entry = 0;
    QTimer::singleShot(int(kSilentPauseMs), this, [this, generation] {
        if (generation == m_generation && !m_busy && m_address >= 0)
            readList();
    });
}

void IoSystemReader::readEntry(int index) {
    m_entry = index;
    if (index > m_io->subDevices()) {
        finishList();
        return;
    }
    const quint64 generation = m_generation;
    const bool sent = send(
        {m_address, kReadSubDeviceIdentity, protocol::bigEndian(quint32(index), 2)},
        [this, index](const protocol::ReadAnswer& answer) {
            const std::optional<field::SubDeviceSummary> summary =
                answeredOk(answer) ? field::subDeviceFrom(answer.frame) : std::nullopt;
            if (!summary) {
                finishList(); // the list ends where the I/O system stops listing
                return;
            }
            SubDevice sub;
            sub.summary = *summary;
            sub.instrument.identity = identityOf(*summary);
            m_reading.push_back(sub);
            m_entry = index + 1;
            // Read first: back to back. Read again: one of the instruments between two entries,
            // so that their values keep coming while it lasts.
            if (m_subDevices.empty()) {
                readEntry(m_entry);
            } else {
                m_entryTurn = false;
                next();
            }
        },
        [this, generation] { startOver(generation); });
    if (!sent)
        startOver(generation);
}

void IoSystemReader::finishList() {
    // What was known of an instrument still listed stays: its tag, its values.
    for (SubDevice& fresh : m_reading)
        for (const SubDevice& known : m_subDevices)
            if (known.summary.uniqueAddress() == fresh.summary.uniqueAddress()) {
                fresh.instrument = known.instrument;
                fresh.throughCommand77 = known.throughCommand77;
                fresh.detailsToAsk = known.detailsToAsk;
                fresh.identityAsked = known.identityAsked;
            }
    // The turn goes on where it was: those after it in the list are not made to wait twice.
    const QByteArray nextInTurn =
        m_subDevices.empty() ? QByteArray()
                             : m_subDevices[m_turn % m_subDevices.size()].summary.uniqueAddress();
    m_subDevices = std::move(m_reading);
    m_reading.clear();
    m_entry = 0;
    m_turn = size_t(qMax(0, indexOf(nextInTurn) - 1));
    emit listChanged();
    askNext();
}

// A few of ours after each step of the pass: the pass goes on, and the instruments behind the
// I/O system, many more than the loop's sixteen, are not left waiting for it.
void IoSystemReader::next() {
    constexpr int kOursAPassStep = 3;
    if (++m_sincePassStep < kOursAPassStep)
        askNext();
    else
        m_afterPassStep = true;
}

void IoSystemReader::askNext() {
    if (!m_enabled || m_busy || m_address < 0)
        return;
    if (m_entry > 0) { // the list is being read again: its next entry, or one instrument first
        if (m_entryTurn || m_subDevices.empty()) {
            readEntry(m_entry);
            return;
        }
        m_entryTurn = true;
    } else if (m_listStale) {
        m_listStale = false;
        readList();
        return;
    }
    if (m_statusWanted) {
        m_statusWanted = false;
        m_lastStatusReadMs = nowMs();
        constexpr int kAdditionalStatus = 48;
        // What it says is taken with the pass's answers (takeAnswer); then on with the list.
        if (send(
                {m_address, kAdditionalStatus}, [this](const protocol::ReadAnswer&) { next(); },
                [this] { m_again.start(int(kSilentPauseMs)); }))
            return;
    }
    if (m_subDevices.empty())
        return;
    const qint64 now = nowMs();
    // The followed one every other time, when it is due.
    if (const int followed = indexOf(m_followed); followed > 0 && followed != m_lastAsked) {
        SubDevice& sub = m_subDevices[size_t(followed - 1)];
        if (sub.nextAskMs <= now) {
            ask(sub, followed);
            return;
        }
    }
    // One whose delayed response may be ready goes first: its value is late already. Then one
    // whose details were asked for: someone is looking at it.
    for (const bool delayed : {true, false})
        for (size_t k = 0; k < m_subDevices.size(); ++k) {
            SubDevice& sub = m_subDevices[k];
            const bool first = delayed ? sub.delayed : !sub.detailsToAsk.empty();
            if (first && sub.nextAskMs <= now) {
                ask(sub, int(k) + 1);
                return;
            }
        }
    qint64 soonest = -1;
    for (size_t k = 0; k < m_subDevices.size(); ++k) {
        const size_t at = (m_turn + k) % m_subDevices.size();
        SubDevice& sub = m_subDevices[at];
        if (sub.nextAskMs <= now) {
            m_turn = at + 1;
            ask(sub, int(at) + 1);
            return;
        }
        if (soonest < 0 || sub.nextAskMs < soonest)
            soonest = sub.nextAskMs;
    }
    // None due yet: looked at again when the first is, or after the pass's next step.
    m_again.start(int(qMax<qint64>(1, soonest - now)));
    m_afterPassStep = true;
}

int IoSystemReader::indexOf(const QByteArray& uniqueAddress) const {
    if (uniqueAddress.isEmpty())
        return 0;
    for (size_t k = 0; k < m_subDevices.size(); ++k)
        if (m_subDevices[k].summary.uniqueAddress() == uniqueAddress)
            return int(k) + 1;
    return 0;
}

const field::Instrument& IoSystemReader::instrument(const QByteArray& uniqueAddress) const {
    static const field::Instrument kNone;
    const int index = indexOf(uniqueAddress);
    return index > 0 ? m_subDevices[size_t(index - 1)].instrument : kNone;
}

bool IoSystemReader::readDetails(const QByteArray& uniqueAddress) {
    const int index = indexOf(uniqueAddress);
    if (index == 0)
        return false;
    SubDevice& sub = m_subDevices[size_t(index - 1)];
    field::Instrument& in = sub.instrument;
    for (const int command : field::detailCommands(in.identity->hartRevision)) {
        if (in.detailsPending.insert(command).second)
            sub.detailsToAsk.push_back(command);
    }
    sub.nextAskMs = 0; // at once, unless it is silent
    emit subDeviceChanged(index);
    if (!m_busy)
        askNext();
    return true;
}

void IoSystemReader::follow(const QByteArray& uniqueAddress) {
    m_followed = uniqueAddress;
}

bool IoSystemReader::takePublished(const protocol::ReadAnswer& answer) {
    const int index = indexOf(answer.frame.uniqueAddress());
    if (index == 0)
        return false;
    field::Instrument& in = m_subDevices[size_t(index - 1)].instrument;
    protocol::ReadAnswer taken = answer;
    taken.address = index;
    const field::TakenAnswer folded = field::takeAnswerInto(in, taken, m_now());
    if (folded.changed)
        emit subDeviceChanged(index);
    if (folded.measured)
        emit measurement(index, folded.when);
    return true;
}

void IoSystemReader::ask(SubDevice& sub, int index) {
    // Details first, once asked; then its whole identity and its tag once, then the values.
    const bool detail = !sub.detailsToAsk.empty();
    const int command = detail               ? sub.detailsToAsk.front()
                        : !sub.identityAsked ? kReadIdentity
                        : sub.instrument.tag ? kReadValues
                                             : kReadTag;
    const QByteArray data = detail ? field::detailRequestData(command) : QByteArray();
    const QByteArray unique = sub.summary.uniqueAddress();
    protocol::OnDemandRequest asked(m_address, command, data, unique);
    if (sub.throughCommand77) {
        protocol::HartFrame carried;
        carried.delimiter = protocol::kLongDelimiter;
        carried.address = protocol::requestAddress(unique, m_cycle.masterRole());
        carried.command = command;
        carried.data = data;
        asked =
            protocol::OnDemandRequest(m_address, protocol::kSendCommandToSubDevice,
                                      protocol::command77Data(sub.summary.card, sub.summary.channel,
                                                              kPreamblesBehind, carried));
    }
    m_lastAsked = index;
    send(
        asked,
        [this, index, command](const protocol::ReadAnswer& answer) {
            taken(index, command, answer);
        },
        [this, index] {
            if (index <= int(m_subDevices.size()))
                m_subDevices[size_t(index - 1)].nextAskMs = nowMs() + kSilentPauseMs;
            m_again.start(int(kSilentPauseMs));
        });
}

void IoSystemReader::taken(int index, int command, const protocol::ReadAnswer& answer) {
    m_busy = false;
    if (index > int(m_subDevices.size())) {
        next();
        return;
    }
    SubDevice& sub = m_subDevices[size_t(index - 1)];
    const QByteArray unique = sub.summary.uniqueAddress();
    // The instrument's own answer: as it came, or carried back in command 77's.
    std::optional<protocol::HartFrame> frame;
    if (!sub.throughCommand77) {
        if (answer.accepted)
            frame = answer.frame;
    } else if (answeredOk(answer)) {
        if (const auto carried = protocol::embeddedAnswer(answer.frame.data))
            if (carried->frame.command == command && carried->frame.uniqueAddress() == unique)
                frame = carried->frame;
    } else if (answer.accepted) {
        frame = answer.frame; // the I/O system itself is busy, or answers late
    }
    const qint64 now = nowMs();
    if (!frame) {
        sub.delayed = false;
        // Not answered one way twice: the other way, where the I/O system has cards to name.
        if (++sub.unanswered >= 2) {
            if (m_io && m_io->cards > 0)
                sub.throughCommand77 = !sub.throughCommand77;
            if (sub.instrument.answering) {
                sub.instrument.answering = false;
                sub.instrument.silentSinceMs = m_now().toMSecsSinceEpoch();
                emit subDeviceChanged(index);
            }
        }
        sub.nextAskMs = now + kSilentPauseMs;
        fold(index, command, nullptr);
        next();
        return;
    }
    const int code = frame->responseCode;
    sub.delayed = code >= kBusy && code <= kDelayedResponseRunning;
    if (sub.delayed) {
        sub.nextAskMs = now + kAskAgainMs; // the others go on meanwhile
        next();
        return;
    }
    sub.unanswered = 0;
    sub.instrument.answering = true;
    sub.instrument.silentSinceMs = 0;
    sub.nextAskMs = now;
    fold(index, command, &*frame);
    next();
}

void IoSystemReader::fold(int index, int command, const protocol::HartFrame* frame) {
    SubDevice& sub = m_subDevices[size_t(index - 1)];
    field::Instrument& in = sub.instrument;
    const bool detail = !sub.detailsToAsk.empty() && sub.detailsToAsk.front() == command;
    if (!frame && !detail) {
        sub.identityAsked = sub.identityAsked || command == kReadIdentity;
        return; // silence: said by `answering`
    }
    if (detail)
        sub.detailsToAsk.erase(sub.detailsToAsk.begin());
    if (command == kReadIdentity && !detail) {
        // Asked once. What the list said stays unless this is the same instrument's whole
        // identity.
        sub.identityAsked = true;
        const std::optional<field::Identity> whole =
            frame ? field::identityFrom(*frame) : std::nullopt;
        if (!whole || whole->longAddress != sub.summary.uniqueAddress())
            return;
    }
    const protocol::ReadAnswer answer =
        frame ? protocol::ReadAnswer::of(command, index, true, frame->encode(),
                                         protocol::ReadAnswer::Origin::OnDemand)
              : protocol::ReadAnswer::of(command, index, false, {},
                                         protocol::ReadAnswer::Origin::OnDemand);
    const field::TakenAnswer folded = field::takeAnswerInto(in, answer, m_now());
    if (command == kReadTag && !in.tag)
        in.tag = field::TagRecord{}; // no tag to be had: values all the same
    emit subDeviceChanged(index);
    if (folded.measured)
        emit measurement(index, folded.when);
}

} // namespace core

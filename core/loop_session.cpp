#include "core/loop_session.h"
#include "core/network_words.h"

#include "app/texts.h"
#include "protocol/hart_frame.h"
#include "protocol/polling_cycle.h"

#include <QDir>

namespace core {

LoopSession::LoopSession(Setup setup, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)), m_settings(m_setup.settingsDir, m_setup.now),
      m_portController(m_port, m_yield,
                       [this](const QString& text) {
                           if (m_setup.messages)
                               m_setup.messages(text);
                       }),
      m_line(m_listening, m_timer),
      m_cycle(std::make_unique<protocol::PollingCycle>(m_state, m_board, m_line, m_line, m_yield)),
      m_model(m_setup.now), m_recorder(
                                m_model, [this] { return m_settings.record().Results_Dir; },
                                m_setup.locale, m_setup.now) {
    m_cycle->setLocale(m_setup.locale);
    connect(&m_port, &serial::SerialPort::bytesArrived, &m_listening, &ListeningLine::bytesArrived);
    // Burst frames heard on the serial line go to their instrument as a publication does.
    connect(&m_listening, &ListeningLine::frameHeard, this, [this](const protocol::HeardFrame& f) {
        // (While only listening, the learner takes everything it hears, bursts too.)
        if (f.kind == protocol::HeardFrame::Kind::Burst && !m_listeningRun)
            takeUnasked(protocol::ReadAnswer::of(f.frame.command, -1, true, f.bytes,
                                                 protocol::ReadAnswer::Origin::Published));
        else
            noticeMaster(f);
    });
    // Every frame heard; while only listening, what they say is learnt.
    connect(&m_listening, &ListeningLine::frameOnTheLine, this,
            [this](const protocol::HeardFrame& frame, bool sent) {
                m_lineLog.add(frame, sent, m_listening.epochUsAt(frame.startMs));
                if (sent)
                    return;
                ++m_framesHeard;
                if (m_listeningRun)
                    m_learner.hear(frame, m_steady.elapsed());
            });
    m_steady.start();
    m_learner.setLocale(m_setup.locale);
    m_quietRows.setInterval(1000);
    connect(&m_quietRows, &QTimer::timeout, this,
            [this] { m_learner.quietRows(m_steady.elapsed()); });
    // The field model listens beside the board: nothing of it reaches back into the cycle.
    connect(m_cycle.get(), &protocol::PollingCycle::answerDecoded, &m_model,
            &field::FieldModel::takeAnswer);
    connect(m_cycle.get(), &protocol::PollingCycle::cleared, &m_model, &field::FieldModel::clear);
    // After the model: it reads what the model just took.
    m_details = std::make_unique<DetailsReader>(*m_cycle, m_model, m_setup.now);
    m_subscriptions = std::make_unique<Subscriptions>(*m_cycle, m_state);
    m_ioSystems = std::make_unique<IoSystemReader>(*m_cycle, m_setup.now);
    connect(m_cycle.get(), &protocol::PollingCycle::answerDecoded, m_ioSystems.get(),
            &IoSystemReader::takeAnswer);
    connect(m_cycle.get(), &protocol::PollingCycle::cleared, m_ioSystems.get(),
            &IoSystemReader::clear);
    connect(m_ioSystems.get(), &IoSystemReader::measurement, this,
            [this](int index, const QDateTime& when) {
                m_recorder.recordBehind(index, when,
                                        m_ioSystems->subDevices()[size_t(index - 1)].instrument);
            });
}

LoopSession::~LoopSession() {
    // The network line goes before the cycle that holds the switch to it.
    m_line.useSerial();
}

LoopSession::StartReport LoopSession::open(const StartOptions& options) {
    m_options = options;
    StartReport report;
    report.settings = m_settings.openAtStartup();
    QString& resultsDir = m_settings.record().Results_Dir;
    if (!options.resultsDir.isEmpty())
        resultsDir = options.resultsDir;
    if (options.makeResultsDir && !QDir().mkpath(resultsDir))
        report.resultsDirNotMade = resultsDir;
    report.folders = app::prepareResultFolders(resultsDir, m_setup.now().date(), m_setup.locale);
    report.notHartIp = !useLine(options.device);
    if (report.notHartIp) // the serial line it would have been without the address
        m_portController.Open_Port();
    if (!options.missingDevice.isEmpty() && !m_hartIp)
        m_portController.noteMissingRemembered(options.missingDevice);
    return report;
}

void LoopSession::start() {
    m_port.setDtrEnable(true);
    if (listenOnly()) {
        m_listeningRun = true;
        m_quietRows.start();
        return;
    }
    m_cycle->start();
}

bool LoopSession::isRunning() const {
    return m_listeningRun || m_cycle->isRunning();
}

void LoopSession::setListenOnly(bool on) {
    m_listening.setListenOnly(on);
}

void LoopSession::stop() {
    m_listeningRun = false;
    m_quietRows.stop();
    m_learner.forget();
    m_cycle->stop(); // clears the board, whoever wrote it
    // Said again in the next run; what is heard before it starts (a front end listens a little
    // first) is that run's.
    m_mastersHeard.clear();
}

bool LoopSession::useLine(const QString& device) {
    if (const std::optional<net::HartIpAddress> network = net::parseHartIpDevice(device)) {
        useHartIp(*network);
        return true;
    }
    if (net::looksLikeHartIp(device))
        return false;
    if (m_hartIp)
        useSerial();
    if (!device.isEmpty())
        m_port.setDevice(device);
    m_portController.Open_Port();
    return true;
}

bool LoopSession::subscribe(int address, bool on) {
    return m_hartIp && m_subscriptions->ask(address, on);
}

bool LoopSession::subscribeBehind(const QByteArray& uniqueAddress, bool on) {
    const int ioSystem = m_ioSystems->ioSystemAddress();
    return m_hartIp && ioSystem >= 0 && m_ioSystems->indexOf(uniqueAddress) > 0 &&
           m_subscriptions->askBehind(ioSystem, uniqueAddress, on);
}

void LoopSession::useSerial() {
    if (!m_hartIp)
        return;
    m_ioSystems->setEnabled(false);
    m_cycle->stop();
    m_line.useSerial();
    m_hartIp->close();
    m_hartIpLine.reset();
    m_hartIp.reset();
    emit lineChanged();
}

QString LoopSession::networkStatusText(qint16 languageFlag) const {
    if (!m_hartIp)
        return QString();
    using State = net::HartIpSessionMachine::State;
    using app::Text;
    const QString where = networkPlace(*m_hartIp, languageFlag);
    switch (m_hartIp->state()) {
    case State::Open:
        return app::text(Text::PortNetworkOpen, languageFlag).arg(where);
    case State::Connecting:
    case State::Securing:
    case State::Initiating:
        return app::text(Text::PortNetworkConnecting, languageFlag).arg(where);
    case State::Closed:
        return app::text(Text::PortNetworkClosed, languageFlag).arg(where);
    case State::Paused:
        break;
    }
    return app::text(Text::PortNetworkFailed, languageFlag)
        .arg(where, networkFailureReason(*m_hartIp, languageFlag));
}

void LoopSession::useHartIp(const net::HartIpAddress& address) {
    const net::HartIpSessionMachine::Settings settings = m_options.network;
    net::PreSharedKey key =
        m_options.networkKey ? m_options.networkKey(address.host) : net::PreSharedKey{};
    m_cycle->stop();
    m_line.useSerial();
    m_hartIpLine.reset();
    m_hartIp = std::make_unique<net::HartIpSession>(address, settings, std::move(key));
    m_hartIpLine = std::make_unique<net::HartIpLine>(*m_hartIp, settings.answerTimeoutMs);
    m_line.useNetwork(*m_hartIpLine, *m_hartIpLine);
    if (m_capture)
        m_capture->follow(*m_hartIp);
    // Published values go to the instrument whose long address they carry, on the loop or
    // behind an I/O system.
    connect(m_hartIp.get(), &net::HartIpSession::published, this, [this](const QByteArray& bytes) {
        const int command = protocol::HartFrame::parse(bytes).command;
        const protocol::ReadAnswer answer = protocol::ReadAnswer::of(
            command, -1, true, bytes, protocol::ReadAnswer::Origin::Published);
        if (!m_ioSystems->takePublished(answer) && !takeUnasked(answer))
            ++m_unmatchedPublications;
    });
    m_ioSystems->setEnabled(true);
    emit lineChanged();
    m_hartIp->open();
}

bool LoopSession::startCapture(const QString& path, QString* error) {
    m_capture.reset();
    // An instrument named by its long address is placed by its polling address when the pass
    // knows it.
    const auto pollingAddressOf = [this](const QByteArray& unique) {
        for (int address = 0; address < protocol::kRowCount; ++address)
            if (protocol::withoutMasterAndBurst(
                    m_state.Device_Table[size_t(address)].Long_Address) == unique)
                return address;
        return -1;
    };
    m_capture = LineCapture::start(m_listening, path, pollingAddressOf, error);
    if (!m_capture)
        return false;
    if (m_hartIp)
        m_capture->follow(*m_hartIp);
    const LineCapture* started = m_capture.get();
    connect(m_capture.get(), &LineCapture::failed, this,
            [this, started](const QString& file, const QString& reason) {
                // Said once; the file stays as it was written up to the failure. It goes once
                // its signal has returned, unless another capture took its place.
                QMetaObject::invokeMethod(
                    this,
                    [this, started] {
                        if (m_capture.get() == started)
                            m_capture.reset();
                    },
                    Qt::QueuedConnection);
                emit captureFailed(file, reason);
            });
    return true;
}

quint64 LoopSession::stopCapture() {
    if (!m_capture)
        return 0;
    m_capture->waitUntilWritten();
    const quint64 written = m_capture->packetsWritten();
    m_capture.reset();
    return written;
}

bool LoopSession::takeUnasked(protocol::ReadAnswer answer) {
    const protocol::HartFrame& frame = answer.frame;
    if (!frame.sound() || !frame.longAddress())
        return false;
    // By the whole unique address; failing that, by the device ID alone when exactly one
    // instrument has it: some servers publish with the device-type bits of the address lost.
    constexpr int kDeviceIdLength = 3;
    const QByteArray unique = frame.uniqueAddress();
    int byDeviceId = -1;
    int sharingDeviceId = 0;
    for (int address = 0; address < protocol::kRowCount; ++address) {
        const QByteArray known =
            protocol::withoutMasterAndBurst(m_state.Device_Table[size_t(address)].Long_Address);
        if (known.size() != protocol::kLongAddressLength)
            continue;
        if (known == unique) {
            answer.address = address;
            m_model.takeAnswer(answer);
            return true;
        }
        if (known.right(kDeviceIdLength) == unique.right(kDeviceIdLength)) {
            byDeviceId = address;
            ++sharingDeviceId;
        }
    }
    if (sharingDeviceId != 1)
        return false;
    answer.address = byDeviceId;
    m_model.takeAnswer(answer);
    return true;
}

void LoopSession::noticeMaster(const protocol::HeardFrame& frame) {
    using Kind = protocol::HeardFrame::Kind;
    // A request naming a master, or an answer to one, that is not our own: that master is
    // there. (A request of our role that is not ours was never sent by us.)
    if (frame.kind != Kind::OtherRequest && frame.kind != Kind::AnswerToOther &&
        frame.kind != Kind::OurRequest)
        return;
    const protocol::MasterRole heard =
        frame.namesPrimary() ? protocol::MasterRole::Primary : protocol::MasterRole::Secondary;
    if (m_mastersHeard.contains(heard))
        return;
    m_mastersHeard << heard;
    emit otherMasterHeard(heard);
}

void LoopSession::setMasterRole(protocol::MasterRole role) {
    m_cycle->setMasterRole(role);
    m_listening.setRole(role);
}

} // namespace core

#include "core/loop_session.h"
#include "core/network_words.h"

#include "app/texts.h"
#include "protocol/hart_frame.h"
#include "protocol/polling_cycle.h"

namespace core {

LoopSession::LoopSession(protocol::Board& board, Setup setup, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)), m_settings(m_setup.settingsDir, m_setup.now),
      m_portController(m_port, m_yield,
                       [this](const QString& text) {
                           if (m_setup.messages)
                               m_setup.messages(text);
                       }),
      m_line(m_port, m_timer),
      m_cycle(std::make_unique<protocol::PollingCycle>(m_state, board, m_line, m_line, m_yield)),
      m_model(m_setup.now), m_recorder(
                                m_model, [this] { return m_settings.record().Results_Dir; },
                                m_setup.locale, m_setup.now) {
    m_cycle->setLocale(m_setup.locale);
    // The field model listens beside the board: nothing of it reaches back into the cycle.
    connect(m_cycle.get(), &protocol::PollingCycle::answerDecoded, &m_model,
            &field::FieldModel::takeAnswer);
    connect(m_cycle.get(), &protocol::PollingCycle::cleared, &m_model, &field::FieldModel::clear);
    // After the model: it reads what the model just took.
    m_details = std::make_unique<DetailsReader>(*m_cycle, m_model, m_setup.now);
}

LoopSession::~LoopSession() {
    // The network line goes before the cycle that holds the switch to it.
    m_line.useSerial();
}

bool LoopSession::subscribe(int address, bool on) {
    if (!m_hartIp || address < 0 || address >= protocol::kRowCount)
        return false;
    const QByteArray unique =
        protocol::withoutMasterAndBurst(m_state.Device_Table[size_t(address)].Long_Address);
    if (unique.size() != protocol::kLongAddressLength)
        return false;
    // Command 533 inside command 31: process data, events, device status and configuration.
    constexpr quint16 kAllPublished = 0x000F;
    const quint16 flags = on ? kAllPublished : 0;
    QByteArray data = QByteArray::fromHex("0215") + unique;
    data += char(flags >> 8);
    data += char(flags);
    return m_cycle->request({address, 31, data}) != nullptr;
}

void LoopSession::useSerial() {
    if (!m_hartIp)
        return;
    m_cycle->stop();
    m_line.useSerial();
    m_hartIp->close();
    m_hartIpLine.reset();
    m_hartIp.reset();
}

QString LoopSession::networkStatusText(qint16 languageFlag) const {
    if (!m_hartIp)
        return QString();
    using State = net::HartIpSessionMachine::State;
    using app::Text;
    const QString where = networkPlace(*m_hartIp);
    switch (m_hartIp->state()) {
    case State::Open:
        return app::text(Text::PortNetworkOpen, languageFlag).arg(where);
    case State::Connecting:
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

void LoopSession::useHartIp(const net::HartIpAddress& address,
                            net::HartIpSessionMachine::Settings settings, net::PreSharedKey key) {
    m_cycle->stop();
    m_line.useSerial();
    m_hartIpLine.reset();
    m_hartIp = std::make_unique<net::HartIpSession>(address, settings, std::move(key));
    m_hartIpLine = std::make_unique<net::HartIpLine>(*m_hartIp, settings.answerTimeoutMs);
    m_line.useNetwork(*m_hartIpLine, *m_hartIpLine);
    // Published values go to the instrument whose long address they carry.
    connect(m_hartIp.get(), &net::HartIpSession::published, this, [this](const QByteArray& bytes) {
        protocol::ReadAnswer published =
            protocol::ReadAnswer::of(3, -1, true, bytes, protocol::ReadAnswer::Origin::Published);
        const protocol::HartFrame& burst = published.frame;
        if (!burst.sound() || burst.command != 3 || !burst.longAddress())
            return;
        for (int address = 0; address < protocol::kRowCount; ++address) {
            const QByteArray known =
                protocol::withoutMasterAndBurst(m_state.Device_Table[size_t(address)].Long_Address);
            if (known.size() == protocol::kLongAddressLength && known == burst.uniqueAddress()) {
                published.address = address;
                m_model.takeAnswer(published);
                return;
            }
        }
    });
    m_hartIp->open();
}

} // namespace core

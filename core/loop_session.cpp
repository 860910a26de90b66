#include "core/loop_session.h"

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
    m_details = std::make_unique<DetailsReader>(*m_cycle, m_model);
}

LoopSession::~LoopSession() {
    // The network line goes before the cycle that holds the switch to it.
    m_line.useSerial();
}

void LoopSession::useHartIp(const net::HartIpAddress& address) {
    m_cycle->stop();
    m_line.useSerial();
    m_hartIpLine.reset();
    m_hartIp = std::make_unique<net::HartIpSession>(address, net::HartIpSessionMachine::Settings{});
    m_hartIpLine = std::make_unique<net::HartIpLine>(*m_hartIp);
    m_line.useNetwork(*m_hartIpLine, *m_hartIpLine);
    m_hartIp->open();
}

} // namespace core

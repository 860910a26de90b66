#include "network_dialog.h"

#include "app/side_settings.h"
#include "app/texts.h"
#include "core/network_words.h"
#include "net/hartip_address.h"
#include "net/hartip_session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace ui {

namespace {

// What the host field holds, without the brackets an IPv6 address may be typed with.
// The host as typed, in the form it is kept under: "GW.Plant" and "gw.plant" are one host.
QString plainHost(const QLineEdit* field) {
    return net::keyHost(field->text());
}

} // namespace

NetworkDialog::NetworkDialog(QWidget* parent, const QString& last, qint16 languageFlag,
                             app::SideSettings& side)
    : QDialog(parent), m_languageFlag(languageFlag), m_side(side) {
    using app::Text;
    const auto say = [languageFlag](Text id) { return app::text(id, languageFlag); };
    setObjectName(QStringLiteral("Network_Dialog"));
    setWindowTitle(say(Text::NetworkDialogTitle));
    m_host = new QLineEdit(this);
    m_host->setObjectName(QStringLiteral("Network_Host"));
    m_port = new QSpinBox(this);
    m_port->setRange(1, 65535);
    m_port->setValue(protocol::hartip::kDefaultPort);
    m_transport = new QComboBox(this);
    m_transport->addItems({QStringLiteral("TCP"), QStringLiteral("UDP")});
    m_secure = new QCheckBox(say(Text::NetworkDialogSecure), this);
    m_identity = new QLineEdit(this);
    m_key = new QLineEdit(this);
    m_key->setEchoMode(QLineEdit::Password);
    m_problemLabel = new QLabel(this);
    m_problemLabel->setWordWrap(true);
    m_problemLabel->setStyleSheet(QStringLiteral("color: #b00000"));
    if (const std::optional<net::HartIpAddress> before = net::parseHartIpDevice(last)) {
        m_host->setText(before->host);
        m_port->setValue(before->port);
        m_transport->setCurrentIndex(before->udp ? 1 : 0);
        m_secure->setChecked(before->secure);
    }
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // Qt's own words are English unless its translations are loaded; ours follow the language.
    m_buttons->button(QDialogButtonBox::Cancel)->setText(say(Text::NetworkDialogCancel));
    // Room for the key's 32 digits and the words that say it is kept.
    m_key->setMinimumWidth(m_key->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 40);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &NetworkDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_host, &QLineEdit::textChanged, this, &NetworkDialog::hostChanged);
    for (QLineEdit* field : {m_identity, m_key})
        connect(field, &QLineEdit::textChanged, this, &NetworkDialog::check);
    connect(m_secure, &QCheckBox::toggled, this, &NetworkDialog::check);
    auto* form = new QFormLayout(this);
    form->addRow(say(Text::NetworkDialogHost), m_host);
    form->addRow(say(Text::NetworkDialogPort), m_port);
    form->addRow(say(Text::NetworkDialogTransport), m_transport);
    form->addRow(m_secure);
    form->addRow(say(Text::NetworkDialogIdentity), m_identity);
    form->addRow(say(Text::NetworkDialogKey), m_key);
    form->addRow(m_problemLabel);
    form->addRow(m_buttons);
    hostChanged();
}

QString NetworkDialog::device() const {
    net::HartIpAddress address;
    address.host = plainHost(m_host);
    address.port = quint16(m_port->value());
    address.secure = m_secure->isChecked();
    address.udp = !address.secure && m_transport->currentIndex() == 1;
    if (address.host.isEmpty())
        return QString();
    const QString device = net::hartIpDevice(address);
    return net::parseHartIpDevice(device) ? device : QString();
}

// A key kept for the host fills the identity in; the key itself is never read back into the field.
void NetworkDialog::hostChanged() {
    const std::optional<app::SideSettings::HartIpKey> kept = m_side.hartIpKey(plainHost(m_host));
    m_keyKept = kept.has_value();
    m_identity->setText(kept ? kept->identity : QString());
    m_key->clear();
    m_key->setPlaceholderText(m_keyKept ? app::text(app::Text::NetworkDialogKeyKept, m_languageFlag)
                                        : QString());
    check();
}

void NetworkDialog::check() {
    const bool secure = m_secure->isChecked();
    // UDP has no TLS here: secure is TCP.
    m_transport->setEnabled(!secure);
    m_identity->setEnabled(secure);
    m_key->setEnabled(secure);
    m_problem.clear();
    net::HartIpAddress typed;
    typed.host = plainHost(m_host);
    typed.port = quint16(m_port->value());
    if (!typed.host.isEmpty() && device().isEmpty()) {
        m_problem = core::addressProblemText(net::hartIpDevice(typed), m_languageFlag);
    } else if (secure && (!m_keyKept || !m_key->text().isEmpty())) {
        net::KeyProblem why = net::KeyProblem::None;
        if (!net::parsePreSharedKey(m_identity->text(), m_key->text(), &why))
            m_problem = core::keyProblemText(why, m_languageFlag);
    } else if (secure && m_identity->text().trimmed().isEmpty()) {
        m_problem = core::keyProblemText(net::KeyProblem::NoIdentity, m_languageFlag);
    }
    m_problemLabel->setText(m_problem);
    m_problemLabel->setVisible(!m_problem.isEmpty());
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!device().isEmpty() && m_problem.isEmpty());
}

void NetworkDialog::accept() {
    if (device().isEmpty() || !m_problem.isEmpty())
        return;
    if (m_secure->isChecked()) {
        const QString host = plainHost(m_host);
        app::SideSettings::HartIpKey key;
        key.identity = m_identity->text().trimmed();
        if (m_key->text().isEmpty()) {
            key.hexKey = m_side.hartIpKey(host)->hexKey; // only the identity changes
        } else {
            const std::optional<net::PreSharedKey> typed =
                net::parsePreSharedKey(key.identity, m_key->text());
            key.hexKey = QString::fromLatin1(typed->key.toHex().toUpper());
        }
        QString error;
        if (!m_side.setHartIpKey(host, key, &error)) {
            m_problem = app::text(app::Text::NetworkKeyNotStored, m_languageFlag).arg(error);
            m_problemLabel->setText(m_problem);
            m_problemLabel->setVisible(true);
            return;
        }
    }
    QDialog::accept();
}

std::optional<QString> askNetworkAddress(QWidget* parent, const QString& last, qint16 languageFlag,
                                         app::SideSettings& side) {
    NetworkDialog dialog(parent, last, languageFlag, side);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.device();
}

} // namespace ui

#include "network_dialog.h"

#include "app/texts.h"
#include "net/hartip_session.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace ui {

std::optional<QString> askNetworkAddress(QWidget* parent, const QString& last,
                                         qint16 languageFlag) {
    using app::Text;
    const auto say = [languageFlag](Text id) { return app::text(id, languageFlag); };
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("Network_Dialog"));
    dialog.setWindowTitle(say(Text::NetworkDialogTitle));
    auto* host = new QLineEdit(&dialog);
    host->setObjectName(QStringLiteral("Network_Host"));
    auto* port = new QSpinBox(&dialog);
    port->setRange(1, 65535);
    port->setValue(protocol::hartip::kDefaultPort);
    auto* transport = new QComboBox(&dialog);
    transport->addItems({QStringLiteral("TCP"), QStringLiteral("UDP")});
    if (const std::optional<net::HartIpAddress> before = net::parseHartIpDevice(last)) {
        host->setText(before->host);
        port->setValue(before->port);
        transport->setCurrentIndex(before->udp ? 1 : 0);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // No address, no OK.
    const auto check = [host, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!host->text().trimmed().isEmpty());
    };
    QObject::connect(host, &QLineEdit::textChanged, &dialog, check);
    check();
    auto* form = new QFormLayout(&dialog);
    form->addRow(say(Text::NetworkDialogHost), host);
    form->addRow(say(Text::NetworkDialogPort), port);
    form->addRow(say(Text::NetworkDialogTransport), transport);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QString device = QStringLiteral("%1://%2:%3")
                               .arg(transport->currentIndex() == 1 ? QStringLiteral("hartip+udp")
                                                                   : QStringLiteral("hartip"),
                                    host->text().trimmed())
                               .arg(port->value());
    return device;
}

} // namespace ui

#pragma once

#include <QDialog>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace app {
class SideSettings;
}

namespace ui {

// Asks where a HART-IP server is: host, port (5094 unless changed) and TCP or UDP. Returns the
// device string (`hartip://HOST:PORT` or `hartip+udp://HOST:PORT`), or nothing when cancelled.
// `last` fills the fields in; the words are in the language of `languageFlag`.
using NetworkAddressQuestion =
    std::function<std::optional<QString>(const QString& last, qint16 languageFlag)>;

// The question as a dialog. Secure (version 2 inside TLS) also takes the key's identity and the
// key; the key is kept in the side file for the host when OK is pressed, never shown again: the
// field stays empty and says a key is kept.
class NetworkDialog : public QDialog {
    Q_OBJECT
public:
    NetworkDialog(QWidget* parent, const QString& last, qint16 languageFlag,
                  app::SideSettings& side);

    // The device string the fields name now; empty while they name none.
    QString device() const;
    // What keeps OK from being pressed, in words; empty when nothing does.
    QString problem() const { return m_problem; }
    // Keeps the key typed, then closes; stays open, saying why, if it cannot be kept.
    void accept() override;

    QLineEdit* hostField() const { return m_host; }
    QSpinBox* portField() const { return m_port; }
    QComboBox* transportField() const { return m_transport; }
    QCheckBox* secureSwitch() const { return m_secure; }
    QLineEdit* identityField() const { return m_identity; }
    QLineEdit* keyField() const { return m_key; }

private:
    void hostChanged();
    void check();

    qint16 m_languageFlag;
    app::SideSettings& m_side;
    QLineEdit* m_host;
    QSpinBox* m_port;
    QComboBox* m_transport;
    QCheckBox* m_secure;
    QLineEdit* m_identity;
    QLineEdit* m_key;
    QLabel* m_problemLabel;
    QDialogButtonBox* m_buttons;
    bool m_keyKept = false;
    QString m_problem;
};

// The question as a small dialog over `parent`, in the language of `languageFlag`.
std::optional<QString> askNetworkAddress(QWidget* parent, const QString& last, qint16 languageFlag,
                                         app::SideSettings& side);

} // namespace ui

#pragma once

#include "folder_picker.h"
#include "network_dialog.h"

#include "net/hartip_session_machine.h"
#include "net/hartip_tls.h"

#include "serial/discovered_port.h"

#include <QDateTime>
#include <QLocale>
#include <QRect>
#include <QString>

#include <functional>

namespace ui {

// What the window takes from the world outside it, so tests can stand in for each piece.
struct Form1Environment {
    // Shows a message with an OK button, titled "Corvantelis v.1.03".
    std::function<void(const QString& text)> showMessage;
    // A line on standard error, for what is worth noting but not worth a message box.
    std::function<void(const QString& line)> note;
    FolderPicker pickFolder;
    // Asks where a HART-IP server is, when the port list's network entry is chosen.
    NetworkAddressQuestion askNetwork;
    // How long a HART-IP request and the session's quiet may last (the side file's).
    net::HartIpSessionMachine::Settings network;
    // The pre-shared key kept for a host (HART-IP version 2); unset or empty: none.
    std::function<net::PreSharedKey(const QString& host, qint16 languageFlag)> networkKey;
    std::function<QDateTime()> now;
    // Regional settings: weekday and month names, the numbers on the board.
    QLocale locale;
    // The logical DPI the twips are scaled by; 0: the primary screen's.
    qreal logicalDpi = 0;
    // The room the window may take on its screen; unset or empty: no limit.
    std::function<QRect()> availableScreen;

    // The serial devices the system offers now, listed after the numbered ports; unset: none.
    serial::PortDiscovery discoverPorts;
    // The device opened at start-up instead of port 1 (given on the command line, or the one
    // chosen last time); empty: port 1.
    QString startupDevice;
    // The device chosen last time when it was not there at start-up; the panel says so.
    QString missingDevice;
    // Told the device chosen from the discovered list, to open it at the next start; an empty
    // path when a numbered port was chosen.
    std::function<void(const QString& devicePath)> rememberDevice;
    // Whether this program starts as the loop's secondary master (primary otherwise), and told
    // the operator's choice from the menu, to keep it for the next start.
    bool secondaryMaster = false;
    std::function<void(bool secondary)> rememberMaster;
    // Listening only from the start (--listen): nothing is sent.
    bool listenOnly = false;
    // Asks where a capture of the line goes (a pcapng file); empty: nothing chosen.
    std::function<QString(const QString& title)> pickCaptureFile;
    // Captured from the start (--capture); empty: no capture until one is chosen.
    QString captureFile;
};

} // namespace ui

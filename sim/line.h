#pragma once

#include <QByteArray>
#include <QString>

namespace sim {

// The file descriptor the instruments talk through and the device a master opens.
struct Line {
    int fd = -1;
    int slaveFd = -1; // pseudo-terminal only: held open so the line survives a master's close
    QString devicePath;
    bool serialPort = false;
};

// A pseudo-terminal pair in raw mode; the master opens `devicePath`.
bool openPseudoTerminal(Line& line, QString& error);

// A serial device at 1200 bit/s, 8 data bits, odd parity, 1 stop bit, raw, no flow control.
bool openSerialDevice(const QString& device, Line& line, QString& error);

void closeLine(Line& line);

// Writes as much of `bytes` as the line takes without blocking; returns the count written.
// On a serial device RTS is raised for the write and dropped once the bytes are out.
int writeToLine(const Line& line, const QByteArray& bytes);

} // namespace sim

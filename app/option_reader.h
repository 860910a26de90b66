#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace app {

// Reads `arguments` (the program's name first) with Qt's `parser`, which holds the program's
// options. Empty when they are sound; otherwise what is wrong, in the program's words:
// "unknown option '--colour=red'" naming the argument as it was typed (control characters as
// escapes, so that the complaint stays one line) for an option the parser does not know or a
// word that is no option, and "--port needs a value" (`needsValue` the words after the
// option's name) for an option of `valued` given without its value or with an empty one.
QString readOptions(QCommandLineParser& parser, const QStringList& arguments,
                    const QList<QCommandLineOption>& valued,
                    const QString& needsValue = QStringLiteral("needs a value"));

// A number of seconds given on the command line ("10", "0.5") in milliseconds; nothing for
// anything else or a negative number.
std::optional<qint64> secondsAsMs(const QString& text);

// --master's value: true for "secondary", false for "primary", nothing for anything else.
std::optional<bool> secondaryMasterFrom(const QString& word);

// A folder or file named on the command line as the program uses and stores it: relative to the
// folder it was started in, made absolute, so that a later run from elsewhere means the same.
QString absolutePath(const QString& path);
// A device named on the command line: a path to it (it holds a separator) made absolute as
// above; a bare port name (ttyUSB0, COM3) and a network address (hartip://…) as given.
QString absoluteDevice(const QString& device);

} // namespace app

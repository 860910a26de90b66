#include "app/option_reader.h"

#include <QDir>
#include <QFileInfo>

namespace app {

namespace {

// Control characters as escapes.
QString shown(const QString& argument) {
    QString out;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// The option name an argument gives: its dashes and any "=value" aside.
QString nameIn(const QString& argument) {
    qsizetype from = 0;
    while (from < argument.size() && from < 2 && argument.at(from) == QLatin1Char('-'))
        ++from;
    const qsizetype equals = argument.indexOf(QLatin1Char('='), from);
    return argument.mid(from, equals < 0 ? -1 : equals - from);
}

QString unknown(const QString& argument) {
    return QStringLiteral("unknown option '%1'").arg(shown(argument));
}

} // namespace

std::optional<qint64> secondsAsMs(const QString& text) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !(seconds >= 0) || seconds > 366.0 * 24 * 3600)
        return std::nullopt;
    return qint64(seconds * 1000 + 0.5);
}

QString absolutePath(const QString& path) {
    if (path.isEmpty())
        return path;
    // Absolute without resolving links: the name given stays the name used.
    return QDir::toNativeSeparators(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}

QString absoluteDevice(const QString& device) {
    const bool path = device.contains(QLatin1Char('/')) || device.contains(QLatin1Char('\\'));
    if (!path || device.contains(QLatin1String("://")) || QFileInfo(device).isAbsolute())
        return device;
    return absolutePath(device);
}

QString readOptions(QCommandLineParser& parser, const QStringList& arguments,
                    const QList<QCommandLineOption>& valued, const QString& needsValue) {
    if (!parser.parse(arguments)) {
        // Qt names an unknown option without its dashes or value: the argument as typed is
        // what the user recognises.
        const QStringList names = parser.unknownOptionNames();
        if (!names.isEmpty()) {
            for (const QString& argument : arguments.mid(1))
                if (argument.startsWith(QLatin1Char('-')) && nameIn(argument) == names.first())
                    return unknown(argument);
            return unknown(names.first());
        }
        const auto takesValue = [&valued](const QString& name) {
            for (const QCommandLineOption& option : valued)
                if (option.names().contains(name))
                    return true;
            return false;
        };
        // An option that takes a value, last and without one.
        const QString& last = arguments.last();
        if (!last.contains(QLatin1Char('=')) && takesValue(nameIn(last)))
            return QStringLiteral("%1 %2").arg(shown(last), needsValue);
        // A value joined to an option that takes none ("--record=yes"): no option of ours.
        for (const QString& argument : arguments.mid(1))
            if (argument.startsWith(QLatin1Char('-')) && argument.contains(QLatin1Char('=')) &&
                !takesValue(nameIn(argument)))
                return unknown(argument);
        return parser.errorText();
    }
    for (const QCommandLineOption& option : valued)
        if (parser.isSet(option) && parser.value(option).isEmpty())
            return QStringLiteral("--%1 %2").arg(option.names().constLast(), needsValue);
    const QStringList words = parser.positionalArguments();
    return words.isEmpty() ? QString() : unknown(words.first());
}

std::optional<bool> secondaryMasterFrom(const QString& word) {
    if (word == QLatin1String("secondary"))
        return true;
    if (word == QLatin1String("primary"))
        return false;
    return std::nullopt;
}

} // namespace app

#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class QWidget;

namespace ui {

// Asks where a HART-IP server is: host, port (5094 unless changed) and TCP or UDP. Returns the
// device string (`hartip://HOST:PORT` or `hartip+udp://HOST:PORT`), or nothing when cancelled.
// `last` fills the fields in; the words are in the language of `languageFlag`.
using NetworkAddressQuestion =
    std::function<std::optional<QString>(const QString& last, qint16 languageFlag)>;

// The question as a small dialog over `parent`, in the language of `languageFlag`.
std::optional<QString> askNetworkAddress(QWidget* parent, const QString& last, qint16 languageFlag);

} // namespace ui

#pragma once

#include "field/field_model.h"

#include <QByteArray>
#include <QDateTime>

namespace record {

// The measurement files are CSV as RFC 4180 has it: UTF-8, comma-separated, CRLF after every
// line, a field quoted only when it holds a comma, a quote or a line break. Numbers use '.' and
// no grouping whatever the regional settings, so programs read them as people do.

// The column names, with the line end.
QByteArray csvHeader();

// One line for the values `instrument` just gave at `address` (a command-3 answer or a published
// frame), received at `when`: local time with its UTC offset, the identity and tag known so far,
// the loop current and the variables at full precision with their units, the response code and
// the device status. A value the frame did not carry is an empty field.
QByteArray csvRow(int address, const QDateTime& when, const field::Instrument& instrument);

// `when` as the files write it: ISO 8601 to the millisecond with its offset from UTC.
QByteArray isoTime(const QDateTime& when);

// `text` as one CSV field.
QByteArray csvField(const QString& text);

} // namespace record

#pragma once

#include "protocol/read_answer.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace field {

// One field of an answer as read: where it sits, its bytes, its name and what it says.
struct ExplainedField {
    int offset = 0; // counted from the first byte read, preamble included
    int length = 0;
    QString bytes; // "06", "3C 51 10 20 31"
    QString name;  // "delimiter"
    QString meaning;
};

// The answer `asRead` field by field, in English or Russian: preamble, delimiter, address,
// command, byte count, response code, device status, each data field of commands 0, 3 and 13
// decoded, anything unexpected, and the check byte with whether it matched.
QList<ExplainedField> explainAnswer(const protocol::ReadAnswer& answer, bool english);

} // namespace field

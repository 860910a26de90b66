#pragma once

#include "protocol/read_answer.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace field {

// What an instrument tells when asked beyond the pass: the commands, their requests, and their
// answers taken apart into named rows in the language asked for.

// One line of what a command told: a name and its value in words, units included.
struct DetailRow {
    QString name;
    QString value;
};

// A command's answer as the view shows it: the rows, or why there are none.
struct DetailReading {
    enum class State { Read, NotSupported, NoAnswer, Damaged, TooShort, Refused };
    State state = State::NoAnswer;
    QList<DetailRow> rows;
    QString stateText; // for every state but Read
};

// The commands read for an instrument of `hartRevision`, in the order they are asked: those of
// HART 6 and 7 only where the instrument speaks them.
QList<int> detailCommands(int hartRevision);
// What the request carries: for command 9 the codes of the four dynamic variables.
QByteArray detailRequestData(int command);
// The heading the view gives command `command`'s reading.
QString detailHeading(int command, bool english);

// What `answer` (to a detail command) says, `accepted` as the cycle judged it (whole, check
// byte right, from the instrument asked). Fields beyond what the answer carries are left out,
// never shown empty or as zero.
DetailReading readDetail(const protocol::ReadAnswer& answer, bool english);

// Command 15's range, for the loop check.
struct RangeValues {
    int alarmSelection = 0;
    int transferFunction = 0;
    int unitsCode = 0;
    float upper = 0;
    float lower = 0;
    float damping = 0;
    int writeProtect = 0;
};
std::optional<RangeValues> rangeValuesFrom(const QByteArray& data);
// Command 7's loop current mode: true when enabled.
std::optional<bool> loopCurrentModeFrom(const QByteArray& data);

} // namespace field

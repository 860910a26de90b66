#pragma once

#include "hart_frame.h"

#include <QByteArray>

namespace protocol {

// One answer as the loop delivered it: what was asked, whether it was taken, the bytes as read
// and those bytes taken apart where they were read. Everything beside the board (the field
// model and through it the recorder and the views, the details, the explanation of the dump)
// reads the frame from here instead of taking the bytes apart again.
struct ReadAnswer {
    enum class Origin {
        Pass,      // a step of the pass: command 0, 13 or 3
        OnDemand,  // a request asked for beside the pass
        Published, // sent unasked by the instrument (burst mode, a HART-IP subscription)
        Heard,     // an answer to another master, heard while listening
    };

    int command = -1;
    int address = -1;      // polling address: the board row and the table entry
    bool accepted = false; // whole, check byte right, from the instrument asked, in its form
    Origin origin = Origin::Pass;
    QByteArray asRead; // preamble included
    HartFrame frame;   // asRead taken apart
    // How long before it was read its last byte had arrived (ms); -1: not known. The answer
    // came when that byte did, not when the step that read it ended.
    qint64 ageMs = -1;

    // `asRead` taken apart, with what it answers.
    static ReadAnswer of(int command, int address, bool accepted, const QByteArray& asRead,
                         Origin origin = Origin::Pass) {
        return {command, address, accepted, origin, asRead, HartFrame::parse(asRead)};
    }
};

} // namespace protocol

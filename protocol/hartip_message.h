#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// HART-IP: HART frames carried over TCP or UDP. Every message is an eight-byte header
// (big-endian) and a body: version, message type, message id, status, sequence number (two
// bytes, echoed in the response), and the byte count of the whole message, header included.
// A token-passing PDU's body is one HART frame without preamble. Values only: no sockets here.
namespace protocol::hartip {

constexpr quint16 kDefaultPort = 5094;
constexpr int kHeaderLength = 8;

enum class MessageType : quint8 { Request = 0, Response = 1, Publish = 2, Error = 3, Nak = 15 };
enum class MessageId : quint8 {
    SessionInitiate = 0,
    SessionClose = 1,
    KeepAlive = 2,
    TokenPassingPdu = 3,
    DirectPdu = 4, // version 2
};

// Session Initiate's status codes.
constexpr quint8 kSuccess = 0;
constexpr quint8 kTimerSetToOther = 8;
constexpr quint8 kAllSessionsInUse = 15;
constexpr quint8 kSessionAlreadyOpen = 16;

constexpr quint8 kPrimaryMaster = 1;

struct Message {
    quint8 version = 1;
    MessageType type = MessageType::Request;
    MessageId id = MessageId::KeepAlive;
    quint8 status = 0;
    quint16 sequence = 0;
    QByteArray body;

    QByteArray encode() const;

    enum class Taken { Message, NeedMore, Malformed };
    // Takes the first message off the front of `stream`: Message (removed from the stream and
    // put in `out`), NeedMore (nothing removed), or Malformed (a header no message can have: a
    // version other than 1 or 2, or a byte count below the header's eight bytes; the stream
    // cannot be resynchronised and is left as it was).
    static Taken take(QByteArray& stream, Message* out);
};

// Session Initiate's body: master type and inactivity close timer (ms), also the response's.
struct SessionInitiate {
    quint8 masterType = kPrimaryMaster;
    quint32 inactivityMs = 60000;
    QByteArray encode() const;
    static std::optional<SessionInitiate> parse(const QByteArray& body);
};

} // namespace protocol::hartip

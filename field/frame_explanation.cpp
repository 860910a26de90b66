#include "frame_explanation.h"

#include "answer_frame.h"
#include "command_table.h"
#include "hart_tables.h"

#include "app/texts.h"

namespace field {

namespace {

using app::Text;

class Explainer {
public:
    Explainer(const QByteArray& asRead, bool english) : m_bytes(asRead), m_english(english) {}

    QString say(Text id) const { return app::text(id, app::languageOf(m_english)); }

    // A field of `length` bytes at the read position, which it then passes; cut at what arrived
    // and at the end of the part being explained.
    void field(int length, const QString& name, const QString& meaning) {
        const int available = qMax(0, qMin(length, end() - m_at));
        if (available == 0 && length > 0)
            return;
        const QByteArray part = m_bytes.mid(m_at, available);
        QString shownMeaning = meaning;
        if (available < length)
            shownMeaning += say(Text::ExplainCutShort);
        m_fields << ExplainedField{m_at, available, QString::fromLatin1(part.toHex(' ').toUpper()),
                                   name, shownMeaning};
        m_at += available;
    }
    int at() const { return m_at; }
    // Fields stop at `end` bytes from the start of what was read until this is called again
    // with -1: the data of an answer ends where its byte count says, whatever follows.
    void limitTo(int end) { m_end = end; }
    QList<ExplainedField> take() { return std::move(m_fields); }

private:
    const QByteArray& m_bytes;
    int end() const { return m_end < 0 ? int(m_bytes.size()) : qMin(m_end, int(m_bytes.size())); }

    bool m_english;
    int m_at = 0;
    int m_end = -1;
    QList<ExplainedField> m_fields;
};

QString commandName(int command, const QByteArray& data, const Explainer& e) {
    const CommandSpec* layout = layoutOf(command, data);
    return e.say(layout ? layout->heading : Text::ExplainNotACommandSent);
}

} // namespace

QList<ExplainedField> explainAnswer(const protocol::ReadAnswer& answer, bool english) {
    const QByteArray& asRead = answer.asRead;
    const protocol::HartFrame& frame = answer.frame;
    Explainer e(asRead, english);
    if (frame.preambleLength > 0)
        e.field(frame.preambleLength, e.say(Text::ExplainPreamble),
                QString::number(frame.preambleLength) + e.say(Text::ExplainBytesFF));
    if (frame.delimiter < 0)
        return e.take();

    QString direction;
    switch (frame.type()) {
    case protocol::FrameType::Answer:
        direction = e.say(Text::ExplainSlaveToMaster);
        break;
    case protocol::FrameType::Burst:
        direction = e.say(Text::ExplainBurstFrame);
        break;
    case protocol::FrameType::Request:
        direction = e.say(Text::ExplainMasterToSlave);
        break;
    case protocol::FrameType::Other:
        direction = e.say(Text::ExplainNotAnAnswer);
        break;
    }
    e.field(
        1, e.say(Text::ExplainDelimiter),
        (frame.longAddress() ? e.say(Text::ExplainLongAddress) : e.say(Text::ExplainShortAddress)) +
            ", " + direction);
    const int master = frame.masterBit(), burst = frame.burstBit();
    const QString bits = e.say(Text::ExplainMasterBitBurstBit).arg(master).arg(burst);
    if (frame.longAddress()) {
        const QByteArray plain = protocol::withoutMasterAndBurst(frame.address); // as it arrived
        e.field(5, e.say(Text::ExplainLongAddress),
                QString::fromLatin1(plain.toHex().toUpper()) + "; " + bits);
    } else {
        e.field(1, e.say(Text::ExplainPollingAddress),
                QString::number(qMax(0, frame.pollingAddress())) + "; " + bits);
    }
    e.field(1, e.say(Text::ExplainCommand),
            QString::number(frame.command) + QStringLiteral(": ") +
                commandName(frame.command, frame.data, e));
    e.field(1, e.say(Text::ExplainByteCount), QString::number(frame.byteCount));
    if (frame.responseCode >= 0) {
        e.field(1, e.say(Text::ExplainResponseCode),
                frame.communicationError()
                    ? e.say(Text::ExplainCommunicationError) +
                          bitsText(communicationErrorBits(),
                                   frame.responseCode & ~protocol::kCommunicationErrorFlag, english)
                    : responseCodeText(frame.responseCode, english));
    }
    if (frame.deviceStatus >= 0)
        e.field(1, e.say(Text::ExplainDeviceStatus),
                bitsText(deviceStatusBits(), frame.deviceStatus, english));

    // The data field by field as far as the byte count reaches, cut where the answer ends.
    const int dataStart = e.at();
    e.limitTo(dataStart + int(frame.data.size()));
    for (const DataPart& part : walkData(layoutOf(frame.command, frame.data), frame.data)) {
        if (!part.spec)
            e.field(part.length, e.say(Text::ExplainData), e.say(Text::ExplainNotDecoded));
        else
            e.field(part.spec->kind == FieldKind::Float ? 4 : part.spec->length,
                    fieldName(*part.spec, frame.data, english),
                    part.whole ? fieldText(*part.spec, frame.data, english, Saying::Explanation)
                               : QString());
    }
    e.limitTo(-1);

    if (frame.checkByte >= 0) {
        e.field(1, e.say(Text::ExplainCheckByte),
                frame.checkMatches ? e.say(Text::ExplainMatches)
                                   : e.say(Text::ExplainDoesNotMatch));
    }
    const int trailing = int(asRead.size()) - e.at();
    if (trailing > 0)
        e.field(trailing, e.say(Text::ExplainAfterTheFrame),
                e.say(Text::ExplainNotPartOfTheAnswer));
    return e.take();
}

} // namespace field

#include "frame_explanation.h"

#include "answer_frame.h"
#include "hart_tables.h"

#include "app/texts.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace field {

namespace {

using app::Text;

class Explainer {
public:
    Explainer(const QByteArray& asRead, bool english) : m_bytes(asRead), m_english(english) {}

    QString say(Text id) const { return app::text(id, app::languageOf(m_english)); }
    bool english() const { return m_english; }

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

QString hex(int value, int digits = 2) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString number(float value) {
    return plainText(value);
}

QString commandName(int command, const Explainer& e) {
    switch (command) {
    case 0:
        return e.say(Text::ExplainReadUniqueIdentifier);
    case 3:
        return e.say(Text::ExplainReadLoopCurrentAndVariables);
    case 13:
        return e.say(Text::ExplainReadTagDescriptorAndDate);
    default:
        return e.say(Text::ExplainNotACommandSent);
    }
}

void explainIdentity(Explainer& e, const QByteArray& d) {
    if (d.isEmpty())
        return;
    const auto byte = [&d](int k) { return quint8(d.at(k)); };
    const bool hart7 = d.size() > 4 && byte(4) >= 7;
    e.field(1, e.say(Text::ExplainExpansionCode), QString::number(byte(0)));
    if (hart7) {
        e.field(2, e.say(Text::ExplainExpandedDeviceType),
                d.size() >= 3 ? hex((byte(1) << 8) | byte(2), 4) : QString());
    } else {
        const QString name = manufacturerName(d.size() > 1 ? byte(1) : 0);
        e.field(1, e.say(Text::ExplainManufacturer),
                hex(d.size() > 1 ? byte(1) : 0) + (name.isEmpty() ? QString() : ' ' + name));
        e.field(1, e.say(Text::ExplainDeviceType), d.size() > 2 ? hex(byte(2)) : QString());
    }
    const auto decimal = [&](int k) { return d.size() > k ? QString::number(byte(k)) : QString(); };
    e.field(1, e.say(Text::ExplainPreamblesAskedFor), decimal(3));
    e.field(1, e.say(Text::ExplainHARTRevision), decimal(4));
    e.field(1, e.say(Text::ExplainDeviceRevision), decimal(5));
    e.field(1, e.say(Text::ExplainSoftwareRevision), decimal(6));
    if (hart7 && d.size() > 7)
        e.field(1, e.say(Text::ExplainHardwareRevisionSignalling),
                QStringLiteral("%1, %2").arg(byte(7) >> 3).arg(byte(7) & 7));
    else
        e.field(1, e.say(Text::ExplainHardwareRevision), decimal(7));
    e.field(1, e.say(Text::ExplainFlags), d.size() > 8 ? hex(byte(8)) : QString());
    e.field(3, e.say(Text::ExplainDeviceId),
            d.size() > 11 ? hex((byte(9) << 16) | (byte(10) << 8) | byte(11), 6) : QString());
    if (!hart7 || d.size() < 22)
        return;
    e.field(1, e.say(Text::ExplainPreamblesItSends), decimal(12));
    e.field(1, e.say(Text::ExplainDeviceVariables), decimal(13));
    e.field(2, e.say(Text::ExplainConfigurationChangeCounter),
            QString::number((byte(14) << 8) | byte(15)));
    e.field(1, e.say(Text::ExplainExtendedDeviceStatus),
            bitsText(extendedStatusBits(), byte(16), e.english()));
    const int manufacturer = (byte(17) << 8) | byte(18);
    const QString name = manufacturerName(manufacturer);
    e.field(2, e.say(Text::ExplainManufacturer),
            hex(manufacturer, 4) + (name.isEmpty() ? QString() : ' ' + name));
    e.field(2, e.say(Text::ExplainPrivateLabelDistributor), hex((byte(19) << 8) | byte(20), 4));
    e.field(1, e.say(Text::ExplainDeviceProfile), decimal(21));
}

void explainTag(Explainer& e, const AnswerFrame& frame) {
    const std::optional<TagRecord> tag = tagRecordFrom(frame);
    e.field(6, e.say(Text::ExplainTag), tag ? '"' + tag->tag + '"' : QString());
    e.field(12, e.say(Text::ExplainDescriptor), tag ? '"' + tag->descriptor + '"' : QString());
    e.field(3, e.say(Text::ExplainDate),
            tag ? protocol::dateText(tag->day, tag->month, tag->year) : QString());
}

void explainVariables(Explainer& e, const QByteArray& d) {
    namespace layout = protocol::layout;
    e.field(4, e.say(Text::ExplainLoopCurrent),
            d.size() >= layout::kCommand3FirstVariable
                ? number(floatAt(d, layout::kCommand3LoopCurrent)) + QStringLiteral(" mA")
                : QString());
    static constexpr Text kNames[4] = {Text::ExplainPV, Text::ExplainSV, Text::ExplainTV,
                                       Text::ExplainQV};
    for (int k = 0; k < 4 && d.size() > layout::command3Variable(k); ++k) {
        const int at = layout::command3Variable(k);
        const int unit = quint8(d.at(at));
        e.field(1, e.say(kNames[k]) + e.say(Text::ExplainUnit),
                QStringLiteral("%1 = %2").arg(unit).arg(unitSymbol(unit)));
        e.field(4, e.say(kNames[k]),
                d.size() >= at + layout::kCommand3VariableLength
                    ? number(floatAt(d, at + 1)) + ' ' + unitSymbol(unit)
                    : QString());
    }
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
            QString::number(frame.command) + QStringLiteral(": ") + commandName(frame.command, e));
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

    const int dataStart = e.at();
    e.limitTo(dataStart + int(frame.data.size()));
    if (frame.command == 0)
        explainIdentity(e, frame.data);
    else if (frame.command == 13)
        explainTag(e, frame);
    else if (frame.command == 3)
        explainVariables(e, frame.data);
    const int unexplained = dataStart + int(frame.data.size()) - e.at();
    if (unexplained > 0)
        e.field(unexplained, e.say(Text::ExplainData), e.say(Text::ExplainNotDecoded));
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

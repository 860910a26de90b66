#include "details.h"

#include "answer_frame.h"
#include "command_table.h"
#include "hart_tables.h"

#include "app/texts.h"
#include "protocol/hart_frame.h"

#include <vector>

namespace field {

namespace {

using app::Text;

constexpr int kNotImplemented = 64;

DetailReading withState(DetailReading::State state, Text text, bool english) {
    DetailReading reading;
    reading.state = state;
    reading.stateText = app::text(text, app::languageOf(english));
    return reading;
}

} // namespace

QList<int> detailCommands(int hartRevision) {
    QList<int> commands;
    for (const CommandSpec& spec : commandSpecs())
        if (spec.detail && hartRevision >= spec.minRevision && hartRevision <= spec.maxRevision)
            commands << spec.command;
    return commands;
}

QByteArray detailRequestData(int command) {
    // The dynamic variables by their standard device-variable codes: PV, SV, TV, QV.
    return command == 9 ? QByteArray::fromHex("F6F7F8F9") : QByteArray();
}

QString detailHeading(int command, bool english) {
    const CommandSpec* spec = layoutOf(command, {});
    return spec ? app::text(spec->heading, app::languageOf(english)) : QString::number(command);
}

DetailReading readDetail(const protocol::ReadAnswer& answer, bool english) {
    using State = DetailReading::State;
    if (!answer.accepted)
        return answer.asRead.isEmpty() ? withState(State::NoAnswer, Text::DetailNoAnswer, english)
                                       : withState(State::Damaged, Text::DetailDamaged, english);
    const protocol::HartFrame& frame = answer.frame;
    const int command = answer.command;
    if (frame.communicationError()) // the request arrived damaged
        return withState(State::Damaged, Text::DetailDamaged, english);
    if (frame.responseCode == kNotImplemented)
        return withState(State::NotSupported, Text::DetailNotSupported, english);
    const QByteArray& data = frame.data;
    DetailReading reading;
    reading.state = State::Read;
    // Every field the answer carries whole, in order; a units code is said with its value.
    for (const DataPart& part : walkData(layoutOf(command, data), data))
        if (part.spec && part.whole && part.spec->kind != FieldKind::UnitCode)
            reading.rows << DetailRow{fieldName(*part.spec, data, english),
                                      fieldText(*part.spec, data, english, Saying::Detail)};
    if (reading.rows.isEmpty()) {
        if (frame.responseCode <= 0)
            return withState(State::TooShort, Text::DetailTooShort, english);
        DetailReading refused = withState(State::Refused, Text::DetailRefused, english);
        refused.stateText = refused.stateText.arg(responseCodeText(frame.responseCode, english));
        return refused;
    }
    // A warning with data (code 8, update failure, …) is said beside what came.
    if (frame.responseCode > 0)
        reading.rows << DetailRow{app::text(Text::DetailResponse, app::languageOf(english)),
                                  responseCodeText(frame.responseCode, english)};
    return reading;
}

std::optional<RangeValues> rangeValuesFrom(const QByteArray& data) {
    const CommandSpec* layout = layoutOf(15, data);
    // Whole through the write protect code, the last field every revision has.
    if (!unsignedField(layout, data, FieldId::WriteProtect))
        return std::nullopt;
    const auto code = [&](FieldId id) { return int(unsignedField(layout, data, id).value_or(0)); };
    const auto number = [&](FieldId id) { return floatField(layout, data, id).value_or(0.0f); };
    RangeValues r;
    r.alarmSelection = code(FieldId::AlarmSelection);
    r.transferFunction = code(FieldId::TransferFunction);
    r.unitsCode = code(FieldId::RangeUnits);
    r.upper = number(FieldId::UpperRange);
    r.lower = number(FieldId::LowerRange);
    r.damping = number(FieldId::Damping);
    r.writeProtect = code(FieldId::WriteProtect);
    return r;
}

std::optional<bool> loopCurrentModeFrom(const QByteArray& data) {
    const std::optional<quint32> mode =
        unsignedField(layoutOf(7, data), data, FieldId::LoopCurrentMode);
    if (!mode)
        return std::nullopt;
    return *mode == 1;
}

} // namespace field

#pragma once

#include "hart_tables.h"

#include "app/texts.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace field {

// The data of HART answers, field by field, as the universal and common-practice commands lay
// them out: one table that the typed readers, the details and the byte-by-byte explanation all
// read, walking the offsets in order as a protocol dissector does.

// How a field's bytes are read and said.
enum class FieldKind {
    Decimal,      // unsigned big-endian number of `length` bytes
    HexNumber,    // unsigned big-endian number, two hex digits a byte: "E0A5"
    HexBytes,     // the bytes in hex, a blank between: "00 01 02"
    Manufacturer, // a manufacturer code in hex, then its name where the table knows it
    Float,        // IEEE 754 single; its unit from the units code at `unitAt`, or `fixedUnit`
    UnitCode,     // a units code, "12 = kPa"; named after the value it qualifies
    PackedAscii,  // `length` bytes of HART packed ASCII
    Latin1,       // `length` bytes of ISO Latin-1, NULs at the end ignored
    Date,         // day, month, years since 1900
    Codes,        // one byte, its words from `codes`
    Bits,         // one byte, the words of every set bit from `bits`
    RevisionAndSignalling, // hardware revision (bits 7-3) and physical signalling code (2-0)
    DeviceVariable,        // a device variable code
    VariableWithStatus,    // code, classification, units, value, status (command 9)
    VariableValue,         // code, units, value (command 33)
};

// What a field holds, for the readers that pick single values out of an answer.
enum class FieldId {
    Other,
    ExpansionCode,
    Manufacturer, // HART 5 and 6: one byte; HART 7: two bytes further on
    DeviceType,   // HART 7: the expanded device type, two bytes
    RequestPreambles,
    HartRevision,
    DeviceRevision,
    SoftwareRevision,
    HardwareRevision, // HART 7: with the physical signalling code in the same byte
    Flags,
    DeviceId,
    ResponsePreambles,
    MaxDeviceVariables,
    ConfigChangeCounter,
    ExtendedStatus,
    PrivateLabel,
    DeviceProfile,
    Tag,
    Descriptor,
    Date,
    LoopCurrent,
    Pv,
    Sv,
    Tv,
    Qv,
    LoopCurrentMode,
    AlarmSelection,
    TransferFunction,
    RangeUnits,
    UpperRange,
    LowerRange,
    Damping,
    WriteProtect,
    SubscriptionTarget,
    SubscriptionFlags,
    IoCards,
    ChannelsPerCard,
    SubDevicesPerChannel,
    DevicesDetected,
    DelayedResponses,
    MasterMode,
    RetryCount,
    SubDeviceIndex,
    IoCard,
    Channel,
    LongTag,
    StandardizedStatus2, // command 48: bit 0 says an I/O system's list of instruments changed
};

struct FieldSpec {
    FieldId id;
    app::Text name;
    int at; // in the data, after the two response bytes
    FieldKind kind;
    int length = 1;
    int unitAt = -1;    // Float: where its units code is
    int fixedUnit = -1; // Float: the units code of a unit the command fixes (mA, %, s)
    QList<CodeWord> (*codes)() = nullptr;
    QList<StatusBit> (*bits)() = nullptr;
};

struct CommandSpec {
    int command;
    app::Text heading;
    int minRevision;               // the first HART revision whose answers are laid out so
    int maxRevision;               // the last one
    bool detail;                   // read among an instrument's details
    std::vector<FieldSpec> fields; // in the order of their offsets
};

// Every layout the table holds, in the order the details are read.
const std::vector<CommandSpec>& commandSpecs();
// The layout of `command`'s answer from an instrument of `hartRevision`; null when the table
// has none. Command 0 is laid out one way up to HART 6 and another from HART 7 on.
const CommandSpec* commandSpec(int command, int hartRevision);
// The layout of `data` answering `command`: for command 0, by the HART revision it carries; for
// command 31, of the 16-bit command its first two bytes name.
const CommandSpec* layoutOf(int command, const QByteArray& data);

// One stretch of an answer's data as the walk meets it: a field of the table (`spec`), or
// bytes the table does not name (`spec` null). `whole` when every byte of it arrived.
struct DataPart {
    const FieldSpec* spec = nullptr;
    int at = 0;
    int length = 0; // as far as it arrived
    bool whole = false;
};
// How many data bytes `layout` names: up to the end of its last field (0 for none).
int dataLength(const CommandSpec* layout);

// `data` from its first byte to its last, field by field in the order of `layout` (null: one
// part the table does not name), cut where the data ends.
QList<DataPart> walkData(const CommandSpec* layout, const QByteArray& data);

// How a field's value is said: as the details show it, or as the explanation of an answer
// shows it (texts quoted as they came, blanks and all).
enum class Saying { Detail, Explanation };
// The field's name, in the language asked for ("PV unit" for the units code of the PV).
QString fieldName(const FieldSpec& spec, const QByteArray& data, bool english);
// What the whole field `spec` of `data` says, in words and units.
QString fieldText(const FieldSpec& spec, const QByteArray& data, bool english, Saying saying);

// Single values read through the table: nothing when `layout` has no such field or the data
// ends before it does.
const FieldSpec* findField(const CommandSpec* layout, FieldId id);
std::optional<quint32> unsignedField(const CommandSpec* layout, const QByteArray& data, FieldId id);
std::optional<float> floatField(const CommandSpec* layout, const QByteArray& data, FieldId id);
// A float field with its units code.
std::optional<std::pair<int, float>> valueWithUnit(const CommandSpec* layout,
                                                   const QByteArray& data, FieldId id);
std::optional<QString> textField(const CommandSpec* layout, const QByteArray& data, FieldId id);

// One device variable as a slot of commands 9 and 33 carries it.
struct SlotReading {
    int code = 0; // the device variable: 0 to 239 the instrument's own, 244 to 249 as named
    int unitCode = 0;
    float value = 0;
};
// The slots of `data` that arrived whole, in the order of `layout`.
QList<SlotReading> slotReadings(const CommandSpec* layout, const QByteArray& data);

} // namespace field

#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// What HART's codes mean: the common tables of units, status bits, response codes and
// manufacturers, in one place. Words come in English and Russian; `english` picks one.
namespace field {

// The symbol of a HART engineering-unit code ("kPa" for 12); "unit code N" for a code the table
// does not hold. In Russian (english false) the metric units take their Russian symbols
// ("кПа"); files written for other programs (the CSV) keep the international ones.
QString unitSymbol(int code, bool english = true);
// Whether the table holds `code`.
bool isKnownUnit(int code);

// The manufacturer's name for an identification code; empty when the table does not know it.
QString manufacturerName(int code);
// The code in hex (`digits` of them) with the name, or with "not in this program's list".
QString manufacturerText(int code, int digits, bool english);

// The physical signalling code of HART 7's command 0 (common table 10) in words: "Bell 202
// current" for 0; "code N" for one the table does not hold.
QString physicalSignalingText(int code, bool english);

// How much a set status bit matters to whoever looks after the instrument, as field tools rank
// them: a fault means the value cannot be trusted, a warning that it is outside what it should
// be, a notice that something happened worth knowing.
enum class Severity { Notice, Warning, Fault };

// One bit of a status byte and what it means.
struct StatusBit {
    quint8 mask;
    const char* english;
    const char* russian;
    Severity severity;
};

// "fault", "warning", "notice" in the language asked for.
QString severityText(Severity severity, bool english);

// The field-device status byte (the second response byte), most significant bit first.
QList<StatusBit> deviceStatusBits();
// The communication-error bits of a first response byte whose bit 7 is set.
QList<StatusBit> communicationErrorBits();
// The extended field-device status byte of HART 7's command-0 answer.
QList<StatusBit> extendedStatusBits();

// The first response byte as a command response code (bit 7 clear): "success" for 0, and so on;
// "response code N" for one the table does not hold.
QString responseCodeText(int code, bool english);

// One code of an enumerated HART field (alarm selection, transfer function, …) and its words.
struct CodeWord {
    int code;
    const char* english;
    const char* russian;
};
// The words for `code` in `table`; "code N" for one the table does not hold.
QString codeText(const QList<CodeWord>& table, int code, bool english);

// Common tables of the codes the detail commands carry.
QList<CodeWord> alarmSelectionCodes();    // command 15
QList<CodeWord> transferFunctionCodes();  // command 15
QList<CodeWord> writeProtectCodes();      // command 15
QList<CodeWord> loopCurrentModeCodes();   // command 7
QList<CodeWord> classificationCodes();    // commands 8 and 9
QList<CodeWord> operatingModeCodes();     // command 48
QList<CodeWord> masterModeCodes();        // command 74
QList<CodeWord> processDataStatusCodes(); // command 9: bits 7-6 of a variable's status
QList<CodeWord> limitStatusCodes();       // command 9: bits 5-4
// Device variable codes that name what a slot of commands 9 and 33 carries.
constexpr int kLoopCurrentVariable = 245;
constexpr int kPrimaryVariable = 246;  // then SV, TV and QV
QList<CodeWord> deviceVariableCodes(); // commands 9, 33, 50: the codes with a meaning of
                                       // their own (250 not used, 246 PV, …)
// Bits of command 48's standardized status bytes, and command 15's analog channel flags.
QList<StatusBit> standardizedStatus0Bits();
QList<StatusBit> standardizedStatus1Bits();
QList<StatusBit> standardizedStatus2Bits();
QList<StatusBit> standardizedStatus3Bits();
QList<StatusBit> analogChannelFlagBits();

// Words of a bit in the language asked for.
inline QString bitText(const StatusBit& bit, bool english) {
    return QString::fromUtf8(english ? bit.english : bit.russian);
}

// Every set bit of the byte `value`, most significant first, joined by ", ": the words of
// `bits` for a bit it names, "0x20" for one it does not (a set bit is never left out);
// "no bit set" in the language asked for when none is.
QString bitsText(const QList<StatusBit>& bits, int value, bool english);

} // namespace field

#include "hart_tables.h"

#include "app/texts.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace field {

namespace {

struct Unit {
    int code;
    const char* symbol;
    const char* russian = nullptr; // the Russian symbol (GOST 8.417) where it differs
};

// HART common table of engineering units (the codes used by commands 1, 3, 14, 15 and others),
// with the symbols a Russian reader expects for the metric ones; the imperial and customary
// units keep their international symbols in both languages.
constexpr Unit kUnits[] = {
    {1, "inH2O (68 °F)"},
    {2, "inHg (0 °C)"},
    {3, "ftH2O (68 °F)"},
    {4, "mmH2O (68 °F)", "мм вод. ст. (68 °F)"},
    {5, "mmHg (0 °C)", "мм рт. ст. (0 °C)"},
    {6, "psi"},
    {7, "bar", "бар"},
    {8, "mbar", "мбар"},
    {9, "g/cm²", "г/см²"},
    {10, "kg/cm²", "кгс/см²"},
    {11, "Pa", "Па"},
    {12, "kPa", "кПа"},
    {13, "torr", "торр"},
    {14, "atm", "атм"},
    {15, "ft³/min"},
    {16, "gal/min"},
    {17, "l/min", "л/мин"},
    {18, "imp gal/min"},
    {19, "m³/h", "м³/ч"},
    {20, "ft/s"},
    {21, "m/s", "м/с"},
    {22, "gal/s"},
    {23, "Mgal/d"},
    {24, "l/s", "л/с"},
    {25, "Ml/d", "Мл/сут"},
    {26, "ft³/s"},
    {27, "ft³/d"},
    {28, "m³/s", "м³/с"},
    {29, "m³/d", "м³/сут"},
    {30, "imp gal/h"},
    {31, "imp gal/d"},
    {32, "°C"},
    {33, "°F"},
    {34, "°R"},
    {35, "K", "К"},
    {36, "mV", "мВ"},
    {37, "Ω", "Ом"},
    {38, "Hz", "Гц"},
    {39, "mA", "мА"},
    {40, "gal"},
    {41, "l", "л"},
    {42, "imp gal"},
    {43, "m³", "м³"},
    {44, "ft"},
    {45, "m", "м"},
    {46, "bbl"},
    {47, "in"},
    {48, "cm", "см"},
    {49, "mm", "мм"},
    {50, "min", "мин"},
    {51, "s", "с"},
    {52, "h", "ч"},
    {53, "d", "сут"},
    {54, "cSt", "сСт"},
    {55, "cP", "сП"},
    {56, "µS", "мкСм"},
    {57, "%"},
    {58, "V", "В"},
    {59, "pH"},
    {60, "g", "г"},
    {61, "kg", "кг"},
    {62, "t", "т"},
    {63, "lb"},
    {64, "short ton"},
    {65, "long ton"},
    {66, "mS/cm", "мСм/см"},
    {67, "µS/cm", "мкСм/см"},
    {68, "N", "Н"},
    {69, "N·m", "Н·м"},
    {70, "g/s", "г/с"},
    {71, "g/min", "г/мин"},
    {72, "g/h", "г/ч"},
    {73, "kg/s", "кг/с"},
    {74, "kg/min", "кг/мин"},
    {75, "kg/h", "кг/ч"},
    {76, "kg/d", "кг/сут"},
    {77, "t/min", "т/мин"},
    {78, "t/h", "т/ч"},
    {79, "t/d", "т/сут"},
    {80, "lb/s"},
    {81, "lb/min"},
    {82, "lb/h"},
    {83, "lb/d"},
    {90, "SGU"},
    {91, "g/cm³", "г/см³"},
    {92, "kg/m³", "кг/м³"},
    {93, "lb/gal"},
    {94, "lb/ft³"},
    {95, "g/ml", "г/мл"},
    {96, "kg/l", "кг/л"},
    {97, "g/l", "г/л"},
    {112, "ft³"},
    {119, "rpm", "об/мин"},
    {120, "m/h", "м/ч"},
    {121, "Nm³/h", "нм³/ч"},
    {122, "Nl/h", "нл/ч"},
    {127, "kW", "кВт"},
    {128, "kWh", "кВт·ч"},
    {130, "ft³/h"},
    {131, "m³/min", "м³/мин"},
    {136, "gal/h"},
    {138, "l/h", "л/ч"},
    {139, "ppm", "млн⁻¹"},
    {143, "°"},
    {163, "kΩ", "кОм"},
    {169, "ppb", "млрд⁻¹"},
    {237, "MPa", "МПа"},
    {238, "inH2O (4 °C)"},
    {239, "mmH2O (4 °C)", "мм вод. ст. (4 °C)"},
    {250, "not used", "не используется"},
    {251, "none", "нет"},
    {252, "unknown", "неизвестно"},
    {253, "special", "особая"},
};

struct Manufacturer {
    int code;
    const char* name;
};

// HART's manufacturer identification codes (common table 8) with the names as the table
// publishes them, spelling and capitals included, so that a name can be looked up there again.
// A HART 5 instrument sends the code as data byte 1 of its command-0 answer, a HART 7 one as
// the 16-bit code in data bytes 17 and 18. Codes the table does not assign are left out; the
// view then shows the bare code.
constexpr Manufacturer kManufacturers[] = {
    {0x01, "Acromag"},
    {0x02, "Allen Bradley"},
    {0x03, "Ametek"},
    {0x04, "Analog Devices"},
    {0x05, "Elsag Bailey"},
    {0x06, "Beckman"},
    {0x07, "Bell Microsensor"},
    {0x08, "Bourns"},
    {0x09, "Bristol Babcock"},
    {0x0A, "Brooks Instrument"},
    {0x0B, "Chessell"},
    {0x0C, "Combustion Engineering"},
    {0x0D, "Daniel Industries"},
    {0x0E, "Delta"},
    {0x0F, "Dieterich Standard"},
    {0x10, "Dohrmann"},
    {0x11, "Endress & Hauser"},
    {0x12, "Elsag Bailey"},
    {0x13, "Fisher Controls"},
    {0x14, "Foxboro"},
    {0x15, "Fuji"},
    {0x16, "ABB Automation"},
    {0x17, "Honeywell"},
    {0x18, "ITT Barton"},
    {0x19, "Kay Ray/Sensall"},
    {0x1A, "ABB Automation"},
    {0x1B, "Leeds & Northrup"},
    {0x1C, "Leslie"},
    {0x1D, "M-System Co."},
    {0x1E, "Measurex"},
    {0x1F, "Micro Motion"},
    {0x20, "Moore Industries"},
    {0x21, "Moore Products"},
    {0x22, "Ohkura Electric"},
    {0x23, "Paine"},
    {0x24, "Rochester Instrument Systems"},
    {0x25, "Ronan"},
    {0x26, "Rosemount"},
    {0x27, "Peek Measurement"},
    {0x28, "Schlumberger"},
    {0x29, "Sensall"},
    {0x2A, "Siemens"},
    {0x2B, "Weed"},
    {0x2C, "Toshiba"},
    {0x2D, "Transmation"},
    {0x2E, "Rosemount Analytic"},
    {0x2F, "Metso Automation"},
    {0x30, "Flowserve"},
    {0x31, "Varec"},
    {0x32, "Viatran"},
    {0x33, "Delta/Weed"},
    {0x34, "Westinghouse"},
    {0x35, "Xomox"},
    {0x36, "Yamatake"},
    {0x37, "Yokogawa"},
    {0x38, "Nuovo Pignone"},
    {0x39, "Promac"},
    {0x3A, "Exac Corporation"},
    {0x3B, "Meggitt Mobrey"},
    {0x3C, "Arcom Control System"},
    {0x3D, "Princo"},
    {0x3E, "Smar"},
    {0x3F, "Foxboro Eckardt"},
    {0x40, "Measurement Technology"},
    {0x41, "Applied System Technologies"},
    {0x42, "Samson"},
    {0x43, "Sparling Instruments"},
    {0x44, "Fireye"},
    {0x45, "Krohne"},
    {0x46, "Betz"},
    {0x47, "Druck"},
    {0x48, "SOR"},
    {0x49, "Elcon Instruments"},
    {0x4A, "EMCO"},
    {0x4B, "Termiflex Corporation"},
    {0x4C, "VAF Instruments"},
    {0x4D, "Westlock Controls"},
    {0x4E, "Drexelbrook"},
    {0x4F, "Saab Tank Control"},
    {0x50, "K-TEK"},
    {0x51, "Flowdata"},
    {0x52, "Draeger"},
    {0x53, "Raytek"},
    {0x54, "Siemens Milltronics PI"},
    {0x55, "BTG"},
    {0x56, "Magnetrol"},
    {0x57, "Metso Automation"},
    {0x58, "Milltronics"},
    {0x59, "HELIOS"},
    {0x5A, "Anderson Instrument Company"},
    {0x5B, "INOR"},
    {0x5C, "ROBERTSHAW"},
    {0x5D, "PEPPERL+FUCHS"},
    {0x5E, "ACCUTECH"},
    {0x5F, "Flow Measurement"},
    {0x60, "KAMSTRUP"},
    {0x61, "Knick"},
    {0x62, "VEGA"},
    {0x63, "MTS Systems Corp."},
    {0x64, "Oval"},
    {0x65, "Masoneilan-Dresser"},
    {0x66, "BESTA"},
    {0x67, "Ohmart"},
    {0x68, "Harold Beck and Sons"},
    {0x69, "rittmeyer instrumentation"},
    {0x6A, "Rossel Messtechnik"},
    {0x6B, "WIKA"},
    {0x6C, "Bopp & Reuther Heinrichs"},
    {0x6D, "PR Electronics"},
    {0x6E, "Jordan Controls"},
    {0x6F, "Valcom s.r.l."},
    {0x70, "US ELECTRIC MOTORS"},
    {0x71, "Apparatebau Hundsbach"},
    {0x72, "Dynisco"},
    {0x73, "Spriano"},
    {0x74, "Direct Measurement"},
    {0x75, "Klay Instruments"},
    {0x76, "Action Instruments"},
    {0x77, "MMG Automatiky DTR"},
    {0x78, "Buerkert Fluid Control Systems"},
    {0x79, "AALIANT Process Mgt"},
    {0x7A, "PONDUS INSTRUMENTS"},
    {0x7B, "ZAP S.A. Ostrow Wielkopolski"},
    {0x7C, "GLI"},
    {0x7D, "Fisher-Rosemount Performance Technologies"},
    {0x7E, "Paper Machine Components"},
    {0x7F, "LABOM"},
    {0x80, "Danfoss"},
    {0x81, "Turbo"},
    {0x82, "TOKYO KEISO"},
    {0x83, "SMC"},
    {0x84, "Status Instruments"},
    {0x85, "Huakong"},
    {0x86, "Duon System"},
    {0x87, "Vortek Instruments, LLC"},
    {0x88, "AG Crosby"},
    {0x89, "Action Instruments"},
    {0x8A, "Keystone Controls"},
    {0x8B, "Thermo Electric Co."},
    {0x8C, "ISE-Magtech"},
    {0x8D, "Rueger"},
    {0x8E, "Mettler Toledo"},
    {0x8F, "Det-Tronics"},
    {0x90, "TN Technologies"},
    {0x91, "DeZURIK"},
    {0x92, "Phase Dynamics"},
    {0x93, "WELLTECH SHANGHAI"},
    {0x94, "ENRAF"},
    {0x95, "4tech ASA"},
    {0x96, "Brandt Instruments"},
    {0x97, "Nivelco"},
    {0x98, "Camille Bauer"},
    {0x99, "Metran"},
    {0x9A, "Milton Roy Co."},
    {0x9B, "PMV"},
    {0x9C, "Turck"},
    {0x9D, "Panametrics"},
    {0x9E, "Stahl"},
    {0x9F, "Analytical Technology Inc."},
    {0xA0, "Fieldbus International"},
    {0xA1, "BERTHOLD"},
    {0xA2, "InterCorr"},
    {0xA3, "China BRICONTE Co Ltd"},
    {0xA4, "Electron Machine"},
    {0xA5, "Sierra Instruments"},
    {0xA6, "Fluid Components Intl"},
};

constexpr Severity kFault = Severity::Fault;
constexpr Severity kWarning = Severity::Warning;
constexpr Severity kNotice = Severity::Notice;

constexpr StatusBit kDeviceStatus[] = {
    {0x80, "device malfunction", "неисправность прибора", kFault},
    {0x40, "configuration changed", "конфигурация изменена", kNotice},
    {0x20, "cold start", "холодный старт", kNotice},
    {0x10, "more status available", "есть дополнительный статус", kNotice},
    {0x08, "loop current fixed", "ток петли зафиксирован", kFault},
    {0x04, "loop current saturated", "ток петли в насыщении", kFault},
    {0x02, "non-primary variable out of limits", "непервичная переменная вне пределов", kWarning},
    {0x01, "primary variable out of limits", "первичная переменная вне пределов", kWarning},
};

// The request did not arrive whole: whatever the answer says, the command was not carried out.
constexpr StatusBit kCommunicationErrors[] = {
    {0x40, "parity error", "ошибка чётности", kFault},
    {0x20, "overrun error", "ошибка переполнения приёмника", kFault},
    {0x10, "framing error", "ошибка кадра", kFault},
    {0x08, "checksum error", "ошибка контрольной суммы", kFault},
    {0x02, "receive buffer overflow", "переполнение буфера приёма", kFault},
};

// Ranked as NAMUR NE 107 ranks its four signals, which these bits carry: failure above function
// check and running outside rated conditions, maintenance required the least.
constexpr StatusBit kExtendedStatus[] = {
    {0x20, "function check", "проверка функционирования", kWarning},
    {0x10, "operating outside its rated conditions", "работа вне допустимых условий", kWarning},
    {0x08, "failure", "отказ", kFault},
    {0x04, "critical power failure", "критический сбой питания", kFault},
    {0x02, "device variable alert", "тревога переменной прибора", kWarning},
    {0x01, "maintenance required", "требуется обслуживание", kNotice},
};

// Common table 10: how the instrument signals on its line.
constexpr CodeWord kPhysicalSignaling[] = {
    {0, "Bell 202 current", "Bell 202, токовый"},
    {1, "Bell 202 voltage", "Bell 202, по напряжению"},
    {2, "RS-485", "RS-485"},
    {3, "RS-232", "RS-232"},
    {4, "wireless (WirelessHART)", "беспроводной (WirelessHART)"},
    {6, "special (Ethernet, TCP/IP and others)", "особый (Ethernet, TCP/IP и другие)"},
};

// Device variable codes with a meaning of their own (common table 34): the dynamic variables as
// such, and the codes every enumeration has.
constexpr CodeWord kDeviceVariables[] = {
    {244, "percent of range", "процент диапазона"},
    {245, "loop current", "ток петли"},
    {246, "the PV", "ПП"},
    {247, "the SV", "ВП"},
    {248, "the TV", "ТП"},
    {249, "the QV", "ЧП"},
    {250, "not used", "не используется"},
    {251, "none", "нет"},
    {252, "unknown", "неизвестно"},
    {253, "special", "особая"},
};

// Codes every enumerated field may carry besides its own.
#define CORVANTELIS_COMMON_CODES                                                                   \
    {250, "not used", "не используется"}, {251, "none", "нет"}, {252, "unknown", "неизвестно"}, {  \
        253, "special", "особый"                                                             \
    }

constexpr CodeWord kAlarmSelection[] = {
    {0, "high", "высокий"},
    {1, "low", "низкий"},
    {239, "hold last output value", "удержание последнего значения"},
    CORVANTELIS_COMMON_CODES,
};

constexpr CodeWord kTransferFunction[] = {
    {0, "linear", "линейная"},
    {1, "square root", "квадратный корень"},
    {2, "square root of the third power", "корень из третьей степени"},
    {3, "square root of the fifth power", "корень из пятой степени"},
    {4, "special curve", "особая кривая"},
    {5, "square", "квадрат"},
    {230, "discrete (switch)", "дискретная (переключатель)"},
    {231, "square root plus special curve", "корень и особая кривая"},
    {232, "square root of the third power plus special curve",
     "корень из третьей степени и особая кривая"},
    {233, "square root of the fifth power plus special curve",
     "корень из пятой степени и особая кривая"},
    CORVANTELIS_COMMON_CODES,
};

constexpr CodeWord kWriteProtect[] = {
    {0, "not write protected", "запись разрешена"},
    {1, "write protected", "защищён от записи"},
    CORVANTELIS_COMMON_CODES,
};

constexpr CodeWord kLoopCurrentMode[] = {
    {0, "disabled (multidrop)", "выключен (многоточечный режим)"},
    {1, "enabled", "включён"},
    CORVANTELIS_COMMON_CODES,
};

constexpr CodeWord kClassification[] = {
    {0, "not classified", "не классифицирована"},
    {64, "temperature", "температура"},
    {65, "pressure", "давление"},
    {66, "volumetric flow", "объёмный расход"},
    {67, "velocity", "скорость"},
    {68, "volume", "объём"},
    {69, "length", "длина"},
    {70, "time", "время"},
    {71, "mass", "масса"},
    {72, "mass flow", "массовый расход"},
    {73, "mass per volume", "плотность"},
    {74, "viscosity", "вязкость"},
    {75, "angular velocity", "угловая скорость"},
    {76, "area", "площадь"},
    {77, "energy (work)", "энергия (работа)"},
    {78, "force", "сила"},
    {79, "power", "мощность"},
    {80, "frequency", "частота"},
    {81, "analytical", "аналитическая"},
    {82, "capacitance", "ёмкость"},
    {83, "emf", "ЭДС"},
    {84, "current", "ток"},
    {85, "resistance", "сопротивление"},
    {86, "angle", "угол"},
    {87, "conductance", "проводимость"},
    {88, "volume per volume", "объём на объём"},
    {89, "volume per mass", "объём на массу"},
    {90, "concentration", "концентрация"},
    {91, "valve actuator", "привод клапана"},
    {92, "level", "уровень"},
    {93, "vortex flow", "вихревой расход"},
    {94, "magnetic flow", "электромагнитный расход"},
    {95, "Coriolis flow", "кориолисов расход"},
    CORVANTELIS_COMMON_CODES,
};

constexpr CodeWord kOperatingMode[] = {
    {0, "normal", "нормальный"},
    CORVANTELIS_COMMON_CODES,
};

// Command 74: the master an I/O system is on its own lines.
constexpr CodeWord kMasterMode[] = {
    {0, "secondary master", "вторичный мастер"},
    {1, "primary master", "первичный мастер"},
};

// A device variable's status byte: bits 7-6 and 5-4, shifted down.
constexpr CodeWord kProcessDataStatus[] = {
    {0, "bad", "недостоверно"},
    {1, "poor accuracy", "низкая точность"},
    {2, "manual or fixed", "вручную или зафиксировано"},
    {3, "good", "достоверно"},
};
constexpr CodeWord kLimitStatus[] = {
    {0, "not limited", "без ограничения"},
    {1, "low limited", "ограничено снизу"},
    {2, "high limited", "ограничено сверху"},
    {3, "constant", "постоянно"},
};

#undef CORVANTELIS_COMMON_CODES

constexpr StatusBit kStandardizedStatus0[] = {
    {0x80, "device configuration locked", "конфигурация прибора заблокирована", kNotice},
    {0x40, "electronic defect", "дефект электроники", kFault},
    {0x20, "environmental conditions out of range", "условия среды вне диапазона", kWarning},
    {0x10, "voltage conditions out of range", "напряжение вне диапазона", kWarning},
    {0x08, "watchdog reset executed", "сработал сторожевой таймер", kNotice},
    {0x04, "volatile memory defect", "дефект оперативной памяти", kFault},
    {0x02, "non-volatile memory defect", "дефект энергонезависимой памяти", kFault},
    {0x01, "simulation active", "включена имитация", kWarning},
};
constexpr StatusBit kStandardizedStatus1[] = {
    {0x10, "locked into C8PSK-only mode", "только режим C8PSK", kNotice},
    {0x08, "battery or power supply needs maintenance", "питание требует обслуживания", kWarning},
    {0x04, "event notification overflow", "переполнение уведомлений о событиях", kNotice},
    {0x02, "discrete variable simulation active", "имитация дискретных переменных", kWarning},
    {0x01, "status simulation active", "имитация статуса", kWarning},
};
constexpr StatusBit kStandardizedStatus2[] = {
    {0x02, "duplicate master detected", "обнаружен второй такой же мастер", kWarning},
    {0x01, "sub-device list changed", "список подчинённых приборов изменён", kNotice},
};
constexpr StatusBit kStandardizedStatus3[] = {
    {0x08, "block transfer pending", "ожидается блочная передача", kNotice},
    {0x04, "bandwidth allocation pending", "ожидается выделение полосы", kNotice},
    {0x01, "capacity denied", "отказано в ёмкости", kWarning},
};
constexpr StatusBit kAnalogChannelFlags[] = {
    {0x01, "analog input channel", "аналоговый входной канал", kNotice},
};

struct ResponseCode {
    int code;
    const char* english;
    const char* russian;
};

// Command response codes (first response byte, bit 7 clear) common to the universal commands.
constexpr ResponseCode kResponseCodes[] = {
    {0, "success", "успешно"},
    {2, "invalid selection", "недопустимый выбор"},
    {3, "passed parameter too large", "параметр слишком велик"},
    {4, "passed parameter too small", "параметр слишком мал"},
    {5, "too few data bytes received", "получено слишком мало байтов данных"},
    {6, "device-specific command error", "ошибка команды прибора"},
    {7, "in write-protect mode", "защита от записи"},
    {8, "warning: update failure", "предупреждение: сбой обновления"},
    {16, "access restricted", "доступ ограничен"},
    {32, "busy", "прибор занят"},
    {64, "command not implemented", "команда не поддерживается"},
};

template <typename Table> auto findCode(const Table& table, int code) {
    for (const auto& entry : table) {
        if (entry.code == code)
            return &entry;
    }
    return static_cast<decltype(&table[0])>(nullptr);
}

} // namespace

QString unitSymbol(int code, bool english) {
    if (const Unit* unit = findCode(kUnits, code))
        return QString::fromUtf8(!english && unit->russian ? unit->russian : unit->symbol);
    return app::text(app::Text::UnitCodeNumber, app::languageOf(english)).arg(code);
}

bool isKnownUnit(int code) {
    return findCode(kUnits, code) != nullptr;
}

QString manufacturerName(int code) {
    const Manufacturer* entry = findCode(kManufacturers, code);
    return entry ? QString::fromUtf8(entry->name) : QString();
}

QString manufacturerText(int code, int digits, bool english) {
    const QString name = manufacturerName(code);
    return QStringLiteral("%1 ").arg(code, digits, 16, QLatin1Char('0')).toUpper() +
           (name.isEmpty() ? app::text(app::Text::ManufacturerNotListed, app::languageOf(english))
                           : name);
}

QString physicalSignalingText(int code, bool english) {
    return codeText(QList<CodeWord>(std::begin(kPhysicalSignaling), std::end(kPhysicalSignaling)),
                    code, english);
}

QList<StatusBit> deviceStatusBits() {
    return QList<StatusBit>(std::begin(kDeviceStatus), std::end(kDeviceStatus));
}

QList<StatusBit> communicationErrorBits() {
    return QList<StatusBit>(std::begin(kCommunicationErrors), std::end(kCommunicationErrors));
}

QList<StatusBit> extendedStatusBits() {
    return QList<StatusBit>(std::begin(kExtendedStatus), std::end(kExtendedStatus));
}

QString bitsText(const QList<StatusBit>& bits, int value, bool english) {
    QStringList set;
    for (int mask = 0x80; mask; mask >>= 1) {
        if (!(value & mask))
            continue;
        const auto named = std::find_if(bits.cbegin(), bits.cend(),
                                        [mask](const StatusBit& bit) { return bit.mask == mask; });
        set << (named != bits.cend()
                    ? bitText(*named, english)
                    : QStringLiteral("0x") +
                          QStringLiteral("%1").arg(mask, 2, 16, QLatin1Char('0')).toUpper());
    }
    return set.isEmpty() ? app::text(app::Text::NoBitSet, app::languageOf(english))
                         : set.join(QStringLiteral(", "));
}

QString codeText(const QList<CodeWord>& table, int code, bool english) {
    for (const CodeWord& word : table)
        if (word.code == code)
            return QString::fromUtf8(english ? word.english : word.russian);
    return app::text(app::Text::CodeNumber, app::languageOf(english)).arg(code);
}

#define CORVANTELIS_TABLE(name, type, table)                                                       \
    QList<type> name() {                                                                           \
        return QList<type>(std::begin(table), std::end(table));                                    \
    }
CORVANTELIS_TABLE(alarmSelectionCodes, CodeWord, kAlarmSelection)
CORVANTELIS_TABLE(transferFunctionCodes, CodeWord, kTransferFunction)
CORVANTELIS_TABLE(writeProtectCodes, CodeWord, kWriteProtect)
CORVANTELIS_TABLE(loopCurrentModeCodes, CodeWord, kLoopCurrentMode)
CORVANTELIS_TABLE(classificationCodes, CodeWord, kClassification)
CORVANTELIS_TABLE(operatingModeCodes, CodeWord, kOperatingMode)
CORVANTELIS_TABLE(masterModeCodes, CodeWord, kMasterMode)
CORVANTELIS_TABLE(processDataStatusCodes, CodeWord, kProcessDataStatus)
CORVANTELIS_TABLE(limitStatusCodes, CodeWord, kLimitStatus)
CORVANTELIS_TABLE(deviceVariableCodes, CodeWord, kDeviceVariables)
CORVANTELIS_TABLE(standardizedStatus0Bits, StatusBit, kStandardizedStatus0)
CORVANTELIS_TABLE(standardizedStatus1Bits, StatusBit, kStandardizedStatus1)
CORVANTELIS_TABLE(standardizedStatus2Bits, StatusBit, kStandardizedStatus2)
CORVANTELIS_TABLE(standardizedStatus3Bits, StatusBit, kStandardizedStatus3)
CORVANTELIS_TABLE(analogChannelFlagBits, StatusBit, kAnalogChannelFlags)
#undef CORVANTELIS_TABLE

QString severityText(Severity severity, bool english) {
    const app::Language language = app::languageOf(english);
    switch (severity) {
    case Severity::Fault:
        return app::text(app::Text::SeverityFault, language);
    case Severity::Warning:
        return app::text(app::Text::SeverityWarning, language);
    case Severity::Notice:
        break;
    }
    return app::text(app::Text::SeverityNotice, language);
}

QString responseCodeText(int code, bool english) {
    if (const ResponseCode* entry = findCode(kResponseCodes, code))
        return QString::fromUtf8(english ? entry->english : entry->russian);
    return app::text(app::Text::ResponseCodeNumber, app::languageOf(english)).arg(code);
}

} // namespace field

#include "hart_tables.h"

#include <iterator>

namespace field {

namespace {

struct Unit {
    int code;
    const char* symbol;
};

// HART common table of engineering units (the codes used by commands 1, 3, 14, 15 and others).
constexpr Unit kUnits[] = {
    {1, "inH2O (68 °F)"},
    {2, "inHg (0 °C)"},
    {3, "ftH2O (68 °F)"},
    {4, "mmH2O (68 °F)"},
    {5, "mmHg (0 °C)"},
    {6, "psi"},
    {7, "bar"},
    {8, "mbar"},
    {9, "g/cm²"},
    {10, "kg/cm²"},
    {11, "Pa"},
    {12, "kPa"},
    {13, "torr"},
    {14, "atm"},
    {15, "ft³/min"},
    {16, "gal/min"},
    {17, "l/min"},
    {18, "imp gal/min"},
    {19, "m³/h"},
    {20, "ft/s"},
    {21, "m/s"},
    {22, "gal/s"},
    {23, "Mgal/d"},
    {24, "l/s"},
    {25, "Ml/d"},
    {26, "ft³/s"},
    {27, "ft³/d"},
    {28, "m³/s"},
    {29, "m³/d"},
    {30, "imp gal/h"},
    {31, "imp gal/d"},
    {32, "°C"},
    {33, "°F"},
    {34, "°R"},
    {35, "K"},
    {36, "mV"},
    {37, "Ω"},
    {38, "Hz"},
    {39, "mA"},
    {40, "gal"},
    {41, "l"},
    {42, "imp gal"},
    {43, "m³"},
    {44, "ft"},
    {45, "m"},
    {46, "bbl"},
    {47, "in"},
    {48, "cm"},
    {49, "mm"},
    {50, "min"},
    {51, "s"},
    {52, "h"},
    {53, "d"},
    {54, "cSt"},
    {55, "cP"},
    {56, "µS"},
    {57, "%"},
    {58, "V"},
    {59, "pH"},
    {60, "g"},
    {61, "kg"},
    {62, "t"},
    {63, "lb"},
    {64, "short ton"},
    {65, "long ton"},
    {66, "mS/cm"},
    {67, "µS/cm"},
    {68, "N"},
    {69, "N·m"},
    {70, "g/s"},
    {71, "g/min"},
    {72, "g/h"},
    {73, "kg/s"},
    {74, "kg/min"},
    {75, "kg/h"},
    {76, "kg/d"},
    {77, "t/min"},
    {78, "t/h"},
    {79, "t/d"},
    {80, "lb/s"},
    {81, "lb/min"},
    {82, "lb/h"},
    {83, "lb/d"},
    {90, "SGU"},
    {91, "g/cm³"},
    {92, "kg/m³"},
    {93, "lb/gal"},
    {94, "lb/ft³"},
    {95, "g/ml"},
    {96, "kg/l"},
    {97, "g/l"},
    {112, "ft³"},
    {119, "rpm"},
    {120, "m/h"},
    {121, "Nm³/h"},
    {122, "Nl/h"},
    {127, "kW"},
    {128, "kWh"},
    {130, "ft³/h"},
    {131, "m³/min"},
    {136, "gal/h"},
    {138, "l/h"},
    {139, "ppm"},
    {143, "°"},
    {163, "kΩ"},
    {169, "ppb"},
    {237, "MPa"},
    {238, "inH2O (4 °C)"},
    {239, "mmH2O (4 °C)"},
    {250, "not used"},
    {251, "none"},
    {252, "unknown"},
    {253, "special"},
};

struct Manufacturer {
    int code;
    const char* name;
};

// Identification codes as instruments report them in command 0.
constexpr Manufacturer kManufacturers[] = {
    {0x11, "Endress+Hauser"},
    {0x26, "Rosemount"},
    {0x2A, "Siemens"},
    {0xA6, "Fluid Components International"},
};

constexpr StatusBit kDeviceStatus[] = {
    {0x80, "device malfunction", "неисправность прибора"},
    {0x40, "configuration changed", "конфигурация изменена"},
    {0x20, "cold start", "холодный старт"},
    {0x10, "more status available", "есть дополнительный статус"},
    {0x08, "loop current fixed", "ток петли зафиксирован"},
    {0x04, "loop current saturated", "ток петли в насыщении"},
    {0x02, "non-primary variable out of limits", "непервичная переменная вне пределов"},
    {0x01, "primary variable out of limits", "первичная переменная вне пределов"},
};

constexpr StatusBit kCommunicationErrors[] = {
    {0x40, "parity error", "ошибка чётности"},
    {0x20, "overrun error", "ошибка переполнения приёмника"},
    {0x10, "framing error", "ошибка кадра"},
    {0x08, "checksum error", "ошибка контрольной суммы"},
    {0x02, "receive buffer overflow", "переполнение буфера приёма"},
};

constexpr StatusBit kExtendedStatus[] = {
    {0x20, "function check", "проверка функционирования"},
    {0x10, "operating outside its rated conditions", "работа вне допустимых условий"},
    {0x08, "failure", "отказ"},
    {0x04, "critical power failure", "критический сбой питания"},
    {0x02, "device variable alert", "тревога переменной прибора"},
    {0x01, "maintenance required", "требуется обслуживание"},
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

QString unitSymbol(int code) {
    if (const Unit* unit = findCode(kUnits, code))
        return QString::fromUtf8(unit->symbol);
    return QStringLiteral("unit code %1").arg(code);
}

bool isKnownUnit(int code) {
    return findCode(kUnits, code) != nullptr;
}

QString manufacturerName(int code) {
    const Manufacturer* entry = findCode(kManufacturers, code);
    return entry ? QString::fromUtf8(entry->name) : QString();
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

QString responseCodeText(int code, bool english) {
    if (const ResponseCode* entry = findCode(kResponseCodes, code))
        return QString::fromUtf8(english ? entry->english : entry->russian);
    return english ? QStringLiteral("response code %1").arg(code)
                   : QStringLiteral("код ответа %1").arg(code);
}

} // namespace field

#include "device_record.h"

namespace protocol {

void Clear_Device(DeviceTable& table, qint16 row) {
    if (row < 0 || row >= static_cast<qint16>(table.size()))
        return;
    table[static_cast<size_t>(row)] = Device_Record{};
}

} // namespace protocol

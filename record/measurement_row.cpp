#include "measurement_row.h"

#include "field/hart_tables.h"

#include <QLocale>

#include <cstdlib>

namespace record {

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

QByteArray hexByte(int value) {
    return value < 0 ? QByteArray()
                     : QByteArray::number(value & 0xFF, 16).rightJustified(2, '0').toUpper();
}

} // namespace

// In digits whatever the locale.
QByteArray isoTime(const QDateTime& when) {
    const int offsetMinutes = when.offsetFromUtc() / 60;
    const int absolute = std::abs(offsetMinutes);
    const QString text = QLocale::c().toString(when, QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
                         QStringLiteral("%1%2:%3")
                             .arg(offsetMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(absolute / 60, 2, 10, QLatin1Char('0'))
                             .arg(absolute % 60, 2, 10, QLatin1Char('0'));
    return text.toLatin1();
}

QByteArray csvField(const QString& text) {
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\r') || field.contains('\n'))
        field = '"' + field.replace('"', "\"\"") + '"';
    return field;
}

QByteArray csvHeader() {
    return QByteArrayLiteral("time,address,long_address,tag,loop_current_mA,pv,pv_unit,sv,sv_unit,"
                             "tv,tv_unit,qv,qv_unit,response_code,device_status") +
           kLineEnd;
}

QByteArray csvRow(int address, const QDateTime& when, const field::Instrument& instrument) {
    QByteArrayList fields;
    fields << isoTime(when) << QByteArray::number(address);
    fields << (instrument.identity ? instrument.identity->longAddress.toHex().toUpper()
                                   : QByteArray());
    // The tag comes padded with blanks to its eight characters.
    QString tag = instrument.tag ? instrument.tag->tag : QString();
    while (tag.endsWith(QLatin1Char(' ')))
        tag.chop(1);
    fields << csvField(tag);
    // What the frame just received carried: a value it did not carry is not repeated from an
    // earlier one.
    const std::optional<field::DynamicVariables>& v = instrument.lastMeasured;
    fields << (v && v->loopCurrent ? field::shortestText(*v->loopCurrent).toLatin1()
                                   : QByteArray());
    for (int k = 0; k < 4; ++k) {
        const std::optional<field::Variable>& variable =
            v ? v->values[size_t(k)] : std::optional<field::Variable>();
        if (variable)
            fields << field::shortestText(variable->value).toLatin1()
                   << csvField(field::unitSymbol(variable->unitCode));
        else
            fields << QByteArray() << QByteArray();
    }
    fields << hexByte(instrument.responseCode) << hexByte(instrument.deviceStatus);
    return fields.join(',') + kLineEnd;
}

} // namespace record

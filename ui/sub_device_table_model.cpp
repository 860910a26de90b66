#include "sub_device_table_model.h"

#include "app/language.h"
#include "app/texts.h"
#include "field/answer_frame.h"
#include "field/hart_tables.h"

namespace ui {

SubDeviceTableModel::SubDeviceTableModel(const core::IoSystemReader& reader, QObject* parent)
    : QAbstractTableModel(parent), m_reader(reader) {
    connect(&reader, &core::IoSystemReader::listChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&reader, &core::IoSystemReader::subDeviceChanged, this, [this](int index) {
        if (index >= 1 && index <= rowCount())
            emit dataChanged(this->index(index - 1, 0), this->index(index - 1, ColumnCount - 1));
    });
}

void SubDeviceTableModel::setLanguage(qint16 languageFlag) {
    m_language = languageFlag;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int SubDeviceTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_reader.subDevices().size());
}

int SubDeviceTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SubDeviceTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    using app::Text;
    constexpr Text kHeaders[ColumnCount] = {
        Text::NetworkColumnIndex,      Text::NetworkColumnCard,
        Text::NetworkColumnChannel,    Text::NetworkColumnManufacturer,
        Text::NetworkColumnDeviceType, Text::NetworkColumnDeviceId,
        Text::NetworkColumnLongTag,    Text::NetworkColumnRevision,
        Text::NetworkColumnAnswering,  Text::NetworkColumnPv,
        Text::NetworkColumnStatus};
    return section >= 0 && section < ColumnCount ? app::text(kHeaders[section], m_language)
                                                 : QVariant();
}

QVariant SubDeviceTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const core::IoSystemReader::SubDevice& sub = m_reader.subDevices()[size_t(index.row())];
    if (role == Qt::DisplayRole)
        return cellText(sub, index.column());
    if (role == Qt::TextAlignmentRole && index.column() == Pv)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QString SubDeviceTableModel::cellText(const core::IoSystemReader::SubDevice& sub,
                                      int column) const {
    const bool english = app::isEnglish(m_language);
    const field::SubDeviceSummary& s = sub.summary;
    const field::Instrument& in = sub.instrument;
    const auto hex = [](quint32 value, int digits) {
        return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
    };
    switch (column) {
    case Index:
        return QString::number(s.index);
    case Card:
        return QString::number(s.card);
    case Channel:
        return QString::number(s.channel);
    case Manufacturer:
        return field::manufacturerText(s.manufacturer, 4, english);
    case DeviceType:
        return hex(quint32(s.deviceType), 4);
    case DeviceId:
        return hex(s.deviceId, 6);
    case LongTag:
        return s.longTag;
    case Revision:
        return QString::number(s.hartRevision);
    case Answering:
        if (!in.answering && in.silentSinceMs == 0)
            return app::text(app::Text::NetworkNotAskedYet, m_language);
        return app::text(in.answering ? app::Text::NetworkAnswering
                                      : app::Text::NetworkNotAnswering,
                         m_language);
    case Pv: {
        const std::optional<field::DynamicVariables>& v = in.variables;
        if (!v || !v->values[0])
            return {};
        return field::plainText(v->values[0]->value) + QLatin1Char(' ') +
               field::unitSymbol(v->values[0]->unitCode, english);
    }
    case Status:
        return in.deviceStatus < 0
                   ? QString()
                   : field::bitsText(field::deviceStatusBits(), in.deviceStatus, english);
    }
    return {};
}

} // namespace ui

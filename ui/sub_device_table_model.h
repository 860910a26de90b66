#pragma once

#include "core/io_system_reader.h"

#include <QAbstractTableModel>

namespace ui {

// The instruments behind an I/O system as table rows, in the language in force: where they
// sit, what they are, whether they answer, their last PV and their status in words.
class SubDeviceTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Index,
        Card,
        Channel,
        Manufacturer,
        DeviceType,
        DeviceId,
        LongTag,
        Revision,
        Answering,
        Pv,
        Status,
        ColumnCount
    };

    explicit SubDeviceTableModel(const core::IoSystemReader& reader, QObject* parent = nullptr);

    void setLanguage(qint16 languageFlag);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString cellText(const core::IoSystemReader::SubDevice& sub, int column) const;

    const core::IoSystemReader& m_reader;
    qint16 m_language = 0;
};

} // namespace ui

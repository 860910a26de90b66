#pragma once

#include "core/line_log.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <deque>

namespace ui {

// The frames of the line log as table rows, in the language in force. While paused the rows
// stand still; the frames that came meanwhile are shown on resuming.
class LineTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Time,
        Kind,
        Master,
        Address,
        Command,
        Response,
        Status,
        ByteCount,
        Check,
        Gap,
        Turnaround,
        ColumnCount
    };

    explicit LineTableModel(const core::LineLog& log, QObject* parent = nullptr);

    void setLanguage(qint16 languageFlag);
    void setPaused(bool paused);
    const core::LineEntry& entry(int row) const { return m_rows[size_t(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // What a row's cells say, as the table shows them.
    QString cellText(const core::LineEntry& e, int column) const;

private:
    void take(const core::LineEntry& entry, bool oldestDropped);
    void reload();

    const core::LineLog& m_log;
    std::deque<core::LineEntry> m_rows;
    qint16 m_language = 0;
    bool m_paused = false;
};

// Rows of one address (polling address or long address, as typed, in part) and one command.
class LineFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setAddress(const QString& text);
    void setCommand(int command); // -1: any

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString m_address;
    int m_command = -1;
};

} // namespace ui

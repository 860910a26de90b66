#include "line_table_model.h"

#include "app/language.h"
#include "app/texts.h"
#include "core/master_words.h"
#include "field/hart_tables.h"
#include "protocol/hart_frame.h"

#include <QDateTime>

namespace ui {

namespace {

using app::Text;

QString milliseconds(double ms) {
    return ms < 0 ? QString() : QString::number(qRound(ms));
}

} // namespace

LineTableModel::LineTableModel(const core::LineLog& log, QObject* parent)
    : QAbstractTableModel(parent), m_log(log), m_rows(log.entries()) {
    connect(&m_log, &core::LineLog::added, this, &LineTableModel::take);
}

void LineTableModel::setLanguage(qint16 languageFlag) {
    m_language = languageFlag;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void LineTableModel::setPaused(bool paused) {
    if (m_paused == paused)
        return;
    m_paused = paused;
    if (!paused)
        reload();
}

void LineTableModel::reload() {
    beginResetModel();
    m_rows = m_log.entries();
    endResetModel();
}

void LineTableModel::take(const core::LineEntry& entry, bool oldestDropped) {
    if (m_paused)
        return;
    if (oldestDropped && !m_rows.empty()) {
        beginRemoveRows({}, 0, 0);
        m_rows.pop_front();
        endRemoveRows();
    }
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_rows.push_back(entry);
    endInsertRows();
}

int LineTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LineTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString LineTableModel::cellText(const core::LineEntry& e, int column) const {
    const bool english = app::isEnglish(m_language);
    const auto say = [this](Text id) { return app::text(id, m_language); };
    switch (column) {
    case Time:
        return QDateTime::fromMSecsSinceEpoch(e.timeUs / 1000)
            .toString(QStringLiteral("HH:mm:ss.zzz"));
    case Kind: {
        constexpr Text kKinds[] = {Text::LineRequest, Text::LineAnswer, Text::LineBurst,
                                   Text::LineBroken};
        const QString kind = say(kKinds[int(e.kind)]);
        return e.sent ? say(Text::LineOurs).arg(kind) : kind;
    }
    case Master:
        return e.masterBit < 0
                   ? QString()
                   : core::masterWord(e.masterBit == 1 ? protocol::MasterRole::Primary
                                                       : protocol::MasterRole::Secondary,
                                      m_language);
    case Address:
        return e.pollingAddress >= 0
                   ? QStringLiteral("%1").arg(e.pollingAddress, 2, 10, QLatin1Char('0'))
                   : QString::fromLatin1(e.longAddress.toHex().toUpper());
    case Command:
        return e.command < 0 ? QString() : QString::number(e.command);
    case Response:
        if (e.responseCode < 0)
            return QString();
        return protocol::isCommunicationError(e.responseCode)
                   ? field::bitsText(field::communicationErrorBits(),
                                     e.responseCode & ~protocol::kCommunicationErrorFlag, english)
                   : field::responseCodeText(e.responseCode, english);
    case Status:
        return e.deviceStatus < 0
                   ? QString()
                   : field::bitsText(field::deviceStatusBits(), e.deviceStatus, english);
    case ByteCount:
        return e.byteCount < 0 ? QString() : QString::number(e.byteCount);
    case Check:
        return say(e.checkRight ? Text::LineCheckRight : Text::LineCheckWrong);
    case Gap:
        return milliseconds(e.gapMs);
    case Turnaround:
        return milliseconds(e.turnaroundMs);
    default:
        return QString();
    }
}

QVariant LineTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const core::LineEntry& e = m_rows[size_t(index.row())];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return cellText(e, index.column());
    if (role == Qt::ForegroundRole && !e.checkRight)
        return QColor(Qt::darkRed); // broken or a wrong check byte stands out
    return {};
}

QVariant LineTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    constexpr Text kHeaders[] = {Text::LineTime,    Text::LineKind,      Text::LineMaster,
                                 Text::LineAddress, Text::LineCommand,   Text::LineResponse,
                                 Text::LineStatus,  Text::LineByteCount, Text::LineCheck,
                                 Text::LineGap,     Text::LineTurnaround};
    return section >= 0 && section < ColumnCount ? app::text(kHeaders[section], m_language)
                                                 : QVariant();
}

void LineFilter::setAddress(const QString& text) {
    m_address = text.trimmed().toUpper();
    invalidateRowsFilter();
}

void LineFilter::setCommand(int command) {
    m_command = command;
    invalidateRowsFilter();
}

bool LineFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const auto* lines = static_cast<const LineTableModel*>(sourceModel());
    const core::LineEntry& e = lines->entry(sourceRow);
    if (m_command >= 0 && e.command != m_command)
        return false;
    return m_address.isEmpty() || lines->cellText(e, LineTableModel::Address).contains(m_address);
}

} // namespace ui

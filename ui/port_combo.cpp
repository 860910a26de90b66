#include "port_combo.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStyle>

namespace ui {

void PortComboBox::showPopup() {
    if (m_beforePopup)
        m_beforePopup();
    // The box stays narrow; its list opens as wide as its longest entry.
    QAbstractItemView* list = view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                          style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    QComboBox::showPopup();
}

} // namespace ui

#include "port_combo.h"

namespace ui {

void PortComboBox::showPopup() {
    if (m_beforePopup)
        m_beforePopup();
    QComboBox::showPopup();
}

} // namespace ui

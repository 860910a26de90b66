#pragma once

#include <QComboBox>

#include <functional>

namespace ui {

// Combo1: the port list. Just before its list opens it asks for a refresh, so a modem plugged in
// after start-up is offered.
class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void setBeforePopup(std::function<void()> refresh) { m_beforePopup = std::move(refresh); }
    void showPopup() override;

private:
    std::function<void()> m_beforePopup;
};

} // namespace ui

#pragma once

#include "field/loop_check.h"

#include <QGroupBox>

class QLabel;
class QProgressBar;

namespace field {
struct Instrument;
}

namespace ui {

// The check that an instrument's 4–20 mA signal agrees with its PV: where the PV stands in its
// range, the current it should send, the current it says it sends, their difference, and the
// verdict in words, a disagreement shown as a fault.
class LoopCheckPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit LoopCheckPanel(QWidget* parent);

    // The check of the instrument at `pollingAddress`.
    void show(const field::Instrument& in, int pollingAddress, bool english);
    // How close the current must be to agree (defaults 0.05 mA, 0.3 % of span).
    void setTolerance(double ma, double percentOfSpan);
    // The check as last shown; nothing before an instrument's values came.
    const std::optional<field::LoopCheckResult>& result() const { return m_result; }
    QLabel* verdictLine() const { return m_verdict; }

    // What goes into the check, from what the instrument told.
    static std::optional<field::LoopCheckInput> inputFor(const field::Instrument& in,
                                                         int pollingAddress);

private:
    QProgressBar* m_percent = nullptr;
    QLabel* m_expectedCaption = nullptr;
    QLabel* m_expected = nullptr;
    QLabel* m_measuredCaption = nullptr;
    QLabel* m_measured = nullptr;
    QLabel* m_differenceCaption = nullptr;
    QLabel* m_difference = nullptr;
    QLabel* m_verdict = nullptr;
    std::optional<field::LoopCheckResult> m_result;
    double m_toleranceMa = field::LoopCheckInput{}.toleranceMa;
    double m_tolerancePercent = field::LoopCheckInput{}.tolerancePercentOfSpan;
};

} // namespace ui

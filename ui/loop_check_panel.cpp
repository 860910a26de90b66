#include "loop_check_panel.h"
#include "quiet_updates.h"

#include "app/texts.h"
#include "field/answer_frame.h"
#include "field/details.h"
#include "field/field_model.h"
#include "field/hart_tables.h"
#include "protocol/hart_frame.h"

#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <cmath>

namespace ui {

namespace {

using app::Text;
using Reason = field::LoopCheckResult::Reason;

constexpr int kMilliampere = 39; // in the units table

Text reasonText(Reason reason) {
    switch (reason) {
    case Reason::RangeNotRead:
        return Text::ViewReasonRangeNotRead;
    case Reason::ZeroSpan:
        return Text::ViewReasonZeroSpan;
    case Reason::TransferFunction:
        return Text::ViewReasonTransferFunction;
    case Reason::LoopCurrentModeOff:
        return Text::ViewReasonLoopCurrentModeOff;
    case Reason::Alarm:
        return Text::ViewReasonAlarm;
    case Reason::CurrentFixed:
        return Text::ViewReasonCurrentFixed;
    case Reason::Saturated:
        return Text::ViewReasonSaturated;
    case Reason::PvOutOfLimits:
        return Text::ViewReasonPvOutOfLimits;
    case Reason::NoValueSent:
        return Text::ViewReasonNoValueSent;
    case Reason::None:
        break;
    }
    return Text::ViewReasonNoValues;
}

// Fixed decimals; what rounds to zero is 0.000, never -0.000, and no value is a dash.
QString number(double value, int decimals) {
    if (!std::isfinite(value))
        return QStringLiteral("\u2014");
    const QString text = QString::number(value, 'f', decimals);
    return text.toDouble() == 0.0 ? QString::number(0.0, 'f', decimals) : text;
}

// The data of a detail answer that came whole and said success.
std::optional<QByteArray> detailData(const field::Instrument& in, int command) {
    const auto answer = in.details.find(command);
    if (answer == in.details.end() || !answer->second.accepted)
        return std::nullopt;
    const protocol::HartFrame& frame = answer->second.frame;
    if (frame.responseCode != 0)
        return std::nullopt;
    return frame.data;
}

} // namespace

LoopCheckPanel::LoopCheckPanel(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("Loop_Check"));
    m_percent = new QProgressBar(this);
    m_percent->setObjectName(QStringLiteral("Percent_Of_Range"));
    m_percent->setRange(0, 1000);
    m_percent->setTextVisible(true);
    const auto value = [this](QLabel*& caption, QLabel*& label) {
        caption = new QLabel(this);
        label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        caption->setBuddy(label);
    };
    value(m_expectedCaption, m_expected);
    value(m_measuredCaption, m_measured);
    value(m_differenceCaption, m_difference);
    m_difference->setObjectName(QStringLiteral("Loop_Check_Difference"));
    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("Loop_Check_Verdict"));
    m_verdict->setTextFormat(Qt::PlainText);
    m_verdict->setWordWrap(true);
    m_verdict->setAutoFillBackground(true);
    m_verdict->setMargin(3);

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_percent);
    auto* form = new QFormLayout;
    form->addRow(m_expectedCaption, m_expected);
    form->addRow(m_measuredCaption, m_measured);
    form->addRow(m_differenceCaption, m_difference);
    column->addLayout(form);
    column->addWidget(m_verdict);
}

void LoopCheckPanel::setTolerance(double ma, double percentOfSpan) {
    m_toleranceMa = ma;
    m_tolerancePercent = percentOfSpan;
}

std::optional<field::LoopCheckInput> LoopCheckPanel::inputFor(const field::Instrument& in,
                                                              int pollingAddress) {
    const std::optional<field::DynamicVariables>& reading = in.lastCurrentAndPv;
    if (!reading)
        return std::nullopt;
    field::LoopCheckInput input;
    input.pv = reading->values[0]->value;
    input.loopCurrentMa = *reading->loopCurrent;
    input.deviceStatus = std::max(0, in.deviceStatus);
    if (const auto data = detailData(in, 15)) {
        if (const auto range = field::rangeValuesFrom(*data)) {
            input.upperRange = range->upper;
            input.lowerRange = range->lower;
            input.transferFunction = range->transferFunction;
        }
    }
    if (const auto data = detailData(in, 7))
        input.loopCurrentMode = field::loopCurrentModeFrom(*data);
    // Before HART 6 there is no command 7: the polling address is the mode, and any address but
    // 0 holds the current at 4 mA (multidrop).
    if (!input.loopCurrentMode && in.identity && in.identity->hartRevision < 6 &&
        pollingAddress != 0)
        input.loopCurrentMode = false;
    return input;
}

void LoopCheckPanel::show(const field::Instrument& in, int pollingAddress, bool english) {
    const app::Language language = app::languageOf(english);
    setTitle(app::text(Text::ViewLoopCheck, language));
    setAccessibleName(title());
    m_expectedCaption->setText(app::text(Text::ViewCheckExpected, language) + QLatin1Char(':'));
    m_measuredCaption->setText(app::text(Text::ViewCheckMeasured, language) + QLatin1Char(':'));
    m_differenceCaption->setText(app::text(Text::ViewCheckDifference, language) + QLatin1Char(':'));

    std::optional<field::LoopCheckInput> input = inputFor(in, pollingAddress);
    if (input) {
        input->toleranceMa = m_toleranceMa;
        input->tolerancePercentOfSpan = m_tolerancePercent;
    }
    m_result = input ? std::optional(field::checkLoop(*input)) : std::nullopt;
    const QString dash = QStringLiteral("\u2014");
    const bool computed = m_result && m_result->reason != Reason::RangeNotRead &&
                          m_result->reason != Reason::ZeroSpan &&
                          m_result->reason != Reason::NoValueSent;
    m_percent->setVisible(computed);
    if (computed) {
        const double percent = m_result->percentOfRange;
        m_percent->setValue(int(std::lround(std::clamp(percent, 0.0, 100.0) * 10)));
        m_percent->setFormat(app::text(Text::ViewPercentOfRange, language).arg(number(percent, 1)));
    }
    const bool expected = computed && m_result->reason != Reason::TransferFunction;
    const QString ma = QLatin1Char(' ') + field::unitSymbol(kMilliampere, english);
    m_expected->setText(expected ? number(m_result->expectedMa, 3) + ma : dash);
    m_measured->setText(input ? number(input->loopCurrentMa, 3) + ma : dash);
    // A difference only where the check was made: beside "cannot be checked" it would say
    // two things at once.
    const bool checked =
        m_result && m_result->verdict != field::LoopCheckResult::Verdict::CannotCheck;
    m_difference->setText(checked ? app::text(Text::ViewCheckDifferenceValue, language)
                                        .arg(number(m_result->differenceMa, 3),
                                             number(m_result->differencePercentOfSpan, 2))
                                  : dash);

    QString verdict;
    QColor colour = palette().color(QPalette::Window);
    using Verdict = field::LoopCheckResult::Verdict;
    if (!m_result) {
        verdict = app::text(Text::ViewCheckCannot, language)
                      .arg(app::text(Text::ViewReasonNoValues, language));
    } else if (m_result->verdict == Verdict::Agrees) {
        verdict = app::text(Text::ViewCheckAgrees, language);
        colour = QColor(0xC8, 0xF0, 0xC8);
    } else if (m_result->verdict == Verdict::Disagrees) {
        verdict = app::text(Text::ViewCheckDisagrees, language)
                      .arg(number(m_result->differenceMa, 3),
                           number(m_result->differencePercentOfSpan, 2));
        colour = QColor(0xF4, 0x9A, 0x9A); // a fault, as the status bits show one
    } else {
        verdict = app::text(Text::ViewCheckCannot, language)
                      .arg(app::text(reasonText(m_result->reason), language));
    }
    m_verdict->setText(verdict);
    m_verdict->setAccessibleName(verdict);
    QPalette palette = m_verdict->palette();
    palette.setColor(QPalette::Window, colour);
    setPaletteIfOther(m_verdict, palette);
}

} // namespace ui

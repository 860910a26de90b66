#include "instrument_view.h"
#include "explanation_table.h"

#include "details_panel.h"
#include "loop_check_panel.h"
#include "quiet_updates.h"
#include "throttle.h"
#include "trend_plot.h"

#include "app/language.h"
#include "field/field_model.h"
#include "field/frame_explanation.h"
#include "field/hart_tables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDataStream>
#include <QDateTime>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

using app::Text;

constexpr int kMilliampere = 39; // the loop current's unit, in the units table

const char* const kIdentityRows[] = {"manufacturer",
                                     "device type",
                                     "device id",
                                     "long address",
                                     "HART revision",
                                     "device revision",
                                     "software revision",
                                     "hardware revision",
                                     "preambles",
                                     "flags",
                                     "configuration changes",
                                     "extended status",
                                     "device profile"};
const char* const kTagRows[] = {"tag", "descriptor", "date"};
const char* const kValueRows[] = {"loop current", "PV", "SV", "TV", "QV"};
constexpr int kTrendChoices[] = {1, 5, 10, 30, 60};
constexpr int kDefaultTrendMinutes = 10;
// Values shown are read by eye: four refreshes a second keep up with any instrument.
constexpr int kRefreshIntervalMs = 250;

QString hex(int value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString dash() {
    return QStringLiteral("\u2014");
}

QString valueText(float value, const QString& unit) {
    return field::plainText(value) + QLatin1Char(' ') + unit;
}

// The colours a set status bit is shown in, by how much it matters: red for a fault, amber for a
// warning, a quiet grey for a notice. Text stays black on all three, for contrast.
QColor severityBackground(field::Severity severity) {
    switch (severity) {
    case field::Severity::Fault:
        return QColor(0xF4, 0x9A, 0x9A);
    case field::Severity::Warning:
        return QColor(0xFF, 0xD0, 0x60);
    case field::Severity::Notice:
        break;
    }
    return QColor(0xDD, 0xDD, 0xDD);
}

// Shown while the instrument is silent: when it stopped answering, to the second.
QString clockTime(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

ViewedInstrument ViewedInstrument::onTheLoop(const field::FieldModel& model, int address) {
    ViewedInstrument viewed;
    viewed.address = address;
    viewed.instrument = [&model, address]() -> const field::Instrument& {
        return model.instrument(address);
    };
    viewed.now = [&model] { return model.now(); };
    return viewed;
}

InstrumentView::InstrumentView(ViewedInstrument viewed, qint16 languageFlag, QWidget* parent)
    : QWidget(parent, Qt::Window), m_viewed(std::move(viewed)) {
    setObjectName(m_viewed.behind.isEmpty()
                      ? QStringLiteral("Instrument_%1").arg(m_viewed.address)
                      : QStringLiteral("Instrument_") +
                            QString::fromLatin1(m_viewed.behind.toHex().toUpper()));
    setAttribute(Qt::WA_DeleteOnClose);
    new PaintPacer(this, kPaintIntervalMs);
    m_refreshing = new Throttle(
        kRefreshIntervalMs, [this] { showAllButTrend(); }, this);

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("Instrument_State"));
    QFont bold = m_state->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    m_state->setFont(bold);
    m_state->setTextFormat(Qt::PlainText);

    const auto formBox = [this](QGroupBox*& box, const auto& names) {
        box = new QGroupBox(this);
        auto* form = new QFormLayout(box);
        form->setLabelAlignment(Qt::AlignLeft);
        for (const char* name : names)
            addRow(form, QString::fromLatin1(name));
    };
    formBox(m_identityBox, kIdentityRows);
    formBox(m_tagBox, kTagRows);
    formBox(m_valuesBox, kValueRows);
    m_burstLine = new QLabel(m_valuesBox);
    m_burstLine->setObjectName(QStringLiteral("Instrument_Burst"));
    m_burstLine->setTextFormat(Qt::PlainText);
    m_burstLine->setWordWrap(true);
    m_burstLine->hide();
    static_cast<QFormLayout*>(m_valuesBox->layout())->addRow(m_burstLine);
    m_subscriptionNote = new QLabel(m_valuesBox);
    m_subscriptionNote->setObjectName(QStringLiteral("Instrument_SubscriptionNote"));
    m_subscriptionNote->setTextFormat(Qt::PlainText);
    m_subscriptionNote->setWordWrap(true);
    m_subscriptionNote->hide();
    static_cast<QFormLayout*>(m_valuesBox->layout())->addRow(m_subscriptionNote);

    m_statusBox = new QGroupBox(this);
    auto* statusColumn = new QVBoxLayout(m_statusBox);
    m_responseLine = new QLabel(m_statusBox);
    m_responseLine->setTextFormat(Qt::PlainText);
    m_responseLine->setWordWrap(true);
    statusColumn->addWidget(m_responseLine);
    for (int k = 0; k < field::deviceStatusBits().size(); ++k) {
        auto* bit = new QLabel(m_statusBox);
        bit->setTextFormat(Qt::PlainText);
        bit->setAutoFillBackground(true);
        bit->setMargin(2);
        statusColumn->addWidget(bit);
        m_statusBits << bit;
    }

    m_trendBox = new QGroupBox(this);
    auto* trendColumn = new QVBoxLayout(m_trendBox);
    auto* windowRow = new QHBoxLayout;
    m_trendWindowCaption = new QLabel(m_trendBox);
    m_trendWindow = new QComboBox(m_trendBox);
    m_trendWindow->setObjectName(QStringLiteral("Trend_Window"));
    for (int minutes : kTrendChoices)
        m_trendWindow->addItem(QString(), minutes);
    m_trendWindow->setCurrentIndex(m_trendWindow->findData(kDefaultTrendMinutes));
    m_trendWindowCaption->setBuddy(m_trendWindow);
    connect(m_trendWindow, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    windowRow->addWidget(m_trendWindowCaption);
    windowRow->addWidget(m_trendWindow);
    windowRow->addStretch(1);
    trendColumn->addLayout(windowRow);
    m_currentTrend = new TrendPlot(m_trendBox);
    m_primaryTrend = new TrendPlot(m_trendBox);
    trendColumn->addWidget(m_currentTrend, 1);
    trendColumn->addWidget(m_primaryTrend, 1);

    m_answerBox = new QGroupBox(this);
    auto* answerColumn = new QVBoxLayout(m_answerBox);
    m_explanation = new ExplanationTable(m_answerBox);
    m_explanation->setObjectName(QStringLiteral("Answer_Explained"));
    answerColumn->addWidget(m_explanation);

    m_readDetails = new QPushButton(this);
    m_readDetails->setObjectName(QStringLiteral("Read_Details"));
    connect(m_readDetails, &QPushButton::clicked, this,
            [this] { emit detailsRequested(m_viewed.address); });
    m_follow = new QCheckBox(this);
    m_follow->setObjectName(QStringLiteral("Follow"));
    // Toggled, not clicked: a screen reader's or voice control's Toggle action changes the box
    // without a click. The program's own setChecked goes through showFollowing, which keeps
    // quiet.
    connect(m_follow, &QCheckBox::toggled, this,
            [this](bool on) { emit followToggled(m_viewed.address, on); });
    // Only where the loop is reached over HART-IP (see showSubscription).
    m_subscribe = new QCheckBox(this);
    m_subscribe->setObjectName(QStringLiteral("Subscribe"));
    m_subscribe->hide();
    connect(m_subscribe, &QCheckBox::toggled, this,
            [this](bool on) { emit subscribeToggled(m_viewed.address, on); });
    m_detailsPanel = new DetailsPanel(this);
    m_loopCheck = new LoopCheckPanel(this);

    // Above, what the instrument is and says; below, its last answer explained and its
    // details, side by side. The two splitters let the lower half have the room its tables
    // need; their sizes are remembered (saveLayout / restoreLayout).
    auto* upper = new QWidget;
    auto* grid = new QGridLayout(upper);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* header = new QHBoxLayout;
    header->addWidget(m_state, 1);
    header->addWidget(m_subscribe);
    header->addWidget(m_follow);
    header->addWidget(m_readDetails);
    grid->addLayout(header, 0, 0, 1, 2);
    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(m_identityBox);
    leftColumn->addWidget(m_tagBox);
    leftColumn->addStretch(1);
    auto* middleColumn = new QVBoxLayout;
    middleColumn->addWidget(m_valuesBox);
    middleColumn->addWidget(m_statusBox);
    middleColumn->addWidget(m_loopCheck);
    middleColumn->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(leftColumn, 1);
    top->addLayout(middleColumn, 1);
    top->addWidget(m_trendBox, 2);
    grid->addLayout(top, 1, 0, 1, 2);
    auto* upperScroll = new QScrollArea;
    upperScroll->setObjectName(QStringLiteral("Instrument_Upper"));
    upperScroll->setWidget(upper);
    upperScroll->setWidgetResizable(true);
    upperScroll->setFrameShape(QFrame::NoFrame);
    m_lowerSplitter = new QSplitter(Qt::Horizontal);
    m_lowerSplitter->setObjectName(QStringLiteral("Instrument_Lower_Splitter"));
    m_lowerSplitter->addWidget(m_answerBox);
    m_lowerSplitter->addWidget(m_detailsPanel);
    m_splitter = new QSplitter(Qt::Vertical);
    m_splitter->setObjectName(QStringLiteral("Instrument_Splitter"));
    m_splitter->setChildrenCollapsible(false);
    m_lowerSplitter->setChildrenCollapsible(false);
    m_splitter->addWidget(upperScroll);
    m_splitter->addWidget(m_lowerSplitter);
    auto* whole = new QVBoxLayout(this);
    whole->addWidget(m_splitter);
    // Said once the operator has let go, not at every step of a drag.
    auto* settled = new QTimer(this);
    settled->setSingleShot(true);
    settled->setInterval(400);
    connect(settled, &QTimer::timeout, this, [this] { emit layoutChanged(saveLayout()); });
    for (QSplitter* splitter : {m_splitter, m_lowerSplitter})
        connect(splitter, &QSplitter::splitterMoved, settled, qOverload<>(&QTimer::start));

    // The trend ends at the present, so a silent instrument's gap grows in sight even when no
    // answer comes to refresh the view; and a new sample reaches it within a second, which at a
    // second or more a pixel column is as soon as it could show.
    auto* clock = new QTimer(this);
    clock->setInterval(1000);
    connect(clock, &QTimer::timeout, this, [this] {
        if (isVisible())
            showTrend(m_viewed.instrument());
    });
    clock->start();

    setLanguage(languageFlag);
    // As large as it wants, where the screen has the room.
    QSize size(1400, 1000);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(16, 48));
    resize(size);
    // The answer's tables get two fifths of the height and half the width to begin with.
    m_splitter->setSizes({size.height() * 3 / 5, size.height() * 2 / 5});
    m_lowerSplitter->setSizes({size.width() / 2, size.width() / 2});
}

QByteArray InstrumentView::saveLayout() const {
    QByteArray layout;
    QDataStream out(&layout, QIODevice::WriteOnly);
    out << m_splitter->saveState() << m_lowerSplitter->saveState();
    return layout;
}

void InstrumentView::restoreLayout(const QByteArray& layout) {
    QByteArray outer, lower;
    QDataStream in(layout);
    in >> outer >> lower;
    // Something else (or nothing) stored: the sizes the view begins with stay.
    if (in.status() != QDataStream::Ok)
        return;
    m_splitter->restoreState(outer);
    m_lowerSplitter->restoreState(lower);
}

QString InstrumentView::say(app::Text id) const {
    return app::text(id, app::languageOf(m_english));
}

QLabel* InstrumentView::addRow(QFormLayout* form, const QString& name) {
    Row row;
    row.name = name;
    row.caption = new QLabel(form->parentWidget());
    row.value = new QLabel(form->parentWidget());
    row.value->setTextFormat(Qt::PlainText);
    row.value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row.caption->setBuddy(row.value);
    form->addRow(row.caption, row.value);
    m_rows << row;
    return row.value;
}

void InstrumentView::setRow(const QString& name, const QString& value) {
    for (Row& row : m_rows) {
        if (row.name != name)
            continue;
        row.value->setText(value.isEmpty() ? dash() : value);
        row.value->setAccessibleName(row.caption->text() + QStringLiteral(" ") + row.value->text());
    }
}

QString InstrumentView::shownValue(const QString& name) const {
    for (const Row& row : m_rows) {
        if (row.name == name)
            return row.value->text();
    }
    return QString();
}

QLabel* InstrumentView::valueLabel(const QString& name) const {
    for (const Row& row : m_rows) {
        if (row.name == name)
            return row.value;
    }
    return nullptr;
}

QString InstrumentView::valuesTitle() const {
    return m_valuesBox->title();
}

void InstrumentView::setLanguage(qint16 languageFlag) {
    m_english = app::isEnglish(languageFlag);
    retranslate();
    refresh();
}

void InstrumentView::setTrendMinutes(int minutes) {
    const int index = m_trendWindow->findData(minutes);
    if (index >= 0)
        m_trendWindow->setCurrentIndex(index);
}

int InstrumentView::trendMinutes() const {
    return m_trendWindow->currentData().toInt();
}

void InstrumentView::retranslate() {
    struct Caption {
        const char* row;
        Text text;
    };
    static constexpr Caption kCaptions[] = {
        {"manufacturer", Text::ViewRowManufacturer},
        {"device type", Text::ViewRowDeviceType},
        {"device id", Text::ViewRowDeviceId},
        {"long address", Text::ViewRowLongAddress},
        {"HART revision", Text::ViewRowHartRevision},
        {"device revision", Text::ViewRowDeviceRevision},
        {"software revision", Text::ViewRowSoftwareRevision},
        {"hardware revision", Text::ViewRowHardwareRevision},
        {"preambles", Text::ViewRowPreambles},
        {"flags", Text::ViewRowFlags},
        {"configuration changes", Text::ViewRowConfigurationChanges},
        {"extended status", Text::ViewRowExtendedStatus},
        {"device profile", Text::ViewRowDeviceProfile},
        {"tag", Text::ViewRowTag},
        {"descriptor", Text::ViewRowDescriptor},
        {"date", Text::ViewRowDate},
        {"loop current", Text::ViewRowLoopCurrent},
        {"PV", Text::ViewRowPV},
        {"SV", Text::ViewRowSV},
        {"TV", Text::ViewRowTV},
        {"QV", Text::ViewRowQV},
    };
    for (Row& row : m_rows) {
        for (const Caption& caption : kCaptions) {
            if (row.name == QLatin1String(caption.row))
                row.caption->setText(say(caption.text) + QLatin1Char(':'));
        }
    }
    m_identityBox->setTitle(say(Text::ViewIdentityCommand0));
    m_tagBox->setTitle(say(Text::ViewTagCommand13));
    m_valuesBox->setTitle(say(Text::ViewValuesCommand3));
    m_statusBox->setTitle(say(Text::ViewStatus));
    m_trendBox->setTitle(say(Text::ViewTrend));
    m_answerBox->setTitle(say(Text::ViewAnswerExplained));
    m_trendWindowCaption->setText(say(Text::ViewWindow));
    m_readDetails->setText(say(Text::ViewReadDetails));
    m_follow->setText(say(Text::ViewFollow));
    m_subscribe->setText(say(Text::ViewSubscribe));
    showSubscriptionNote(m_subscriptionNoteText);
    for (int k = 0; k < m_trendWindow->count(); ++k)
        m_trendWindow->setItemText(
            k, QStringLiteral("%1 %2").arg(kTrendChoices[k]).arg(say(Text::ViewMinutes)));
    m_explanation->setHeaders(say(Text::ViewBytes), say(Text::ViewField), say(Text::ViewMeaning));
    for (TrendPlot* plot : {m_currentTrend, m_primaryTrend})
        plot->setTimeWords(say(Text::ViewMinutes), say(Text::ViewNow));
    for (QGroupBox* box :
         {m_identityBox, m_tagBox, m_valuesBox, m_statusBox, m_trendBox, m_answerBox})
        box->setAccessibleName(box->title());
}

void InstrumentView::refresh() {
    showAllButTrend();
    showTrend(m_viewed.instrument());
}

void InstrumentView::showAllButTrend() {
    const field::Instrument& in = m_viewed.instrument();
    const bool behind = !m_viewed.behind.isEmpty();
    // On the loop by its polling address; behind the I/O system by its unique address.
    const QString number =
        behind ? QString::fromLatin1(m_viewed.behind.toHex().toUpper())
               : QStringLiteral("%1").arg(m_viewed.address, 2, 10, QLatin1Char('0'));
    QString title = say(Text::ViewInstrument).arg(number);
    if (in.tag && !in.tag->tag.trimmed().isEmpty())
        title += QStringLiteral(" \u2014 ") + in.tag->tag.trimmed();
    setWindowTitle(title);

    QString state;
    if (in.answering)
        state = say(behind ? Text::ViewBehindAnswers : Text::ViewAddressAnswers).arg(number);
    else if (in.identity && in.silentSinceMs > 0)
        state = say(Text::ViewNotAnsweringSince).arg(clockTime(in.silentSinceMs));
    else if (behind)
        state = say(Text::ViewBehindNotAnswered);
    else if (in.identity)
        state = say(Text::ViewAddressSilentNow).arg(number);
    else
        state = say(Text::ViewAddressSilent).arg(number);
    m_state->setText(state);
    m_state->setAccessibleName(state);

    showIdentity(in);
    showValues(in);
    showStatus(in);
    showExplanation(in);
    m_detailsPanel->show(in, m_english);
    m_loopCheck->show(in, m_viewed.address, m_english);
    m_readDetails->setEnabled(in.answering);
}

void InstrumentView::refreshSoon() {
    m_refreshing->request();
}

void InstrumentView::showFollowing(bool on) {
    const QSignalBlocker quiet(m_follow);
    m_follow->setChecked(on);
}

void InstrumentView::showSubscription(bool offered, bool on) {
    m_subscribe->setVisible(offered);
    const QSignalBlocker quiet(m_subscribe);
    m_subscribe->setChecked(on);
}

void InstrumentView::showSubscriptionNote(std::optional<app::Text> note) {
    m_subscriptionNoteText = note;
    m_subscriptionNote->setText(note ? say(*note) : QString());
    m_subscriptionNote->setVisible(note.has_value());
}

void InstrumentView::showIdentity(const field::Instrument& in) {
    const std::optional<field::Identity>& id = in.identity;
    const auto decimal = [](const std::optional<int>& v) {
        return v ? QString::number(*v) : QString();
    };
    if (!id) {
        for (const char* name : kIdentityRows)
            setRow(QString::fromLatin1(name), QString());
    } else {
        const int digits = id->hartRevision >= 7 ? 4 : 2;
        // HART 7 names the manufacturer only in the long form of the answer.
        const bool manufacturerSent =
            id->fromList || id->hartRevision < 7 || id->configChangeCounter.has_value();
        setRow("manufacturer", manufacturerSent
                                   ? field::manufacturerText(id->manufacturer, digits, m_english)
                                   : QString());
        setRow("device type", hex(id->deviceType, id->expandedDeviceType ? 4 : 2));
        setRow("device id", hex(int(id->deviceId), 6));
        setRow("long address", QString::fromLatin1(id->longAddress.toHex().toUpper()));
        setRow("HART revision", QString::number(id->hartRevision));
        setRow("device revision", QString::number(id->deviceRevision));
        setRow("software revision", QString::number(id->softwareRevision));
        setRow("hardware revision",
               QString::number(id->hardwareRevision) +
                   (id->physicalSignaling
                        ? say(Text::ViewSignallingCode)
                              .arg(field::physicalSignalingText(*id->physicalSignaling, m_english))
                        : QString()));
        setRow("preambles", QString::number(id->requestPreambles));
        setRow("flags", hex(id->flags, 2));
        setRow("configuration changes", decimal(id->configChangeCounter));
        QString extended;
        if (id->extendedStatus) {
            extended = hex(*id->extendedStatus, 2);
            if (*id->extendedStatus != 0)
                extended += QStringLiteral(": ") + field::bitsText(field::extendedStatusBits(),
                                                                   *id->extendedStatus, m_english);
        }
        setRow("extended status", extended);
        setRow("device profile", decimal(id->deviceProfile));
        // The list says no more than who it is: nothing is shown for what it does not say.
        if (id->fromList)
            for (const char* unknown : {"device revision", "software revision", "hardware revision",
                                        "preambles", "flags"})
                setRow(QString::fromLatin1(unknown), QString());
    }
    m_identityBox->setTitle(
        say(id && id->fromList ? Text::ViewIdentityCommand84 : Text::ViewIdentityCommand0));
    m_identityBox->setAccessibleName(m_identityBox->title());
    setRow("tag", in.tag ? in.tag->tag : QString());
    setRow("descriptor", in.tag ? in.tag->descriptor : QString());
    setRow("date",
           in.tag ? protocol::dateText(in.tag->day, in.tag->month, in.tag->year) : QString());
}

void InstrumentView::showValues(const field::Instrument& in) {
    const std::optional<field::DynamicVariables>& v = in.variables;
    setRow("loop current",
           v && v->loopCurrent
               ? valueText(*v->loopCurrent, field::unitSymbol(kMilliampere, m_english))
               : QString());
    for (int k = 0; k < 4; ++k) {
        const QString name = QString::fromLatin1(kValueRows[k + 1]);
        const auto& variable = v ? v->values[size_t(k)] : std::nullopt;
        setRow(name, variable ? valueText(variable->value,
                                          field::unitSymbol(variable->unitCode, m_english))
                              : QString());
    }

    // Values of an instrument that no longer answers are what it said last, not what it measures
    // now: greyed and in italics, the box and every value saying so in words too.
    const bool lastKnown = v && !in.answering;
    const QString received = in.lastAnswerMs > 0 ? clockTime(in.lastAnswerMs) : QString();
    m_valuesBox->setTitle(lastKnown ? say(Text::ViewValuesCommand3LastKnownFrom).arg(received)
                          : in.lastPublished() ? say(Text::ViewValuesPublished).arg(received)
                                               : say(Text::ViewValuesCommand3));
    m_valuesBox->setAccessibleName(m_valuesBox->title());
    showBursts(in);
    for (const char* rowName : kValueRows) {
        for (Row& row : m_rows) {
            if (row.name != QLatin1String(rowName))
                continue;
            QFont font = row.value->font();
            font.setItalic(lastKnown);
            setFontIfOther(row.value, font);
            QPalette palette = this->palette();
            if (lastKnown)
                palette.setColor(QPalette::WindowText,
                                 palette.color(QPalette::Disabled, QPalette::WindowText));
            setPaletteIfOther(row.value, palette);
            if (lastKnown)
                row.value->setAccessibleName(row.value->accessibleName() +
                                             say(Text::ViewLastKnown));
        }
    }
}

void InstrumentView::showBursts(const field::Instrument& in) {
    // Said only while the frames keep coming: an instrument taken out of burst mode is not
    // called bursting for long.
    const qint64 nowMs = m_viewed.now().toMSecsSinceEpoch();
    QStringList said;
    for (const auto& [command, rate] : in.bursts) {
        if (!rate.current(nowMs))
            continue;
        // Command 38 published says the instrument's "configuration changed" flag was reset.
        constexpr int kConfigurationChangedReset = 38;
        const QString named = command == kConfigurationChangedReset
                                  ? say(Text::ViewConfigurationChangedReset).arg(command)
                                  : QString::number(command);
        const std::optional<qint64> period = rate.periodMs();
        if (!period) {
            said << say(Text::ViewBurstHeard).arg(named);
            continue;
        }
        // Tenths of a second below ten seconds, whole seconds above: the line's own timing
        // moves each frame by some tens of milliseconds. Below a tenth (a network server may
        // publish that fast), hundredths.
        const double seconds = double(*period) / 1000.0;
        const QString every = seconds < 0.095 ? QString::number(seconds, 'f', 2)
                              : seconds < 10
                                  ? QString::number(std::round(seconds * 10) / 10, 'f', 1)
                                  : QString::number(std::llround(seconds));
        said << say(Text::ViewBurstEvery).arg(every, named);
    }
    const QString text = said.join(QStringLiteral("; "));
    if (m_burstLine->text() != text)
        m_burstLine->setText(text);
    m_burstLine->setVisible(!text.isEmpty());
}

void InstrumentView::showStatus(const field::Instrument& in) {
    QString response;
    if (in.responseCode < 0) {
        response = say(Text::ViewResponseCodeNone);
    } else if (protocol::isCommunicationError(in.responseCode)) {
        response = say(Text::ViewCommunicationError)
                       .arg(field::bitsText(field::communicationErrorBits(),
                                            in.responseCode & ~protocol::kCommunicationErrorFlag,
                                            m_english));
    } else {
        response = say(Text::ViewResponse)
                       .arg(field::responseCodeText(in.responseCode, m_english))
                       .arg(in.responseCode);
    }
    m_responseLine->setText(response);
    const bool commError = protocol::isCommunicationError(in.responseCode);
    setFillIfOther(m_responseLine, commError);
    QPalette responsePalette = this->palette();
    if (commError) {
        responsePalette.setColor(QPalette::Window, severityBackground(field::Severity::Fault));
        responsePalette.setColor(QPalette::WindowText, Qt::black);
    }
    setPaletteIfOther(m_responseLine, responsePalette);
    m_responseLine->setAccessibleName(
        commError ? response + QStringLiteral(" (") +
                        field::severityText(field::Severity::Fault, m_english) + QLatin1Char(')')
                  : response);

    const QList<field::StatusBit> bits = field::deviceStatusBits();
    for (int k = 0; k < bits.size(); ++k) {
        QLabel* label = m_statusBits[k];
        const bool set = in.deviceStatus >= 0 && (in.deviceStatus & bits[k].mask);
        label->setText((set ? QStringLiteral("\u25A0 ") : QStringLiteral("\u25A1 ")) +
                       field::bitText(bits[k], m_english));
        QFont font = label->font();
        font.setBold(set);
        setFontIfOther(label, font);
        QPalette palette = this->palette();
        if (set) {
            palette.setColor(QPalette::Window, severityBackground(bits[k].severity));
            palette.setColor(QPalette::WindowText, Qt::black);
        } else {
            palette.setColor(QPalette::WindowText,
                             palette.color(QPalette::Disabled, QPalette::WindowText));
        }
        setFillIfOther(label, set);
        setPaletteIfOther(label, palette);
        label->setAccessibleName(
            field::bitText(bits[k], m_english) +
            (set ? say(Text::ViewSet).arg(field::severityText(bits[k].severity, m_english))
                 : say(Text::ViewClear)));
    }
}

void InstrumentView::showTrend(const field::Instrument& in) {
    const int windowSeconds = trendMinutes() * 60;
    // The right edge is the present, not the last sample: a silent instrument shows as a gap.
    const qint64 nowMs = m_viewed.now().toMSecsSinceEpoch();
    QVector<QPointF> current, primary;
    // Only what the window spans: the history holds up to an hour.
    const auto& samples = in.history.samples();
    const auto from =
        std::lower_bound(samples.begin(), samples.end(), nowMs - qint64(windowSeconds) * 1000,
                         [](const field::History::Sample& s, qint64 ms) { return s.ms < ms; });
    for (auto it = from; it != samples.end(); ++it) {
        const field::History::Sample& s = *it;
        const double x = (s.ms - nowMs) / 1000.0;
        if (!std::isnan(s.loopCurrent))
            current << QPointF(x, s.loopCurrent);
        if (!std::isnan(s.primary))
            primary << QPointF(x, s.primary);
    }
    m_currentTrend->setTitle(say(Text::ViewLoopCurrent),
                             field::unitSymbol(kMilliampere, m_english));
    const auto& pv = in.variables ? in.variables->values[0] : std::nullopt;
    m_primaryTrend->setTitle(say(Text::ViewPrimaryVariable),
                             pv ? field::unitSymbol(pv->unitCode, m_english) : QString());
    m_currentTrend->setSeries(current, windowSeconds);
    m_primaryTrend->setSeries(primary, windowSeconds);
}

void InstrumentView::showExplanation(const field::Instrument& in) {
    // Taken apart and laid out again only for another answer or language: most refreshes
    // bring the same one (a detail read, the clock).
    QByteArray shown = in.lastAnswer.asRead;
    shown += char(in.lastAnswer.command) + QByteArray(m_english ? "e" : "r");
    if (shown == m_explained)
        return;
    m_explained = shown;
    const QList<field::ExplainedField> fields = field::explainAnswer(in.lastAnswer, m_english);
    m_answerBox->setTitle(in.lastAnswer.command < 0
                              ? say(Text::ViewAnswerExplained)
                              : say(Text::ViewAnswerExplainedOfCommand).arg(in.lastAnswer.command));
    m_explanation->showFields(fields);
}

} // namespace ui

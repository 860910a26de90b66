#pragma once

#include "app/texts.h"

#include <QByteArray>
#include <QList>
#include <QWidget>

#include <QDateTime>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QFormLayout;
class QGroupBox;
class QLabel;
class QTableWidget;

namespace field {
class FieldModel;
struct Instrument;
} // namespace field

class QSplitter;

namespace ui {

class DetailsPanel;
class ExplanationTable;
class Throttle;
class LoopCheckPanel;
class TrendPlot;

// Where a view's instrument is and what is known of it: on the loop at a polling address, or
// behind the I/O system, named by its unique address.
struct ViewedInstrument {
    int address = -1;  // polling address; -1 behind the I/O system
    QByteArray behind; // unique address behind the I/O system; empty on the loop
    std::function<const field::Instrument&()> instrument;
    std::function<QDateTime()> now;

    static ViewedInstrument onTheLoop(const field::FieldModel& model, int address);
};

// One instrument, live: what it is, its tag, its values with their units at full precision, its
// status in words, the trend of its loop current and primary variable, and its last answer
// explained byte by byte. It only reads what is known of the instrument.
class InstrumentView : public QWidget {
    Q_OBJECT
public:
    InstrumentView(ViewedInstrument viewed, qint16 languageFlag, QWidget* parent = nullptr);
    InstrumentView(const field::FieldModel& model, int address, qint16 languageFlag,
                   QWidget* parent = nullptr)
        : InstrumentView(ViewedInstrument::onTheLoop(model, address), languageFlag, parent) {}

    // The polling address; -1 for an instrument behind the I/O system.
    int address() const { return m_viewed.address; }
    // The unique address of an instrument behind the I/O system; empty on the loop.
    const QByteArray& behind() const { return m_viewed.behind; }
    void setLanguage(qint16 languageFlag);
    // Shows what the model now holds for the address.
    void refresh();
    // The same for a change the model reported: at once, or, when the view was refreshed less
    // than a quarter second ago, once at the end of that quarter for all that came meanwhile.
    // The trend follows with its clock, once a second.
    void refreshSoon();

    // The trend's span, 1 to 60 minutes.
    void setTrendMinutes(int minutes);
    int trendMinutes() const;

    // For tests and screen readers: the value shown in the row named `name` ("PV").
    QString shownValue(const QString& name) const;
    const TrendPlot& currentTrend() const { return *m_currentTrend; }
    ExplanationTable* explanation() const { return m_explanation; }
    QLabel* stateLine() const { return m_state; }
    // The label showing the value of the row named `name`; null when there is no such row.
    QLabel* valueLabel(const QString& name) const;
    // One label per bit of the device status byte, most significant bit first.
    const QList<QLabel*>& statusBitLabels() const { return m_statusBits; }
    QLabel* responseLine() const { return m_responseLine; }
    QString valuesTitle() const;
    DetailsPanel* detailsPanel() const { return m_detailsPanel; }
    LoopCheckPanel* loopCheckPanel() const { return m_loopCheck; }
    QPushButton* readDetailsButton() const { return m_readDetails; }
    QCheckBox* followSwitch() const { return m_follow; }
    // Shows whether this instrument is followed, without asking anything.
    void showFollowing(bool on);
    // The Subscribe switch: offered only over HART-IP; `on` whether it is subscribed.
    void showSubscription(bool offered, bool on);
    // What the device said to the last subscription or its end, when it did not confirm it;
    // nothing once it did.
    void showSubscriptionNote(std::optional<app::Text> note);
    QCheckBox* subscribeSwitch() const { return m_subscribe; }
    // The sizes the operator gave the view's parts, to be given to the next view opened.
    QByteArray saveLayout() const;
    void restoreLayout(const QByteArray& layout);

signals:
    // The operator moved a splitter: the view's parts have these sizes now.
    void layoutChanged(const QByteArray& layout);
    // The operator asked for the instrument's details, or switched following it on or off.
    void detailsRequested(int address);
    void followToggled(int address, bool on);
    void subscribeToggled(int address, bool on);

private:
    struct Row {
        QString name; // stable, for lookups: "manufacturer", "PV", …
        QLabel* caption = nullptr;
        QLabel* value = nullptr;
    };
    QString say(app::Text id) const;
    QLabel* addRow(QFormLayout* form, const QString& name);
    void setRow(const QString& name, const QString& value);
    void retranslate();
    void showAllButTrend();
    void showIdentity(const field::Instrument& in);
    void showValues(const field::Instrument& in);
    void showBursts(const field::Instrument& in);
    void showStatus(const field::Instrument& in);
    void showTrend(const field::Instrument& in);
    void showExplanation(const field::Instrument& in);

    const ViewedInstrument m_viewed;
    bool m_english = true;

    QLabel* m_state = nullptr;
    QGroupBox* m_identityBox = nullptr;
    QGroupBox* m_tagBox = nullptr;
    QGroupBox* m_valuesBox = nullptr;
    QLabel* m_burstLine = nullptr; // what the instrument publishes unasked, and how often
    QGroupBox* m_statusBox = nullptr;
    QGroupBox* m_trendBox = nullptr;
    QGroupBox* m_answerBox = nullptr;
    QList<Row> m_rows;
    QLabel* m_responseLine = nullptr;
    QList<QLabel*> m_statusBits;
    QComboBox* m_trendWindow = nullptr;
    QLabel* m_trendWindowCaption = nullptr;
    TrendPlot* m_currentTrend = nullptr;
    TrendPlot* m_primaryTrend = nullptr;
    ExplanationTable* m_explanation = nullptr;
    QPushButton* m_readDetails = nullptr;
    QCheckBox* m_follow = nullptr;
    QCheckBox* m_subscribe = nullptr;
    QLabel* m_subscriptionNote = nullptr;
    std::optional<app::Text> m_subscriptionNoteText;
    DetailsPanel* m_detailsPanel = nullptr;
    Throttle* m_refreshing = nullptr;
    QByteArray m_explained;               // the answer and language the explanation shows
    QSplitter* m_splitter = nullptr;      // what the instrument says, and its answer below
    QSplitter* m_lowerSplitter = nullptr; // the answer explained, and the details
    LoopCheckPanel* m_loopCheck = nullptr;
};

} // namespace ui

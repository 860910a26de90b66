#include "field_layer.h"

#include "instrument_view.h"
#include "loop_check_panel.h"
#include "window_surface.h"

#include "app/language.h"
#include "core/loop_session.h"
#include "field/frame_explanation.h"
#include "protocol/polling_cycle.h"

namespace ui {

namespace {

// What the view says of a subscription the device did not confirm.
std::optional<app::Text> subscriptionNote(bool on, core::Subscriptions::Outcome outcome) {
    using Outcome = core::Subscriptions::Outcome;
    switch (outcome) {
    case Outcome::Confirmed:
        break;
    case Outcome::NotConfirmed:
        return on ? app::Text::ViewSubscriptionUnconfirmed
                  : app::Text::ViewUnsubscriptionUnconfirmed;
    case Outcome::NoAnswer:
        return on ? app::Text::ViewSubscriptionUnanswered : app::Text::ViewUnsubscriptionUnanswered;
    }
    return std::nullopt;
}

} // namespace

FieldLayer::FieldLayer(core::LoopSession& session, WindowSurface& window, QObject* parent)
    : QObject(parent), m_session(session), m_window(window), m_model(session.fieldModel()) {
    connect(&session.cycle(), &protocol::PollingCycle::answerDecoded, this,
            &FieldLayer::explainDump);
    connect(&m_model, &field::FieldModel::instrumentChanged, this, [this](int address) {
        for (InstrumentView* view : views())
            if (view->address() == address)
                view->refreshSoon();
    });
}

FieldLayer::~FieldLayer() {
    m_window.showAnswerExplanation({}); // the window may outlive this layer
    for (InstrumentView* view : views())
        delete view;
}

InstrumentView* FieldLayer::open(int address) {
    for (InstrumentView* view : views()) {
        if (view->address() == address) {
            view->raise();
            view->activateWindow();
            return view;
        }
    }
    auto* view = new InstrumentView(m_model, address, m_session.languageFlag());
    view->loopCheckPanel()->setTolerance(m_toleranceMa, m_tolerancePercent);
    if (m_loadLayout)
        view->restoreLayout(m_loadLayout());
    connect(view, &InstrumentView::layoutChanged, this, [this](const QByteArray& layout) {
        if (m_saveLayout)
            m_saveLayout(layout);
    });
    m_views << view;
    core::DetailsReader& details = m_session.details();
    connect(view, &InstrumentView::detailsRequested, this,
            [&details](int asked) { details.readDetails(asked); });
    connect(view, &InstrumentView::followToggled, this, [this, &details](int asked, bool on) {
        // One instrument followed at a time: the view that followed before says so no more.
        details.follow(on ? asked : -1);
        for (InstrumentView* other : views())
            other->showFollowing(details.followed() == other->address());
    });
    connect(view, &QObject::destroyed, this, [this, &details, address] {
        if (details.followed() == address)
            details.follow(-1);
        if (m_subscribed.remove(address))
            m_session.subscribe(address, false);
    });
    connect(view, &InstrumentView::subscribeToggled, this, [this, view](int asked, bool on) {
        if (m_session.subscribe(asked, on)) {
            if (on)
                m_subscribed.insert(asked);
            else
                m_subscribed.remove(asked);
        }
        view->showSubscription(m_session.hartIpSession() != nullptr, m_subscribed.contains(asked));
    });
    view->showSubscription(m_session.hartIpSession() != nullptr, m_subscribed.contains(address));
    connect(&m_session.subscriptions(), &core::Subscriptions::settled, view,
            [view](int settledAddress, bool on, core::Subscriptions::Outcome outcome) {
                if (settledAddress == view->address())
                    view->showSubscriptionNote(subscriptionNote(on, outcome));
            });
    view->show();
    // Opened for an instrument that answers: its details are read at once.
    if (m_model.instrument(address).answering)
        details.readDetails(address);
    return view;
}

QList<InstrumentView*> FieldLayer::views() const {
    QList<InstrumentView*> open;
    for (const QPointer<InstrumentView>& view : m_views)
        if (view)
            open << view.data();
    return open;
}

void FieldLayer::setLoopCheckTolerance(double ma, double percentOfSpan) {
    m_toleranceMa = ma;
    m_tolerancePercent = percentOfSpan;
    for (InstrumentView* view : views()) {
        view->loopCheckPanel()->setTolerance(ma, percentOfSpan);
        view->refresh();
    }
}

void FieldLayer::setLayoutMemory(std::function<QByteArray()> load,
                                 std::function<void(const QByteArray&)> save) {
    m_loadLayout = std::move(load);
    m_saveLayout = std::move(save);
}

void FieldLayer::setLanguage(qint16 languageFlag) {
    for (InstrumentView* view : views())
        view->setLanguage(languageFlag);
}

void FieldLayer::explainDump(const protocol::ReadAnswer& answer) {
    // Kept, and taken apart into words only when the window shows it: over HART-IP dozens of
    // answers a second come while nobody looks at the tooltip.
    m_lastDump = answer;
    m_window.showAnswerExplanation([this] { return dumpExplanation(); });
}

QString FieldLayer::dumpExplanation() const {
    const bool english = app::isEnglish(m_session.languageFlag());
    QStringList lines;
    for (const field::ExplainedField& f : field::explainAnswer(m_lastDump, english))
        lines << QStringLiteral("%1  %2: %3").arg(f.bytes, f.name, f.meaning);
    // Tags may hold '<': escaped, so the tooltip shows them as they are.
    return lines.isEmpty()
               ? QString()
               : QStringLiteral("<pre>%1</pre>").arg(lines.join(QLatin1Char('\n')).toHtmlEscaped());
}

} // namespace ui

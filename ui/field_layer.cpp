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
            if (view->behind().isEmpty() && view->address() == address)
                view->refreshSoon();
    });
    core::IoSystemReader& reader = session.ioSystems();
    const auto refreshBehind = [this, &reader](const QByteArray& unique) {
        for (InstrumentView* view : views())
            if (!view->behind().isEmpty() && (unique.isEmpty() || view->behind() == unique))
                view->refreshSoon();
    };
    connect(&reader, &core::IoSystemReader::subDeviceChanged, this,
            [&reader, refreshBehind](int index) {
                if (index >= 1 && index <= int(reader.subDevices().size()))
                    refreshBehind(reader.subDevices()[size_t(index - 1)].summary.uniqueAddress());
            });
    connect(&reader, &core::IoSystemReader::listChanged, this,
            [refreshBehind] { refreshBehind({}); });
}

FieldLayer::~FieldLayer() {
    m_window.showAnswerExplanation({}); // the window may outlive this layer
    for (InstrumentView* view : views())
        delete view;
}

InstrumentView* FieldLayer::open(int address) {
    for (InstrumentView* view : views()) {
        if (view->behind().isEmpty() && view->address() == address) {
            view->raise();
            view->activateWindow();
            return view;
        }
    }
    auto* view = new InstrumentView(m_model, address, m_session.languageFlag());
    core::DetailsReader& details = m_session.details();
    connect(view, &InstrumentView::detailsRequested, this,
            [&details](int asked) { details.readDetails(asked); });
    connect(view, &InstrumentView::followToggled, this, [this, &details](int asked, bool on) {
        // One instrument followed at a time: the view that followed before says so no more.
        details.follow(on ? asked : -1);
        for (InstrumentView* other : views())
            if (other->behind().isEmpty())
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
    made(view);
    // Opened for an instrument that answers: its details are read at once.
    if (m_model.instrument(address).answering)
        details.readDetails(address);
    return view;
}

InstrumentView* FieldLayer::openBehind(const QByteArray& uniqueAddress) {
    for (InstrumentView* view : views()) {
        if (view->behind() == uniqueAddress) {
            view->raise();
            view->activateWindow();
            return view;
        }
    }
    core::IoSystemReader& reader = m_session.ioSystems();
    ViewedInstrument viewed;
    viewed.behind = uniqueAddress;
    viewed.instrument = [&reader, uniqueAddress]() -> const field::Instrument& {
        return reader.instrument(uniqueAddress);
    };
    viewed.now = [this] { return m_model.now(); };
    auto* view = new InstrumentView(std::move(viewed), m_session.languageFlag());
    connect(view, &InstrumentView::detailsRequested, this,
            [&reader, uniqueAddress] { reader.readDetails(uniqueAddress); });
    connect(view, &InstrumentView::followToggled, this,
            [this, &reader, uniqueAddress](int, bool on) {
                reader.follow(on ? uniqueAddress : QByteArray());
                for (InstrumentView* other : views())
                    if (!other->behind().isEmpty())
                        other->showFollowing(reader.followed() == other->behind());
            });
    connect(view, &QObject::destroyed, this, [this, &reader, uniqueAddress] {
        if (reader.followed() == uniqueAddress)
            reader.follow({});
        if (m_subscribedBehind.remove(uniqueAddress))
            m_session.subscribeBehind(uniqueAddress, false);
    });
    connect(view, &InstrumentView::subscribeToggled, this,
            [this, view, uniqueAddress](int, bool on) {
                if (m_session.subscribeBehind(uniqueAddress, on)) {
                    if (on)
                        m_subscribedBehind.insert(uniqueAddress);
                    else
                        m_subscribedBehind.remove(uniqueAddress);
                }
                view->showSubscription(m_session.hartIpSession() != nullptr,
                                       m_subscribedBehind.contains(uniqueAddress));
            });
    view->showSubscription(m_session.hartIpSession() != nullptr,
                           m_subscribedBehind.contains(uniqueAddress));
    view->showFollowing(reader.followed() == uniqueAddress);
    connect(&m_session.subscriptions(), &core::Subscriptions::settledBehind, view,
            [view](const QByteArray& settled, bool on, core::Subscriptions::Outcome outcome) {
                if (settled == view->behind())
                    view->showSubscriptionNote(subscriptionNote(on, outcome));
            });
    made(view);
    if (reader.instrument(uniqueAddress).answering)
        reader.readDetails(uniqueAddress);
    return view;
}

InstrumentView* FieldLayer::made(InstrumentView* view) {
    view->loopCheckPanel()->setTolerance(m_toleranceMa, m_tolerancePercent);
    if (m_loadLayout)
        view->restoreLayout(m_loadLayout());
    connect(view, &InstrumentView::layoutChanged, this, [this](const QByteArray& layout) {
        if (m_saveLayout)
            m_saveLayout(layout);
    });
    m_views << view;
    view->refresh();
    view->show();
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

#pragma once

#include "field/field_model.h"

#include <QByteArray>
#include <QObject>

#include <QPointer>
#include <QSet>
#include <functional>

namespace core {
class LoopSession;
}

namespace ui {

class InstrumentView;
class WindowSurface;

// What the answers mean, beside the window: the instrument views of the session's field model,
// and the last answer explained over its bytes. It listens to the session's cycle and model;
// nothing here writes to the board or reaches into the cycle.
class FieldLayer : public QObject {
    Q_OBJECT
public:
    FieldLayer(core::LoopSession& session, WindowSurface& window, QObject* parent = nullptr);
    ~FieldLayer() override;

    field::FieldModel& model() { return m_model; }
    // Opens the view of `address`, or raises it when it is open already.
    InstrumentView* open(int address);
    // The same for the instrument behind the I/O system with `uniqueAddress`.
    InstrumentView* openBehind(const QByteArray& uniqueAddress);
    QList<InstrumentView*> views() const;
    // The language changed: the open views follow.
    void setLanguage(qint16 languageFlag);
    // How close the loop check wants the current, for the views opened from now on and those open.
    void setLoopCheckTolerance(double ma, double percentOfSpan);
    // Where the views' splitter sizes are kept: read for each view opened, written when the
    // operator moves one.
    void setLayoutMemory(std::function<QByteArray()> load,
                         std::function<void(const QByteArray&)> save);

private:
    // A view made and shown, with what every view has: tolerance, layout, language.
    InstrumentView* made(InstrumentView* view);
    void explainDump(const protocol::ReadAnswer& answer);
    // The last answer read, explained for the dump's tooltip in the language in force.
    QString dumpExplanation() const;

    core::LoopSession& m_session;
    WindowSurface& m_window;
    field::FieldModel& m_model; // the session's
    QList<QPointer<InstrumentView>> m_views;
    QSet<int> m_subscribed;              // addresses whose published data was asked for
    QSet<QByteArray> m_subscribedBehind; // the same behind the I/O system, by unique address
    protocol::ReadAnswer m_lastDump;     // the answer the port panel's dump shows
    double m_toleranceMa = 0.05;
    double m_tolerancePercent = 0.3;
    std::function<QByteArray()> m_loadLayout;
    std::function<void(const QByteArray&)> m_saveLayout;
};

} // namespace ui

#pragma once

#include "field/field_model.h"

#include <QObject>
#include <QPointer>

namespace ui {

class Form1;
class InstrumentView;

// What the answers mean, beside the window: the instrument views of the session's field model,
// and the port panel's dump explained in its tooltip. It listens to the cycle and the window;
// nothing here writes to the board or reaches into the cycle.
class FieldLayer : public QObject {
    Q_OBJECT
public:
    explicit FieldLayer(Form1& window);
    ~FieldLayer() override;

    field::FieldModel& model() { return m_model; }
    // Opens the view of `address`, or raises it when it is open already.
    InstrumentView* open(int address);
    QList<InstrumentView*> views() const;

private:
    void setLanguage(qint16 languageFlag);
    void explainDump(const QByteArray& asRead);

    Form1& m_window;
    field::FieldModel& m_model; // the window's session's
    QList<QPointer<InstrumentView>> m_views;
};

} // namespace ui

#include "port_panel.h"

#include "captions.h"
#include "lamp_widget.h"
#include "port_combo.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolTip>

namespace ui {

namespace {

// Return in the port box's text field: Qt's editable combo box would take the typed text as a
// choice from the list and fire a port change. Only a choice from the list is one.
class SwallowReturn : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                return event->type() == QEvent::KeyPress;
        }
        return QObject::eventFilter(watched, event);
    }
};

constexpr int kNumberedPorts = 4;

} // namespace

PortPanel::PortPanel(QWidget* parent) : ClickFrame(parent) {
    setObjectName(QStringLiteral("Frame2"));

    m_label24 = new QLabel(QStringLiteral("COM"), this);
    m_label24->setObjectName(QStringLiteral("Label24"));

    auto* combo = new PortComboBox(this);
    combo->setBeforePopup([this] { emit portListOpening(); });
    m_combo1 = combo;
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    for (int port = 1; port <= kNumberedPorts; ++port)
        m_combo1->addItem(QString::number(port));
    m_combo1->setMinimumContentsLength(3);
    // The box stays narrow; the list opens as wide as its longest device name.
    m_combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Choosing an entry is a port change; typing into the box, Return included, is not.
    connect(m_combo1, &QComboBox::activated, this, [this](int) { emit portChosen(); });
    m_combo1->lineEdit()->installEventFilter(new SwallowReturn(m_combo1));
    m_label24->setBuddy(m_combo1);

    m_shape1 = new LampWidget(this);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Port_Status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_role = new QLabel(this);
    m_role->setObjectName(QStringLiteral("Port_Role"));
    m_role->setTextFormat(Qt::PlainText);
    m_role->setWordWrap(true);

    m_command1 = new QPushButton(QStringLiteral("STOP"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    connect(m_command1, &QPushButton::clicked, this, &PortPanel::command1Clicked);

    m_command2 = new QPushButton(this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    connect(m_command2, &QPushButton::clicked, this, &PortPanel::command2Clicked);

    m_label28 = new QLabel(this);
    m_label28->setObjectName(QStringLiteral("Label28"));
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setReadOnly(true);
    m_text1->setAlignment(Qt::AlignRight);
    m_text1->setMaximumWidth(72);
    m_label28->setBuddy(m_text1);

    m_label27 = new QLabel(this);
    m_label27->setObjectName(QStringLiteral("Label27"));
    m_text3 = new QPlainTextEdit(this);
    m_text3->setObjectName(QStringLiteral("Text3"));
    m_text3->setReadOnly(true);
    m_text3->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text3->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text3->setMinimumWidth(520);
    m_text3->setFixedHeight(4 * m_text3->fontMetrics().lineSpacing() + 10);
    m_text3->installEventFilter(this);
    m_text3->viewport()->installEventFilter(this);
    m_label27->setBuddy(m_text3);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_label24, 0, 0);
    grid->addWidget(m_combo1, 0, 1);
    grid->addWidget(m_shape1, 0, 2);
    grid->setColumnStretch(3, 1);
    grid->addWidget(m_command1, 0, 4);
    grid->addWidget(m_command2, 0, 5);
    grid->addWidget(m_status, 1, 0, 1, 6);
    grid->addWidget(m_role, 2, 0, 1, 6);
    grid->addWidget(m_label28, 3, 0, 1, 3);
    grid->addWidget(m_text1, 3, 3, Qt::AlignLeft);
    grid->addWidget(m_label27, 4, 0, 1, 6);
    grid->addWidget(m_text3, 5, 0, 1, 6);
}

void PortPanel::applyCaptions(const Captions& captions) {
    setTitle(captions.Frame2);
    setAccessibleName(captions.Frame2);
    m_command2->setText(captions.Command2);
    m_label27->setText(captions.Label27);
    m_label28->setText(captions.Label28);
}

void PortPanel::showRole(const QString& text) {
    m_role->setText(text);
}

void PortPanel::showStatus(const QString& text) {
    // Device paths have no blanks; let a long one break after its separators rather than run
    // out of the panel.
    QString breakable = text;
    for (const QChar separator : {QLatin1Char('/'), QLatin1Char('-'), QLatin1Char('_')})
        breakable.replace(separator, QString(separator) + QChar(0x200B));
    m_status->setText(breakable);
    m_status->setAccessibleName(text);
}

void PortPanel::showAnswer(int length, const QString& dump) {
    m_answerLength = length;
    m_answerDump = dump;
    m_answerInPlace = false;
    if (isVisible())
        putAnswerInPlace();
}

void PortPanel::putAnswerInPlace() const {
    if (m_answerInPlace)
        return;
    m_answerInPlace = true;
    m_text1->setText(QString::number(m_answerLength));
    m_text3->setPlainText(m_answerDump);
}

void PortPanel::showEvent(QShowEvent* event) {
    putAnswerInPlace();
    ClickFrame::showEvent(event);
}

QLineEdit* PortPanel::text1() const {
    putAnswerInPlace();
    return m_text1;
}

QPlainTextEdit* PortPanel::text3() const {
    putAnswerInPlace();
    return m_text3;
}

void PortPanel::setAnswerExplanation(std::function<QString()> explain) {
    m_explain = std::move(explain);
}

bool PortPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || (watched != m_text3 && watched != m_text3->viewport()))
        return ClickFrame::eventFilter(watched, event);
    const QString text = m_explain ? m_explain() : QString();
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, m_text3);
    return true;
}

void PortPanel::refreshPortList(const serial::PortDiscovery& discover,
                                const QString& networkEntry) {
    const QString typed = m_combo1->currentText();
    while (m_combo1->count() > kNumberedPorts)
        m_combo1->removeItem(m_combo1->count() - 1);
    if (discover) {
        for (const serial::PortEntry& entry : serial::portEntries(discover()))
            m_combo1->addItem(entry.text, entry.devicePath);
    }
    m_combo1->addItem(networkEntry, networkEntryData());
    m_combo1->setEditText(typed);
}

} // namespace ui

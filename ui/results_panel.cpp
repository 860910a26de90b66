#include "results_panel.h"

#include "captions.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ui {

ResultsPanel::ResultsPanel(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("Basis_Frame1"));

    m_basisLabel1 = new QLabel(this);
    m_basisLabel1->setObjectName(QStringLiteral("Basis_Label1"));
    m_basisText1 = new QLineEdit(this);
    m_basisText1->setObjectName(QStringLiteral("Basis_Text1"));
    m_basisText1->setMinimumWidth(340);
    m_basisLabel1->setBuddy(m_basisText1);

    m_basisCommand1 = new QPushButton(this);
    m_basisCommand1->setObjectName(QStringLiteral("Basis_Command1"));
    connect(m_basisCommand1, &QPushButton::clicked, this, &ResultsPanel::basisCommand1Clicked);

    m_command3 = new QPushButton(this);
    m_command3->setObjectName(QStringLiteral("Command3"));
    connect(m_command3, &QPushButton::clicked, this, &ResultsPanel::command3Clicked);

    m_recordLine = new QLabel(this);
    m_recordLine->setObjectName(QStringLiteral("Record_Label"));
    m_recordLine->setTextFormat(Qt::PlainText);
    m_recordLine->setWordWrap(true);
    m_recordLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_recordLine->hide();

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_basisLabel1, 0, 0, 1, 3);
    grid->addWidget(m_basisText1, 1, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->addWidget(m_basisCommand1, 2, 1);
    grid->addWidget(m_command3, 2, 2);
    grid->addWidget(m_recordLine, 3, 0, 1, 3);
    grid->setRowStretch(4, 1);
}

void ResultsPanel::applyCaptions(const Captions& captions) {
    setTitle(captions.Basis_Frame1);
    setAccessibleName(captions.Basis_Frame1);
    m_basisLabel1->setText(captions.Basis_Label1);
    m_basisCommand1->setText(captions.Basis_Command1);
    m_command3->setText(captions.Command3);
}

void ResultsPanel::showFolder(const QString& folder) {
    m_basisText1->setText(folder);
}

void ResultsPanel::showRecordLine(const QString& text) {
    m_recordLine->setText(text);
    m_recordLine->setAccessibleName(text);
    m_recordLine->setVisible(!text.isEmpty());
}

} // namespace ui

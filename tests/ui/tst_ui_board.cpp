#include "ui/board_widget.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

using protocol::Column;

class TestBoard : public QObject {
    Q_OBJECT
private slots:
    void layoutColoursAndNames() {
        QCOMPARE(ui::Twips(120.0).px(255), 21);
        QCOMPARE(ui::Twips(0.0).px(1440), 96); // no screen: 96 dpi
        ui::BoardWidget board(ui::Twips(96.0));
        QCOMPARE(board.size(), QSize(985, 493));
        QCOMPARE(board.cell(Column::Label6, 0)->geometry(), QRect(15, 81, 25, 17));
        QCOMPARE(board.cell(Column::Label17, 15)->geometry(), QRect(874, 441, 81, 17));
        QCOMPARE(board.findChild<QLabel*>("Label13_7"), board.cell(Column::Label13, 7));
        QCOMPARE(board.caption(Column::Label6, 0), QStringLiteral("00"));
        QCOMPARE(board.caption(Column::Label6, 15), QStringLiteral("15"));
        QCOMPARE(board.caption(Column::Label1, 2), QStringLiteral(" "));
        QCOMPARE(board.heading(Column::Label13)->text(), QStringLiteral("I, mA"));
        for (Column column : protocol::kAllColumns)
            for (int row = 0; row < protocol::kRowCount; ++row)
                QCOMPARE(board.colour(column, row), protocol::kIdleColour);
        // Out of range is no cell at all, not someone else's.
        QCOMPARE(board.cell(Column::Label1, 16), nullptr);
        QCOMPARE(board.cell(Column::Label1, -1), nullptr);

        // The colour is painted on the cell itself, and only there.
        QLabel* cell = board.cell(Column::Label14, 5);
        board.setColour(Column::Label14, 5, protocol::kAnsweredColour);
        QCOMPARE(cell->palette().color(QPalette::Window), QColor(192, 255, 192));
        QCOMPARE(board.colour(Column::Label14, 4), protocol::kIdleColour);
        QCOMPARE(board.colour(Column::Label15, 5), protocol::kIdleColour);
        board.setColour(Column::Label14, 5, protocol::kIdleColour);
        const QPalette system = QApplication::palette();
        QCOMPARE(cell->palette().color(QPalette::Window), system.color(QPalette::Base));
        QCOMPARE(cell->palette().color(QPalette::WindowText), system.color(QPalette::Text));

        // The widest identifier fits its cell, whichever face stands in for the board's own; a
        // screen reader hears the caption, the column and the row.
        const QLabel* id = board.cell(Column::Label1, 3);
        board.setCaption(Column::Label1, 3, QStringLiteral("A43E0B5C7E"));
        QVERIFY(QFontMetrics(id->font()).horizontalAdvance(id->text()) <=
                id->contentsRect().width());
        QCOMPARE(id->accessibleName(), QStringLiteral("A43E0B5C7E"));
        QCOMPARE(id->accessibleDescription(), QStringLiteral("ID: row 03"));
        QCOMPARE(board.cell(Column::Label13, 12)->accessibleDescription(), "I, mA row 12");
        // A short caption is drawn at the board's own size again.
        board.setCaption(Column::Label1, 3, QStringLiteral("1"));
        QCOMPARE(id->font().pointSizeF(), 9.75);
    }
};

QTEST_MAIN(TestBoard)
#include "tst_ui_board.moc"

#include "ui/board_widget.h"
#include "ui/twips.h"
#include "ui/win_colour.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

using protocol::Column;
using protocol::WinColour;

Q_DECLARE_METATYPE(protocol::Column)

class TestBoard : public QObject {
    Q_OBJECT
private slots:
    void twips_data();
    void twips();
    void colours_data();
    void colours();
    void cellsSitOnTheirGrid_data();
    void cellsSitOnTheirGrid();
    void designState();
    void cellsCarryColourAndCaption_data();
    void cellsCarryColourAndCaption();
    void accessibleNames();
    void cellsAreFoundByName();
    void widestCaptionsFitTheirCells_data();
    void widestCaptionsFitTheirCells();
};

void TestBoard::twips_data() {
    QTest::addColumn<qreal>("dpi");
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("96 dpi, 15 twips a pixel") << 96.0 << 15 << 1;
    QTest::newRow("96 dpi, frame width") << 96.0 << 14775 << 985;
    QTest::newRow("96 dpi, last row top") << 96.0 << 6615 << 441;
    QTest::newRow("144 dpi, an inch") << 144.0 << 1440 << 144;
    QTest::newRow("120 dpi, row height") << 120.0 << 255 << 21;
    QTest::newRow("no dpi falls back to 96") << 0.0 << 1440 << 96;
}

void TestBoard::twips() {
    QFETCH(qreal, dpi);
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(ui::Twips(dpi).px(twips), pixels);
}

void TestBoard::colours_data() {
    QTest::addColumn<quint32>("winColour");
    QTest::addColumn<QColor>("expected");
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    palette.setColor(QPalette::Text, QColor(4, 5, 6));
    QTest::newRow("pending light blue") << quint32(0x00FF8080) << QColor(128, 128, 255);
    QTest::newRow("answered light green") << quint32(0x00C0FFC0) << QColor(192, 255, 192);
    QTest::newRow("lamp green 49152") << quint32(49152) << QColor(0, 192, 0);
    QTest::newRow("lamp red 255") << quint32(255) << QColor(255, 0, 0);
    QTest::newRow("window background") << quint32(0x80000005) << QColor(1, 2, 3);
    QTest::newRow("window text") << quint32(0x80000008) << QColor(4, 5, 6);
}

void TestBoard::colours() {
    QFETCH(quint32, winColour);
    QFETCH(QColor, expected);
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    palette.setColor(QPalette::Text, QColor(4, 5, 6));
    QCOMPARE(ui::toQColor(winColour, palette), expected);
}

void TestBoard::cellsSitOnTheirGrid_data() {
    QTest::addColumn<Column>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QRect>("geometry"); // pixels at 96 dpi
    QTest::newRow("Nr. row 0") << Column::Label6 << 0 << QRect(15, 81, 25, 17);
    QTest::newRow("ID row 15") << Column::Label1 << 15 << QRect(55, 441, 81, 17);
    QTest::newRow("Handle row 7") << Column::Label3 << 7 << QRect(247, 249, 145, 17);
    QTest::newRow("Par.N 4 row 3") << Column::Label17 << 3 << QRect(874, 153, 81, 17);
}

void TestBoard::cellsSitOnTheirGrid() {
    QFETCH(Column, column);
    QFETCH(int, row);
    QFETCH(QRect, geometry);
    ui::BoardWidget board(ui::Twips(96.0));
    QCOMPARE(board.cell(column, row)->geometry(), geometry);
    QCOMPARE(board.size(), QSize(985, 493));
    QVERIFY(board.cell(column, row)->alignment() & Qt::AlignRight);
}

void TestBoard::designState() {
    ui::BoardWidget board(ui::Twips(96.0));
    QCOMPARE(board.caption(Column::Label6, 0), QStringLiteral("00"));
    QCOMPARE(board.caption(Column::Label6, 15), QStringLiteral("15"));
    QCOMPARE(board.caption(Column::Label1, 1), QString());
    QCOMPARE(board.caption(Column::Label1, 2), QStringLiteral(" "));
    QCOMPARE(board.heading(Column::Label13)->text(), QStringLiteral("I, mA"));
    QCOMPARE(board.heading(Column::Label13)->objectName(), QStringLiteral("Label18"));
    for (Column column : protocol::kAllColumns)
        for (int row = 0; row < protocol::kRowCount; ++row)
            QCOMPARE(board.colour(column, row), protocol::kIdleColour);
}

void TestBoard::cellsCarryColourAndCaption_data() {
    QTest::addColumn<quint32>("colour");
    QTest::addColumn<QColor>("shown");
    QPalette palette = QApplication::palette();
    QTest::newRow("pending") << quint32(protocol::kPendingColour) << QColor(128, 128, 255);
    QTest::newRow("answered") << quint32(protocol::kAnsweredColour) << QColor(192, 255, 192);
    QTest::newRow("idle") << quint32(protocol::kIdleColour) << palette.color(QPalette::Base);
}

void TestBoard::cellsCarryColourAndCaption() {
    QFETCH(quint32, colour);
    QFETCH(QColor, shown);
    ui::BoardWidget board(ui::Twips(96.0));
    board.setColour(Column::Label14, 5, protocol::kAnsweredColour);
    board.setColour(Column::Label14, 5, colour);
    board.setCaption(Column::Label14, 5, QStringLiteral("12,5"));
    QCOMPARE(board.colour(Column::Label14, 5), WinColour(colour));
    QLabel* cell = board.cell(Column::Label14, 5);
    QCOMPARE(cell->palette().color(QPalette::Window), shown);
    QVERIFY(cell->autoFillBackground());
    QCOMPARE(board.caption(Column::Label14, 5), QStringLiteral("12,5"));
    // The neighbours are untouched.
    QCOMPARE(board.colour(Column::Label14, 4), protocol::kIdleColour);
    QCOMPARE(board.colour(Column::Label15, 5), protocol::kIdleColour);
}

void TestBoard::accessibleNames() {
    ui::BoardWidget board(ui::Twips(96.0));
    board.setCaption(Column::Label1, 3, QStringLiteral("2606A1B2C3"));
    QLabel* id = board.cell(Column::Label1, 3);
    QCOMPARE(id->accessibleName(), QStringLiteral("2606A1B2C3"));
    QCOMPARE(id->accessibleDescription(), QStringLiteral("ID: row 03"));
    QCOMPARE(board.cell(Column::Label13, 12)->accessibleDescription(),
             QStringLiteral("I, mA row 12"));
    board.setCaption(Column::Label1, 3, QString());
    QCOMPARE(id->accessibleName(), QString());
}

void TestBoard::cellsAreFoundByName() {
    ui::BoardWidget board(ui::Twips(96.0));
    QCOMPARE(board.findChild<QLabel*>(QStringLiteral("Label13_7")), board.cell(Column::Label13, 7));
    QCOMPARE(board.findChild<QLabel*>(QStringLiteral("Label6_15")), board.cell(Column::Label6, 15));
    QCOMPARE(board.objectName(), QStringLiteral("Frame1"));
    QCOMPARE(board.title(), QStringLiteral("Corvantelis"));
    // Out of range is no cell at all, not someone else's.
    QCOMPARE(board.cell(Column::Label1, 16), nullptr);
    QCOMPARE(board.cell(Column::Label1, -1), nullptr);
}

void TestBoard::widestCaptionsFitTheirCells_data() {
    QTest::addColumn<protocol::Column>("column");
    QTest::addColumn<QString>("caption");
    QTest::newRow("identifier") << protocol::Column::Label1 << QStringLiteral("A43E0B5C7E");
    QTest::newRow("descriptor") << protocol::Column::Label3 << QStringLiteral("WWWWWWWWWWWWWWWW");
    QTest::newRow("value") << protocol::Column::Label15 << QStringLiteral("-123456.7891");
    QTest::newRow("status") << protocol::Column::Label5 << QStringLiteral("00 00");
}

void TestBoard::widestCaptionsFitTheirCells() {
    QFETCH(protocol::Column, column);
    QFETCH(QString, caption);
    ui::BoardWidget board(ui::Twips(96.0));
    board.setCaption(column, 7, caption);
    const QLabel* cell = board.cell(column, 7);
    QCOMPARE(cell->text(), caption);
    QVERIFY2(QFontMetrics(cell->font()).horizontalAdvance(caption) <= cell->contentsRect().width(),
             qPrintable(cell->font().toString()));
    // A short caption keeps the board's own size.
    board.setCaption(column, 7, QStringLiteral("1"));
    QCOMPARE(cell->font().pointSizeF(), 9.75);
}

QTEST_MAIN(TestBoard)
#include "tst_ui_board.moc"

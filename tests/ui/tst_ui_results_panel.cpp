#include "window_fixture.h"

#include "app/paths.h"
#include "app/settings_file.h"

#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QtTest>

namespace {

QString savedResultsDir(const QString& settingsDir) {
    app::SettingsFile file(settingsDir, &fixedNow);
    file.Load_Settings();
    return file.record().Results_Dir;
}

} // namespace

class TestResultsPanel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void choosingAFolder_data();
    void choosingAFolder();
    void menuShowsAndHidesThePanel();
};

void TestResultsPanel::initTestCase() {
    qputenv("CORVANTELIS_COM1", "/nonexistent/corvantelis-port1");
}

void TestResultsPanel::choosingAFolder_data() {
    QTest::addColumn<QString>("picked");   // what the picker returns
    QTest::addColumn<QString>("expected"); // the results directory afterwards; "" = unchanged
    QTest::addColumn<int>("messages");
    const QString sep = app::pathSeparator();
    const QString folder = QStringLiteral("/srv/loop results");
    QTest::newRow("without separator") << folder << folder + sep << 0;
    QTest::newRow("with separator") << folder + sep << folder + sep << 0;
    QTest::newRow("root") << sep << sep << 0;
    QTest::newRow("cancelled") << QString() << QString() << 0;
    QTest::newRow("too long for the settings file")
        << QStringLiteral("/") + QString(498, QLatin1Char('x')) << QString() << 1;
    QTest::newRow("just fits") << QStringLiteral("/") + QString(496, QLatin1Char('x'))
                               << QStringLiteral("/") + QString(496, QLatin1Char('x')) + sep << 0;
}

void TestResultsPanel::choosingAFolder() {
    QFETCH(QString, picked);
    QFETCH(QString, expected);
    QFETCH(int, messages);
    QTemporaryDir root;
    const QString dir = settingsDirIn(root);
    WindowRecorder recorder;
    auto window = startWindow(dir, recorder);
    window->mnu_FileSave_Click();
    QCOMPARE(window->basisText1()->text(), dir);
    const QByteArray fileBefore = [&] {
        QFile file(window->settings().filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    recorder.pickerAnswer = picked;
    window->Basis_Command1_Click();

    QCOMPARE(recorder.pickerTitles,
             QStringList{QString::fromUtf8("Выберите директорию для хранения результата:")});
    QCOMPARE(recorder.pickerRegims, QList<qint32>{0});
    QCOMPARE(recorder.messages.size(), messages);
    const QString now = expected.isEmpty() ? dir : expected;
    QCOMPARE(window->settings().record().Results_Dir, now);
    QCOMPARE(window->basisText1()->text(), now);
    QCOMPARE(savedResultsDir(dir), now);
    if (expected.isEmpty()) {
        QFile file(window->settings().filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), fileBefore);
    }
}

void TestResultsPanel::menuShowsAndHidesThePanel() {
    QTemporaryDir root;
    const QString dir = settingsDirIn(root);
    WindowRecorder recorder;
    auto window = startWindow(dir, recorder);
    QGroupBox* panel = window->basisFrame1();

    window->mnu_FileSave_Click();
    QVERIFY(panel->isVisibleTo(window.get()));
    window->basisText1()->setText(QStringLiteral("typed, never read back"));
    window->mnu_FileSave_Click();
    QVERIFY(!panel->isVisibleTo(window.get()));
    window->mnu_FileSave_Click();
    QVERIFY(panel->isVisibleTo(window.get()));
    QCOMPARE(window->basisText1()->text(), dir);
    QCOMPARE(window->settings().record().Results_Dir, dir);

    window->Command3_Click();
    QVERIFY(!panel->isVisibleTo(window.get()));
    // The question is not covered by the panel.
    window->mnu_FileSave_Click();
    const QRect question(window->frame3()->mapTo(window.get(), QPoint(0, 0)),
                         window->frame3()->size());
    const QRect shown(panel->mapTo(window.get(), QPoint(0, 0)), panel->size());
    QVERIFY(!question.intersects(shown));
}

QTEST_MAIN(TestResultsPanel)
#include "tst_ui_results_panel.moc"

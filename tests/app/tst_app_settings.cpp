// The settings file byte for byte, the settings folder and the year and month folders.

#include "app/command_line.h"
#include "app/paths.h"
#include "app/result_folders.h"
#include "app/settings_file.h"
#include "app/side_settings.h"
#include "app/texts.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using app::Settings_Record;
using app::SettingsFile;

namespace {

const QDateTime kNow(QDate(2026, 12, 4), QTime(9, 5, 7));

QByteArray le16(int value) {
    const char bytes[] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    return QByteArray(bytes, 2);
}

// One 500-byte record: `field` at its start, zero filler after it.
QByteArray record(const QByteArray& field) {
    return field + QByteArray(500 - field.size(), '\0');
}

QByteArray textRecord(const QByteArray& text) {
    return record(le16(text.size()) + text);
}

// The file of defaults made at kNow for the settings folder `dir`, put together by hand.
QByteArray defaultImage(const QByteArray& dir) {
    return textRecord("Corvantelis") + textRecord("v.1.03") + textRecord(dir) +
           record(QByteArray::fromHex("0000000000a3e640")) + textRecord("09:05:07") +
           textRecord(dir) + record(le16(0)) + record(le16(1)) + record(le16(0));
}

// A file of this program whose settings all differ from the defaults.
Settings_Record customised() {
    return {"Corvantelis", "v.1.03", "/old/", 40000, "01:02:03", "/данные/", 7, -3, 1};
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The folders and files below `root` as "a,a/b,a/f*": relative, sorted, files marked with "*".
QString treeBelow(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = QDir(root).relativeFilePath(it.next());
        entries << relative + (it.fileInfo().isDir() ? "" : "*");
    }
    entries.sort();
    return entries.join(',');
}

// Makes a tree written as treeBelow() gives it.
bool makeTree(const QString& root, const QString& tree) {
    for (const QString& entry : tree.split(',', Qt::SkipEmptyParts)) {
        const QString path = root + '/' + entry;
        if (!(entry.endsWith('*') ? writeFile(path.chopped(1), {}) : QDir().mkpath(path)))
            return false;
    }
    return true;
}

} // namespace

class TestAppSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp;
    QString m_dir; // the settings folder, there and empty at the start of every test

private slots:
    void initTestCase() { m_dir = m_temp.path() + QStringLiteral("/Corvantelis v.1.03/"); }
    void init() { QVERIFY(QDir().mkpath(m_dir)); }
    void cleanup() { QDir(m_temp.path()).removeRecursively(); }

    void firstStartMakesGoldenFileAndFolders() {
        // Two missing levels, one with a Cyrillic name: the length word counts bytes.
        const QString programFiles = m_temp.path() + QStringLiteral("/Папка");
        qputenv("ProgramFiles", QFile::encodeName(programFiles));
        SettingsFile settings(app::settingsDirFromEnvironment(), [] { return kNow; });
        const SettingsFile::StartupProblems problems = settings.openAtStartup();
        QVERIFY(problems.folderError.isEmpty() && problems.saveError.isEmpty());
        app::prepareResultFolders(settings.record().Results_Dir, kNow.date(), QLocale::c());
        QCOMPARE(treeBelow(programFiles),
                 "Corvantelis v.1.03,Corvantelis v.1.03/2026,Corvantelis v.1.03/2026/December,"
                 "Corvantelis v.1.03/Corvantelis v.1.03.eng*");
        QCOMPARE(readFile(settings.filePath()),
                 defaultImage(QFile::encodeName(m_temp.path()) +
                              "/\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0/Corvantelis v.1.03/"));
    }

    void startupKeepsOrReplacesTheFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("inForce"); // the record in memory afterwards, as a file
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<bool>("setAside"); // the old file kept beside as ".bad-20261204-0905"
        const QByteArray defaults = defaultImage(QFile::encodeName(m_dir));
        const QByteArray mine = app::encodeSettings(customised());
        const auto withResults = [&](const QByteArray& results) {
            return mine.left(2500) + results + mine.mid(3000);
        };
        QTest::newRow("this program's file") << mine << mine << mine << false;
        // Replaced by defaults, but nothing of the user's is destroyed.
        QTest::newRow("product word in lower case")
            << textRecord("corvantelis") + mine.mid(500) << defaults << defaults << true;
        QTest::newRow("older version") << mine.left(500) + textRecord("v.1.02") + mine.mid(1000)
                                       << defaults << defaults << true;
        QTest::newRow("cut inside the version") << mine.left(503) << defaults << defaults << true;
        QTest::newRow("length word longer than its record")
            << withResults(record(le16(499))) << defaults << defaults << true;
        // A file that identifies itself keeps the fields it holds whole; the rest are defaults.
        QTest::newRow("cut inside the folder it was made in")
            << mine.left(1003) << mine.left(1000) + defaults.mid(1000) << mine.left(1003) << false;
        QTest::newRow("cut inside the date")
            << mine.left(1504) << mine.left(1500) + defaults.mid(1500) << mine.left(1504) << false;
        QTest::newRow("cut inside the results directory")
            << mine.left(2505) << mine.left(2500) + defaults.mid(2500) << mine.left(2505) << false;
        QTest::newRow("ends right after the language")
            << mine.left(4002) << mine << mine.left(4002) << false;
        QTest::newRow("empty results directory")
            << withResults(textRecord("")) << withResults(textRecord(QFile::encodeName(m_dir)))
            << withResults(textRecord("")) << false;
        // 300 bytes that are no UTF-8 would read back as 900 bytes that no save can hold.
        QTest::newRow("results directory not UTF-8")
            << withResults(textRecord(QByteArray(300, '\xFF')))
            << withResults(textRecord(QFile::encodeName(m_dir)))
            << withResults(textRecord(QByteArray(300, '\xFF'))) << false;
    }
    void startupKeepsOrReplacesTheFile() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, inForce);
        QFETCH(QByteArray, onDisk);
        QFETCH(bool, setAside);
        SettingsFile settings(m_dir, [] { return kNow; });
        QVERIFY(writeFile(settings.filePath(), file));
        const SettingsFile::StartupProblems problems = settings.openAtStartup();
        QVERIFY(problems.folderError.isEmpty() && problems.saveError.isEmpty());
        QCOMPARE(app::encodeSettings(settings.record()), inForce);
        QCOMPARE(readFile(settings.filePath()), onDisk);
        const QString aside = settings.filePath() + ".bad-20261204-0905";
        QCOMPARE(problems.setAsidePath, setAside ? aside : QString());
        QCOMPARE(readFile(aside), setAside ? file : QByteArray());
        QCOMPARE(QDir(m_dir).entryList(QDir::Files).size(), setAside ? 2 : 1);
    }

    // A second damaged file in the same minute does not take the place of the first.
    void setAsideFilesKeepTheirOwnNames() {
        SettingsFile settings(m_dir, [] { return kNow; });
        for (const QByteArray damaged : {"one", "two"}) {
            QVERIFY(writeFile(settings.filePath(), damaged));
            settings.openAtStartup();
        }
        QCOMPARE(readFile(settings.filePath() + ".bad-20261204-0905"), QByteArray("one"));
        QCOMPARE(readFile(settings.filePath() + ".bad-20261204-0905-2"), QByteArray("two"));
    }

    // A folder where the file should be cannot be read nor replaced: it stays, with what it
    // holds, and start-up says so.
    void folderInPlaceOfTheFileIsReported() {
        SettingsFile settings(m_dir, [] { return kNow; });
        QVERIFY(makeTree(settings.filePath(), ".,keep*"));
        const SettingsFile::StartupProblems problems = settings.openAtStartup();
        QVERIFY2(problems.saveError.startsWith(settings.filePath() + ": a folder"),
                 qPrintable(problems.saveError));
        QVERIFY(problems.setAsidePath.isEmpty() && QFile::exists(settings.filePath() + "/keep"));
        QCOMPARE(app::encodeSettings(settings.record()), defaultImage(QFile::encodeName(m_dir)));
    }

    void valuesReadAreWrittenBackUnchanged() {
        SettingsFile settings(m_dir, [] { return kNow; });
        Settings_Record stored = customised();
        stored.Created_In_Dir = QString(498, 'c'); // fills its record
        stored.Created_Date = 12345;
        stored.Reserved_Word1 = -32768;
        stored.Reserved_Word2 = 32767;
        stored.Language_Flag = 2; // no language, yet it must survive
        QVERIFY(writeFile(settings.filePath(), app::encodeSettings(stored)));
        settings.openAtStartup();
        QCOMPARE(settings.record().Language_Flag, qint16(2));
        settings.record().Results_Dir = QStringLiteral("/new/");
        QString error;
        QVERIFY2(settings.Save_Settings(&error), qPrintable(error));
        const QByteArray saved = readFile(settings.filePath());
        QCOMPARE(saved,
                 textRecord("Corvantelis") + textRecord("v.1.03") +
                     textRecord(QByteArray(498, 'c')) +
                     record(QByteArray::fromHex("00000000801cc840")) + textRecord("01:02:03") +
                     textRecord("/new/") + record(QByteArray::fromHex("0080")) +
                     record(QByteArray::fromHex("ff7f")) + record(QByteArray::fromHex("0200")));
        // 499 bytes do not fit a record, however few letters they are: refused, never cut short.
        settings.record().Results_Dir = QString(249, QChar(0x0416)) + 'x';
        QVERIFY(!app::fitsInRecord(settings.record().Results_Dir));
        QVERIFY(!settings.Save_Settings(&error) && !error.isEmpty());
        QCOMPARE(readFile(settings.filePath()), saved);
    }

    void writeThatFailsPartWayLeavesTheOldFile() {
#ifdef Q_OS_UNIX
        SettingsFile settings(m_dir, [] { return kNow; });
        const QByteArray old = app::encodeSettings(customised());
        QVERIFY(writeFile(settings.filePath(), old));
        settings.openAtStartup();
        settings.record().Results_Dir = QStringLiteral("/r/");
        // A file size limit binds root too, and stands in for a full disk.
        rlimit previous{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &previous) == 0);
        rlimit small = previous;
        small.rlim_cur = 1000;
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        const bool limited = setrlimit(RLIMIT_FSIZE, &small) == 0;
        QString error;
        const bool saved = settings.Save_Settings(&error);
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, handler);
        QVERIFY(limited && !saved && !error.isEmpty());
        QCOMPARE(readFile(settings.filePath()), old);
        QCOMPARE(QDir(m_dir).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Corvantelis v.1.03.eng"});
#else
        QSKIP("needs a file size limit");
#endif
    }

    void settingsFolderThatCannotBeMadeIsReported() {
        QVERIFY(QDir(m_dir).removeRecursively() && writeFile(m_dir.chopped(1), "x"));
        SettingsFile settings(m_dir, [] { return kNow; });
        const SettingsFile::StartupProblems problems = settings.openAtStartup();
        QVERIFY2(problems.folderError.startsWith(m_dir + ": "), qPrintable(problems.folderError));
        QVERIFY(!problems.saveError.isEmpty());
        QCOMPARE(app::encodeSettings(settings.record()), defaultImage(QFile::encodeName(m_dir)));
    }

    void settingsDirFromEnvironment_data() {
        QTest::addColumn<QByteArray>("programFiles"); // null: unset
        QTest::addColumn<QByteArray>("xdgDataHome");
        QTest::addColumn<QString>("expected");
#ifdef Q_OS_WIN
        QTest::newRow("leading blanks, trailing separator")
            << QByteArray("  C:\\Progs\\") << QByteArray() << "C:\\Progs\\Corvantelis v.1.03\\";
        QTest::newRow("unset: root of the current drive")
            << QByteArray() << QByteArray() << "\\Corvantelis v.1.03\\";
#else
        const QString home = QDir::homePath() + QStringLiteral("/.local/share/Corvantelis v.1.03/");
        QTest::newRow("leading blanks, trailing separator, before XDG_DATA_HOME")
            << QByteArray("  /opt/my progs/") << QByteArray("/xdg")
            << "/opt/my progs/Corvantelis v.1.03/";
        QTest::newRow("only blanks: XDG_DATA_HOME")
            << QByteArray("   ") << QByteArray("/xdg/data") << "/xdg/data/Corvantelis v.1.03/";
        QTest::newRow("both unset: ~/.local/share") << QByteArray() << QByteArray() << home;
        QTest::newRow("relative XDG_DATA_HOME ignored") << QByteArray() << QByteArray("d") << home;
#endif
    }
    void settingsDirFromEnvironment() {
        QFETCH(QByteArray, programFiles);
        QFETCH(QByteArray, xdgDataHome);
        QFETCH(QString, expected);
        const auto set = [](const char* name, const QByteArray& value) {
            return value.isNull() ? qunsetenv(name) : qputenv(name, value);
        };
        set("ProgramFiles", programFiles);
        set("XDG_DATA_HOME", xdgDataHome);
        QCOMPARE(app::settingsDirFromEnvironment(), expected);
    }

    // Started where no window can be shown, the monitor says so in the language of its
    // settings, names the program that needs no display, and ends with 1, not a crash.
    void noDisplaySaidPlainly_data() {
        QTest::addColumn<int>("language"); // -1: no settings file yet
        QTest::addColumn<QString>("said");
        QTest::newRow("no settings yet") << -1 << "there is no display";
        QTest::newRow("Russian") << 1 << QString::fromUtf8("нет дисплея");
    }
    void noDisplaySaidPlainly() {
        QFETCH(int, language);
        QFETCH(QString, said);
        QTemporaryDir programs;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert("ProgramFiles", programs.path());
        if (language >= 0) {
            app::SettingsFile settings(programs.path() + "/Corvantelis v.1.03/");
            settings.openAtStartup();
            settings.record().Language_Flag = qint16(language);
            QVERIFY(settings.Save_Settings());
        }
        QProcess monitor;
        monitor.setProcessEnvironment(environment);
        monitor.start(QStringLiteral(CORVANTELIS_MONITOR), QStringList());
        QVERIFY(monitor.waitForFinished(20000));
        QCOMPARE(monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.exitCode(), 1);
        const QString err = QString::fromUtf8(monitor.readAllStandardError());
        QVERIFY2(err.contains(said) && err.contains("corvantelis-logger"), qPrintable(err));
    }

    void commandLine_data() {
        using Action = app::CommandLine::Action;
        QTest::addColumn<QStringList>("arguments"); // after the program's name
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("text"); // how it starts
        QTest::newRow("none") << QStringList{} << int(Action::Run) << ""
                              << "";
        QTest::newRow("port") << QStringList{"--port", "/dev/ttyUSB0"} << int(Action::Run)
                              << "/dev/ttyUSB0"
                              << "";
        QTest::newRow("port=") << QStringList{"--port=/dev/ttyACM0"} << int(Action::Run)
                               << "/dev/ttyACM0"
                               << "";
        QTest::newRow("a relative path made absolute")
            << QStringList{"--port", "./relp/../relp/loop"} << int(Action::Run)
            << QDir::current().absoluteFilePath("relp/loop") << "";
        QTest::newRow("a port name as given")
            << QStringList{"--port=ttyUSB0"} << int(Action::Run) << "ttyUSB0"
            << "";
        QTest::newRow("a network address as given") << QStringList{"--port", "hartip://plc-7:5094"}
                                                    << int(Action::Run) << "hartip://plc-7:5094"
                                                    << "";
        QTest::newRow("toolkit's own options")
            << QStringList{"-platform", "offscreen", "-reverse", "--port", "x"} << int(Action::Run)
            << "x"
            << "";
        QTest::newRow("toolkit's options joined to their values")
            << QStringList{"-style=Fusion", "--platform=offscreen", "--reverse", "--port", "x"}
            << int(Action::Run) << "x"
            << "";
        QTest::newRow("a line break in an unknown option")
            << QStringList{"--colour\nred\t"} << int(Action::Error) << ""
            << "corvantelis: unknown option '--colour\\nred\\t' (try --help)";
        QTest::newRow("= after a word that is not the toolkit's")
            << QStringList{"--colour=red"} << int(Action::Error) << ""
            << "corvantelis: unknown option '--colour=red'";
        QTest::newRow("record") << QStringList{"--record", "--port", "x"} << int(Action::Run) << "x"
                                << "";
        QTest::newRow("help") << QStringList{"--port", "x", "--help"} << int(Action::Help) << "x"
                              << "Usage: corvantelis [--port DEVICE]";
        QTest::newRow("version") << QStringList{"-v"} << int(Action::Version) << ""
                                 << "corvantelis 1.03";
        QTest::newRow("unknown") << QStringList{"--record-all"} << int(Action::Error) << ""
                                 << "corvantelis: unknown option '--record-all' (try --help)";
        QTest::newRow("port without device") << QStringList{"--port"} << int(Action::Error) << ""
                                             << "corvantelis: --port needs a device";
        QTest::newRow("a value joined to a switch")
            << QStringList{"--record=yes"} << int(Action::Error) << ""
            << "corvantelis: unknown option '--record=yes' (try --help)";
        QTest::newRow("an empty device") << QStringList{"--port="} << int(Action::Error) << ""
                                         << "corvantelis: --port needs a device";
        QTest::newRow("a stray word") << QStringList{"ttyUSB0"} << int(Action::Error) << ""
                                      << "corvantelis: unknown option 'ttyUSB0'";
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, port);
        QFETCH(QString, text);
        const app::CommandLine line = app::parseCommandLine(QStringList{"corvantelis"} + arguments);
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.portDevice, port);
        QCOMPARE(line.record, arguments.contains("--record"));
        QCOMPARE(line.text.left(text.size()), text);
    }

    // A side file that cannot be parsed (a section never closed, bytes that are no text) is
    // written over with what it held and the new value; the store says so truthfully.
    void unparseableSideFile_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("section never closed") << QByteArray("[port\ndevice=/dev/ttyUSB0\n");
        QTest::newRow("not text") << QByteArray("\xFF\xFE\x00\x01 garbage");
    }
    void unparseableSideFile() {
        QFETCH(QByteArray, before);
        app::SideSettings side(m_dir);
        QFile file(side.filePath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
        file.close();
        QString error;
        QVERIFY2(side.setRecordingEnabled(true, &error), qPrintable(error));
        QVERIFY(app::SideSettings(m_dir).recordingEnabled());
        QVERIFY2(side.setRememberedDevice("/dev/ttyACM0", &error), qPrintable(error));
        QCOMPARE(app::SideSettings(m_dir).rememberedDevice(), "/dev/ttyACM0");
        QVERIFY(side.setRecordingEnabled(false, &error));
        QVERIFY(!app::SideSettings(m_dir).recordingEnabled());
    }

    // The side file keeps the device across runs and leaves the settings file alone.
    void rememberedDevice() {
        SettingsFile settings(m_dir, [] { return kNow; });
        settings.openAtStartup();
        const QByteArray before = readFile(settings.filePath());
        app::SideSettings side(m_dir);
        QCOMPARE(side.filePath(), m_dir + "Corvantelis v.1.03.ini");
        QCOMPARE(side.rememberedDevice(), QString());
        const QString stable = "/dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0";
        QVERIFY(side.setRememberedDevice(stable));
        QCOMPARE(app::SideSettings(m_dir).rememberedDevice(), stable);
        QVERIFY(side.setRememberedDevice(QString()));
        QCOMPARE(app::SideSettings(m_dir).rememberedDevice(), QString());
        // Recording is off until it is turned on, and stays as it was left.
        QCOMPARE(side.recordingEnabled(), false);
        QVERIFY(side.setRecordingEnabled(true));
        QCOMPARE(app::SideSettings(m_dir).recordingEnabled(), true);
        QVERIFY(side.setRecordingEnabled(false));
        QCOMPARE(app::SideSettings(m_dir).recordingEnabled(), false);
        // So does the master role.
        QVERIFY(side.setSecondaryMaster(true));
        QVERIFY(app::SideSettings(m_dir).secondaryMaster());
        QVERIFY(side.setSecondaryMaster(false));
        QVERIFY(!app::SideSettings(m_dir).secondaryMaster());
        QCOMPARE(readFile(settings.filePath()), before);
        // One that cannot be written says so.
        QVERIFY(QDir().mkpath(m_dir + "blocked/Corvantelis v.1.03.ini"));
        QString error;
        QVERIFY(!app::SideSettings(m_dir + "blocked/").setRememberedDevice(stable, &error));
        QVERIFY(!error.isEmpty());

        // Given on the command line beats remembered; remembered but absent: port 1, said.
        using app::chooseStartupDevice;
        QCOMPARE(chooseStartupDevice("/dev/x", stable, true).device, "/dev/x");
        QCOMPARE(chooseStartupDevice("", stable, true).device, stable);
        const app::StartupDevice absent = chooseStartupDevice("", stable, false);
        QVERIFY(absent.device.isEmpty() && absent.missing == stable);
        QVERIFY(chooseStartupDevice("", "", false).device.isEmpty());
    }

    // A HART-IP key is kept per host in a file only its owner may read, and stays so when the
    // file is written again; one found open to others is closed when a key is read from it.
    void hartIpKeysStayPrivate() {
        app::SideSettings side(m_dir);
        QVERIFY(side.setRememberedDevice("/dev/ttyUSB0"));
        QFile::setPermissions(side.filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ReadGroup | QFileDevice::ReadOther);
        QVERIFY(!side.hartIpKey("10.0.0.5"));
        QVERIFY(QFile::permissions(side.filePath()) & QFileDevice::ReadOther); // no key: as it was
        QVERIFY(side.setHartIpKey("10.0.0.5", {"plant-gw", "00112233445566778899AABBCCDDEEFF"}));
        QVERIFY(side.setHartIpKey("fd00::5", {"other", "FFEEDDCCBBAA99887766554433221100"}));
        const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const auto onlyOwner = [&] {
            const QFileDevice::Permissions now = QFile::permissions(side.filePath());
            return (now & owner) == owner &&
                   !(now & (QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                            QFileDevice::ReadOther | QFileDevice::WriteOther));
        };
        QVERIFY(onlyOwner());
        QVERIFY(side.setRecordingEnabled(true)); // written again: still closed
        QVERIFY(onlyOwner());
        const auto kept = app::SideSettings(m_dir).hartIpKey("10.0.0.5");
        QVERIFY(kept && kept->identity == "plant-gw" &&
                kept->hexKey == "00112233445566778899AABBCCDDEEFF");
        QCOMPARE(app::SideSettings(m_dir).hartIpKey("fd00::5")->identity, "other");
        QCOMPARE(app::SideSettings(m_dir).rememberedDevice(), "/dev/ttyUSB0");
        QFile::setPermissions(side.filePath(), owner | QFileDevice::ReadOther);
        QVERIFY(side.hartIpKey("10.0.0.5"));
        QVERIFY(onlyOwner());
    }

    void prepareResultFolders_data() {
        // Trees as treeBelow() gives them; the results directory is below the test folder (null:
        // none set); `failed`, below it, names the folder that could not be made.
        for (const char* column : {"before", "resultsDir", "locale", "failed", "after"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char* name, const char* before, const QString& resultsDir,
                            const char* locale, const char* failed, const char* after) {
            QTest::newRow(name) << QString(before) << resultsDir << QString(locale)
                                << QString(failed) << QString(after);
        };
        row("new month: only its folder", "2026,2026/November,2026/November/log*", "", "en", "",
            "2026,2026/December,2026/November,2026/November/log*");
        row("a file of the month's name counts", "2026,2026/December*", "", "en", "",
            "2026,2026/December*");
        row("Russian: the standalone name, capitalised", "", "", "ru", "", "2026,2026/Декабрь");
        row("no trailing separator: the year beside it", "results", "results", "en", "",
            "results,results2026,results2026/December");
        row("results directory is a file", "plain*", "plain/", "en", "2026", "plain*");
        row("year name taken by a file", "2026*", "", "en", "2026/December", "2026*");
        row("none set: nothing in the working folder", "", QString(), "en", "2026", "");
    }
    void prepareResultFolders() {
        QFETCH(QString, before);
        QFETCH(QString, resultsDir);
        QFETCH(QString, locale);
        QFETCH(QString, failed);
        QFETCH(QString, after);
        const QString root = m_temp.path() + "/results root";
        QVERIFY(makeTree(root, ".," + before));
        const QString dir = resultsDir.isNull() ? QString() : root + '/' + resultsDir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root));
        const app::FolderPreparation result =
            app::prepareResultFolders(dir, QDate(2026, 12, 4), QLocale(locale));
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(result.failedFolder, failed.isEmpty() ? QString() : dir + failed);
        QCOMPARE(result.reason.isEmpty(), failed.isEmpty());
        QCOMPARE(treeBelow(root), after);
    }

    // Every text exists in both languages, and both carry the same places for what is filled
    // in: a %2 missing from one of them would show a raw "%2" or drop a path in that language.
    void everyTextInBothLanguages() {
        const QRegularExpression place(QStringLiteral("%[1-9]"));
        const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
        QVERIFY(app::textCount() > 100);
        for (int k = 0; k < app::textCount(); ++k) {
            const auto id = static_cast<app::Text>(k);
            const QString english = app::text(id, app::Language::English);
            const QString russian = app::text(id, app::Language::Russian);
            const char* name = app::textName(id);
            QVERIFY2(!english.isEmpty() && !russian.isEmpty(), name);
            QStringList englishPlaces, russianPlaces;
            for (const auto& m : place.globalMatch(english))
                englishPlaces << m.captured();
            for (const auto& m : place.globalMatch(russian))
                russianPlaces << m.captured();
            englishPlaces.sort();
            russianPlaces.sort();
            QVERIFY2(englishPlaces == russianPlaces, name);
            // The folder picker's title is the window's one Russian-only text.
            if (id != app::Text::FolderPickerTitle)
                QVERIFY2(!english.contains(cyrillic), name);
        }
    }

    // The values the side file holds beside the settings file: the loop check's tolerances,
    // the HART-IP times, the record interval and the master role. Anything unusable leaves the
    // default.
    void sideFileNumbers_data() {
        QTest::addColumn<QString>("written"); // the side file; empty: none
        QTest::addColumn<QString>("read");    // tolerances | HART-IP times | record interval | role
        const QString defaults = "0.05 0.3 | 2000 60000 | 0 | primary";
        QTest::newRow("none") << QString() << defaults;
        QTest::newRow("all set") << "[loop-check]\ntoleranceMa=0.1\ntolerancePercentOfSpan=0.5\n"
                                    "[hart-ip]\nanswerTimeoutMs=500\ninactivityMs=30000\n"
                                    "[recording]\nintervalMs=10000\n[line]\nmaster=secondary\n"
                                 << "0.1 0.5 | 500 30000 | 10000 | secondary";
        QTest::newRow("not numbers") << "[loop-check]\ntoleranceMa=abc\n[recording]\nintervalMs="
                                        "x\n[line]\nmaster=Secondary\n"
                                     << defaults;
        QTest::newRow("out of range")
            << "[loop-check]\ntoleranceMa=-1\ntolerancePercentOfSpan=0\n"
               "[hart-ip]\nanswerTimeoutMs=5\ninactivityMs=99999999\n[recording]\nintervalMs=-5\n"
            << defaults;
    }
    void sideFileNumbers() {
        QFETCH(QString, written);
        QFETCH(QString, read);
        QTemporaryDir dir;
        const app::SideSettings side(dir.path() + '/');
        if (!written.isEmpty()) {
            QFile file(side.filePath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(written.toUtf8());
        }
        const auto tolerance = side.loopCheckTolerance();
        const auto times = side.hartIpTimes();
        QCOMPARE(QStringLiteral("%1 %2 | %3 %4 | %5 | %6")
                     .arg(tolerance.ma)
                     .arg(tolerance.percentOfSpan)
                     .arg(times.answerTimeoutMs)
                     .arg(times.inactivityMs)
                     .arg(side.recordIntervalMs())
                     .arg(side.secondaryMaster() ? "secondary" : "primary"),
                 read);
    }

    // --record-interval in seconds, decimals allowed; anything else is refused.
    void recordIntervalOption_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<qint64>("ms"); // -1: refused
        QTest::newRow("ten seconds") << "10" << qint64(10000);
        QTest::newRow("half a second") << "0.5" << qint64(500);
        QTest::newRow("every answer") << "0" << qint64(0);
        QTest::newRow("negative") << "-1" << qint64(-1);
        QTest::newRow("a word") << "often" << qint64(-1);
    }
    void recordIntervalOption() {
        QFETCH(QString, given);
        QFETCH(qint64, ms);
        const app::CommandLine line =
            app::parseCommandLine({"corvantelis", "--record-interval", given});
        QCOMPARE(line.recordIntervalMs.value_or(-1), ms);
        QCOMPARE(line.action == app::CommandLine::Action::Error, ms < 0);
    }

    // --master names one of the two roles, spelled as the side file spells them.
    void masterOption_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<int>("secondary"); // -1: refused
        QTest::newRow("primary") << "primary" << 0;
        QTest::newRow("secondary") << "secondary" << 1;
        QTest::newRow("capitalised") << "Secondary" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void masterOption() {
        QFETCH(QString, given);
        QFETCH(int, secondary);
        const app::CommandLine line = app::parseCommandLine({"corvantelis", "--master=" + given});
        QCOMPARE(line.secondaryMaster ? int(*line.secondaryMaster) : -1, secondary);
        QCOMPARE(line.action == app::CommandLine::Action::Error, secondary < 0);
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_app_settings.moc"

#include "app/program_identity.h"
#include "app/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using app::Settings_Record;
using app::SettingsFile;

namespace {

const QDateTime kNow(QDate(2026, 12, 4), QTime(13, 5, 9));

SettingsFile::Clock fixedClock(const QDateTime& at = kNow) {
    return [at] { return at; };
}

QByteArray le16(int value) {
    QByteArray bytes;
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>((value >> 8) & 0xFF));
    return bytes;
}

// One 500-byte record holding `field` at its start, zero filler after it.
QByteArray record(const QByteArray& field) {
    QByteArray bytes = field;
    bytes.append(QByteArray(500 - field.size(), '\0'));
    return bytes;
}

QByteArray textRecord(const QByteArray& text) {
    return record(le16(text.size()) + text);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The text field kept in record `number` (1-based).
QString& textField(Settings_Record& r, int number) {
    switch (number) {
    case 1:
        return r.Program_Name;
    case 2:
        return r.Program_Version;
    case 3:
        return r.Created_In_Dir;
    case 5:
        return r.Created_Time;
    default:
        return r.Results_Dir;
    }
}

// A complete, valid file of this program with settings that differ from every default.
Settings_Record customisedRecord() {
    Settings_Record r;
    r.Program_Name = QStringLiteral("Corvantelis");
    r.Program_Version = QStringLiteral("v.1.03");
    r.Created_In_Dir = QStringLiteral("/old/");
    r.Created_Date = 40000.0;
    r.Created_Time = QStringLiteral("01:02:03");
    r.Results_Dir = QStringLiteral("/data/results/");
    r.Reserved_Word1 = 7;
    r.Reserved_Word2 = -3;
    r.Language_Flag = 1;
    return r;
}

void expectDefaults(const Settings_Record& r, const QString& settingsDir) {
    QCOMPARE(r.Program_Name, QStringLiteral("Corvantelis"));
    QCOMPARE(r.Program_Version, QStringLiteral("v.1.03"));
    QCOMPARE(r.Created_In_Dir, settingsDir);
    QCOMPARE(r.Created_Date, 46360.0);
    QCOMPARE(r.Created_Time, QStringLiteral("13:05:09"));
    QCOMPARE(r.Results_Dir, settingsDir);
    QCOMPARE(r.Reserved_Word1, qint16(0));
    QCOMPARE(r.Reserved_Word2, qint16(1));
    QCOMPARE(r.Language_Flag, qint16(0));
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(m_temp.isValid());
        m_dir = m_temp.path() + QStringLiteral("/Corvantelis v.1.03/");
        QVERIFY(QDir().mkpath(m_dir));
    }
    void cleanup() { QDir(m_temp.path()).removeRecursively(); }

    void firstStartWritesGoldenDefaults_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QByteArray>("dateBytes");
        QTest::addColumn<QByteArray>("timeText");
        QTest::newRow("afternoon, 4 December 2026")
            << kNow << QByteArray::fromHex("0000000000a3e640") << QByteArray("13:05:09");
        QTest::newRow("midnight, 1 January 2000")
            << QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0))
            << QByteArray::fromHex("00000000c0d5e140") << QByteArray("00:00:00");
        QTest::newRow("last second, the epoch day")
            << QDateTime(QDate(1899, 12, 30), QTime(23, 59, 59))
            << QByteArray::fromHex("0000000000000000") << QByteArray("23:59:59");
    }
    void firstStartWritesGoldenDefaults() {
        QFETCH(QDateTime, now);
        QFETCH(QByteArray, dateBytes);
        QFETCH(QByteArray, timeText);

        // Two missing levels, one of them with a non-ASCII name: the length word counts bytes.
        const QString dir = m_temp.path() + QStringLiteral("/Папка/Corvantelis v.1.03/");
        const QByteArray dirBytes =
            QFile::encodeName(m_temp.path()) +
            QByteArray("/\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0/Corvantelis v.1.03/");

        SettingsFile settings(dir, fixedClock(now));
        const SettingsFile::StartupProblems problems = settings.openAtStartup();
        QVERIFY2(problems.folderError.isEmpty(), qPrintable(problems.folderError));
        QVERIFY2(problems.saveError.isEmpty(), qPrintable(problems.saveError));

        QByteArray expected;
        expected += textRecord("Corvantelis");
        expected += textRecord("v.1.03");
        expected += textRecord(dirBytes);
        expected += record(dateBytes);
        expected += textRecord(timeText);
        expected += textRecord(dirBytes);
        expected += record(le16(0));
        expected += record(le16(1));
        expected += record(le16(0));
        QCOMPARE(expected.size(), 4500);

        QCOMPARE(settings.filePath(), dir + QStringLiteral("Corvantelis v.1.03.eng"));
        QCOMPARE(readFile(settings.filePath()), expected);
    }

    void textFieldAtItsRecord_data() {
        QTest::addColumn<int>("fieldNumber");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("name, empty") << 1 << QString() << QByteArray();
        QTest::newRow("version") << 2 << QStringLiteral("v.9") << QByteArray("v.9");
        QTest::newRow("created in, Cyrillic")
            << 3 << QStringLiteral("/Ж/") << QByteArray("/\xD0\x96/");
        QTest::newRow("created time") << 5 << QStringLiteral("23:59:59") << QByteArray("23:59:59");
        QTest::newRow("results, full 498 bytes")
            << 6 << QString(498, QLatin1Char('r')) << QByteArray(498, 'r');
    }
    void textFieldAtItsRecord() {
        QFETCH(int, fieldNumber);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);

        Settings_Record r;
        textField(r, fieldNumber) = text;
        r.Language_Flag = -1; // a neighbour overrun would show in the records after

        const QByteArray image = app::encodeSettings(r);
        QCOMPARE(image.size(), 4500);
        const int at = (fieldNumber - 1) * 500;
        QCOMPARE(image.mid(at, 500), textRecord(bytes));
        QCOMPARE(image.mid(4000, 2), QByteArray("\xFF\xFF", 2));

        Settings_Record back = app::decodeSettings(image);
        QCOMPARE(textField(back, fieldNumber), text);
    }

    void fitsInRecord_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        QTest::newRow("498 ASCII bytes") << QString(498, QLatin1Char('a')) << true;
        QTest::newRow("499 ASCII bytes") << QString(499, QLatin1Char('a')) << false;
        QTest::newRow("249 Cyrillic letters, 498 bytes") << QString(249, QChar(0x0416)) << true;
        QTest::newRow("250 Cyrillic letters, 500 bytes") << QString(250, QChar(0x0416)) << false;
    }
    void fitsInRecord() {
        QFETCH(QString, text);
        QFETCH(bool, fits);
        QCOMPARE(app::fitsInRecord(text), fits);
    }

    void identityDecidesWhetherTheFileIsKept_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("kept");
        QTest::newRow("this program") << "Corvantelis"
                                      << "v.1.03" << true;
        QTest::newRow("product word in lower case") << "corvantelis"
                                                    << "v.1.03" << false;
        QTest::newRow("another product") << "Brindlewick"
                                         << "v.1.03" << false;
        QTest::newRow("older version") << "Corvantelis"
                                       << "v.1.02" << false;
        QTest::newRow("version with a trailing blank") << "Corvantelis"
                                                       << "v.1.03 " << false;
        QTest::newRow("empty identity") << ""
                                        << "" << false;
    }
    void identityDecidesWhetherTheFileIsKept() {
        QFETCH(QString, name);
        QFETCH(QString, version);
        QFETCH(bool, kept);

        Settings_Record stored = customisedRecord();
        stored.Program_Name = name;
        stored.Program_Version = version;
        SettingsFile settings(m_dir, fixedClock());
        QVERIFY(writeFile(settings.filePath(), app::encodeSettings(stored)));

        const SettingsFile::StartupProblems problems = settings.openAtStartup();
        QVERIFY(problems.saveError.isEmpty());

        const Settings_Record onDisk = app::decodeSettings(readFile(settings.filePath()));
        if (kept) {
            QCOMPARE(settings.record().Results_Dir, QStringLiteral("/data/results/"));
            QCOMPARE(settings.record().Language_Flag, qint16(1));
            QCOMPARE(onDisk.Language_Flag, qint16(1));
        } else {
            expectDefaults(settings.record(), m_dir);
            expectDefaults(onDisk, m_dir);
        }
    }

    void fileThatEndsEarly_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("identityKept");
        QTest::addColumn<double>("createdDate");
        QTest::addColumn<QString>("resultsDir"); // empty: Settings_Dir
        QTest::addColumn<int>("reserved1");
        QTest::addColumn<int>("reserved2");
        QTest::addColumn<int>("languageFlag");
        QTest::newRow("empty file") << 0 << false << 46360.0 << QString() << 0 << 1 << 0;
        QTest::newRow("cut inside the version")
            << 503 << false << 46360.0 << QString() << 0 << 1 << 0;
        QTest::newRow("cut inside the results directory")
            << 2505 << true << 40000.0 << QString() << 0 << 1 << 0;
        QTest::newRow("cut inside the first reserved word")
            << 3001 << true << 40000.0 << QStringLiteral("/data/results/") << 0 << 1 << 0;
        QTest::newRow("ends right after the language")
            << 4002 << true << 40000.0 << QStringLiteral("/data/results/") << 7 << -3 << 1;
    }
    void fileThatEndsEarly() {
        QFETCH(int, length);
        QFETCH(bool, identityKept);
        QFETCH(double, createdDate);
        QFETCH(QString, resultsDir);
        QFETCH(int, reserved1);
        QFETCH(int, reserved2);
        QFETCH(int, languageFlag);

        SettingsFile settings(m_dir, fixedClock());
        QVERIFY(
            writeFile(settings.filePath(), app::encodeSettings(customisedRecord()).left(length)));
        settings.openAtStartup();

        const Settings_Record& r = settings.record();
        QCOMPARE(r.Program_Name, QStringLiteral("Corvantelis"));
        QCOMPARE(r.Program_Version, QStringLiteral("v.1.03"));
        QCOMPARE(r.Created_Date, createdDate);
        QCOMPARE(r.Results_Dir, resultsDir.isEmpty() ? m_dir : resultsDir);
        QCOMPARE(int(r.Reserved_Word1), reserved1);
        QCOMPARE(int(r.Reserved_Word2), reserved2);
        QCOMPARE(int(r.Language_Flag), languageFlag);
        // A file thrown out by the identity check is written afresh; one that identifies itself
        // is left as it is until the next change of a setting.
        QCOMPARE(QFileInfo(settings.filePath()).size(), identityKept ? qint64(length) : 4500);
    }

    void emptyResultsDirFallsBackToSettingsDir() {
        Settings_Record stored = customisedRecord();
        stored.Results_Dir.clear();
        SettingsFile settings(m_dir, fixedClock());
        QVERIFY(writeFile(settings.filePath(), app::encodeSettings(stored)));
        settings.openAtStartup();
        QCOMPARE(settings.record().Results_Dir, m_dir);
        QCOMPARE(settings.record().Language_Flag, qint16(1));
    }

    void unreadableFileIsReplacedByDefaults_data() {
        QTest::addColumn<bool>("directoryInPlace");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("a folder where the file should be") << true << false;
        QTest::newRow("a length word longer than its record") << false << true;
    }
    void unreadableFileIsReplacedByDefaults() {
        QFETCH(bool, directoryInPlace);
        QFETCH(bool, rewritten);

        SettingsFile settings(m_dir, fixedClock());
        if (directoryInPlace) {
            // Fails to open for root as well, and must never be deleted with its contents.
            QVERIFY(QDir().mkpath(settings.filePath()));
            QVERIFY(writeFile(settings.filePath() + QStringLiteral("/keep"), "x"));
        } else {
            QByteArray image = app::encodeSettings(customisedRecord());
            image.replace(2500, 2, le16(600));
            QVERIFY(writeFile(settings.filePath(), image));
        }

        const SettingsFile::StartupProblems problems = settings.openAtStartup();
        expectDefaults(settings.record(), m_dir);
        // The fallback inside the load stays silent, as a failed save there is ignored.
        QVERIFY(problems.saveError.isEmpty());
        if (rewritten) {
            QCOMPARE(QFileInfo(settings.filePath()).size(), 4500);
            expectDefaults(app::decodeSettings(readFile(settings.filePath())), m_dir);
        } else {
            QVERIFY(QFileInfo(settings.filePath() + QStringLiteral("/keep")).isFile());
        }
    }

    void oddValuesAreCarriedThroughLoadAndSave() {
        Settings_Record stored = customisedRecord();
        stored.Language_Flag = 2;
        stored.Reserved_Word1 = -32768;
        stored.Reserved_Word2 = 32767;
        stored.Created_In_Dir = QStringLiteral("/elsewhere/");
        stored.Created_Date = 12345.0;
        stored.Created_Time = QStringLiteral("07:08:09");
        SettingsFile settings(m_dir, fixedClock());
        QVERIFY(writeFile(settings.filePath(), app::encodeSettings(stored)));

        settings.openAtStartup();
        QCOMPARE(settings.record().Language_Flag, qint16(2));
        settings.record().Results_Dir = QStringLiteral("/new/results/");
        QString error;
        QVERIFY2(settings.Save_Settings(&error), qPrintable(error));

        const QByteArray file = readFile(settings.filePath());
        QCOMPARE(file.size(), 4500);
        QCOMPARE(file.mid(1000, 13), le16(11) + QByteArray("/elsewhere/"));
        QCOMPARE(file.mid(1500, 8), QByteArray::fromHex("00000000801cc840"));
        QCOMPARE(file.mid(2000, 10), le16(8) + QByteArray("07:08:09"));
        QCOMPARE(file.mid(2500, 15), le16(13) + QByteArray("/new/results/"));
        QCOMPARE(file.mid(3000, 2), QByteArray::fromHex("0080"));
        QCOMPARE(file.mid(3500, 2), QByteArray::fromHex("ff7f"));
        QCOMPARE(file.mid(4000, 2), QByteArray::fromHex("0200"));
    }

    void failedSaveReportsAndKeepsTheOldFile_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("results directory too long for its record") << "too long";
        QTest::newRow("write fails part-way") << "size limit";
        QTest::newRow("folder without write permission") << "read-only folder";
    }
    void failedSaveReportsAndKeepsTheOldFile() {
        QFETCH(QString, how);

        SettingsFile settings(m_dir, fixedClock());
        const QByteArray old = app::encodeSettings(customisedRecord());
        QVERIFY(writeFile(settings.filePath(), old));
        settings.openAtStartup();
        settings.record().Language_Flag = 0;

        QString error;
        bool saved = true;
        if (how == QLatin1String("too long")) {
            settings.record().Results_Dir = QString(499, QLatin1Char('r'));
            saved = settings.Save_Settings(&error);
        } else if (how == QLatin1String("size limit")) {
#ifdef Q_OS_UNIX
            // A file size limit binds root too, and stands in for a full disk.
            rlimit previous{};
            QVERIFY(getrlimit(RLIMIT_FSIZE, &previous) == 0);
            rlimit small = previous;
            small.rlim_cur = 1000;
            const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
            saved = settings.Save_Settings(&error);
            setrlimit(RLIMIT_FSIZE, &previous);
            std::signal(SIGXFSZ, previousHandler);
#else
            QSKIP("needs a file size limit");
#endif
        } else {
            QFile::setPermissions(m_dir, QFile::ReadOwner | QFile::ExeOwner);
            if (QFileInfo(m_dir).isWritable()) {
                QFile::setPermissions(m_dir,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("permission bits do not stop this user (root)");
            }
            saved = settings.Save_Settings(&error);
            QFile::setPermissions(m_dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }

        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readFile(settings.filePath()), old);
        QCOMPARE(QDir(m_dir).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Corvantelis v.1.03.eng")});
    }

    void saveBelowARegularFileReportsWhy_data() {
        QTest::addColumn<bool>("filePathIsFolder");
        QTest::newRow("settings folder below a regular file") << false;
        QTest::newRow("settings file path taken by a folder") << true;
    }
    void saveBelowARegularFileReportsWhy() {
        QFETCH(bool, filePathIsFolder);

        QString dir = m_dir;
        if (filePathIsFolder) {
            QVERIFY(QDir().mkpath(m_dir + QStringLiteral("Corvantelis v.1.03.eng")));
        } else {
            QVERIFY(writeFile(m_temp.path() + QStringLiteral("/plain"), "x"));
            dir = m_temp.path() + QStringLiteral("/plain/Corvantelis v.1.03/");
        }
        SettingsFile settings(dir, fixedClock());
        const SettingsFile::StartupProblems problems = settings.openAtStartup();
        expectDefaults(settings.record(), dir);
        QCOMPARE(problems.folderError.isEmpty(), filePathIsFolder);
        if (!filePathIsFolder)
            QVERIFY(problems.folderError.startsWith(dir + QStringLiteral(": ")));

        QString error;
        QVERIFY(!settings.Save_Settings(&error));
        QVERIFY(!error.isEmpty());
    }

private:
    QTemporaryDir m_temp;
    QString m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"

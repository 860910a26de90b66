// The measurements as the recorder writes them: each line byte for byte, the file of each day
// in its year and month folders, appending to what is there, and a file that cannot be written.

#include "record/append_only_file.h"
#include "record/line_writer.h"
#include "record/measurement_row.h"
#include "record/recorder.h"

#include "cycle_rig.h"
#include "helpers.h" // the golden answers

#include <QScopeGuard>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using ptest::hex;
using ptest::withCheck;

namespace {

const QByteArray kPreamble = hex("FF FF FF FF FF");
const QByteArray kHeader = "time,address,long_address,tag,loop_current_mA,pv,pv_unit,sv,sv_unit,"
                           "tv,tv_unit,qv,qv_unit,response_code,device_status\r\n";

// Three hours east of UTC, so the offset is written as given and not as this machine's.
QDateTime at(int year, int month, int day, int h, int m, int s, int ms, int offsetSeconds = 10800) {
    return QDateTime(QDate(year, month, day), QTime(h, m, s, ms), Qt::OffsetFromUTC, offsetSeconds);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The golden command-3 answer with the loop current and `variables` of its four variables,
// the device status byte set to `status`.
QByteArray answer3(int variables, quint8 status = 0) {
    QByteArray frame = ptest::kAnswer3.left(6 + 2 + 2 + 4 + 5 * variables);
    frame[7] = char(2 + 4 + 5 * variables);
    frame[9] = char(status);
    return withCheck(frame);
}

// A field model and a recorder fed by hand: the model's clock says when each answer came.
struct Loop {
    explicit Loop(const QString& resultsDir)
        : model([this] { return now; }),
          recorder(
              model, [this] { return results; }, QLocale(QLocale::English), [this] { return now; }),
          results(resultsDir) {}

    void answer(int command, int address, const QByteArray& asRead) {
        model.takeAnswer(protocol::ReadAnswer::of(command, address, true, asRead));
    }

    QDateTime now = at(2026, 12, 7, 10, 0, 0, 125);
    field::FieldModel model;
    record::Recorder recorder;
    QString results;
};

} // namespace

class TestRecord : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(m_root.isValid());
        m_results = m_root.path() + "/results " + QString::number(++m_case) + "/";
        QVERIFY(QDir().mkpath(m_results));
    }

    void lineFormat_data() {
        QTest::addColumn<QByteArrayList>("answers"); // to commands 0, 13, 3 in turn; empty: none
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QByteArray>("line");
        const QByteArray hart5 = kPreamble + ptest::kAnswer0Hart5;
        const QByteArray hart7 = kPreamble + ptest::kAnswer0Hart7;
        QTest::newRow("HART 5, all four variables")
            << QByteArrayList{hart5, ptest::kAnswer13, answer3(4)} << at(2026, 12, 7, 10, 0, 0, 125)
            << QByteArray("2026-12-07T10:00:00.125+03:00,1,2606123456,PT-101,12.5,1.23456,kPa,"
                          "23.5,\xC2\xB0"
                          "C,nan,not used,nan,not used,00,00\r\n");
        QTest::newRow("HART 7, two variables, configuration changed")
            << QByteArrayList{hart7, ptest::kAnswer13, answer3(2, 0x40)}
            << at(2027, 1, 1, 0, 0, 0, 7, -(3 * 3600 + 30 * 60))
            << QByteArray("2027-01-01T00:00:00.007-03:30,1,2606123456,PT-101,12.5,1.23456,kPa,"
                          "23.5,\xC2\xB0"
                          "C,,,,,00,40\r\n");
        QTest::newRow("loop current only, no tag yet")
            << QByteArrayList{hart5, QByteArray(), answer3(0)}
            << at(2026, 6, 30, 23, 59, 59, 999, 0)
            << QByteArray("2026-06-30T23:59:59.999+00:00,1,2606123456,,12.5,,,,,,,,,00,00\r\n");
    }
    void lineFormat() {
        QFETCH(QByteArrayList, answers);
        QFETCH(QDateTime, when);
        QFETCH(QByteArray, line);
        field::FieldModel model([when] { return when; });
        const int commands[] = {0, 13, 3};
        for (int k = 0; k < 3; ++k)
            if (!answers[k].isEmpty())
                model.takeAnswer(protocol::ReadAnswer::of(commands[k], 1, true, answers[k]));
        QCOMPARE(record::csvRow(1, when, model.instrument(1)), line);
        QCOMPARE(record::csvHeader(), kHeader);
    }

    // One answer, taken apart once where the cycle read it, ends on the board as designed and
    // in the model and the CSV as the instrument meant it: HART's "no value" is a huge number on
    // the board and NaN beside it, and the identifier cell keeps the manufacturer byte as sent
    // while the CSV names the 38-bit unique address.
    void oneAnswerOnBoardModelAndCsv_data() {
        QTest::addColumn<int>("manufacturerByte");
        QTest::addColumn<QByteArray>("pvBytes");
        QTest::addColumn<QString>("boardId");
        QTest::addColumn<QString>("boardPv");
        QTest::addColumn<QString>("modelPv");
        QTest::addColumn<QByteArray>("csvValues"); // from the long address to the PV's unit
        QTest::newRow("a value") << 0x26 << hex("3F 9E 06 10") << "2606123456"
                                 << "1.23"
                                 << "1.23456" << QByteArray("2606123456,PT-101,12.5,1.23456,kPa");
        QTest::newRow("no value, master bit in the manufacturer byte")
            << 0xA6 << hex("7F A0 00 00") << "A606123456"
            << "4.25352958651173E+38"
            << "nan" << QByteArray("2606123456,PT-101,12.5,nan,kPa");
    }
    void oneAnswerOnBoardModelAndCsv() {
        QFETCH(int, manufacturerByte);
        QFETCH(QByteArray, pvBytes);
        QFETCH(QString, boardId);
        QFETCH(QString, boardPv);
        QFETCH(QString, modelPv);
        QFETCH(QByteArray, csvValues);
        ptest::Rig rig;
        rig.cycle.setLocale(QLocale(QLocale::English));
        QByteArray answer0 = ptest::kAnswer0Hart5.chopped(1);
        answer0[7] = char(manufacturerByte);
        QByteArray answer3 = ptest::kAnswer3.chopped(1);
        answer3.replace(15, 4, pvBytes);
        // As the primary master names it: the master bit set, the burst bit clear.
        const QByteArray address = char((manufacturerByte & 0x3F) | 0x80) + hex("06 12 34 56");
        rig.answers[ptest::shortRequest(1)] = kPreamble + withCheck(answer0);
        rig.answers[kPreamble + withCheck(hex("82") + address + hex("0D 00"))] =
            kPreamble + ptest::kAnswer13;
        rig.answers[kPreamble + withCheck(hex("82") + address + hex("03 00"))] =
            kPreamble + withCheck(answer3);
        Loop loop(m_results);
        connect(&rig.cycle, &protocol::PollingCycle::answerDecoded, &loop.model,
                &field::FieldModel::takeAnswer);
        loop.recorder.setEnabled(true);

        rig.cycle.start();
        for (int step = 0; step < 3; ++step) // 0, 13 and 3 to address 1
            QVERIFY(rig.fire());
        loop.recorder.waitUntilWritten();

        QCOMPARE(rig.board.caption(protocol::Column::Label1, 1), boardId);
        QCOMPARE(rig.board.caption(protocol::Column::Label14, 1), boardPv);
        const field::Instrument& in = loop.model.instrument(1);
        QVERIFY(in.variables && in.variables->values[0]);
        QCOMPARE(field::shortestText(in.variables->values[0]->value), modelPv);
        const QByteArray csv = readAll(loop.recorder.currentFile());
        QVERIFY2(csv.contains(",1," + csvValues + ","), csv.constData());
    }

    // A frame an instrument published in burst mode is a line of its own with what it carried
    // and nothing else: the PV of command 1 does not bring back the loop current and the other
    // variables of the last command 3.
    void publishedFrameAsItCame() {
        Loop loop(m_results);
        loop.answer(0, 1, kPreamble + ptest::kAnswer0Hart5);
        loop.recorder.setEnabled(true);
        loop.answer(3, 1, answer3(2));
        loop.now = loop.now.addMSecs(500);
        const QByteArray burst = kPreamble + withCheck(hex("81 A6 06 12 34 56 01 07 00 40 0C 42 "
                                                           "C8 00 00"));
        loop.model.takeAnswer(
            protocol::ReadAnswer::of(1, 1, true, burst, protocol::ReadAnswer::Origin::Published));
        loop.recorder.waitUntilWritten();
        const QByteArrayList lines = readAll(loop.recorder.currentFile()).split('\n');
        QCOMPARE(lines.size(), 4); // header, two lines, the end of the last
        QVERIFY2(lines[1].endsWith(",12.5,1.23456,kPa,23.5,\xC2\xB0"
                                   "C,,,,,00,00\r"),
                 lines[1]);
        QVERIFY2(lines[2].endsWith(",,100,kPa,,,,,,,00,40\r"), lines[2]);
    }

    // With an interval, an instrument's line is the first answer once the interval has passed
    // since its last line: every line is still a real answer at its own time.
    void interval_data() {
        QTest::addColumn<qint64>("intervalMs");
        QTest::addColumn<QList<int>>("answersMs"); // address 1 at these times, address 2 at 100
        QTest::addColumn<QStringList>("lines");    // time and address of each line
        QTest::newRow("every answer")
            << qint64(0) << QList<int>{0, 400, 1000}
            << QStringList{"00.000,1", "00.100,2", "00.400,1", "01.000,1"};
        QTest::newRow("one a second")
            << qint64(1000) << QList<int>{0, 400, 999, 1000, 1900, 2500}
            << QStringList{"00.000,1", "00.100,2", "01.000,1", "02.500,1"};
    }
    void interval() {
        QFETCH(qint64, intervalMs);
        QFETCH(QList<int>, answersMs);
        QFETCH(QStringList, lines);
        Loop loop(m_results);
        const QDateTime start = at(2026, 12, 7, 10, 0, 0, 0);
        loop.now = start;
        loop.answer(0, 1, kPreamble + ptest::kAnswer0Hart5);
        loop.answer(0, 2, kPreamble + ptest::kAnswer0Hart5);
        loop.recorder.setInterval(intervalMs);
        loop.recorder.setEnabled(true);
        for (const int ms : answersMs) {
            loop.now = start.addMSecs(ms);
            loop.answer(3, 1, answer3(1));
            if (ms == 0) {
                loop.now = start.addMSecs(100);
                loop.answer(3, 2, answer3(1));
            }
        }
        loop.recorder.waitUntilWritten();
        QStringList written;
        for (const QByteArray& line : readAll(loop.recorder.currentFile()).split('\n').mid(1))
            if (!line.isEmpty())
                written << QString::fromLatin1(line.mid(17, 6) + line.mid(29, 2));
        QCOMPARE(written, lines);
    }

    // A line's time is when the answer's last byte came, not when the step that read it ended
    // (up to the rest of the 600 ms wait on the serial line).
    void timeIsWhenTheAnswerCame() {
        ptest::Rig rig;
        rig.addDevice(1);
        rig.waitingAgeMs = 450;
        Loop loop(m_results);
        connect(&rig.cycle, &protocol::PollingCycle::answerDecoded, &loop.model,
                &field::FieldModel::takeAnswer);
        loop.recorder.setEnabled(true);
        rig.cycle.start();
        for (int step = 0; step < 3; ++step)
            QVERIFY(rig.fire());
        loop.recorder.waitUntilWritten();
        const QByteArray csv = readAll(loop.recorder.currentFile());
        QVERIFY2(csv.contains("\r\n2026-12-07T09:59:59.675+03:00,1,"), csv.constData());
        QCOMPARE(loop.model.instrument(1).lastAnswerMs, loop.now.toMSecsSinceEpoch() - 450);
    }

    void fieldsQuotedOnlyWhenNeeded_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("plain") << "PT-101" << QByteArray("PT-101");
        QTest::newRow("blank inside") << "unit code 200" << QByteArray("unit code 200");
        QTest::newRow("comma") << "A,B" << QByteArray("\"A,B\"");
        QTest::newRow("quote") << "A\"B" << QByteArray("\"A\"\"B\"");
        QTest::newRow("line break") << "A\nB" << QByteArray("\"A\nB\"");
        QTest::newRow("non-ASCII") << QString::fromUtf8("m³/h") << QByteArray("m\xC2\xB3/h");
    }
    void fieldsQuotedOnlyWhenNeeded() {
        QFETCH(QString, text);
        QFETCH(QByteArray, field);
        QCOMPARE(record::csvField(text), field);
    }

    // A run across midnight at the end of a year goes on in the new day's file, in new year and
    // month folders named as the start-up names them.
    void aFileADay() {
        Loop loop(m_results);
        QSignalSpy files(&loop.recorder, &record::Recorder::fileChanged);
        loop.answer(0, 1, kPreamble + ptest::kAnswer0Hart5);
        loop.now = at(2026, 12, 31, 23, 59, 59, 900);
        loop.answer(3, 1, answer3(4)); // off: nothing is written
        QVERIFY(!QFileInfo::exists(m_results + "2026"));

        loop.recorder.setEnabled(true);
        const QString december = m_results + "2026/December/2026-12-31.csv";
        QCOMPARE(loop.recorder.currentFile(), december);
        loop.answer(3, 1, answer3(4));
        loop.now = at(2027, 1, 1, 0, 0, 0, 100);
        loop.answer(3, 1, answer3(4));
        loop.answer(3, 1, answer3(1));
        loop.recorder.waitUntilWritten();

        const QString january = m_results + "2027/January/2027-01-01.csv";
        QCOMPARE(files.size(), 2);
        QCOMPARE(files.at(1).at(0).toString(), january);
        QCOMPARE(readAll(december).count('\n'), 2);
        QVERIFY(readAll(december).startsWith(kHeader + "2026-12-31T23:59:59.900+03:00,1,"));
        const QByteArray newYear = readAll(january);
        QCOMPARE(newYear.count('\n'), 3);
        QVERIFY(newYear.startsWith(kHeader + "2027-01-01T00:00:00.100+03:00,1,"));
        QVERIFY(newYear.endsWith(",12.5,1.23456,kPa,,,,,,,00,00\r\n"));
    }

    // What is in a file stays; the header goes only into a new or empty one, and a line torn by
    // a crash is left on a line of its own.
    void appendsToWhatIsThere_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("prefix"); // what the recorder writes before its line
        QTest::newRow("new file") << QByteArray() << kHeader;
        QTest::newRow("empty file") << QByteArray("") << kHeader;
        QTest::newRow("earlier lines") << kHeader + "a,b\r\n" << QByteArray();
        QTest::newRow("torn last line")
            << kHeader + "a,b\r\n2026-12-07T09:59" << QByteArray("\r\n");
    }
    void appendsToWhatIsThere() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, prefix);
        const QString path = m_results + "day.csv";
        if (!before.isNull())
            QVERIFY(writeAll(path, before));
        record::AppendOnlyFile file;
        QString error;
        QVERIFY(file.append(path, kHeader, "1\r\n", &error));
        QVERIFY(file.append(path, kHeader, "2\r\n", &error));
        QCOMPARE(file.created(), false);
        QCOMPARE(readAll(path), before + prefix + "1\r\n2\r\n");
    }

    // A folder that went away: one failure, recording off, and it says where and why.
    void resultsFolderGone() {
        Loop loop(m_results + "stick/");
        QVERIFY(QDir().mkpath(loop.results));
        loop.answer(0, 1, kPreamble + ptest::kAnswer0Hart5);
        loop.recorder.setEnabled(true);
        QSignalSpy failures(&loop.recorder, &record::Recorder::failed);
        QVERIFY(QDir(loop.results).removeRecursively());
        loop.answer(3, 1, answer3(4));
        loop.answer(3, 1, answer3(4));
        loop.recorder.waitUntilWritten();
        QCOMPARE(failures.size(), 1);
        QVERIFY(!loop.recorder.isEnabled());
        QCOMPARE(failures.at(0).at(0).toString(), loop.results + "2026/December/2026-12-07.csv");
        QVERIFY2(failures.at(0).at(1).toString().startsWith(loop.results + "2026: "),
                 qPrintable(failures.at(0).at(1).toString()));
        QVERIFY(!QFileInfo::exists(loop.results));
    }

    // A full disk, stood in for by a file size limit (which binds root too): the line that did
    // not fit is cut away again and the lines before it stay exactly as they were.
    void fullDiskLeavesTheFileAsItWas() {
#ifdef Q_OS_UNIX
        Loop loop(m_results);
        loop.answer(0, 1, kPreamble + ptest::kAnswer0Hart5);
        loop.recorder.setEnabled(true);
        QSignalSpy failures(&loop.recorder, &record::Recorder::failed);
        loop.answer(3, 1, answer3(4));
        loop.recorder.waitUntilWritten();
        const QString path = loop.recorder.currentFile();
        const QByteArray before = readAll(path);
        QCOMPARE(before.count('\n'), 2);

        rlimit previous{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &previous) == 0);
        rlimit small = previous;
        small.rlim_cur = rlim_t(before.size() + 40); // the next line starts but does not fit
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        const bool limited = setrlimit(RLIMIT_FSIZE, &small) == 0;
        loop.answer(3, 1, answer3(4));
        loop.recorder.waitUntilWritten();
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, handler);

        QVERIFY(limited);
        QCOMPARE(failures.size(), 1);
        // The system's own words for it, not a guess.
        QCOMPARE(failures.at(0).at(1).toString(), QString::fromLocal8Bit(std::strerror(EFBIG)));
        QVERIFY(!loop.recorder.isEnabled());
        QCOMPARE(readAll(path), before);
        // Turned on again, it goes on after the last whole line.
        loop.recorder.setEnabled(true);
        loop.answer(3, 1, answer3(4));
        loop.recorder.waitUntilWritten();
        QCOMPARE(readAll(path).count('\n'), 3);
        QVERIFY(readAll(path).startsWith(before));
#else
        QSKIP("needs a file size limit");
#endif
    }

    // A disk that fills up in the middle of a line: the part that went in is cut away again and
    // the reason is the system's. A small memory file system is filled to its last page, which
    // the day's file shares, so the line starts and cannot end. Needs the right to mount.
    void diskFillingUpMidLine() {
#ifdef Q_OS_LINUX
        QTemporaryDir disk;
        if (::mount("corvantelis-test", disk.path().toLocal8Bit().constData(), "tmpfs", 0,
                    "size=256k") != 0)
            QSKIP("no right to mount a small file system here");
        const auto unmount = qScopeGuard([&] { ::umount(disk.path().toLocal8Bit().constData()); });
        const QString path = disk.path() + "/2026-12-07.csv";
        const int pageRoomLeft = 24;
        QVERIFY(writeAll(path, kHeader + QByteArray(4096 - pageRoomLeft - kHeader.size() - 2, 'x') +
                                   "\r\n"));
        // Fill every page left.
        QFile filler(disk.path() + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        const QByteArray before = readAll(path);

        record::AppendOnlyFile file;
        QString error;
        QVERIFY(!file.append(path, kHeader, QByteArray(200, 'y') + "\r\n", &error));
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        QCOMPARE(readAll(path), before);
        if (QStorageInfo(disk.path()).isValid()) // the system tells how much room is left
            QVERIFY(!record::canAppendTo(path, disk.path()));
        // Room again: it can be offered, and the next line goes in after the last whole one.
        QVERIFY(QFile::remove(disk.path() + "/filler"));
        QVERIFY(record::canAppendTo(path, disk.path()));
        QVERIFY(file.append(path, kHeader, "z\r\n", &error));
        QCOMPARE(readAll(path), before + "z\r\n");
#else
        QSKIP("needs a Linux memory file system");
#endif
    }

    // Lines handed to the writer after a failed one of the same time recording was on are
    // dropped, even where they could be written; the next time it is on, lines go in again.
    void linesAfterAFailedOneAreDropped() {
        std::atomic<int> failures{0};
        record::LineWriter writer(QLocale(QLocale::English), kHeader, [&failures] { ++failures; });
        const QString good = m_results + "good.csv";
        const QString blocked = m_results + "blocked.csv";
        QVERIFY(QDir().mkpath(blocked)); // a folder where the file should be
        const auto line = [&](quint64 batch, const QString& path, const QByteArray& text) {
            record::LineWriter::Line l;
            l.batch = batch;
            l.resultsDir = m_results;
            l.day = QDate(2026, 12, 7);
            l.path = path;
            l.text = text;
            return l;
        };
        writer.write(line(1, good, "one\r\n"));
        writer.write(line(1, blocked, "two\r\n"));
        writer.write(line(1, good, "three\r\n"));
        writer.write(line(2, good, "four\r\n"));
        writer.waitUntilDone();
        QCOMPARE(failures.load(), 1);
        const std::deque<record::LineWriter::Failure> reported = writer.takeFailures();
        QCOMPARE(int(reported.size()), 1);
        QCOMPARE(reported.front().path, blocked);
        QCOMPARE(readAll(good), kHeader + "one\r\nfour\r\n");
    }

    // A disk that does not keep up: the lines waiting are bounded, a line beyond is refused at
    // once, and every line taken goes in whole and in order, many a write. The writer's thread
    // is held by a first line into a pipe nobody reads yet while the lines are handed over.
    void waitingLinesBounded() {
#ifdef Q_OS_LINUX
        record::LineWriter writer(QLocale(QLocale::English), kHeader, {});
        const QString stuck = m_results + "stuck.csv";
        const QString file = m_results + "2026-12-07.csv";
        QCOMPARE(::mkfifo(stuck.toLocal8Bit().constData(), 0600), 0);
        const auto line = [&](quint64 batch, const QString& path, int k) {
            record::LineWriter::Line l;
            l.batch = batch;
            l.resultsDir = m_results;
            l.day = QDate(2026, 12, 7);
            l.path = path;
            l.text = QByteArray::number(k) + "\r\n";
            return l;
        };
        QVERIFY(writer.write(line(1, stuck, -1)));
        QTest::qWait(100); // the thread takes it and waits for the pipe to be read
        const int offered = int(2 * record::LineWriter::kMostWaiting);
        QByteArray expected = kHeader;
        int taken = 0;
        for (int k = 0; k < offered; ++k) {
            if (writer.write(line(2, file, k))) {
                expected += QByteArray::number(k) + "\r\n";
                ++taken;
            }
        }
        QCOMPARE(taken, int(record::LineWriter::kMostWaiting));
        const int reader = ::open(stuck.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        writer.waitUntilDone();
        ::close(reader);
        QCOMPARE(readAll(file), expected);
#else
        QSKIP("needs a named pipe");
#endif
    }

    // What the offer to record again looks at: a file or folder that takes lines again.
    void canAppendAgain() {
        const QString day = m_results + "2026/December/2026-12-07.csv";
        // Folders not there yet: the results folder decides, and it must be there itself.
        QVERIFY(record::canAppendTo(day, m_results));
        const QString stick = m_results + "stick/";
        QVERIFY(!record::canAppendTo(stick + "2026/December/2026-12-07.csv", stick));
        QVERIFY(QDir().mkpath(day)); // a folder in the file's place
        QVERIFY(!record::canAppendTo(day, m_results));
        QVERIFY(QDir(day).removeRecursively());
        QVERIFY(writeAll(day, kHeader));
        QVERIFY(record::canAppendTo(day, m_results));
        QVERIFY(!record::canAppendTo("/proc/version", "/proc"));
    }

private:
    QTemporaryDir m_root;
    QString m_results;
    int m_case = 0;
};

QTEST_GUILESS_MAIN(TestRecord)
#include "tst_record.moc"

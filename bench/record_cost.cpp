// What recording adds to a polling step: the time to take one command-3 answer into the field
// model, with the recorder off and on, over many answers into a scratch results folder. Prints
// figures only.
//   record-cost [ANSWERS]   (default 20000 back to back, then a tenth of them 5 ms apart)

#include "record/recorder.h"

#include "helpers.h" // the golden answers

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double median, p99, max, mean;
    size_t overOneMs;
};

Figures figuresOf(std::vector<qint64> ns) {
    std::sort(ns.begin(), ns.end());
    double sum = 0;
    for (qint64 v : ns)
        sum += double(v);
    const auto us = [](qint64 v) { return double(v) / 1000.0; };
    const auto slow =
        size_t(std::count_if(ns.begin(), ns.end(), [](qint64 v) { return v > 1000000; }));
    return {us(ns[ns.size() / 2]), us(ns[(ns.size() * 99) / 100]), us(ns.back()),
            sum / double(ns.size()) / 1000.0, slow};
}

// `pauseMs` between answers; the loop itself gives at most one a polling step (600 ms).
std::vector<qint64> timeAnswers(field::FieldModel& model, int count, int pauseMs = 0) {
    std::vector<qint64> ns;
    ns.reserve(size_t(count));
    QElapsedTimer clock;
    for (int k = 0; k < count; ++k) {
        clock.start();
        model.takeAnswer(protocol::ReadAnswer::of(3, 1, true, ptest::kAnswer3));
        ns.push_back(clock.nsecsElapsed());
        if (pauseMs > 0)
            QThread::msleep(pauseMs);
    }
    return ns;
}

void print(const char* what, const Figures& f) {
    std::printf("  %-13s median %7.1f  p99 %7.1f  max %8.1f  mean %7.1f  (us); %zu over 1 ms\n",
                what, f.median, f.p99, f.max, f.mean, f.overOneMs);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const int count = argc > 1 ? std::max(100, atoi(argv[1])) : 20000;
    QTemporaryDir root;
    const QString results = root.path() + QStringLiteral("/");
    field::FieldModel model;
    record::Recorder recorder(
        model, [&results] { return results; }, QLocale(QLocale::English),
        &QDateTime::currentDateTime);
    model.takeAnswer(protocol::ReadAnswer::of(
        0, 1, true, QByteArray::fromHex("FFFFFFFFFF") + ptest::kAnswer0Hart5));
    model.takeAnswer(protocol::ReadAnswer::of(13, 1, true, ptest::kAnswer13));

    const Figures off = figuresOf(timeAnswers(model, count));
    recorder.setEnabled(true);
    QElapsedTimer wall;
    wall.start();
    const Figures on = figuresOf(timeAnswers(model, count));
    recorder.waitUntilWritten();
    const qint64 syncedMs = wall.elapsed();
    const Figures paced = figuresOf(timeAnswers(model, count / 10, 5));
    recorder.waitUntilWritten();
    const qint64 bytes = QFileInfo(recorder.currentFile()).size();

    std::printf("one command-3 answer taken in, %d answers each:\n", count);
    print("not recording", off);
    print("recording", on);
    std::printf("  recording adds %.1f us a step at the median, %.1f us at p99\n",
                on.median - off.median, on.p99 - off.p99);
    std::printf("%d answers 5 ms apart (still a hundred times the loop's pace):\n", count / 10);
    print("recording", paced);
    std::printf(
        "  %lld bytes written, %.1f bytes a line; all written and synced %lld ms after the first\n",
        static_cast<long long>(bytes), double(bytes) / (count + count / 10),
        static_cast<long long>(syncedMs));
    return 0;
}

// What the line view costs in memory as it fills: the line log and an open line view, offscreen,
// fed the frames of a shared line (a request, its answer and a burst frame in turn) up to and past
// the ten thousand they keep. Prints the process's resident memory at each step; asserts nothing.
//   line-view-memory [FRAMES]     (default 30000)

#include "core/line_learner.h"
#include "core/line_log.h"
#include "field/field_model.h"
#include "protocol/board.h"
#include "protocol/hart_frame.h"
#include "ui/line_view.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace {

double residentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1e6 : -1;
}

protocol::HeardFrame frame(protocol::HeardFrame::Kind kind, const char* hex) {
    protocol::HeardFrame f;
    f.kind = kind;
    f.bytes = QByteArray::fromHex(QByteArray("FFFFFFFFFF") + hex);
    f.frame = protocol::HartFrame::parse(f.bytes);
    return f;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int frames = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 30000;
    using Kind = protocol::HeardFrame::Kind;
    const protocol::HeardFrame traffic[] = {
        frame(Kind::OtherRequest, "82A6061234560300"
                                  "53"),
        frame(Kind::AnswerToOther, "86A6061234560316"
                                   "0000"
                                   "41480000"
                                   "0C3F9E0610"
                                   "2041BC0000"
                                   "0C40000000"
                                   "2041A00000"
                                   "00"),
        frame(Kind::Burst, "81260612345601070000"
                           "0C42C80000"
                           "00"),
    };
    core::LineLog log;
    protocol::ProtocolState state;
    protocol::MemoryBoard board;
    field::FieldModel model;
    core::LineLearner learner(state, board, model);
    ui::LineView view(log, learner, 0);
    view.show();
    application.processEvents();
    const double before = residentMb();
    std::printf("the line view open, empty:   %.1f MB resident\n", before);
    for (int k = 1; k <= frames; ++k) {
        protocol::HeardFrame f = traffic[k % 3];
        f.startMs = k * 300.0;
        f.endMs = f.startMs + f.bytes.size() * protocol::kCharacterMs;
        log.add(f, false, qint64(k) * 300000);
        if (k % 100 == 0)
            application.processEvents(); // as the window's event loop would, a few frames a second
        if (k % 5000 == 0)
            std::printf("%6d frames (%5zu kept):   %.1f MB resident, %+.1f MB\n", k,
                        log.entries().size(), residentMb(), residentMb() - before);
    }
    return 0;
}

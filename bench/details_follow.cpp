// How quickly the details and a followed instrument's values come over a real line: the loop
// session without a window polls a hart-loop-sim pseudo-terminal, reads an instrument's details
// once the pass has found it, then follows it. Prints figures; asserts nothing.
//   details-follow DEVICE ADDRESS [FOLLOW_SECONDS]

#include "core/loop_session.h"
#include "field/details.h"
#include "protocol/polling_cycle.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: details-follow DEVICE ADDRESS [FOLLOW_SECONDS]\n");
        return 2;
    }
    const QString device = QString::fromLocal8Bit(argv[1]);
    const int address = QString::fromLatin1(argv[2]).toInt();
    const int followSeconds = argc > 3 ? QString::fromLatin1(argv[3]).toInt() : 30;

    QTemporaryDir settings;
    core::LoopSession::Setup setup;
    setup.settingsDir = settings.path() + QLatin1Char('/');
    setup.now = &QDateTime::currentDateTime;
    core::LoopSession session(setup);
    core::LoopSession::StartOptions start;
    start.device = device;
    session.open(start);
    session.start();

    QElapsedTimer clock;
    clock.start();
    qint64 detailsAskedMs = -1, detailsDoneMs = -1, followFromMs = -1;
    int onDemandSteps = 0;
    QList<qint64> followed; // when each command-3 answer of the followed instrument came
    QObject::connect(
        &session.cycle(), &protocol::PollingCycle::answerDecoded, &application,
        [&](const protocol::ReadAnswer& answer) {
            const int command = answer.command, at = answer.address;
            const bool accepted = answer.accepted;
            const qint64 now = clock.elapsed();
            if (answer.origin == protocol::ReadAnswer::Origin::OnDemand)
                ++onDemandSteps;
            const field::Instrument& in = session.fieldModel().instrument(address);
            if (detailsAskedMs < 0 && command == 3 && at == address && accepted) {
                onDemandSteps = 0;
                detailsAskedMs = now;
                session.details().readDetails(address);
            } else if (detailsAskedMs >= 0 && detailsDoneMs < 0 && in.detailsPending.empty()) {
                detailsDoneMs = now;
                std::printf("details: %zu commands in %d on-demand steps, %lld ms\n",
                            in.details.size(), onDemandSteps,
                            static_cast<long long>(detailsDoneMs - detailsAskedMs));
                followFromMs = now;
                session.details().follow(address);
            } else if (followFromMs >= 0 && command == 3 && at == address && accepted) {
                followed << now;
            }
        });
    QTimer::singleShot((60 + followSeconds) * 1000, &application, &QCoreApplication::quit);
    QTimer end;
    QObject::connect(&end, &QTimer::timeout, &application, [&] {
        if (followFromMs >= 0 && clock.elapsed() - followFromMs > followSeconds * 1000)
            QCoreApplication::quit();
    });
    end.start(200);
    application.exec();
    session.cycle().stop();

    QList<qint64> gaps;
    for (int k = 1; k < followed.size(); ++k)
        gaps << followed[k] - followed[k - 1];
    std::sort(gaps.begin(), gaps.end());
    if (gaps.isEmpty()) {
        std::printf("follow: no answers\n");
        return 1;
    }
    std::printf("follow: %lld answers in %d s, gaps median %lld ms, longest %lld ms\n",
                static_cast<long long>(followed.size()), followSeconds,
                static_cast<long long>(gaps[gaps.size() / 2]), static_cast<long long>(gaps.last()));
    return 0;
}

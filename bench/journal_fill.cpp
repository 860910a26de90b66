// Fills a logger's MQTT journal with COUNT measurements as the logger writes them, for the
// benchmark of how fast a journal that waited is sent once the broker is back.
// Usage: journal-fill JOURNAL COUNT TOPIC_ROOT

#include "mqtt/journal.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: journal-fill JOURNAL COUNT TOPIC_ROOT\n");
        return 2;
    }
    mqtt::Journal journal(QString::fromLocal8Bit(argv[1]), 1ll << 30);
    if (!journal.isOpen()) {
        std::fprintf(stderr, "journal-fill: %s\n", qPrintable(journal.error()));
        return 1;
    }
    const int count = std::atoi(argv[2]);
    const QByteArray topic = QByteArray(argv[3]) + "instrument/2606123456/measurement";
    for (int k = 0; k < count; ++k) {
        // A measurement of the size the logger writes for an instrument with four variables.
        const QByteArray payload =
            "{\"seq\":" + QByteArray::number(journal.nextSequence()) +
            ",\"time\":\"2026-12-08T19:30:05.120+00:00\",\"pollingAddress\":1,"
            "\"longAddress\":\"2606123456\",\"loopCurrent\":{\"value\":12.5,\"unitCode\":39,"
            "\"unit\":\"mA\"},\"pv\":{\"value\":1.23456,\"unitCode\":12,\"unit\":\"kPa\"},"
            "\"sv\":{\"value\":23.5,\"unitCode\":32,\"unit\":\"\xC2\xB0"
            "C\"},\"tv\":{\"value\":132.9,\"unitCode\":37,\"unit\":\"\xCE\xA9\"},\"qv\":{"
            "\"value\":30.5,\"unitCode\":32,\"unit\":\"\xC2\xB0"
            "C\"},\"responseCode\":0,\"deviceStatus\":0,\"statusBits\":[]}";
        journal.append(topic, payload);
    }
    journal.syncNow();
    std::printf("%d measurements waiting, %lld bytes\n", journal.waitingCount(),
                static_cast<long long>(journal.waitingBytes()));
    return 0;
}

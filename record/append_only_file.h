#pragma once

#include <QByteArray>
#include <QString>

namespace record {

// Adds whole lines to the end of a file and never rewrites what is there. The file is opened
// for each line, so a folder that went away, a full disk or a lost permission shows at once
// instead of lines going into a file nobody can reach any more.
class AppendOnlyFile {
public:
    // Appends `line` to the file at `path`: first `header` when the file is new or empty, and a
    // line break when it does not end with one (a line torn by a crash stays on a line of its
    // own). The line goes in with one write; when that fails, whatever of it reached the file
    // is cut away again, so the file holds exactly what it held before. False, with the
    // reason, when the line could not be written.
    bool append(const QString& path, const QByteArray& header, const QByteArray& line,
                QString* error);

    // Whether the last successful append made the file.
    bool created() const { return m_created; }

private:
    QString m_path;
    qint64 m_sizeAfterLastLine = -1; // -1: not written by us since the path changed
    bool m_created = false;
};

// Whether a line could be appended to `path` now: the file opens for appending or, when it is
// not there, the folders above it up to `topFolder` (which must be there; the recorder makes the
// ones below it) can take new entries, and the disk has room for a good many lines. For offering
// recording again after a failure; it writes nothing.
bool canAppendTo(const QString& path, const QString& topFolder);

} // namespace record

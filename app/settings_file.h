#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace app {

// The nine values kept in the settings file, one per 500-byte record, in file order.
struct Settings_Record {
    QString Program_Name;    // must be "Corvantelis"
    QString Program_Version; // must be "v.1.03"
    QString Created_In_Dir;
    double Created_Date = 0; // OLE Automation date, whole days
    QString Created_Time;    // hh:mm:ss
    QString Results_Dir;
    qint16 Reserved_Word1 = 0;
    qint16 Reserved_Word2 = 0;
    qint16 Language_Flag = 0; // 0 English, 1 Russian; any other value is kept as read
};

constexpr int kSettingsRecordLength = 500;
constexpr int kSettingsRecordCount = 9;
constexpr int kMaxSettingsTextBytes = kSettingsRecordLength - 2;

// The file image of a record set: 4500 bytes, zero filler. Texts are converted with
// QString::toLocal8Bit; a text longer than 498 bytes is a programming error here (callers
// refuse such texts before they reach the record, see fitsInRecord).
QByteArray encodeSettings(const Settings_Record& record);

// Reads a file image. Records missing at the end of a short file read as empty text and zero.
Settings_Record decodeSettings(const QByteArray& bytes);

// Whether `text` fits a text record once converted to 8-bit text.
bool fitsInRecord(const QString& text);

// How much of a file image could be read.
struct SettingsImage {
    Settings_Record record;        // fields that are not present read as empty text and zero
    int fieldsPresent = 0;         // how many leading fields the image holds whole, 0..9
    bool wellFormed = true;        // false when a length word claims more than its record holds
    quint32 undecodableFields = 0; // bit n: text field n is not 8-bit text of this system
};
SettingsImage readSettingsImage(const QByteArray& bytes);

// Whole days since 30 December 1899, the date form of the file.
double toOleDate(const QDate& date);

// The settings file in Settings_Dir and the record in memory.
class SettingsFile {
public:
    using Clock = std::function<QDateTime()>;

    explicit SettingsFile(QString settingsDir, Clock now = &QDateTime::currentDateTime);

    const QString& Settings_Dir() const { return m_settingsDir; }
    QString filePath() const;

    Settings_Record& record() { return m_record; }
    const Settings_Record& record() const { return m_record; }

    // Every field to its default: identity, Settings_Dir, today, the time of day, Settings_Dir,
    // 0, 1, 0. Writes nothing.
    void Default_Settings();

    // Writes all nine records beside the old file and swaps it in in one step, so a failed save
    // leaves the old file whole. False with the reason in `error` when the file could not be
    // written.
    bool Save_Settings(QString* error = nullptr);

    // Reads the nine records; an unreadable file is set aside (renamed "….eng.bad-yyyyMMdd-HHmm")
    // and replaced by defaults. A file that ends early keeps the fields it holds whole and takes
    // the defaults for the rest, as does a text field that does not decode; an empty
    // Results_Dir becomes Settings_Dir.
    void Load_Settings();

    // What went wrong at start-up, for one message to the user; empty when all went well.
    struct StartupProblems {
        QString folderError; // Settings_Dir could not be created: names the folder and the reason
        QString saveError;   // the default file could not be written: names the file and the reason
        QString setAsidePath; // an unreadable file was kept under this name; empty: none was
    };

    // Start-up: create Settings_Dir if missing; load the file, or make and save defaults when it
    // is missing or is not this product's and version's (set aside first, as an unreadable
    // one is).
    StartupProblems openAtStartup();

private:
    // Sets the file in place aside, if it is a file, then saves the defaults.
    void replaceWithDefaults();

    QString m_settingsDir;
    Clock m_now;
    Settings_Record m_record;
    QString m_setAsidePath;  // where replaceWithDefaults() kept the old file
    QString m_lastSaveError; // why its save failed; empty when it did not
};

} // namespace app

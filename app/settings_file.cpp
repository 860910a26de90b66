#include "app/settings_file.h"

#include "app/folder_maker.h"
#include "app/paths.h"
#include "app/program_identity.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QtEndian>

#include <cstring>
#include <utility>

namespace app {

namespace {

constexpr int kFileLength = kSettingsRecordLength * kSettingsRecordCount;
constexpr int kLengthWordBytes = 2;
constexpr int kDateBytes = 8;

int recordOffset(int field) {
    return field * kSettingsRecordLength;
}

// Field indexes in file order, counted from 0.
enum Field {
    kProgramName,
    kProgramVersion,
    kCreatedInDir,
    kCreatedDate,
    kCreatedTime,
    kResultsDir,
    kReservedWord1,
    kReservedWord2,
    kLanguageFlag
};

void putText(QByteArray& image, int field, const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    Q_ASSERT_X(bytes.size() <= kMaxSettingsTextBytes, "encodeSettings", "text exceeds its record");
    // Never let an oversized text run into the next record.
    bytes.truncate(kMaxSettingsTextBytes);
    char* at = image.data() + recordOffset(field);
    qToLittleEndian<quint16>(static_cast<quint16>(bytes.size()), at);
    std::memcpy(at + kLengthWordBytes, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void putDate(QByteArray& image, int field, double date) {
    quint64 bits = 0;
    std::memcpy(&bits, &date, sizeof bits);
    qToLittleEndian<quint64>(bits, image.data() + recordOffset(field));
}

void putWord(QByteArray& image, int field, qint16 word) {
    qToLittleEndian<qint16>(word, image.data() + recordOffset(field));
}

// Each reader returns false when the image ends before the field is whole. A text that does
// not decode as 8-bit text of this system is left as it was and noted in `undecodable`.
bool takeText(const QByteArray& image, int field, QString* text, bool* wellFormed,
              quint32* undecodable) {
    const int at = recordOffset(field);
    if (image.size() < at + kLengthWordBytes)
        return false;
    const int length = qFromLittleEndian<quint16>(image.constData() + at);
    if (length > kMaxSettingsTextBytes) {
        // A text cannot leave its record; such a length word means the file is damaged.
        *wellFormed = false;
        return false;
    }
    if (image.size() < at + kLengthWordBytes + length)
        return false;
    QStringDecoder decoder(QStringDecoder::System);
    const QString decoded =
        decoder.decode(QByteArrayView(image.constData() + at + kLengthWordBytes, length));
    if (decoder.hasError())
        *undecodable |= 1u << field;
    else
        *text = decoded;
    return true;
}

bool takeDate(const QByteArray& image, int field, double* date) {
    const int at = recordOffset(field);
    if (image.size() < at + kDateBytes)
        return false;
    const quint64 bits = qFromLittleEndian<quint64>(image.constData() + at);
    std::memcpy(date, &bits, sizeof bits);
    return true;
}

bool takeWord(const QByteArray& image, int field, qint16* word) {
    const int at = recordOffset(field);
    if (image.size() < at + kLengthWordBytes)
        return false;
    *word = qFromLittleEndian<qint16>(image.constData() + at);
    return true;
}

bool takeField(const QByteArray& image, int field, Settings_Record* r, bool* wellFormed,
               quint32* undecodable) {
    switch (field) {
    case kProgramName:
        return takeText(image, field, &r->Program_Name, wellFormed, undecodable);
    case kProgramVersion:
        return takeText(image, field, &r->Program_Version, wellFormed, undecodable);
    case kCreatedInDir:
        return takeText(image, field, &r->Created_In_Dir, wellFormed, undecodable);
    case kCreatedDate:
        return takeDate(image, field, &r->Created_Date);
    case kCreatedTime:
        return takeText(image, field, &r->Created_Time, wellFormed, undecodable);
    case kResultsDir:
        return takeText(image, field, &r->Results_Dir, wellFormed, undecodable);
    case kReservedWord1:
        return takeWord(image, field, &r->Reserved_Word1);
    case kReservedWord2:
        return takeWord(image, field, &r->Reserved_Word2);
    case kLanguageFlag:
        return takeWord(image, field, &r->Language_Flag);
    }
    return false;
}

void copyField(const Settings_Record& from, int field, Settings_Record* to) {
    switch (field) {
    case kProgramName:
        to->Program_Name = from.Program_Name;
        break;
    case kProgramVersion:
        to->Program_Version = from.Program_Version;
        break;
    case kCreatedInDir:
        to->Created_In_Dir = from.Created_In_Dir;
        break;
    case kCreatedDate:
        to->Created_Date = from.Created_Date;
        break;
    case kCreatedTime:
        to->Created_Time = from.Created_Time;
        break;
    case kResultsDir:
        to->Results_Dir = from.Results_Dir;
        break;
    case kReservedWord1:
        to->Reserved_Word1 = from.Reserved_Word1;
        break;
    case kReservedWord2:
        to->Reserved_Word2 = from.Reserved_Word2;
        break;
    case kLanguageFlag:
        to->Language_Flag = from.Language_Flag;
        break;
    }
}

QString withTrailingSeparator(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith(pathSeparator()))
        folder += pathSeparator();
    return folder;
}

QString textTooLongReason(const char* field) {
    return QStringLiteral("The value of %1 is longer than the %2 bytes its record can hold")
        .arg(QLatin1String(field))
        .arg(kMaxSettingsTextBytes);
}

} // namespace

QByteArray encodeSettings(const Settings_Record& record) {
    QByteArray image(kFileLength, '\0');
    putText(image, kProgramName, record.Program_Name);
    putText(image, kProgramVersion, record.Program_Version);
    putText(image, kCreatedInDir, record.Created_In_Dir);
    putDate(image, kCreatedDate, record.Created_Date);
    putText(image, kCreatedTime, record.Created_Time);
    putText(image, kResultsDir, record.Results_Dir);
    putWord(image, kReservedWord1, record.Reserved_Word1);
    putWord(image, kReservedWord2, record.Reserved_Word2);
    putWord(image, kLanguageFlag, record.Language_Flag);
    return image;
}

SettingsImage readSettingsImage(const QByteArray& bytes) {
    SettingsImage image;
    for (int field = 0; field < kSettingsRecordCount; ++field) {
        if (!takeField(bytes, field, &image.record, &image.wellFormed, &image.undecodableFields))
            break;
        ++image.fieldsPresent;
    }
    return image;
}

Settings_Record decodeSettings(const QByteArray& bytes) {
    return readSettingsImage(bytes).record;
}

bool fitsInRecord(const QString& text) {
    return text.toLocal8Bit().size() <= kMaxSettingsTextBytes;
}

double toOleDate(const QDate& date) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

SettingsFile::SettingsFile(QString settingsDir, Clock now)
    : m_settingsDir(withTrailingSeparator(std::move(settingsDir))), m_now(std::move(now)) {}

QString SettingsFile::filePath() const {
    return m_settingsDir + settingsFileName();
}

void SettingsFile::Default_Settings() {
    const QDateTime now = m_now();
    m_record.Program_Name = productWord();
    m_record.Program_Version = programVersion();
    m_record.Created_In_Dir = m_settingsDir;
    m_record.Created_Date = toOleDate(now.date());
    m_record.Created_Time = now.time().toString(QStringLiteral("HH:mm:ss"));
    m_record.Results_Dir = m_settingsDir;
    m_record.Reserved_Word1 = 0;
    m_record.Reserved_Word2 = 1;
    m_record.Language_Flag = 0;
}

bool SettingsFile::Save_Settings(QString* error) {
    const std::pair<const char*, const QString*> texts[] = {
        {"Program_Name", &m_record.Program_Name},
        {"Program_Version", &m_record.Program_Version},
        {"Created_In_Dir", &m_record.Created_In_Dir},
        {"Created_Time", &m_record.Created_Time},
        {"Results_Dir", &m_record.Results_Dir}};
    for (const auto& [name, text] : texts) {
        // Cutting the text short would store a different folder than the one in force.
        if (!fitsInRecord(*text)) {
            if (error)
                *error = textTooLongReason(name);
            return false;
        }
    }

    QSaveFile file(filePath());
    // Unbuffered: a short write (disk full, size limit) must show here. A buffered write is only
    // flushed inside commit(), which then swaps in the cut-short file as if all went well.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray image = encodeSettings(m_record);
    if (file.write(image) != image.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void SettingsFile::Load_Settings() {
    QFile file(filePath());
    bool failed = !file.open(QIODevice::ReadOnly);
    QByteArray bytes;
    if (!failed) {
        bytes = file.read(kFileLength);
        failed = file.error() != QFileDevice::NoError;
        file.close();
    }
    const SettingsImage image = readSettingsImage(bytes);
    if (failed || !image.wellFormed) {
        replaceWithDefaults();
        return;
    }

    // A file that ends early keeps what it holds whole. The identity fields stay as read (empty
    // when missing) so that the identity check still throws out a file cut before them; every
    // later field that is missing takes its default rather than an empty text or a zero.
    Default_Settings();
    const Settings_Record defaults = m_record;
    m_record = image.record;
    for (int field = kCreatedInDir; field < kSettingsRecordCount; ++field) {
        if (field >= image.fieldsPresent || (image.undecodableFields & (1u << field)))
            copyField(defaults, field, &m_record);
    }
    // An empty results directory would put the year folders below the working folder.
    if (m_record.Results_Dir.isEmpty())
        m_record.Results_Dir = m_settingsDir;
}

void SettingsFile::replaceWithDefaults() {
    m_setAsidePath.clear();
    const QFileInfo info(filePath());
    // Kept beside the new file under a name of its own: it may hold the user's folder and
    // language, and whatever made it unreadable is worth a look. A folder in its place is left
    // where it is; the save then fails and says so.
    if (info.isFile()) {
        const QString stem = filePath() + QStringLiteral(".bad-") +
                             m_now().toString(QStringLiteral("yyyyMMdd-HHmm"));
        QString aside = stem;
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = stem + QLatin1Char('-') + QString::number(n);
        if (QFile::rename(filePath(), aside))
            m_setAsidePath = aside;
    }
    Default_Settings();
    m_lastSaveError.clear();
    if (!Save_Settings(&m_lastSaveError) && m_lastSaveError.isEmpty())
        m_lastSaveError = QStringLiteral("not saved");
}

SettingsFile::StartupProblems SettingsFile::openAtStartup() {
    StartupProblems problems;
    if (!Path_Exists(m_settingsDir)) {
        // The whole path, not one level: the per-user data folder may not exist yet on a fresh
        // account.
        QString reason;
        if (!makeFolderPath(m_settingsDir, &reason))
            problems.folderError = m_settingsDir + QStringLiteral(": ") + reason;
    }

    m_setAsidePath.clear();
    m_lastSaveError.clear();
    if (!Path_Exists(filePath())) {
        Default_Settings();
        QString reason;
        if (!Save_Settings(&reason))
            problems.saveError = filePath() + QStringLiteral(": ") + reason;
        return problems;
    }

    Load_Settings();
    if (m_record.Program_Name != productWord() || m_record.Program_Version != programVersion())
        replaceWithDefaults(); // another product's or version's file, or one cut before them
    problems.setAsidePath = m_setAsidePath;
    if (!m_lastSaveError.isEmpty()) {
        const QString reason = QFileInfo(filePath()).isDir()
                                   ? QStringLiteral("a folder stands where the file should be")
                                   : m_lastSaveError;
        problems.saveError = filePath() + QStringLiteral(": ") + reason;
    }
    return problems;
}

} // namespace app

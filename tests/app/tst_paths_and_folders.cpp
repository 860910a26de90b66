#include "app/month_names.h"
#include "app/paths.h"
#include "app/result_folders.h"
#include "app/settings_file.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kUnset; // a null value: the variable is removed

void setVariable(const char* name, const QByteArray& value) {
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

// Every folder and file below `root`, relative and sorted; files are marked with a trailing "*".
QStringList treeBelow(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        entries << (it.fileInfo().isDir() ? relative : relative + QLatin1Char('*'));
    }
    entries.sort();
    return entries;
}

// Makes the entries of a tree given as treeBelow() lists them.
bool makeTree(const QString& root, const QStringList& entries) {
    for (const QString& entry : entries) {
        if (entry.endsWith(QLatin1Char('*'))) {
            QFile file(root + QLatin1Char('/') + entry.chopped(1));
            if (!file.open(QIODevice::WriteOnly))
                return false;
        } else if (!QDir().mkpath(root + QLatin1Char('/') + entry)) {
            return false;
        }
    }
    return true;
}

} // namespace

class TestPathsAndFolders : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_programFiles = qgetenv("ProgramFiles");
        m_xdgDataHome = qgetenv("XDG_DATA_HOME");
        m_hadProgramFiles = qEnvironmentVariableIsSet("ProgramFiles");
        m_hadXdgDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    }
    void cleanup() {
        setVariable("ProgramFiles", m_hadProgramFiles ? m_programFiles : kUnset);
        setVariable("XDG_DATA_HOME", m_hadXdgDataHome ? m_xdgDataHome : kUnset);
    }

    void settingsDirFromEnvironment_data() {
        QTest::addColumn<QByteArray>("programFiles");
        QTest::addColumn<QByteArray>("xdgDataHome");
        QTest::addColumn<QString>("expected");
#ifdef Q_OS_WIN
        QTest::newRow("ProgramFiles set")
            << QByteArray("C:\\Program Files") << kUnset
            << QStringLiteral("C:\\Program Files\\Corvantelis v.1.03\\");
        QTest::newRow("leading blanks and a trailing separator")
            << QByteArray("  C:\\Progs\\") << kUnset
            << QStringLiteral("C:\\Progs\\Corvantelis v.1.03\\");
        QTest::newRow("unset: root of the current drive")
            << kUnset << kUnset << QStringLiteral("\\Corvantelis v.1.03\\");
#else
        const QString home = QDir::homePath() + QStringLiteral("/.local/share/Corvantelis v.1.03/");
        QTest::newRow("ProgramFiles set") << QByteArray("/opt/progs") << QByteArray("/xdg")
                                          << QStringLiteral("/opt/progs/Corvantelis v.1.03/");
        QTest::newRow("ProgramFiles with leading blanks")
            << QByteArray("   /opt/progs") << kUnset
            << QStringLiteral("/opt/progs/Corvantelis v.1.03/");
        QTest::newRow("ProgramFiles with a trailing separator")
            << QByteArray("/opt/progs/") << kUnset
            << QStringLiteral("/opt/progs/Corvantelis v.1.03/");
        QTest::newRow("ProgramFiles with a blank inside")
            << QByteArray("/opt/my progs") << kUnset
            << QStringLiteral("/opt/my progs/Corvantelis v.1.03/");
        QTest::newRow("ProgramFiles empty, XDG_DATA_HOME set")
            << QByteArray("") << QByteArray("/xdg/data")
            << QStringLiteral("/xdg/data/Corvantelis v.1.03/");
        QTest::newRow("ProgramFiles only blanks, XDG_DATA_HOME set")
            << QByteArray("   ") << QByteArray("/xdg/data/")
            << QStringLiteral("/xdg/data/Corvantelis v.1.03/");
        QTest::newRow("unset, XDG_DATA_HOME set")
            << kUnset << QByteArray("/xdg/data") << QStringLiteral("/xdg/data/Corvantelis v.1.03/");
        QTest::newRow("unset, XDG_DATA_HOME unset") << kUnset << kUnset << home;
        QTest::newRow("unset, XDG_DATA_HOME relative") << kUnset << QByteArray("data") << home;
#endif
    }
    void settingsDirFromEnvironment() {
        QFETCH(QByteArray, programFiles);
        QFETCH(QByteArray, xdgDataHome);
        QFETCH(QString, expected);
        setVariable("ProgramFiles", programFiles);
        setVariable("XDG_DATA_HOME", xdgDataHome);
        QCOMPARE(app::settingsDirFromEnvironment(), expected);
    }

    void pathExists_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("exists");
        QTest::newRow("folder") << "folder" << true;
        QTest::newRow("folder with separator") << "folder/" << true;
        QTest::newRow("file") << "file" << true;
        QTest::newRow("file named as a folder") << "file/" << false;
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("below a file") << "file/sub" << false;
    }
    void pathExists() {
        QFETCH(QString, path);
        QFETCH(bool, exists);
        QTemporaryDir temp;
        QVERIFY(makeTree(temp.path(), {QStringLiteral("folder"), QStringLiteral("file*")}));
        QCOMPARE(app::Path_Exists(temp.path() + QLatin1Char('/') + path), exists);
        QVERIFY(!app::Path_Exists(QString()));
    }

    void prepareResultFolders_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("monthDir");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("first start") << QStringList() << QDate(2026, 12, 4) << "2026/December"
                                     << QStringList{"2026", "2026/December"};
        QTest::newRow("new month: only its folder")
            << QStringList{"2026", "2026/November", "2026/November/log*"} << QDate(2026, 12, 4)
            << "2026/December"
            << QStringList{"2026", "2026/December", "2026/November", "2026/November/log*"};
        QTest::newRow("month already there: nothing")
            << QStringList{"2026", "2026/December"} << QDate(2026, 12, 31) << "2026/December"
            << QStringList{"2026", "2026/December"};
        QTest::newRow("new year") << QStringList{"2026", "2026/December"} << QDate(2027, 1, 1)
                                  << "2027/January"
                                  << QStringList{"2026", "2026/December", "2027", "2027/January"};
        QTest::newRow("a file of the month's name counts as there")
            << QStringList{"2026", "2026/December*"} << QDate(2026, 12, 4) << "2026/December"
            << QStringList{"2026", "2026/December*"};
    }
    void prepareResultFolders() {
        QFETCH(QStringList, before);
        QFETCH(QDate, today);
        QFETCH(QString, monthDir);
        QFETCH(QStringList, after);

        QTemporaryDir temp;
        QVERIFY(makeTree(temp.path(), before));
        const QString resultsDir = temp.path() + QLatin1Char('/');
        const app::FolderPreparation result =
            app::prepareResultFolders(resultsDir, today, QLocale(QLocale::English));
        QVERIFY2(result.failedFolder.isEmpty(), qPrintable(result.reason));
        QCOMPARE(result.Month_Dir, resultsDir + monthDir);
        QCOMPARE(treeBelow(temp.path()), after);
    }

    void resultsDirWithoutSeparatorPutsTheYearBesideIt() {
        QTemporaryDir temp;
        QVERIFY(makeTree(temp.path(), {QStringLiteral("results")}));
        const app::FolderPreparation result =
            app::prepareResultFolders(temp.path() + QStringLiteral("/results"), QDate(2026, 12, 4),
                                      QLocale(QLocale::English));
        QVERIFY(result.failedFolder.isEmpty());
        QCOMPARE(treeBelow(temp.path()),
                 (QStringList{"results", "results2026", "results2026/December"}));
    }

    void folderThatCannotBeMadeIsReported_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("resultsDir");
        QTest::addColumn<QString>("failedFolder");
        QTest::newRow("results directory is a regular file") << QStringList{"plain*"} << "plain/"
                                                             << "plain/2026";
        QTest::newRow("year name taken by a file") << QStringList{"2026*"} << ""
                                                   << "2026/December";
    }
    void folderThatCannotBeMadeIsReported() {
        QFETCH(QStringList, before);
        QFETCH(QString, resultsDir);
        QFETCH(QString, failedFolder);

        QTemporaryDir temp;
        QVERIFY(makeTree(temp.path(), before));
        const QString root = temp.path() + QLatin1Char('/');
        const app::FolderPreparation result = app::prepareResultFolders(
            root + resultsDir, QDate(2026, 12, 4), QLocale(QLocale::English));
        QCOMPARE(result.failedFolder, root + failedFolder);
        QVERIFY(!result.reason.isEmpty());
        QCOMPARE(treeBelow(temp.path()), before);
    }

    void emptyResultsDirMakesNothingInTheWorkingFolder() {
        QTemporaryDir temp;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(temp.path()));
        const app::FolderPreparation result =
            app::prepareResultFolders(QString(), QDate(2026, 12, 4), QLocale(QLocale::English));
        QDir::setCurrent(previous);
        QVERIFY(!result.failedFolder.isEmpty());
        QVERIFY(!result.reason.isEmpty());
        QCOMPARE(treeBelow(temp.path()), QStringList());
    }

    void titleMonthName_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("flag");
        QTest::addColumn<QString>("expected");
        QTest::newRow("January, English") << 1 << 0 << "January";
        QTest::newRow("May, English") << 5 << 0 << "May";
        QTest::newRow("December, English") << 12 << 0 << "December";
        QTest::newRow("January, Russian") << 1 << 1 << QStringLiteral("Января");
        QTest::newRow("May, Russian") << 5 << 1 << QStringLiteral("Мая");
        QTest::newRow("December, Russian") << 12 << 1 << QStringLiteral("Декабря");
        QTest::newRow("flag 2") << 12 << 2 << QString();
        QTest::newRow("flag -1") << 12 << -1 << QString();
        QTest::newRow("month 0") << 0 << 0 << QString();
        QTest::newRow("month 13") << 13 << 1 << QString();
    }
    void titleMonthName() {
        QFETCH(int, month);
        QFETCH(int, flag);
        QFETCH(QString, expected);
        QCOMPARE(app::titleMonthName(month, qint16(flag)), expected);
    }

    void setMonthNameKeepsItsValueForAnUnknownLanguage() {
        QString monthName = QStringLiteral("before");
        app::Set_Month_Name(monthName, QDate(2026, 12, 4), 2);
        QCOMPARE(monthName, QStringLiteral("before"));
        app::Set_Month_Name(monthName, QDate(2026, 12, 4), 1);
        QCOMPARE(monthName, QStringLiteral("Декабря"));
    }

    void russianFoldersUseTheStandaloneName() {
        QTemporaryDir temp;
        const QLocale russian(QLocale::Russian);
        const app::FolderPreparation result =
            app::prepareResultFolders(temp.path() + QLatin1Char('/'), QDate(2026, 12, 4), russian);
        QVERIFY(result.failedFolder.isEmpty());
        QCOMPARE(result.Month_Dir, temp.path() + QStringLiteral("/2026/декабрь"));
        QVERIFY(QFileInfo(result.Month_Dir).isDir());
        QVERIFY(app::titleMonthName(12, 1) != app::folderMonthName(12, russian));
    }

    void firstStartWithProgramFilesOnAnEmptyFolder() {
        QTemporaryDir temp;
        qputenv("ProgramFiles", QFile::encodeName(temp.path()));
        const QString dir = app::settingsDirFromEnvironment();
        app::SettingsFile settings(dir,
                                   [] { return QDateTime(QDate(2026, 12, 4), QTime(9, 30, 0)); });
        const app::SettingsFile::StartupProblems problems = settings.openAtStartup();
        QVERIFY(problems.folderError.isEmpty() && problems.saveError.isEmpty());
        QCOMPARE(settings.record().Language_Flag, qint16(0));

        const app::FolderPreparation folders = app::prepareResultFolders(
            settings.record().Results_Dir, QDate(2026, 12, 4), QLocale(QLocale::English));
        QVERIFY(folders.failedFolder.isEmpty());
        QCOMPARE(treeBelow(temp.path()),
                 (QStringList{"Corvantelis v.1.03", "Corvantelis v.1.03/2026",
                              "Corvantelis v.1.03/2026/December",
                              "Corvantelis v.1.03/Corvantelis v.1.03.eng*"}));
        QCOMPARE(QFileInfo(settings.filePath()).size(), 4500);
    }

private:
    QByteArray m_programFiles;
    QByteArray m_xdgDataHome;
    bool m_hadProgramFiles = false;
    bool m_hadXdgDataHome = false;
};

QTEST_GUILESS_MAIN(TestPathsAndFolders)
#include "tst_paths_and_folders.moc"

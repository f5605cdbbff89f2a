// The built program itself, started as a user or the session would start it: it finds its resource
// libraries beside it, follows the locale, and a termination request ends it cleanly with the settings
// record written.
#include <QProcess>
#include <QSettings>
#include <QtTest>
#include <csignal>

namespace {

const QString kProgram = QStringLiteral(TARNELO_RESOURCE_DIR "/tarnelo");

// True when the process's mask named field ("SigCgt:", "SigIgn:") holds sig (Linux keeps them in /proc).
bool InMask(qint64 pid, const char* field, int sig) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (!line.startsWith(field)) continue;
        bool ok = false;
        const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
        return ok && (mask >> (sig - 1) & 1) != 0;
    }
    return false;
}

// True once the process has its handler for sig in place.
bool Catches(qint64 pid, int sig) { return InMask(pid, "SigCgt:", sig); }

struct Run {
    QTemporaryDir home;
    QProcess process;

    explicit Run(const QString& lang, const QStringList& args = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        env.remove(QStringLiteral("LC_ALL"));
        env.remove(QStringLiteral("LC_MESSAGES"));
        env.insert(QStringLiteral("LANG"), lang);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(kProgram, args);
    }
    QSettings Settings() const {
        return QSettings(home.filePath(QStringLiteral("Hexlow-Works/Tarnelo.conf")), QSettings::IniFormat);
    }
};

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void terminationRequestEndsCleanlyAndSavesTheSettings_data() {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("stored");
        QTest::newRow("Japanese") << "ja_JP.UTF-8"
                                  << "ja-JP";
        QTest::newRow("German shows English") << "de_DE.UTF-8"
                                              << "de-DE";
    }
    void terminationRequestEndsCleanlyAndSavesTheSettings() {
        QFETCH(QString, lang);
        QFETCH(QString, stored);
        Run run(lang);
        QVERIFY2(run.process.waitForStarted(), qPrintable(run.process.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(Catches(run.process.processId(), SIGTERM), 20000);
        // A file-size limit fails a write instead of ending the program with the user's work.
        QVERIFY(InMask(run.process.processId(), "SigIgn:", SIGXFSZ));
        ::kill(pid_t(run.process.processId()), SIGTERM);
        // A start-up stopped on a message (a resource library not found) never reads the request.
        QVERIFY(run.process.waitForFinished(20000));
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 0);
        const QByteArray record = run.Settings().value(QStringLiteral("App Settings/All Data")).toByteArray();
        QCOMPARE(record.size(), 892);
        QCOMPARE(QString::fromLatin1(record.mid(512).constData()), stored);
    }

    void requestDuringStartUpIsKept() {
        // Sent as soon as the handler exists, long before the window is up: still a clean end.
        Run run(QStringLiteral("en_US.UTF-8"), {QStringLiteral("/no/such/project.kpproj")});
        QVERIFY(run.process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(Catches(run.process.processId(), SIGINT), 20000);
        ::kill(pid_t(run.process.processId()), SIGINT);
        QVERIFY(run.process.waitForFinished(20000));
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 0);
        QCOMPARE(run.Settings().value(QStringLiteral("App Settings/All Data")).toByteArray().size(), 892);
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "ProgramTest.moc"

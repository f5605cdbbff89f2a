#include "app/TarneloApp.h"

#include <QCoreApplication>
#include <QSettings>
#include <vector>

#include "app/SettingsRecord.h"
#include "log/AppLog.h"
#include "platform/CudaProbe.h"
#include "platform/FileLock.h"
#include "platform/Path.h"
#include "project/ProjectSession.h"
#include "project/TarneloData.h"

namespace {

QSettings Settings() {
    const auto make = [] {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(CTarneloApp::kOrganization),
                         QString::fromLatin1(CTarneloApp::kApplication));
    };
    // A program killed while taking the settings lock leaves it empty, and every write would then wait 30 s.
    platform::RemoveDeadLockFile(make().fileName().toStdString() + ".lock");
    return make();
}

const QString kRecordGroup = QStringLiteral("App Settings");
const QString kRecordKey = QStringLiteral("All Data");
// Beside the record, which has no room for it and keeps its layout.
const QString kFastScanKey = QStringLiteral("Fast Scan");
const QString kClockColumnKey = QStringLiteral("Clock Column");

}  // namespace

CTarneloApp::CTarneloApp() = default;

CTarneloApp::~CTarneloApp() { m_window.reset(); }

void CTarneloApp::SetProgramFolder(const QString& folder) {
    m_folder = folder;
    m_language.SetSearchFolder(folder);
}

QString CTarneloApp::ProgramFolder() const {
    return m_folder.isEmpty() ? QCoreApplication::applicationDirPath() : m_folder;
}

QString CTarneloApp::ProjectFromCommandLine(const QStringList& args) {
    for (const QString& arg : args) {
        if (!arg.startsWith(QLatin1Char('-'))) return arg;
    }
    return QString();
}

bool CTarneloApp::IsProjectFileName(const QString& path) { return IsProjectPath(path.toStdString()); }

QByteArray CTarneloApp::ReadSettingsRecord() {
    QSettings settings = Settings();
    settings.beginGroup(kRecordGroup);
    return settings.value(kRecordKey).toByteArray();
}

bool CTarneloApp::ReadFastScanSetting() {
    QSettings settings = Settings();
    settings.beginGroup(kRecordGroup);
    return settings.value(kFastScanKey, false).toBool();
}

bool CTarneloApp::ReadClockColumnSetting() {
    QSettings settings = Settings();
    settings.beginGroup(kRecordGroup);
    return settings.value(kClockColumnKey, false).toBool();
}

bool CTarneloApp::InitInstance(const QStringList& args) {
    m_cuda = platform::HasCudaDevice();
    m_window = CreateMainWindow();

    const QByteArray record = ReadSettingsRecord();
    if (!record.isEmpty()) ApplySettingsRecord(record);
    const bool fastScan = ReadFastScanSetting();
    const bool clockColumn = ReadClockColumnSetting();
    for (int tab = 0; tab < 2; ++tab) {
        m_window->TabData(tab).fast_scan = fastScan;
        m_window->TabData(tab).show_clock_column = clockColumn;
    }

    {
        QSettings settings = Settings();
        m_recent.ReadList(settings);
    }

    QString language = m_language.Current();
    if (language.isEmpty()) language = CLanguage::SystemLanguageName();
    m_language.LoadLanguage(language);  // a failure does not stop the start-up
    m_window->RefreshLanguageTexts();

    const QString commandLineProject = ProjectFromCommandLine(args);

    m_window->ApplyLanguage();
    m_window->ResetStatusBar();
    m_window->RestorePosition();
    m_window->ShowWindow();

    CTarneloData& scene = m_window->TabData(0);
    const QString project =
        !commandLineProject.isEmpty() ? commandLineProject : QString::fromStdString(scene.project_file);
    if (!project.isEmpty() && platform::FileExists(project.toStdString())) {
        scene.project_file.clear();
        if (IsProjectFileName(project) || commandLineProject.isEmpty()) {
            m_window->OpenProjectFile(project);
        } else {
            // A video handed over by the desktop ("Open With") is taken as if it had been dropped on the tab.
            m_window->OpenDroppedFiles({project});
        }
    }
    m_window->ApplyLanguage();
    return true;
}

void CTarneloApp::ApplySettingsRecord(const QByteArray& bytes) {
    const SettingsRecord r = SettingsRecord::Decode(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    for (int tab = 0; tab < 2; ++tab) {
        CTarneloData& data = m_window->TabData(tab);
        data.window_rect = {r.windowRect[0], r.windowRect[1], r.windowRect[2], r.windowRect[3]};
        data.use_cuda = r.useCuda;
        data.auto_save = r.autoSave;
        data.auto_load = r.autoLoad;
        data.quality = r.quality;
    }
    // Only the name here: the library is loaded once, by the language step of the start-up.
    if (!r.language.empty()) m_language.SetCurrent(QString::fromStdString(r.language));
    if (r.autoLoad) m_window->TabData(0).project_file = r.lastProject;
}

bool CTarneloApp::SaveSettings() {
    if (!m_window) return true;
    const CTarneloData& data = m_window->TabData(0);
    SettingsRecord r;
    r.windowRect[0] = data.window_rect.left;
    r.windowRect[1] = data.window_rect.top;
    r.windowRect[2] = data.window_rect.right;
    r.windowRect[3] = data.window_rect.bottom;
    r.useCuda = data.use_cuda;
    r.autoSave = data.auto_save;
    r.autoLoad = data.auto_load;
    r.quality = data.quality;
    r.language = m_language.Current().toStdString();
    r.lastProject = data.project_file;
    if (r.lastProject.empty()) {
        const QString newest = m_recent.At(0);
        if (newest.isEmpty() || !platform::FileExists(newest.toStdString())) {
            if (!newest.isEmpty()) {
                m_recent.Remove(0);
                WriteRecentFiles();
            }
        } else {
            r.lastProject = newest.toStdString();
        }
    }
    const std::vector<std::uint8_t> bytes = r.Encode();
    QSettings settings = Settings();
    settings.beginGroup(kRecordGroup);
    settings.setValue(kRecordKey, QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())));
    settings.setValue(kFastScanKey, data.fast_scan);
    settings.setValue(kClockColumnKey, data.show_clock_column);
    settings.endGroup();
    settings.sync();
    // QSettings keeps the old file when it cannot write the new one, and says so only here.
    if (settings.status() == QSettings::NoError) return true;
    AppLog().Log("%s(%d) cannot write %s\n", "CTarneloApp::SaveSettings", __LINE__,
                 settings.fileName().toUtf8().constData());
    return false;
}

void CTarneloApp::AddRecentFile(const QString& path) {
    m_recent.Add(path);
    WriteRecentFiles();
}

void CTarneloApp::WriteRecentFiles() {
    QSettings settings = Settings();
    m_recent.WriteList(settings);
}

int CTarneloApp::ExitInstance() {
    SaveSettings();
    WriteRecentFiles();
    if (m_window) m_window->StopAllWork();
    m_window.reset();
    AppLog().Log("%s(%d) ExitCode(0x%08x)\n", "CTarnelo::ExitInstance", __LINE__, 0);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TamselApp.h"

#include <QFileInfo>
#include <QIcon>
#include <QSettings>
#include <QSurfaceFormat>

#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/CaptureDevice.h"
#include "app/CommandLine.h"
#include "app/FileArgument.h"
#include "app/MainFrame.h"
#include "app/MessageBoxPresenter.h"
#include "app/TestProbe.h"
#include "base/Messages.h"
#include "base/Version.h"
#include "platform/AudioFileDecoder.h"
#include "platform/AviFileWriter.h"
#include "presets/TamselDoc.h"
#include "recording/CompressionDlg.h"
#include "view/TamselView.h"
#ifdef VIREON_HAVE_AUDIO
#include "platform/PortAudioCapture.h"
#endif

namespace {
const char* const kRegistryKey = "QuillmoorSoftware";

} // namespace

CTamselApp::CTamselApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Vireon"));
    setOrganizationName(QString::fromLatin1(kRegistryKey));
    // The installed desktop entry and icon go by this name; a Wayland
    // shell matches the window to them through it.
    setDesktopFileName(QStringLiteral(VIREON_APP_ID));
    setWindowIcon(QIcon::fromTheme(QStringLiteral(VIREON_APP_ID)));
}

CTamselApp::~CTamselApp() {
    m_pMainFrame.reset();
    if (m_pPreviousPresenter)
        SetMessagePresenter(std::move(m_pPreviousPresenter));
}

int CTamselApp::RunInfoOption(const SCommandLine& args) {
    if (args.bHelp || args.bVersion) {
        std::fputs(
            (args.bHelp ? CCommandLine::HelpText("vireon") : CCommandLine::VersionText()).c_str(),
            stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
#ifdef VIREON_HAVE_AUDIO
    std::string why;
    const std::vector<std::string> names = ListCaptureDevices(&why);
    if (!why.empty() || names.empty()) {
        std::fprintf(stderr, "vireon: %s\n", why.empty() ? "no capture device found" : why.c_str());
        return 1;
    }
    for (const std::string& name : names)
        std::printf("%s\n", name.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
#else
    std::fprintf(stderr, "vireon: built without sound-device support\n");
    return 1;
#endif
}

bool CTamselApp::HandleInfoOptions(int argc, char** argv, int* pExitCode) {
    SCommandLine args;
    std::string error;
    // Before any window system: a bad option, --help, --version and
    // --list-devices need no display. Qt's own options are skipped here and reach Qt.
    if (!CCommandLine::Parse(argc, argv, args, error) || !CFileArgument::Resolve(args, error)) {
        std::fprintf(stderr, "vireon: %s\n%s", error.c_str(),
                     CCommandLine::HelpText("vireon").c_str());
        *pExitCode = 2;
        return true;
    }
    if (!args.bHelp && !args.bVersion && !args.bListDevices)
        return false;
    *pExitCode = RunInfoOption(args);
    return true;
}

CTamselApp* CTamselApp::Instance() {
    return qobject_cast<CTamselApp*>(QCoreApplication::instance());
}

bool CTamselApp::InitInstance() {
    m_pPreviousPresenter = SetMessagePresenter(std::make_unique<CMessageBoxPresenter>(this));

    // The drawing uses OpenGL 1.1 calls: keep Qt's default (compatibility)
    // profile, and ask for a depth buffer for the 3D plots.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);

    LoadRecentFiles();

    // Qt has removed its own options from arguments() by now.
    std::vector<std::string> words;
    const QStringList qtArgs = arguments();
    for (qsizetype i = 1; i < qtArgs.size(); ++i)
        words.push_back(qtArgs[i].toStdString());
    SCommandLine args;
    std::string error;
    if (!CCommandLine::Parse(words, args, error) || !CFileArgument::Resolve(args, error)) {
        std::fprintf(stderr, "vireon: %s\n%s", error.c_str(),
                     CCommandLine::HelpText("vireon").c_str());
        m_nExitCode = 2;
        return false;
    }
    if (args.bHelp || args.bVersion || args.bListDevices) {
        m_nExitCode = RunInfoOption(args);
        return false;
    }
    const std::string input = args.strInputFile;
    const std::string device = args.strDevice;
    CTamselView::SetBackendFactory(
        [input, device](const std::string& path) -> std::unique_ptr<ICaptureBackend> {
            const std::string file = path.empty() ? input : path;
#ifdef VIREON_HAVE_AUDIO
            return CreateCaptureBackend(file, device);
#else
            (void)device;
            return file.empty() ? nullptr : CreateDecodedFileSource(file);
#endif
        });

    // The shell command: a new empty preset, or the file named.
    m_pDoc = std::make_unique<CTamselDoc>();
    connect(m_pDoc.get(), &CTamselDoc::addedToRecentFiles, this, &CTamselApp::AddToRecentFileList);
    m_pDoc->OnNewDocument();
    CTamselView::SetGlyphRasterizer(&m_glyphRasterizer);
    // Screen capture: AVI files over FFmpeg, our compression dialog, the clipboard.
    SetVideoWriterFactory([] { return std::make_unique<CAviFileWriter>(); });
    SetCompressionChooser([](const std::vector<SCodecChoice>& choices, SCompressOptions& options) {
        return CCompressionDlg::Choose(g_pMainFrame, choices, options);
    });
    CTamselView::SetImageClipboard(&m_clipboard);
    m_pProbe.reset(CTestProbe::CreateFromEnvironment());
    if (!CTamselView::CanCreateContext()) {
        QApplication::beep();
        ReportMessage(MESSAGE_ERROR, "Can't create compatible OpenGL window");
        m_nExitCode = 1;
        return false;
    }
    m_pMainFrame = std::make_unique<CMainFrame>(m_pDoc.get());
    connect(
        m_pMainFrame->View(), &CTamselView::contextFailed, this,
        [this] {
            m_pMainFrame->hide();
            QCoreApplication::exit(1);
        },
        Qt::QueuedConnection);
    m_pMainFrame->SetRecentFiles(m_recentFiles.Files());
    RestoreDisplayScale();
    connect(m_pMainFrame->View(), &CTamselView::displayScaleChanged, this,
            &CTamselApp::SaveDisplayScale);
    connect(m_pMainFrame.get(), &CMainFrame::recentFileOpenFailed, this,
            &CTamselApp::RemoveFromRecentFileList);
    if (!args.strPreset.empty()) {
        // After the view has set its start-up values, so the preset's win. A
        // preset that fails to open has been reported; like a failed shell
        // command, it ends the program with a failure status.
        const QString path = QFileInfo(QString::fromStdString(args.strPreset)).absoluteFilePath();
        if (!m_pDoc->OnOpenDocument(path.toStdString())) {
            m_nExitCode = 1;
            return false;
        }
        m_pDoc->SetPathName(path.toStdString());
        m_pMainFrame->View()->UpdateTitle();
    }
    if (m_pProbe)
        m_pProbe->Attach(m_pMainFrame.get());

    m_pMainFrame->show();
    return true;
}

int CTamselApp::Run() {
    const int code = exec();
    if (m_pProbe)
        m_pProbe->OnExit();
    return code;
}

void CTamselApp::AddToRecentFileList(const QString& path) {
    if (path.isEmpty())
        return;
    m_recentFiles.Add(path);
    PublishRecentFiles();
}

void CTamselApp::RemoveFromRecentFileList(const QString& path) {
    m_recentFiles.Remove(path);
    PublishRecentFiles();
}

void CTamselApp::LoadRecentFiles() {
    QSettings settings(QString::fromLatin1(kRegistryKey), applicationName());
    m_recentFiles.Load(settings);
}

namespace {
const char* const kDecibelKey = "Display/DecibelScale";
const char* const kLogFrequencyKey = "Display/LogFrequencyAxis";
} // namespace

void CTamselApp::RestoreDisplayScale() {
    QSettings settings(QString::fromLatin1(kRegistryKey), applicationName());
    SDisplayScale scale;
    scale.bDecibel = settings.value(QLatin1String(kDecibelKey), false).toBool();
    scale.bLogFrequency = settings.value(QLatin1String(kLogFrequencyKey), false).toBool();
    m_pMainFrame->View()->SetDisplayScale(scale);
    m_pMainFrame->UpdateCommandUI();
}

void CTamselApp::SaveDisplayScale(bool decibel, bool logFrequency) {
    QSettings settings(QString::fromLatin1(kRegistryKey), applicationName());
    settings.setValue(QLatin1String(kDecibelKey), decibel);
    settings.setValue(QLatin1String(kLogFrequencyKey), logFrequency);
}

void CTamselApp::PublishRecentFiles() {
    QSettings settings(QString::fromLatin1(kRegistryKey), applicationName());
    m_recentFiles.Save(settings);
    if (m_pMainFrame)
        m_pMainFrame->SetRecentFiles(m_recentFiles.Files());
    RestoreDisplayScale();
    connect(m_pMainFrame->View(), &CTamselView::displayScaleChanged, this,
            &CTamselApp::SaveDisplayScale);
}

// File > Capture > Settings... from the dialog to a set-up capture session:
// which parts end up set up, the messages, the files left and the log lines.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/MessageBoxPresenter.h"
#include "base/RunState.h"
#include "platform/AviFileWriter.h"
#include "recording/CaptureSession.h"
#include "recording/CaptureSettingsDlg.h"
#include "tests/gui/GuiTestApp.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> g_messages;

struct SAnswers {
    int type = 0;
    std::string screen;
    std::string wav;
    std::string log;
    bool limit = false;
    bool ok = true;
};

// Answers the dialog once it shows, as a user would.
void AnswerDialog(const SAnswers& answers) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answers] {
        auto* dlg = qobject_cast<CCaptureSettingsDlg*>(QApplication::activeModalWidget());
        if (dlg == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        auto* type = qobject_cast<QComboBox*>(dlg->Control(IDC_CAPTURE_TYPE));
        type->setCurrentIndex(answers.type);
        emit type->activated(answers.type);
        const auto edit = [dlg](int id) { return qobject_cast<QLineEdit*>(dlg->Control(id)); };
        edit(IDC_CAPTURE_SCREEN_FILE)->setText(QString::fromStdString(answers.screen));
        edit(IDC_CAPTURE_WAV_FILE)->setText(QString::fromStdString(answers.wav));
        edit(IDC_CAPTURE_LOG_FILE)->setText(QString::fromStdString(answers.log));
        if (answers.limit)
            qobject_cast<QAbstractButton*>(dlg->Control(IDC_CAPTURE_LIMIT))->setChecked(true);
        qobject_cast<QPushButton*>(dlg->Control(answers.ok ? IDC_CAPTURE_OK : IDC_CAPTURE_CANCEL))
            ->click();
    });
    timer->start();
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

TEST(CaptureSetup, SettingsCommandSetsUpWhatSucceededAndReportsTheRest) {
    if (GuiTestApp() == nullptr)
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    CMessageBoxPresenter::SetTestSink(
        [](int, const std::string& text) { g_messages.push_back(text); });
    SetVideoWriterFactory([] { return std::make_unique<CAviFileWriter>(); });
    const fs::path dir = fs::temp_directory_path() / "vireon-capture-setup";
    SBitmapInfoHeader header;
    header.biWidth = 64;
    header.biHeight = 48;
    header.biSizeImage = 64 * 3 * 48;

    const auto d = [&dir](const char* name) { return (dir / name).string(); };
    const struct {
        const char* what;
        SAnswers answers;
        bool chooserConfirms;
        bool configured;
        std::int32_t openFlags;
        std::vector<std::string> messages;
        std::vector<std::string> files;
    } cases[] = {
        {"cancelled", {0, d("m.avi"), d("a.wav"), "", false, false}, true, false, 0, {}, {}},
        {"AVI and WAV",
         {0, d("m.avi"), d("a.wav"), d("log.txt"), true},
         true,
         true,
         3,
         {},
         {"a.wav", "log.txt", "m.avi"}},
        {"compression cancelled: sound only, no AVI left",
         {0, d("m"), d("a.wav"), d("log.txt")},
         false,
         true,
         2,
         {"Couldn't Create AVI Compression Options"},
         {"a.wav", "log.txt"}},
        {"BMP sequence", {1, d("shot###"), "", ""}, true, true, 1, {}, {}},
        {"no folder for the WAV file",
         {1, "", d("none/a.wav"), ""},
         true,
         false,
         0,
         {"Couldn't create WAV file"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir);
        fs::create_directories(dir);
        g_messages.clear();
        SetCompressionChooser([&c](const std::vector<SCodecChoice>&, SCompressOptions& options) {
            options.codec = "rawvideo";
            return c.chooserConfirms;
        });
        CCaptureSession session;
        AnswerDialog(c.answers);
        EXPECT_EQ(CCaptureSettingsDlg::RunSetup(nullptr, session, false, &header), c.configured);
        EXPECT_EQ(session.GetOpenFlags(), c.openFlags);
        EXPECT_EQ(g_messages, c.messages);
        if (c.answers.type == 1 && c.configured) {
            EXPECT_EQ(session.GetFileName(CCaptureSession::kScreen), d("shot###.bmp"));
            EXPECT_EQ(g_runState.GetCaptureType(), 1);
        }
        session.CloseSession();
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(dir))
            files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, c.files);
        if (!c.answers.log.empty() && c.configured) {
            const std::string log = ReadAll(dir / "log.txt");
            EXPECT_NE(log.find("AVI file size limit 2,143,283,648 bytes\r\n"), std::string::npos);
            EXPECT_NE(log.find("WAV file size limit 2,147,283,648 bytes\r\n"), std::string::npos);
            EXPECT_EQ(log.find("Capture Limit: 00:00:01\r\n") != std::string::npos,
                      c.answers.limit);
        }
    }
    fs::remove_all(dir);
    SetCompressionChooser(nullptr);
    SetVideoWriterFactory(nullptr);
    CMessageBoxPresenter::SetTestSink(nullptr);
}

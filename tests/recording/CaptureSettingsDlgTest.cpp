// SPDX-License-Identifier: GPL-3.0-or-later
// The capture settings dialog's rules, driven through its controls, and
// File > Capture > Settings... from the dialog to a set-up capture session:
// which parts end up set up, the messages, the files left and the log lines.
#include <QCheckBox>
#include <QPushButton>

#include <set>

#include "AnswerCaptureSettings.h"
#include "RecordingTestSupport.h"
#include "base/RunState.h"
#include "platform/AviFileWriter.h"
#include "recording/CaptureSession.h"
#include "tests/gui/GuiTestApp.h"

namespace fs = std::filesystem;

namespace {

using namespace rectest;

std::vector<std::string> g_messages;

class CaptureSettingsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GuiTestApp() == nullptr)
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        CMessageBoxPresenter::SetTestSink(
            [](int, const std::string& text) { g_messages.push_back(text); });
        g_messages.clear();
        m_dlg = std::make_unique<CCaptureSettingsDlg>();
    }
    void TearDown() override { CMessageBoxPresenter::SetTestSink(nullptr); }

    // Shows the dialog as a Settings command would, without blocking.
    void Open(const char* info = CCaptureSettingsDlg::kInfoText) {
        m_dlg->m_strInfo = QString::fromLatin1(info);
        m_dlg->InitDialog();
        m_dlg->show();
    }
    template <typename T> T* Get(int id) { return qobject_cast<T*>(m_dlg->Control(id)); }
    void Type(int id, const QString& text) {
        QLineEdit* edit = Get<QLineEdit>(id);
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }
    bool OkEnabled() { return Get<QPushButton>(IDC_CAPTURE_OK)->isEnabled(); }
    void SelectType(int type) {
        QComboBox* combo = Get<QComboBox>(IDC_CAPTURE_TYPE);
        combo->setCurrentIndex(type);
        emit combo->activated(type);
    }

    std::unique_ptr<CCaptureSettingsDlg> m_dlg;
};

} // namespace

TEST_F(CaptureSettingsDlgTest, OkNeedsAScreenOrWavNameNotJustALog) {
    Open();
    EXPECT_FALSE(OkEnabled());
    QCheckBox* audio = Get<QCheckBox>(IDC_CAPTURE_AUDIO);
    EXPECT_FALSE(audio->isEnabled());

    Type(IDC_CAPTURE_LOG_FILE, QStringLiteral("log.txt"));
    EXPECT_TRUE(Get<QCheckBox>(IDC_CAPTURE_LOG)->isChecked());
    EXPECT_FALSE(OkEnabled());

    Type(IDC_CAPTURE_WAV_FILE, QStringLiteral("a.wav"));
    EXPECT_TRUE(audio->isEnabled());
    EXPECT_TRUE(audio->isChecked());
    EXPECT_TRUE(OkEnabled());

    QTest::mouseClick(audio, Qt::LeftButton); // unchecking it is enough
    EXPECT_FALSE(OkEnabled());
    QTest::mouseClick(audio, Qt::LeftButton);
    EXPECT_TRUE(OkEnabled());

    Type(IDC_CAPTURE_WAV_FILE, QString());
    EXPECT_FALSE(audio->isEnabled());
    EXPECT_FALSE(audio->isChecked());
    EXPECT_FALSE(OkEnabled());
}

TEST_F(CaptureSettingsDlgTest, TypeSwitchEmptiesTheNameAndSwitchingBackRestoresIt) {
    m_dlg->m_strScreenFile = QStringLiteral("shot.avi");
    Open();
    QLineEdit* name = Get<QLineEdit>(IDC_CAPTURE_SCREEN_FILE);
    EXPECT_EQ(name->text(), QStringLiteral("shot.avi"));
    SelectType(1);
    EXPECT_TRUE(name->text().isEmpty());
    EXPECT_FALSE(OkEnabled());
    EXPECT_FALSE(Get<QCheckBox>(IDC_CAPTURE_SCREEN)->isEnabled());
    SelectType(0);
    EXPECT_EQ(name->text(), QStringLiteral("shot.avi"));
    EXPECT_TRUE(Get<QCheckBox>(IDC_CAPTURE_SCREEN)->isChecked());
    EXPECT_TRUE(OkEnabled());
}

TEST_F(CaptureSettingsDlgTest, OkRefusesValuesOutsideOneToFiftyNineAndFixesTheExtension) {
    const struct {
        const char* interval;
        int type;
        const char* name;
        bool accepted;
        const char* finalName;
    } cases[] = {
        {"0", 1, "shot", false, ""},
        {"60", 1, "shot", false, ""},
        {"59", 1, "shot", true, "shot.bmp"},
        {"1", 1, "SHOT.BMP", true, "SHOT.BMP.bmp"},
        {"1", 0, "movie.avi", true, "movie.avi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.interval) + " " + c.name);
        m_dlg = std::make_unique<CCaptureSettingsDlg>();
        m_dlg->m_nCaptureType = c.type;
        Open();
        g_messages.clear();
        Type(IDC_CAPTURE_SCREEN_FILE, QString::fromLatin1(c.name));
        Get<QLineEdit>(IDC_CAPTURE_INTERVAL)->setText(QString::fromLatin1(c.interval));
        QTest::mouseClick(Get<QPushButton>(IDC_CAPTURE_OK), Qt::LeftButton);
        EXPECT_EQ(m_dlg->result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(m_dlg->isVisible(), !c.accepted); // refused: the dialog stays
        EXPECT_EQ(m_dlg->m_strScreenFile.toStdString(), c.finalName);
        EXPECT_EQ(g_messages, c.accepted ? std::vector<std::string>{}
                                         : std::vector<std::string>{
                                               "Please enter an integer between 1 and 59."});
    }
}

TEST_F(CaptureSettingsDlgTest, InitialisedCaptureIsShownReadOnly) {
    const CTempDir dir;
    const SBitmapInfoHeader header = DibHeader(8, 4);
    CCaptureSession session;
    ASSERT_TRUE(session.OpenLog(dir.Path() + "/log.txt"));
    session.SetInterval(60);
    session.SetFileName(CCaptureSession::kScreen, dir.Path() + "/f###.bmp");
    ASSERT_TRUE(session.InitScreen(&header, 1, kCaptureBmp));
    session.SetTimeLimit(2 * 3600);

    m_dlg->FillFromSession(session);
    m_dlg->m_bEnableControls = false;
    Open(CCaptureSettingsDlg::kInitializedText);

    EXPECT_EQ(Get<QLineEdit>(IDC_CAPTURE_SCREEN_FILE)->text().toStdString(),
              dir.Path() + "/f###.bmp");
    EXPECT_EQ(Get<QComboBox>(IDC_CAPTURE_TYPE)->currentIndex(), 1);
    EXPECT_EQ(Get<QLineEdit>(IDC_CAPTURE_INTERVAL)->text(), QStringLiteral("1"));
    EXPECT_EQ(Get<QComboBox>(IDC_CAPTURE_INTERVAL_UNITS)->currentText(), QStringLiteral("Minutes"));
    EXPECT_EQ(Get<QLineEdit>(IDC_CAPTURE_LIMIT_VALUE)->text(), QStringLiteral("2"));
    EXPECT_EQ(Get<QComboBox>(IDC_CAPTURE_LIMIT_UNITS)->currentText(), QStringLiteral("Hours"));
    EXPECT_TRUE(Get<QCheckBox>(IDC_CAPTURE_SCREEN)->isChecked());
    EXPECT_TRUE(Get<QCheckBox>(IDC_CAPTURE_LOG)->isChecked());
    // Everything but Cancel and the information text is disabled.
    for (int id = 0; id < 2000; ++id)
        if (QWidget* control = m_dlg->Control(id)) {
            EXPECT_EQ(control->isEnabled(), id == IDC_CAPTURE_CANCEL || id == IDC_CAPTURE_INFO)
                << "control " << id;
        }
    session.CloseSession();
}

// The read-only view above splits spans; this is the other direction.
TEST(CaptureSpans, MakeSpanCountsSecondsOfTheUnit) {
    EXPECT_EQ(MakeSpan(59, 0), 59);
    EXPECT_EQ(MakeSpan(2, 1), 120);
    EXPECT_EQ(MakeSpan(3, 2), 10800);
}

TEST_F(CaptureSettingsDlgTest, SettingsCommandSetsUpWhatSucceededAndReportsTheRest) {
    SetVideoWriterFactory([] { return std::make_unique<CAviFileWriter>(); });
    const SBitmapInfoHeader header = DibHeader(64, 48);
    // The files left in the folder after Close, by name; an AVI file of an
    // earlier take is there from the start and is replaced only by an AVI
    // set-up that succeeds.
    const struct {
        const char* what;
        SAnswers answers;
        bool chooserConfirms, configured;
        std::int32_t openFlags;
        const char *message, *files;
    } cases[] = {
        // clang-format off
        {"cancelled", {0, "m.avi", "a.wav", "", nullptr, false}, true, false, 0, "", "m.avi"},
        {"AVI and WAV", {0, "m.avi", "a.wav", "log.txt", "1", true}, true, true, 3, "",
         "a.wav log.txt m.avi"},
        {"compression cancelled: sound only, the earlier AVI kept", {0, "m", "a.wav", "log.txt", nullptr, true},
         false, true, 2, "Couldn't Create AVI Compression Options", "a.wav log.txt m.avi"},
        {"BMP sequence", {1, "shot###", "", "", nullptr, true}, true, true, 1, "", "m.avi"},
        {"no folder for the WAV file", {1, "", "none/a.wav", "", nullptr, true}, true, false, 0,
         "Couldn't create WAV file", "m.avi"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CTempDir dir;
        const auto inDir = [&dir](const std::string& name) {
            return name.empty() ? name : dir.Path() + "/" + name;
        };
        const std::string earlierTake = "an earlier take";
        std::ofstream(inDir("m.avi")) << earlierTake;
        g_messages.clear();
        SetCompressionChooser([&c](const std::vector<SCodecChoice>&, SCompressOptions& options) {
            options.codec = "rawvideo";
            return c.chooserConfirms;
        });
        CCaptureSession session;
        SAnswers answers = c.answers;
        for (std::string* name : {&answers.screen, &answers.wav, &answers.log})
            *name = inDir(*name);
        AnswerCaptureSettings(answers);
        EXPECT_EQ(CCaptureSettingsDlg::RunSetup(nullptr, session, false, &header), c.configured);
        EXPECT_EQ(session.GetOpenFlags(), c.openFlags);
        EXPECT_EQ(g_messages,
                  *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        if (answers.type == 1 && c.configured) {
            EXPECT_EQ(session.GetFileName(CCaptureSession::kScreen), inDir("shot###.bmp"));
            EXPECT_EQ(g_runState.GetCaptureType(), 1);
        }
        session.CloseSession();
        std::string names;
        for (const fs::path& file : std::set<fs::path>{fs::directory_iterator(dir.Path()), {}})
            names += (names.empty() ? "" : " ") + file.filename().string();
        EXPECT_EQ(names, c.files);
        const bool aviSetUp = answers.type == 0 && (c.openFlags & kCaptureScreen) != 0;
        EXPECT_EQ(ReadText(inDir("m.avi")) == earlierTake, !aviSetUp);
        if (!answers.log.empty() && c.configured) {
            const std::string log = ReadText(answers.log);
            EXPECT_EQ(log.find("Capture Limit: 00:00:01\r\n") != std::string::npos,
                      answers.limit != nullptr);
        }
    }
    SetCompressionChooser(nullptr);
    SetVideoWriterFactory(nullptr);
}

// A set-up whose only part fails leaves neither its time limit nor its log
// to the next one: that capture neither stops after the first one's limit
// nor writes into its log.
TEST_F(CaptureSettingsDlgTest, ASetUpThatFailsLeavesNoTimeLimitOrLogForTheNext) {
    const CTempDir dir;
    const std::string log = dir.Path() + "/log.txt";
    const SBitmapInfoHeader header = DibHeader(64, 48);
    CCaptureSession session;
    AnswerCaptureSettings({1, "", dir.Path() + "/none/a.wav", log, "10", true});
    EXPECT_FALSE(CCaptureSettingsDlg::RunSetup(nullptr, session, false, &header));
    EXPECT_EQ(session.GetOpenFlags(), 0);
    EXPECT_EQ(session.GetTimeLimit(), 0);
    EXPECT_FALSE(session.IsLogOpen());
    const std::string firstLog = ReadText(log);

    AnswerCaptureSettings({1, "", dir.Path() + "/a.wav", "", nullptr, true});
    EXPECT_TRUE(CCaptureSettingsDlg::RunSetup(nullptr, session, false, &header));
    EXPECT_EQ(session.GetTimeLimit(), 0);
    session.StartStop(true);
    session.StartStop(false);
    session.CloseSession();
    EXPECT_EQ(ReadText(log), firstLog);
    EXPECT_EQ(g_messages, std::vector<std::string>{"Couldn't create WAV file"});
}

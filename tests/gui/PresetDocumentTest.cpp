// SPDX-License-Identifier: GPL-3.0-or-later
// The preset document behind the main frame's File commands, and the two
// settings dialogs, driven as a user would: the commands' actions, the
// question boxes' buttons, the dialogs' controls.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>

#include <csignal>
#include <functional>

#include "presets/AcquireDlg.h"
#include "presets/PrefsDlg.h"
#include "tests/acquisition/AcquisitionTestSupport.h"
#include "tests/gui/GuiTestApp.h"
#include "tests/presets/PresetTestSupport.h"

namespace {

using acqtest::ReadText;
using guitest::g_messages;
using guitest::Shown;

// Acts on the next modal window that opens, from inside its own event loop.
void OnNextModal(std::function<void(QWidget*)> act) {
    // Tracked, not compared by address: the next dialog may be built where
    // the last one was.
    const QPointer<QWidget> before = QApplication::activeModalWidget();
    auto* timer = new QTimer(QApplication::instance());
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, before, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || (before && modal == before.data()) || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

// Answers the next "Save changes to ...?" with a button.
void Answer(QMessageBox::StandardButton button) {
    OnNextModal([button](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->text().startsWith("Save changes to "));
        box->button(button)->click();
    });
}

template <typename T> T* Child(QWidget* dialog, const char* name) {
    T* child = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Each test has its own startup settings file, in its own directory.
class PresetDocumentTest : public guitest::CFrameTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_savedSettings = g_startupSettings;
        g_startupSettings = CStartupSettings(Path("Vireon.ini"));
        CFrameTest::SetUp();
        m_doc.OnNewDocument();
    }
    void TearDown() override {
        CFrameTest::TearDown();
        g_startupSettings = m_savedSettings;
    }

    std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }
    void Trigger(int command) {
        ASSERT_TRUE(Enabled(command)) << command;
        m_frame->Action(command)->trigger();
    }
    QString Title() {
        View()->UpdateTitle();
        return m_frame->windowTitle();
    }
    // Saves a preset and binds the document to it.
    bool SaveAs(const std::string& path) { return m_doc.DoSave(QString::fromStdString(path)); }

    QTemporaryDir m_dir;
    CStartupSettings m_savedSettings;
};

// The decibel scale, the log axis, the peak readout, averaging and max hold
// are the user's, and Freeze a moment's state, not the preset's: switching
// them leaves a saved preset unmodified, a preset saved with them on has the
// very bytes of one saved with them off, and opening a preset leaves the
// user's options as they are.
TEST_F(PresetDocumentTest, TheDisplayOptionsNeitherModifyNorChangeAPresetFile) {
    ASSERT_TRUE(SaveAs(Path("plain.tpz")));
    for (const int id : {ID_VIEW_DECIBEL_SCALE, ID_VIEW_LOG_FREQUENCY, ID_VIEW_PEAK_READOUT,
                         ID_VIEW_AVERAGE_16, ID_VIEW_MAX_HOLD, ID_VIEW_FREEZE})
        Trigger(id);
    ASSERT_TRUE(View()->IsFrozen());
    EXPECT_FALSE(m_doc.IsModified());
    ASSERT_TRUE(SaveAs(Path("options.tpz")));
    EXPECT_EQ(ReadText(Path("options.tpz")), ReadText(Path("plain.tpz")));
    ASSERT_EQ(ReadText(Path("plain.tpz")).size(), 524u);
    ASSERT_TRUE(m_doc.OnOpenDocument(Path("plain.tpz")));
    EXPECT_EQ(g_runState.GetDisplayScale(), (SDisplayScale{true, true}));
    EXPECT_EQ(g_runState.GetMeasureOptions(), (SMeasureOptions{true, 16, true}));
}

// New, then a saved preset changed and reverted.
TEST_F(PresetDocumentTest, NewGivesTheDefaultsAndAChangeAfterSaveMarksTheTitleUntilRevert) {
    g_runState.SetPresetSettings(presettest::Distinct().settings);
    g_projection3D.SetRotation(10, 20, 30);
    const SViewport viewport2D = g_projection2D.GetViewport();
    const auto bounds3D = g_projection3D.GetBounds();
    Trigger(ID_FILE_NEW);
    EXPECT_TRUE(
        presettest::SameBits({g_runState.GetPresetSettings()}, {presettest::NewSettings()}));
    EXPECT_EQ(g_projection3D.GetRotation(), (std::array<double, 3>{0, 0, 0}));
    EXPECT_EQ(g_projection3D.GetTranslation(),
              (std::array<double, 3>{0, 0, -1.6 * g_startupSettings.m_nSurfaceRows}));
    EXPECT_EQ(g_projection3D.GetBounds(), bounds3D);
    EXPECT_EQ(g_projection2D.GetViewport(), viewport2D);
    EXPECT_EQ(Title(), "Vireon") << "bound to no file";

    const std::string path = Path("room.tpz");
    ASSERT_TRUE(SaveAs(path));
    EXPECT_EQ(Title(), QString::fromStdString("Vireon - " + Path("room")));
    EXPECT_FALSE(Enabled(ID_FILE_REVERT));
    // Invert reaches the store at once: saving right after it keeps it.
    Trigger(ID_PALETTE_INVERT);
    EXPECT_TRUE(Title().endsWith("*"));
    EXPECT_TRUE(Enabled(ID_FILE_REVERT));
    Trigger(ID_FILE_SAVE);
    EXPECT_FALSE(Title().endsWith("*"));
    const std::string bytes = ReadText(path);
    ASSERT_EQ(bytes.size(), 524u);
    EXPECT_EQ(bytes[156], 1) << "tag 35, palette invert, saved set";

    Trigger(ID_PALETTE_INVERT);
    Trigger(ID_PALETTE_RAINBOW);
    Trigger(ID_FILE_REVERT);
    EXPECT_TRUE(Checked(ID_PALETTE_GRAYSCALE));
    EXPECT_TRUE(View()->Palette().m_bPaletteInvert);
    EXPECT_FALSE(Enabled(ID_FILE_REVERT));
}

// A save cut off part-way, here by the file size limit (which binds root
// too), reports the failure and leaves the previous preset whole, with no
// temporary file beside it. The save runs in a child process so that the
// limit is its own.
TEST_F(PresetDocumentTest, ASaveThatFailsPartWayLeavesThePreviousFileIntact) {
    const std::string path = Path("kept.tpz");
    ASSERT_TRUE(SaveAs(path));
    const std::string before = ReadText(path);
    ASSERT_EQ(before.size(), 524u);
    g_runState.SetPresetSettings(presettest::Distinct().settings);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Beyond the limit a write fails with EFBIG instead of killing.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        CTamselDoc doc;
        _exit(doc.OnSaveDocument(path) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save claimed success";
    EXPECT_EQ(ReadText(path), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList({"kept*"}, QDir::Files | QDir::Hidden),
              QStringList{"kept.tpz"});
}

// Cancel, or a Save that fails, keeps everything: the path, the modified
// flag, the values in force and the window.
TEST_F(PresetDocumentTest, NewOpenAndExitOnAModifiedPresetAskToSaveAndCanBeStopped) {
    const std::string other = Path("other.tpz");
    ASSERT_TRUE(SaveAs(other));
    std::filesystem::create_directory(Path("gone"));
    const std::string bound = Path("gone/bound.tpz");
    ASSERT_TRUE(SaveAs(bound));
    const struct {
        const char* name;
        std::function<void()> command;
    } commands[] = {
        {"New", [this] { Trigger(ID_FILE_NEW); }},
        {"Open", [&] { m_doc.OpenDocumentFile(QString::fromStdString(other), m_frame.get()); }},
        {"Exit", [this] { Trigger(ID_APP_EXIT); }},
    };
    for (const auto& command : commands) {
        for (const bool failedSave : {false, true}) {
            SCOPED_TRACE(std::string(command.name) + (failedSave ? ", failed save" : ", Cancel"));
            std::filesystem::create_directory(Path("gone"));
            m_doc.SetPathName(bound, false);
            Trigger(ID_PALETTE_RAINBOW);
            ASSERT_TRUE(m_doc.IsModified());
            if (failedSave)
                std::filesystem::remove_all(Path("gone"));
            g_messages.clear();
            Answer(failedSave ? QMessageBox::Yes : QMessageBox::Cancel);
            command.command();
            EXPECT_EQ(m_doc.GetPathName(), bound);
            EXPECT_TRUE(m_doc.IsModified());
            EXPECT_EQ(g_runState.GetDisplaySettings().nPalette, 0) << "rainbow kept";
            EXPECT_TRUE(m_frame->isVisible());
            EXPECT_EQ(Shown(2, "Can't save preset file"), failedSave);
            Trigger(ID_PALETTE_GRAYSCALE);
        }
    }
    Answer(QMessageBox::No);
    Trigger(ID_FILE_NEW);
    EXPECT_FALSE(m_doc.HasFile());
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(PresetDocumentTest, APresetThatFailsToOpenFromTheRecentFilesOrAtStartupChangesNothing) {
    const std::string good = Path("good.tpz");
    Trigger(ID_PALETTE_RAINBOW);
    ASSERT_TRUE(SaveAs(good));
    std::ofstream(Path("bad.tpz"), std::ios::binary) << "not a preset at all";
    std::ofstream(Path("short.tpz"), std::ios::binary) << std::string("\xaf\xca\0\0\x0a\0\0\0", 8);
    const std::string missing = Path("missing.tpz");
    // As the application does: the entry that failed leaves the list while
    // its own signal runs.
    QObject::connect(m_frame.get(), &CMainFrame::recentFileOpenFailed, m_frame.get(),
                     [this, good] { m_frame->SetRecentFiles({QString::fromStdString(good)}); });
    for (const std::string& bad : {Path("bad.tpz"), Path("short.tpz"), missing}) {
        SCOPED_TRACE(bad);
        m_frame->SetRecentFiles({QString::fromStdString(bad), QString::fromStdString(good)});
        QAction* entry = nullptr;
        for (QAction* action : m_frame->findChildren<QAction*>())
            if (action->data().toInt() == ID_FILE_MRU_FILE1 && action->isVisible())
                entry = action;
        ASSERT_NE(entry, nullptr);
        QSignalSpy dropped(m_frame.get(), &CMainFrame::recentFileOpenFailed);
        g_messages.clear();
        entry->trigger();
        EXPECT_EQ(dropped.count(), 1);
        EXPECT_TRUE(
            Shown(1, bad == missing ? "Can't open preset file" : "Error reading preset file"));
        EXPECT_EQ(m_doc.GetPathName(), good);
        EXPECT_FALSE(m_doc.IsModified());
        EXPECT_EQ(g_runState.GetDisplaySettings().nPalette, 0) << "rainbow kept";
    }

    // A startup preset that fails leaves the program running without a file.
    std::ofstream(Path("broken.tpz"), std::ios::binary) << "broken";
    g_startupSettings.m_strPreset = Path("broken.tpz");
    m_doc.OnNewDocument();
    g_messages.clear();
    ShowFrame();
    ASSERT_TRUE(QTest::qWaitFor([this] { return View()->Ticks() >= 4; }, 3000));
    EXPECT_TRUE(Shown(1, "Error reading preset file"));
    EXPECT_EQ(Title(), "Vireon") << "bound to no file";
    EXPECT_TRUE(m_frame->isVisible());
}

// The acquisition dialog refuses an empty range, reopens with the stored
// values and stores the channel; the preferences dialog writes the startup
// file only for a ticked setting, which lasts to the next start.
TEST_F(PresetDocumentTest, TheAcquisitionAndPreferencesDialogsStoreOnlyWhatTheyMay) {
    g_runState.SetDisplayRange({100.0, 5000.0, 4900.0, 0.001, 1.0, false});
    OnNextModal([](QWidget* first) {
        ASSERT_NE(qobject_cast<CAcquireDlg*>(first), nullptr);
        // Out of its range: named, and the dialog stays.
        Child<QLineEdit>(first, "IDC_FREQ_MAX")->setText("20001");
        qobject_cast<QDialog*>(first)->accept();
        EXPECT_TRUE(Shown(2, "Please enter an integer between 1 and 20000 for the maximum "
                             "frequency (Hz)."));
        EXPECT_TRUE(first->isVisible());
        Child<QLineEdit>(first, "IDC_FREQ_MIN")->setText("20000");
        Child<QLineEdit>(first, "IDC_FREQ_MAX")->setText("20000");
        OnNextModal([](QWidget* second) {
            EXPECT_EQ(Child<QLineEdit>(second, "IDC_FREQ_MIN")->text(), "100");
            EXPECT_EQ(Child<QLineEdit>(second, "IDC_FREQ_MAX")->text(), "5000");
            QComboBox* channel = Child<QComboBox>(second, "IDC_CHANNEL");
            channel->setFocus();
            QTest::keyClick(channel, Qt::Key_End);
            EXPECT_EQ(channel->currentText(), "Left - Right");
            qobject_cast<QDialog*>(second)->accept();
        });
        qobject_cast<QDialog*>(first)->accept();
    });
    Trigger(ID_VIEW_ACQUIRE);
    EXPECT_TRUE(Shown(2, "Invalid range specified. Please re-enter\n"));
    EXPECT_EQ(g_runState.GetCaptureFormat().nChannelMode, CHANNEL_DIFFERENCE);
    const SDisplayRange range = g_runState.GetDisplayRange();
    EXPECT_EQ((std::array{range.dFreqMin, range.dFreqMax, range.dFreqSpan}),
              (std::array{100.0, 5000.0, 4900.0}));
    EXPECT_NEAR(range.dMagMin, 0.001, 1e-12);

    const std::string ini = Path("Vireon.ini");
    const auto runPreferences = [this](std::function<void(QWidget*)> edit) {
        OnNextModal([edit](QWidget* dialog) {
            ASSERT_NE(qobject_cast<CPrefsDlg*>(dialog), nullptr);
            edit(dialog);
            qobject_cast<QDialog*>(dialog)->accept();
        });
        Trigger(ID_EDIT_PREFERENCES);
    };

    // A list changed and its box cleared again counts for nothing.
    runPreferences([](QWidget* dialog) {
        QCheckBox* box = Child<QCheckBox>(dialog, "IDC_EDIT_PLOTSIZE");
        box->click();
        Child<QComboBox>(dialog, "IDC_PLOT_SIZE")->setCurrentIndex(2);
        box->click();
    });
    EXPECT_FALSE(std::filesystem::exists(ini));
    EXPECT_FALSE(Shown(4, "Restart program"));

    runPreferences([](QWidget* dialog) {
        Child<QCheckBox>(dialog, "IDC_EDIT_PLOTSIZE")->click();
        QComboBox* size = Child<QComboBox>(dialog, "IDC_PLOT_SIZE");
        size->setFocus();
        QTest::keyClick(size, Qt::Key_End);
        Child<QCheckBox>(dialog, "IDC_EDIT_3DSIZE")->click();
        Child<QComboBox>(dialog, "IDC_3D_SIZE")->setCurrentIndex(1);
    });
    EXPECT_TRUE(Shown(4, "Restart program for settings to take effect."));
    CStartupSettings next(ini);
    next.LoadForStartup();
    EXPECT_EQ((std::array{next.m_nPlotWidth, next.m_nPlotHeight, next.m_nSurfaceCols,
                          next.m_nSurfaceRows}),
              (std::array{960, 720, 60, 120}));
    EXPECT_EQ(g_startupSettings.m_nPlotWidth, 640) << "the running program keeps its size";

    // A file that cannot be written is reported, not announced as done.
    g_messages.clear();
    g_startupSettings.SetPath(Path("gone/Vireon.ini"));
    runPreferences([](QWidget* dialog) { Child<QCheckBox>(dialog, "IDC_EDIT_BUFFER")->click(); });
    EXPECT_TRUE(Shown(2, "Can't write the startup settings file"));
    EXPECT_FALSE(Shown(4, "Restart program"));
}

} // namespace

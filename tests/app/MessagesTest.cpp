#include "app/Messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct SShown {
    int level;
    std::string text;
};

// Records what it is asked to show; can hold a box open and fail.
class CFakePresenter : public IMessagePresenter {
public:
    bool Present(int level, const std::string& text) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            shown.push_back({level, text});
        }
        if (holdOpen) {
            opened.set_value();
            closeBox.get_future().wait();
        }
        return succeed;
    }
    std::vector<SShown> Shown() {
        std::lock_guard<std::mutex> lock(mutex);
        return shown;
    }

    std::mutex mutex;
    std::vector<SShown> shown;
    bool succeed = true;
    bool holdOpen = false;
    std::promise<void> opened;
    std::promise<void> closeBox;
};

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto fake = std::make_unique<CFakePresenter>();
        presenter = fake.get();
        previous = SetMessagePresenter(std::move(fake));
    }
    void TearDown() override { SetMessagePresenter(std::move(previous)); }

    CFakePresenter* presenter = nullptr;
    std::unique_ptr<IMessagePresenter> previous;
};

} // namespace

TEST_F(MessagesTest, LevelsUpToFourAreShownAndHigherOnesAreNot) {
    for (int level : {1, 2, 3, 4, 5, 6, 100})
        ShowMessage(level, "level " + std::to_string(level));
    const std::vector<SShown> shown = presenter->Shown();
    ASSERT_EQ(shown.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(shown[static_cast<std::size_t>(i)].level, i + 1);
        EXPECT_EQ(shown[static_cast<std::size_t>(i)].text, "level " + std::to_string(i + 1));
    }
}

TEST_F(MessagesTest, ReportMessageFormatsAndCutsAt255Characters) {
    ReportMessage(2, "Invalid range specified. Please re-enter\n");
    ReportMessage(1, "%s %d", "code", 7);
    const std::string longText(300, 'y');
    ReportMessage(1, "%s", longText.c_str());
    ReportMessage(5, "%s", "never shown");
    const std::vector<SShown> shown = presenter->Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "Invalid range specified. Please re-enter\n");
    EXPECT_EQ(shown[0].level, 2);
    EXPECT_EQ(shown[1].text, "code 7");
    EXPECT_EQ(shown[2].text, std::string(255, 'y'));
}

TEST_F(MessagesTest, MessageArrivingWhileOneShowsIsDroppedNotQueued) {
    presenter->holdOpen = true;
    std::thread first([] { ShowMessage(1, "Clipboard Error"); });
    presenter->opened.get_future().wait();
    // From another thread while the box is open: returns at once, shows nothing.
    std::thread second([] { ReportMessage(2, "Screen Capture Error"); });
    second.join();
    ShowMessage(2, "Can't find help file path");
    presenter->holdOpen = false; // read by the first box only before it opened
    presenter->closeBox.set_value();
    first.join();

    std::vector<SShown> shown = presenter->Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Clipboard Error");
    ShowMessage(2, "Can't open help file in a browser");
    shown = presenter->Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "Can't open help file in a browser");
}

TEST_F(MessagesTest, FailedBoxDoesNotSilenceLaterMessages) {
    presenter->succeed = false;
    ShowMessage(1, "Couldn't create WAV file");
    ShowMessage(2, "Can't get screen snapshot");
    EXPECT_EQ(presenter->Shown().size(), 2u);
}

TEST_F(MessagesTest, DefaultPresenterWritesToStandardError) {
    // Put the default back for this test; the fixture restores it later.
    auto fake = SetMessagePresenter(std::move(previous));
    testing::internal::CaptureStderr();
    ShowMessage(1, "Error reading preset file");
    ShowMessage(7, "too verbose");
    const std::string written = testing::internal::GetCapturedStderr();
    previous = SetMessagePresenter(std::move(fake));
    EXPECT_EQ(written, "Vireon: Error reading preset file\n");
}

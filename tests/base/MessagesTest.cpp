#include "base/Messages.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Shown = std::vector<std::pair<int, std::string>>;

// Records what it is asked to show; can hold a box open and fail.
class CFakePresenter : public IMessagePresenter {
public:
    bool Present(int level, const std::string& text) override {
        shown.emplace_back(level, text);
        if (holdOpen) {
            opened.set_value();
            closeBox.get_future().wait();
        }
        return succeed;
    }

    Shown shown; // read by the test only while no box is open
    bool succeed = true;
    bool holdOpen = false;
    std::promise<void> opened;
    std::promise<void> closeBox;
};

class MessagesTest : public ::testing::Test {
protected:
    ~MessagesTest() override { SetMessagePresenter(std::move(previous)); }

    std::unique_ptr<CFakePresenter> owned = std::make_unique<CFakePresenter>();
    CFakePresenter* presenter = owned.get();
    std::unique_ptr<IMessagePresenter> previous = SetMessagePresenter(std::move(owned));
};

} // namespace

TEST_F(MessagesTest, LevelsUpToFourAreShownFormattedAndCutAt255Characters) {
    Shown expected;
    for (int level : {1, 2, 3, 4, 5, 100}) {
        ReportMessage(level, "level %d", level);
        if (level <= 4)
            expected.emplace_back(level, "level " + std::to_string(level));
    }
    ReportMessage(2, "%s", std::string(300, 'y').c_str());
    expected.emplace_back(2, std::string(255, 'y'));
    EXPECT_EQ(presenter->shown, expected);
}

TEST_F(MessagesTest, MessageArrivingWhileOneShowsIsDroppedAndAFailedBoxBlocksNothingLater) {
    presenter->holdOpen = true;
    presenter->succeed = false;
    std::thread first([] { ShowMessage(1, "Clipboard Error"); });
    presenter->opened.get_future().wait();
    // From another thread while the box is open: returns at once, shows nothing.
    std::thread([] { ReportMessage(2, "Screen Capture Error"); }).join();
    ShowMessage(2, "Can't find help file path");
    presenter->holdOpen = false; // read by the first box only before it opened
    presenter->closeBox.set_value();
    first.join();
    ShowMessage(2, "Can't open help file in a browser");
    EXPECT_EQ(presenter->shown,
              (Shown{{1, "Clipboard Error"}, {2, "Can't open help file in a browser"}}));
}

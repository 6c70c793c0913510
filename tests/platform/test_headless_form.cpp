// The shared test form on the headless desktop.
#include "platform/test_form.h"

#include <qvMsgErr/headless.h>

#include <gtest/gtest.h>

namespace qvMsgErr::testform {
namespace {

using headless::EffectKind;

/// The shared script's user, played by the headless desktop's scripted user.
class HeadlessDriver final : public FormDriver {
public:
    explicit HeadlessDriver(headless::ScriptedUser& user) : user_(user) {}
    void click(const std::string& name, int16_t index) override { user_.click(name, index); }
    void keyDown(int16_t keyCode, int16_t shift) override { user_.keyDown(keyCode, shift); }
    void mouseMove(const std::string& name, int16_t index) override {
        user_.mouseMove(name, index);
    }
    void tick(const std::string& name, bool ticked) override { user_.tick(name, ticked); }
    void close() override { user_.close(); }
    void advanceSeconds(int32_t seconds) override { user_.advanceSeconds(seconds); }
    void typeText(const std::string& name, const std::string& text) override {
        user_.type(name, text);
    }

private:
    headless::ScriptedUser& user_;
};

TEST(HeadlessTestForm, SharedScriptRunsWhileShownModally) {
    headless::HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    TestFormLogic logic(*window);
    window->setHandler(&logic);
    int scripts = 0;
    desktop.onModal([&](headless::ScriptedUser& user) {
        ++scripts;
        EXPECT_EQ(user.windowName(), "frmTestForm");
        HeadlessDriver driver(user);
        runSharedFormScript(user.window(), driver, logic);
        EXPECT_FALSE(user.shown());
    });
    window->showModal();

    EXPECT_EQ(scripts, 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->isLoaded());
    // The script hid the window itself: no close request followed its end.
    const auto& effects = desktop.sideEffects();
    ASSERT_FALSE(effects.empty());
    EXPECT_EQ(effects.front().kind, EffectKind::ModalShown);
    EXPECT_EQ(effects.back().kind, EffectKind::Hidden);
    EXPECT_EQ(desktop.sideEffects(EffectKind::CloseRequest).size(), 1u) << "the refused one";
    EXPECT_EQ(desktop.sideEffects(EffectKind::CloseRequest).front().number, 1);
    // Exactly one tick: the script enabled the timer for one virtual second.
    EXPECT_EQ(logic.timerTicks(), 1);
}

TEST(HeadlessTestForm, PaintDrawsTheMarkerPictureAfresh) {
    headless::HeadlessDesktop desktop;
    auto window = desktop.createWindow(testFormDesign());
    TestFormLogic logic(*window);
    window->setHandler(&logic);
    desktop.onModal([&](headless::ScriptedUser& user) {
        const auto drawn = desktop.surface(window->handle());
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].helpFile, "imgList");
        EXPECT_EQ(drawn[0].number, 2);
        EXPECT_FLOAT_EQ(drawn[0].x, 120);
        EXPECT_FLOAT_EQ(drawn[0].y, 720);
        user.paint();
        user.paint();
        EXPECT_EQ(desktop.surface(window->handle()).size(), 1u) << "a paint starts clean";
        EXPECT_EQ(desktop.sideEffects(EffectKind::DrawPicture).size(), 3u);
    });
    window->showModal();
    EXPECT_EQ(logic.count(platform::EventKind::Paint), 3u);
}

} // namespace
} // namespace qvMsgErr::testform

#include "core/settings/SettingsConsumer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

std::vector<std::string> calls;

class Recorder : public SettingsConsumer {
public:
    Recorder(Settings& settings, std::string name) : SettingsConsumer(settings), name_(std::move(name)) {}
    void settingsChanged() override {
        calls.push_back(name_);
        if (onCall) onCall();
    }
    std::function<void()> onCall;

private:
    std::string name_;
};

// Room for consumers whose memory outlives them: after one is destroyed, an untracked but
// living "impostor" is built in its place, so that a stale pointer held by the tree shows up
// as a call to the impostor instead of undefined behaviour.
struct Slots {
    alignas(Recorder) unsigned char bytes[2][sizeof(Recorder)];
    Recorder* build(int i, Settings& settings, const std::string& name) {
        return new (bytes[i]) Recorder(settings, name);
    }
};

class SettingsConsumerTest : public ::testing::Test {
protected:
    void SetUp() override { calls.clear(); }
    Settings settings;
};

} // namespace

TEST_F(SettingsConsumerTest, ChangesOutsideABatchAreToldAtOnce) {
    Recorder a(settings, "a");
    settings.track(L"showTags", &a);
    settings.set(L"showTags", true);
    settings.set(L"showTags", true); // an unchanged value is told too
    settings.set(L"other", true);
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "a"}));
}

TEST_F(SettingsConsumerTest, ABatchTellsEachConsumerOnceAtItsEnd) {
    Recorder a(settings, "a");
    Recorder b(settings, "b");
    for (const wchar_t* key : {L"font", L"showTags", L"showPlaceHolders"}) settings.track(key, &a);
    settings.track(L"UIStyle", &b);
    settings.beginBatch();
    settings.beginBatch();
    settings.set(L"font", winui::Font());
    settings.set(L"showTags", false);
    settings.set(L"showPlaceHolders", false);
    settings.endBatch();
    EXPECT_TRUE(calls.empty()); // still inside the outer batch
    settings.endBatch();
    EXPECT_EQ(calls, (std::vector<std::string>{"a"}));
}

TEST_F(SettingsConsumerTest, UntrackingAndDestructionStopTheNotices) {
    auto* a = new Recorder(settings, "a");
    settings.track(L"x", a);
    settings.track(L"y", a);
    EXPECT_EQ(a->trackedSettings().size(), 2u);
    settings.untrack(L"x", a);
    settings.set(L"x", 1);
    EXPECT_TRUE(calls.empty());
    delete a;
    settings.set(L"y", 1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(SettingsConsumerTest, ConsumerDestroyedWhilePendingIsNotCalled) {
    Slots slots;
    Recorder* victim = slots.build(0, settings, "victim");
    settings.track(L"font", victim);
    settings.beginBatch();
    settings.set(L"font", winui::Font());
    victim->~Recorder();
    Recorder* impostor = slots.build(0, settings, "impostor");
    settings.endBatch();
    EXPECT_TRUE(calls.empty());
    impostor->~Recorder();
}

TEST_F(SettingsConsumerTest, ConsumerDestroyedByAnotherDuringTheNoticeIsSkipped) {
    for (bool batched : {false, true}) {
        calls.clear();
        Slots slots; // slot 0 sorts first in the consumer set
        Recorder* first = slots.build(0, settings, "first");
        Recorder* second = slots.build(1, settings, "second");
        Recorder* impostor = nullptr;
        settings.track(L"k", first);
        settings.track(L"k", second);
        first->onCall = [&] {
            if (impostor) return;
            second->~Recorder();
            impostor = slots.build(1, settings, "impostor");
        };
        if (batched) settings.beginBatch();
        settings.set(L"k", 1);
        if (batched) settings.endBatch();
        EXPECT_EQ(calls, (std::vector<std::string>{"first"})) << "batched " << batched;
        impostor->~Recorder();
        first->~Recorder();
    }
}

namespace {

// Deletes itself while being told, after tracking a newcomer for the same key.
class Fleeting : public SettingsConsumer {
public:
    Fleeting(Settings& settings, Recorder*& newcomer) : SettingsConsumer(settings), newcomer_(newcomer) {}
    void settingsChanged() override {
        calls.push_back("fleeting");
        Settings& settings = static_cast<Settings&>(settingsProvider());
        newcomer_ = new Recorder(settings, "born");
        settings.track(L"k", newcomer_);
        delete this;
    }

private:
    Recorder*& newcomer_;
};

} // namespace

TEST_F(SettingsConsumerTest, ConsumersMayComeAndGoInsideACallback) {
    Recorder* born = nullptr;
    Recorder before(settings, "stay");
    settings.track(L"k", new Fleeting(settings, born));
    Recorder after(settings, "stay");
    settings.track(L"k", &before);
    settings.track(L"k", &after);
    settings.set(L"k", 1);
    ASSERT_NE(born, nullptr);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "stay"), 2);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "fleeting"), 1);
    calls.clear();
    settings.set(L"k", 2);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "born"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "fleeting"), 0);
    delete born;
}

TEST_F(SettingsConsumerTest, BatchBegunWhileABatchEndsKeepsItsNotices) {
    Recorder applier(settings, "applier");
    Recorder watcher(settings, "watcher");
    settings.track(L"UILanguage", &applier);
    settings.track(L"UIStyle", &watcher);
    // The first consumer applies a follow-up setting in a batch of its own.
    applier.onCall = [&] {
        settings.beginBatch();
        settings.set<std::wstring>(L"UIStyle", L"CX");
        settings.endBatch();
    };
    settings.beginBatch();
    settings.set<std::wstring>(L"UILanguage", L"English");
    settings.endBatch();
    EXPECT_EQ(calls, (std::vector<std::string>{"applier", "watcher"}));
    EXPECT_EQ(settings.batchDepth(), 0);
}

TEST_F(SettingsConsumerTest, PathsAreTrackedAtTheirNode) {
    Recorder nested(settings, "nested");
    settings.track(L"group/key", &nested);
    // Values set in a child tell the child's consumers while it is parsed; sets tell the
    // node the accessor was called on, with the leaf key.
    settings.getChild(L"group").set(L"key", 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"nested"}));
    settings.untrack(L"group/key", &nested);
    settings.getChild(L"group").set(L"key", 2);
    EXPECT_EQ(calls.size(), 1u);
}

// Consumers are told in the order they registered, not in the order of their addresses: at once
// and at the end of a batch.
TEST_F(SettingsConsumerTest, ConsumersAreToldInRegistrationOrder) {
    std::vector<std::unique_ptr<unsigned char[]>> slots;
    for (int i = 0; i < 5; ++i)
        slots.emplace_back(new unsigned char[sizeof(Recorder)]);
    std::sort(slots.begin(), slots.end(), [](const auto& a, const auto& b) { return a.get() > b.get(); });
    std::vector<Recorder*> recorders;
    for (int i = 0; i < 5; ++i) {
        recorders.push_back(new (slots[static_cast<size_t>(i)].get()) Recorder(settings, std::to_string(i)));
        settings.track(L"font", recorders.back());
        settings.track(i % 2 ? L"showTags" : L"UIStyle", recorders.back());
    }
    const std::vector<std::string> all = {"0", "1", "2", "3", "4"};
    settings.set(L"font", true);
    EXPECT_EQ(calls, all);
    calls.clear();
    settings.beginBatch();
    settings.set(L"showTags", true);
    settings.set(L"UIStyle", true);
    settings.endBatch();
    EXPECT_EQ(calls, all);
    for (Recorder* recorder : recorders)
        recorder->~Recorder();
}

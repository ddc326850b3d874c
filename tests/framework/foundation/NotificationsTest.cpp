#include "foundation/Notifications.hpp"

#include "foundation/Dispatch.hpp"
#include "foundation/Journal.hpp"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

class Listener : public fw::NSObject {
public:
    static const fw::ClassDescriptor& classObject()
    {
        static const fw::ClassDescriptor cls = [] {
            fw::ClassDescriptor c { "TestListener", &fw::NSObject::classObject() };
            c.actions["reloadSpecifiers"]
                = [](fw::NSObject& self, const fw::Args&) -> fw::ActionResult {
                ++static_cast<Listener&>(self).reloads;
                return std::nullopt;
            };
            return c;
        }();
        return cls;
    }
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    int reloads { 0 };
};

constexpr const char* presetChanged = "com.tarrowvine.quillane/presetChanged";

} // namespace

TEST(DarwinNotifyCenter, PostIsJournalledAndReachesObserversOnceOnTheMainQueue)
{
    fw::DispatchMainQueue::drain();
    fw::Journal::take();
    auto& center = fw::DarwinNotifyCenter::center();
    int updates = 0;
    int others = 0;
    int removed = 0;
    int updateToken = center.addObserver("com.tarrowvine.quillane/update", [&] { ++updates; });
    int otherToken = center.addObserver("com.tarrowvine.quillane/other", [&] { ++others; });
    int removedToken = center.addObserver("com.tarrowvine.quillane/update", [&] { ++removed; });
    center.removeObserver(removedToken);

    center.postNotification("com.tarrowvine.quillane/update");
    EXPECT_EQ(updates, 0) << "observers are called from the main queue, not inside the post";
    fw::DispatchMainQueue::drain();
    fw::DispatchMainQueue::drain();

    EXPECT_EQ(updates, 1);
    EXPECT_EQ(others, 0);
    EXPECT_EQ(removed, 0);
    auto journal = fw::Journal::take();
    EXPECT_EQ(journal.posted, std::vector<std::string> { "com.tarrowvine.quillane/update" });
    ASSERT_EQ(journal.effects.size(), 1u);
    EXPECT_EQ(journal.effects[0].op, "post");
    EXPECT_EQ(journal.effects[0].name, "com.tarrowvine.quillane/update");

    center.receiveNotification("com.tarrowvine.quillane/other");
    fw::DispatchMainQueue::drain();
    EXPECT_EQ(others, 1);
    EXPECT_TRUE(fw::Journal::take().posted.empty()) << "a notification from outside is not ours";

    center.removeObserver(updateToken);
    center.removeObserver(otherToken);
}

TEST(DarwinNotifyCenter, ObserverRemovedBeforeDeliveryIsNotCalled)
{
    auto& center = fw::DarwinNotifyCenter::center();
    int calls = 0;
    int token = center.addObserver("qln.test/late", [&] { ++calls; });

    center.postNotification("qln.test/late");
    center.removeObserver(token);
    fw::DispatchMainQueue::drain();

    EXPECT_EQ(calls, 0);
    fw::Journal::take();
}

TEST(NSNotificationCenter, PerformsTheSelectorOfEachLiveRegistration)
{
    auto& center = fw::NSNotificationCenter::defaultCenter();
    auto twice = std::make_shared<Listener>();
    auto unique = std::make_shared<Listener>();
    center.addObserver(twice, "reloadSpecifiers", "qln.test/changed");
    center.addObserver(twice, "reloadSpecifiers", "qln.test/changed");
    // What addUniqueObserver does: remove, then add.
    for (int i = 0; i < 2; ++i) {
        center.removeObserver(unique.get(), "qln.test/changed");
        center.addObserver(unique, "reloadSpecifiers", "qln.test/changed");
    }

    center.postNotificationName("qln.test/changed");
    fw::DispatchMainQueue::drain();

    EXPECT_EQ(twice->reloads, 2);
    EXPECT_EQ(unique->reloads, 1);
    center.removeObserver(twice.get());
    center.removeObserver(unique.get());
    EXPECT_EQ(center.observerCount("qln.test/changed"), 0);
}

TEST(NSNotificationCenter, ReleasedObserverIsNeverCalledAndIsForgotten)
{
    auto& center = fw::NSNotificationCenter::defaultCenter();
    auto gone = std::make_shared<Listener>();
    auto goneBeforeDelivery = std::make_shared<Listener>();
    std::weak_ptr<Listener> watch = goneBeforeDelivery;
    center.addObserver(gone, "reloadSpecifiers", "qln.test/weak");
    center.addObserver(goneBeforeDelivery, "reloadSpecifiers", "qln.test/weak");
    EXPECT_EQ(center.observerCount("qln.test/weak"), 2);

    gone.reset();
    EXPECT_EQ(center.observerCount("qln.test/weak"), 1) << "the centre must not keep it alive";
    center.postNotificationName("qln.test/weak");
    goneBeforeDelivery.reset();
    EXPECT_TRUE(watch.expired()) << "a queued delivery must not keep it alive either";
    fw::DispatchMainQueue::drain();

    center.postNotificationName("qln.test/weak");
    EXPECT_EQ(center.observerCount("qln.test/weak"), 0);
    EXPECT_TRUE(fw::DispatchMainQueue::isEmpty());
}

TEST(NSNotificationCenter, RemoveObserverByNameOrForEveryName)
{
    auto& center = fw::NSNotificationCenter::defaultCenter();
    auto listener = std::make_shared<Listener>();
    auto bystander = std::make_shared<Listener>();
    center.addObserver(listener, "reloadSpecifiers", "qln.test/a");
    center.addObserver(listener, "reloadSpecifiers", "qln.test/b");
    center.addObserver(listener, "reloadSpecifiers", "qln.test/c");
    center.addObserver(bystander, "reloadSpecifiers", "qln.test/a");

    center.removeObserver(listener.get(), "qln.test/a");
    EXPECT_EQ(center.observerCount("qln.test/a"), 1);
    EXPECT_EQ(center.observerCount("qln.test/b"), 1);

    center.removeObserver(listener.get());
    EXPECT_EQ(center.observerCount("qln.test/a"), 1);
    EXPECT_EQ(center.observerCount("qln.test/b"), 0);
    EXPECT_EQ(center.observerCount("qln.test/c"), 0);

    center.postNotificationName("qln.test/a");
    center.postNotificationName("qln.test/b");
    fw::DispatchMainQueue::drain();
    EXPECT_EQ(listener->reloads, 0);
    EXPECT_EQ(bystander->reloads, 1);
    center.removeObserver(bystander.get());
}

TEST(NSNotificationCenter, RegistrationForAnObjectHearsOnlyThatObject)
{
    auto& center = fw::NSNotificationCenter::defaultCenter();
    auto sender = std::make_shared<Listener>();
    auto forSender = std::make_shared<Listener>();
    auto forAny = std::make_shared<Listener>();
    center.addObserver(forSender, "reloadSpecifiers", "qln.test/object", sender);
    center.addObserver(forAny, "reloadSpecifiers", "qln.test/object");

    center.postNotificationName("qln.test/object");
    center.postNotificationName("qln.test/object", sender);
    fw::DispatchMainQueue::drain();

    EXPECT_EQ(forSender->reloads, 1);
    EXPECT_EQ(forAny->reloads, 2);
    center.removeObserver(forSender.get());
    center.removeObserver(forAny.get());
}

TEST(NSDistributedNotificationCenter, PresetChangedFromOutsideReloadsTheObserverOnly)
{
    auto& distributed = fw::NSDistributedNotificationCenter::defaultCenter();
    auto page = std::make_shared<Listener>();
    auto local = std::make_shared<Listener>();
    distributed.removeObserver(page.get(), presetChanged);
    distributed.addObserver(page, "reloadSpecifiers", presetChanged);
    fw::NSNotificationCenter::defaultCenter().addObserver(local, "reloadSpecifiers", presetChanged);

    distributed.receiveNotification(presetChanged);
    fw::DispatchMainQueue::drain();

    EXPECT_EQ(page->reloads, 1);
    EXPECT_EQ(local->reloads, 0) << "the two centres are separate";
    EXPECT_TRUE(fw::Journal::take().posted.empty());
    distributed.removeObserver(page.get());
    fw::NSNotificationCenter::defaultCenter().removeObserver(local.get());
}

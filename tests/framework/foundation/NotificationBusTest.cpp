#include "foundation/Dispatch.hpp"
#include "foundation/Journal.hpp"
#include "foundation/Notifications.hpp"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <poll.h>
#include <string>
#include <systemd/sd-bus.h>

using namespace std::chrono_literals;

namespace {

constexpr const char* notifyPath = "/com/tarrowvine/quillane/Notify";
constexpr const char* notifyInterface = "com.tarrowvine.quillane.Notify";

class Page : public fw::NSObject {
public:
    static const fw::ClassDescriptor& classObject()
    {
        static const fw::ClassDescriptor cls = [] {
            fw::ClassDescriptor c { "TestBusPage", &fw::NSObject::classObject() };
            c.actions["reloadSpecifiers"]
                = [](fw::NSObject& self, const fw::Args&) -> fw::ActionResult {
                ++static_cast<Page&>(self).reloads;
                return std::nullopt;
            };
            return c;
        }();
        return cls;
    }
    const fw::ClassDescriptor& isa() const override { return classObject(); }

    int reloads { 0 };
};

// Turns the event loop as the host does until `done`, for at most a generous while: signals
// from other processes arrive when the broker gets round to them.
template <class Condition> bool pumpUntil(Condition done)
{
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (true) {
        fw::NotificationBus::processIncoming();
        fw::DispatchMainQueue::drain();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        pollfd bus { fw::NotificationBus::descriptor(), POLLIN, 0 };
        poll(&bus, 1, 100);
    }
}

// A second connection, standing in for the theming component.
class Peer {
public:
    Peer()
    {
        if (sd_bus_open_user(&m_bus) < 0)
            return;
        std::string rule = std::string("type='signal',interface='") + notifyInterface + "'";
        sd_bus_add_match(m_bus, nullptr, rule.c_str(), &Peer::onSignal, this);
    }
    ~Peer() { sd_bus_flush_close_unref(m_bus); }

    bool isOpen() const { return m_bus != nullptr; }
    int heard(const std::string& name) const { return m_heard.count(name) ? m_heard.at(name) : 0; }

    bool waitFor(const std::string& name)
    {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (heard(name) == 0) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            if (sd_bus_process(m_bus, nullptr) > 0)
                continue;
            sd_bus_wait(m_bus, 100000);
        }
        return true;
    }

    void post(const char* member, const std::string& name)
    {
        sd_bus_emit_signal(m_bus, notifyPath, notifyInterface, member, "s", name.c_str());
        sd_bus_flush(m_bus);
    }

private:
    static int onSignal(sd_bus_message* message, void* self, sd_bus_error*)
    {
        const char* name = nullptr;
        if (sd_bus_message_read(message, "s", &name) >= 0 && name)
            ++static_cast<Peer*>(self)->m_heard[name];
        return 0;
    }

    sd_bus* m_bus { nullptr };
    std::map<std::string, int> m_heard;
};

class NotificationBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "no session bus (the notifications_over_dbus test provides one)";
        std::string whyNot;
        ASSERT_TRUE(fw::NotificationBus::connect(&whyNot)) << whyNot;
    }
    void TearDown() override { fw::NotificationBus::disconnect(); }
};

} // namespace

TEST_F(NotificationBus, SignalsFromAnotherProcessReachOurObservers)
{
    int updates = 0;
    auto& darwin = fw::DarwinNotifyCenter::center();
    int token = darwin.addObserver("com.tarrowvine.quillane/update", [&] { ++updates; });
    auto page = std::make_shared<Page>();
    fw::NSDistributedNotificationCenter::defaultCenter().addObserver(
        page, "reloadSpecifiers", "com.tarrowvine.quillane/presetChanged");
    fw::Journal::take();

    std::string send
        = std::string("dbus-send --session --type=signal ") + notifyPath + " " + notifyInterface;
    ASSERT_EQ(std::system((send + ".Darwin string:com.tarrowvine.quillane/update").c_str()), 0);
    ASSERT_EQ(
        std::system((send + ".Distributed string:com.tarrowvine.quillane/presetChanged").c_str()),
        0);

    EXPECT_TRUE(pumpUntil([&] { return updates == 1 && page->reloads == 1; }));
    EXPECT_TRUE(fw::Journal::take().posted.empty()) << "we did not post these";
    darwin.removeObserver(token);
    fw::NSDistributedNotificationCenter::defaultCenter().removeObserver(page.get());
}

TEST_F(NotificationBus, OurPostIsBroadcastOnceAndNotHeardBackByUs)
{
    Peer peer;
    ASSERT_TRUE(peer.isOpen());
    int heardHere = 0;
    auto& darwin = fw::DarwinNotifyCenter::center();
    int token = darwin.addObserver("qln.test/once", [&] { ++heardHere; });
    int sentinels = 0;
    int sentinelToken = darwin.addObserver("qln.test/peer-sentinel", [&] { ++sentinels; });

    darwin.postNotification("qln.test/once");
    darwin.postNotification("qln.test/sentinel");
    // Signals of one sender arrive in order: once the peer has the sentinel, it has everything.
    ASSERT_TRUE(peer.waitFor("qln.test/sentinel"));
    EXPECT_EQ(peer.heard("qln.test/once"), 1);

    // The broker hands our own signal back before anything the peer sends after receiving it.
    peer.post("Darwin", "qln.test/peer-sentinel");
    EXPECT_TRUE(pumpUntil([&] { return sentinels == 1; }));
    EXPECT_EQ(heardHere, 1);

    darwin.removeObserver(token);
    darwin.removeObserver(sentinelToken);
    fw::Journal::take();
}

TEST(NotificationBusWithoutBus, ConnectFailsWithAReason)
{
    fw::NotificationBus::disconnect();
    std::optional<std::string> address, runtimeDir;
    if (const char* value = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        address = value;
    if (const char* value = std::getenv("XDG_RUNTIME_DIR"))
        runtimeDir = value;
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::unsetenv("XDG_RUNTIME_DIR");

    std::string whyNot;
    bool connected = fw::NotificationBus::connect(&whyNot);

    if (address)
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address->c_str(), 1);
    if (runtimeDir)
        ::setenv("XDG_RUNTIME_DIR", runtimeDir->c_str(), 1);
    EXPECT_FALSE(connected);
    EXPECT_FALSE(whyNot.empty());
    EXPECT_FALSE(fw::NotificationBus::isConnected());
    EXPECT_EQ(fw::NotificationBus::descriptor(), -1);

    // Without a bus, posts still work in-process.
    int heard = 0;
    int token = fw::DarwinNotifyCenter::center().addObserver("qln.test/offline", [&] { ++heard; });
    fw::DarwinNotifyCenter::center().postNotification("qln.test/offline");
    fw::DispatchMainQueue::drain();
    EXPECT_EQ(heard, 1);
    fw::DarwinNotifyCenter::center().removeObserver(token);
    fw::Journal::take();
}

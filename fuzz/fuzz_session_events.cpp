// Protocol events of any shape, one per line, against a fresh session on a device set up once
// per process: every line is answered with a screen; nothing may crash.
#include "FuzzDevice.hpp"
#include "host/Session.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto& device = FuzzDevice::instance();
    device.restorePreferences();
    host::Session session(device.root());
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // A handful of events per input keeps each run short enough to explore widely.
    int events = 0;
    while (!input.empty() && events < 16) {
        auto end = input.find('\n');
        auto line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view {} : input.substr(end + 1);
        auto answer = session.handle(line);
        if (answer.screen.empty() || answer.screen.front() != '{') {
            std::fprintf(stderr, "an event was answered without a screen\n");
            std::abort();
        }
        ++events;
    }
    return 0;
}

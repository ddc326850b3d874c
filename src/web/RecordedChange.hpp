#pragma once

#include <functional>
#include <string>

namespace web {

// A change the server makes outside an event (a preset imported from a file, a theme made from
// the wallpaper): one step of the history, named by `label` once the change is made, else it
// would be taken for another program's; the presets page then lists the presets again, as when
// one arrives from outside. Rethrows what `change` throws, with nothing announced. On the main
// queue.
void recordAndAnnounce(
    const std::function<void()>& change, const std::function<std::string()>& label);

} // namespace web

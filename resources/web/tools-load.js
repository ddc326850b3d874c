// Loading a preset from the tools: the bundle's own Load, its confirmation
// included, as a tap on the preset's row would; a trial of the preset ends
// once the page has nothing more to ask.

import { asksToLoad } from "./tools-model.js";

// hooks: post(event) sends an event and resolves once the screen it brings
// has been shown; isModalOpen(); preview (endTrial); beforeLoad() makes the
// Settings page visible.
export function createLoader({ post, isModalOpen, preview, beforeLoad }) {
  let screen = null;
  let endAfterLoad = false;

  function endLoadedTrial() {
    endAfterLoad = false;
    preview.endTrial({ awaitPicture: true });
  }

  async function load(name) {
    if (isModalOpen()) return;
    beforeLoad();
    await post({ event: "tap", row: { fileName: name } });
    if (!asksToLoad(screen, name)) return;
    await post({ event: "alert", button: "Load" });
    endAfterLoad = true;
    if (!screen?.modal) endLoadedTrial();
  }

  // Back to the preset as saved: the bundle's own Load, with its own
  // confirmation for the user to answer.
  function discard(name) {
    if (isModalOpen()) return;
    post({ event: "tap", row: { fileName: name } });
    post({ event: "alert", button: "Load" });
  }

  // Every screen, as it is shown.
  function update(next) {
    screen = next;
    if (endAfterLoad && !next.modal) endLoadedTrial();
  }

  return { load, discard, update };
}

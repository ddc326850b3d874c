// A small copy of one part of the picture, for the picker on a phone-sized
// screen, where the picture itself is on another tab.

import { el } from "./dom.js";

// The module or panel under `content` that draws the first of `keys`, as
// painted now, in a frame of `screen`'s appearance; null when none does.
export function partPicture(screen, content, keys) {
  const node = [...content.querySelectorAll("[data-key]")].find((n) =>
    n.dataset.key.split(" ").some((k) => keys.includes(k)),
  );
  const part = node?.closest(".cc-module, .cc-scene-panel, .cc-head");
  if (!part) return null;
  const frame = el("div", "cc-screen cc-mini");
  frame.dataset.appearance = screen.dataset.appearance ?? "light";
  frame.setAttribute("aria-hidden", "true");
  const grid = el("div", "cc-grid cc-mini-grid");
  const copy = part.cloneNode(true);
  copy.removeAttribute("tabindex");
  for (const n of copy.querySelectorAll("[tabindex], button")) n.tabIndex = -1;
  grid.append(copy);
  frame.append(el("div", "cc-wallpaper"), grid);
  return frame;
}

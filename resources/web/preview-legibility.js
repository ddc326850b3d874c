// Glyphs and text the user's colours make hard to read: a labelled warning
// in the picture for each, and the contrast line of the picker.

import { el } from "./dom.js";
import { legibility, ratioText, withPending } from "./preview-model.js";

// The warnings, listed in `place` beside the picture, whose glyphs and texts
// they name get a dashed outline in the picture.
export function createWarnings(place, screen) {
  const box = el("div", "cc-warnings");
  box.setAttribute("role", "status");
  box.dataset.testid = "preview-warnings";
  box.hidden = true;
  place.append(box);

  let shown = "";
  function paint(preview) {
    const low = legibility(preview).filter((pair) => pair.warn);
    const text = JSON.stringify(
      low.map((pair) => [pair.foreground, pair.part, ratioText(pair.ratio)]),
    );
    // A drag repaints many times a second; the list changes far less often.
    if (text === shown) return;
    shown = text;
    const keys = new Set(low.map((pair) => pair.foreground));
    for (const node of screen.querySelectorAll("[data-key]")) {
      node.classList.toggle(
        "cc-low-contrast",
        node.dataset.key.split(" ").some((key) => keys.has(key)),
      );
    }
    box.hidden = low.length === 0;
    box.replaceChildren(
      ...(low.length ? [el("p", "cc-warnings-title", "Hard to read")] : []),
      ...low.map((pair) => {
        const line = el(
          "p",
          "cc-warning",
          `${pair.part}: ${ratioText(pair.ratio)}, needs ${ratioText(pair.minimum)}`,
        );
        line.dataset.key = pair.foreground;
        return line;
      }),
    );
  }
  return { paint };
}

// The contrast the picker's colour gives the first pair it is part of, as a
// line for the picker: "Wi-Fi glyph: 4.0:1 contrast", or "" for none.
export function contrastLine(preview, keys, colour) {
  if (!preview || !keys?.length) return "";
  const drawn = colour ? withPending(preview, keys, colour) : preview;
  const pair = legibility(drawn).find(
    (p) => keys.includes(p.foreground) || keys.includes(p.background),
  );
  if (!pair) return "";
  const verdict =
    pair.ratio < pair.minimum ? ` — below ${ratioText(pair.minimum)}, hard to read` : "";
  return `${pair.part}: ${ratioText(pair.ratio)} contrast${verdict}`;
}

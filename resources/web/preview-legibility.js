// Glyphs and text the user's colours make hard to read, and states that look
// alike: a labelled warning in the picture for each, as the chosen vision
// sees them, and the contrast line of the picker.

import { el } from "./dom.js";
import {
  confusableStates,
  drawnPairs,
  isDrawn,
  legibility,
  ratioText,
  withPending,
} from "./preview-model.js";
import { visionOf } from "./vision.js";

// The warnings: a button in the picture's toolbar that counts them, and the
// list it opens over the picture (so that neither the list nor its arrival
// takes room from the picture), for every state the user coloured, each
// naming its state; the glyphs and texts the picture draws now among them
// (the state the page edits) come first and get a dashed outline in the
// picture. `head`: the toolbar's row the button goes in.
export function createWarnings(head, screen) {
  const box = el("div", "cc-warnings");
  box.setAttribute("role", "status");
  box.dataset.testid = "preview-warnings";
  box.hidden = true;
  const toggle = el("button", "cc-warnings-button");
  toggle.type = "button";
  toggle.setAttribute("aria-expanded", "false");
  toggle.setAttribute("aria-controls", "cc-warnings-list");
  toggle.dataset.testid = "preview-warnings-button";
  const list = el("div", "cc-warnings-list");
  list.id = "cc-warnings-list";
  list.hidden = true;
  box.append(toggle, list);
  // Before the picture's own buttons (Find Row, Device), which come after it.
  head.append(box);

  const open = (on) => {
    list.hidden = !on;
    toggle.setAttribute("aria-expanded", String(on));
  };
  toggle.addEventListener("click", () => open(list.hidden));
  box.addEventListener("keydown", (e) => {
    if (e.key !== "Escape" || list.hidden) return;
    e.preventDefault();
    open(false);
    toggle.focus();
  });
  document.addEventListener("click", (e) => {
    if (!list.hidden && !box.contains(e.target)) open(false);
  });

  let shown = "";
  function paint(preview, vision = "typical") {
    const drawn = drawnPairs(preview);
    const low = legibility(preview, vision).filter((pair) => pair.warn);
    const here = low.filter((pair) => isDrawn(pair, drawn));
    const listed = [...here, ...low.filter((pair) => !isDrawn(pair, drawn))];
    const alike = confusableStates(preview, vision);
    const text = JSON.stringify([
      vision,
      here.map((pair) => [pair.foreground, pair.background]),
      listed.map((pair) => [pair.part, pair.state, ratioText(pair.ratio)]),
      alike.map((pair) => [pair.part, pair.difference.toFixed(1)]),
    ]);
    // A drag repaints many times a second; the list changes far less often.
    if (text === shown) return;
    shown = text;
    for (const node of screen.querySelectorAll("[data-key]")) {
      const keys = node.dataset.key.split(" ");
      const over = node.dataset.over;
      node.classList.toggle(
        "cc-low-contrast",
        here.some((p) => keys.includes(p.foreground) && (!over || over === p.background)),
      );
    }
    const count = listed.length + alike.length;
    box.hidden = count === 0;
    if (box.hidden) open(false);
    toggle.textContent = !alike.length
      ? `${count} Hard to Read`
      : !listed.length
        ? `${count} Look Alike`
        : `${count} Warnings`;
    const seen = vision === "typical" ? "" : ` with ${visionOf(vision).title}`;
    list.replaceChildren(
      ...(listed.length ? [el("p", "cc-warnings-title", `Hard to read${seen}`)] : []),
      ...listed.map((pair) => {
        const state = pair.state ? ` (${pair.state})` : "";
        const line = el(
          "p",
          "cc-warning",
          `${pair.part}${state}: ${ratioText(pair.ratio)}, needs ${ratioText(pair.minimum)}`,
        );
        line.dataset.key = pair.foreground;
        if (pair.state) line.dataset.state = pair.state;
        return line;
      }),
      ...(alike.length ? [el("p", "cc-warnings-title", `States that look alike${seen}`)] : []),
      ...alike.map((pair) => {
        const line = el(
          "p",
          "cc-warning",
          `${pair.part}: enabled and disabled differ by ΔE ${pair.difference.toFixed(1)}, needs ${pair.minimum}`,
        );
        // Not data-key: that marks what the picture draws in a key's colour.
        line.dataset.states = `${pair.enabled} ${pair.disabled}`;
        line.dataset.confusable = "true";
        return line;
      }),
    );
  }
  return { paint };
}

// The contrast the picker's colour gives the first pair it is part of, as a
// line for the picker: "Wi-Fi glyph: 4.0:1 contrast", or "" for none.
export function contrastLine(preview, keys, colour, vision = "typical") {
  if (!preview || !keys?.length) return "";
  const drawn = colour ? withPending(preview, keys, colour) : preview;
  const pair = legibility(drawn, vision).find(
    (p) => keys.includes(p.foreground) || keys.includes(p.background),
  );
  if (!pair) return "";
  const verdict =
    pair.ratio < pair.minimum ? ` — below ${ratioText(pair.minimum)}, hard to read` : "";
  const seen = vision === "typical" ? "" : ` with ${visionOf(vision).title}`;
  return `${pair.part}: ${ratioText(pair.ratio)} contrast${seen}${verdict}`;
}

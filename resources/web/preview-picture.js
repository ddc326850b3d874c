// The picture of Control Center and its toolbar: built for a picture's shape,
// painted for its colours. What to draw is decided elsewhere (preview.js);
// this only draws it.

import { el } from "./dom.js";
import { BACKDROP, coloursByKey, shownKeys } from "./preview-model.js";
import { buildGrid, gridHead, statusBar } from "./preview-grid.js";
import { keyed, paintKeyed } from "./preview-parts.js";
import { createFinder } from "./preview-find.js";
import { createWarnings } from "./preview-legibility.js";
import { paintToolbar, showRefusal, toolbar } from "./preview-toolbar.js";
import { buildScenes } from "./preview-scenes.js";
import { createSceneTabs } from "./preview-scene-tabs.js";
import { outlineEditing, paintModules, pictureDescription, setAttr } from "./preview-paint.js";
import { partPicture } from "./preview-mini.js";
import { visionFilters } from "./vision.js";

// The toolbar above the screen, and the screen's layers.
function frame(root, act, onVision) {
  const screen = el("div", "cc-screen");
  screen.dataset.testid = "preview-screen";
  const wallpaper = el("div", "cc-wallpaper");
  wallpaper.setAttribute("role", "img");
  wallpaper.dataset.testid = "preview-picture";
  const tint = keyed("div", "cc-tint", { background: "backgroundTint" });
  const status = statusBar(new Set());
  const content = el("div", "cc-content");
  const tools = toolbar(act, onVision);
  const tabs = createSceneTabs(tools.bar);
  screen.append(wallpaper, tint, status, content);
  root.replaceChildren(tools.bar, screen, visionFilters());
  const warnings = createWarnings(tools.bar.querySelector(".cc-toolbar-head"), screen);
  return { screen, wallpaper, status, content, tools, tabs, warnings };
}

// The part that had the keyboard keeps it when the picture is built anew.
function keepingFocus(content, build) {
  const focused = document.activeElement?.closest?.(".cc-content [data-focus-key]")?.dataset
    .focusKey;
  build();
  if (focused)
    content
      .querySelector(`[data-focus-key="${CSS.escape(focused)}"]`)
      ?.focus({ preventScroll: true });
}

// `act(action)` sends a toggle's or the appearance switch's action;
// `onFindKey(key)` goes to the row of a part found.
export function createPicture(root, { act, onFindKey, onVision = () => {} }) {
  let vision = "typical";
  let last = null;
  const view = frame(root, act, (next) => {
    vision = next;
    view.screen.style.filter = vision === "typical" ? "" : `url(#cc-vision-${vision})`;
    view.screen.dataset.vision = vision;
    if (last) view.warnings.paint(last, vision);
    onVision(vision);
  });
  const { screen, content, tools, tabs } = view;
  const finder = createFinder(
    tools.bar.querySelector(".cc-toolbar-head"),
    screen,
    content,
    onFindKey,
  );
  let parts = null;
  let editing = []; // the keys of the open picker's row

  function rebuild(preview) {
    keepingFocus(content, () => {
      const shown = shownKeys(preview);
      parts = buildGrid(preview, act, tabs.open);
      parts.main = el("div", "cc-main");
      parts.main.dataset.scene = "cc";
      parts.main.append(gridHead(shown), parts.grid);
      const scenes = buildScenes(preview);
      content.replaceChildren(parts.main, ...scenes.map((s) => s.node));
      const status = statusBar(shown);
      view.status.replaceWith(status);
      view.status = status;
      tabs.set(parts.main, scenes);
    });
  }

  // `only`: the keys whose colour changed (a drag), else everything;
  // `pending`: a picker's colour is drawn before the server has it.
  function paint(preview, { only = null, pending = false } = {}) {
    const appearance = preview.appearance === "dark" ? "dark" : "light";
    setAttr(screen, "data-appearance", appearance);
    setAttr(view.wallpaper, "aria-label", pictureDescription(preview, appearance));
    screen.classList.toggle("cc-live", pending);
    paintToolbar(tools, preview, appearance);
    paintModules(parts, preview, BACKDROP[appearance]);
    paintKeyed(screen, coloursByKey(preview), only);
    last = preview;
    view.warnings.paint(preview, vision);
    if (only) return;
    outlineEditing(screen, editing);
    finder.refresh();
  }

  return {
    screen,
    rebuild,
    paint,
    open: tabs.open,
    // Outlines the parts the open picker colours.
    setEditing(keys) {
      editing = keys ?? [];
      outlineEditing(screen, editing);
    },
    showError: (message) => showRefusal(tools.note, message),
    // Where focus goes when the trial's marker that had it goes.
    focusAppearance: () =>
      tools.buttons.find((b) => b.getAttribute("aria-checked") === "true")?.focus(),
    partPicture: (keys) => partPicture(screen, content, keys),
    // How the picture is seen: "typical" or a simulated vision's name.
    vision: () => vision,
  };
}

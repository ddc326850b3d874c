// The Control Center preview: a picture of Control Center drawn from the
// theming component's palette, redrawn whenever the server sends a new one.
// Its toggles, tiles and the appearance switch act on the theming component,
// whose answer is the next picture.

import { el } from "./dom.js";
import {
  BACKDROP,
  colourCss,
  colourForKey,
  coloursByKey,
  describeColour,
  glyphColour,
  isPreview,
  previewShape,
  shownKeys,
  withEditedState,
  withPending,
} from "./preview-model.js";
import { buildGrid, gridHead, statusBar } from "./preview-grid.js";
import { keyed, paintKeyed } from "./preview-parts.js";
import { createFinder } from "./preview-find.js";
import { contrastLine, createWarnings } from "./preview-legibility.js";
import { noteText, toolbar } from "./preview-toolbar.js";
import { buildScenes } from "./preview-scenes.js";
import { createTrial } from "./preview-trial.js";

// ---- painting ------------------------------------------------------------

// Attribute writes restyle the picture even when nothing changes: a drag
// repaints often, so only changes are written.
function setAttr(node, name, value) {
  if (node.getAttribute(name) !== value) node.setAttribute(name, value);
}

function paintToggles(parts, preview, backdrop) {
  parts.connectivity.module.style.background = colourCss(preview.connectivityBackground);
  setAttr(parts.connectivity.module, "data-key", preview.connectivityBackground?.key ?? "");
  for (const toggle of preview.connectivity) {
    const b = parts.connectivity.toggles.get(toggle.name);
    if (!b) continue;
    b.style.backgroundColor = colourCss(toggle.background);
    b.style.color = glyphColour(
      toggle.glyph,
      [preview.connectivityBackground, toggle.background],
      backdrop,
    );
    const glyph = b.querySelector(".cc-toggle-glyph");
    setAttr(glyph, "data-key", toggle.glyph?.key ?? "");
    setAttr(b, "aria-pressed", String(toggle.enabled === true));
    setAttr(b, "aria-label", toggle.title || toggle.name);
    setAttr(b, "data-key", toggle.background?.key ?? "");
    setAttr(b, "data-source", toggle.background?.source ?? "");
    setAttr(
      b,
      "title",
      `${toggle.title}: ${toggle.enabled ? "on" : "off"}\n${describeColour(toggle.background)}\n${describeColour(toggle.glyph)}`,
    );
  }
}

function paintSlider(part, colours, backdrop) {
  part.module.style.background = colourCss(colours?.background);
  part.fill.style.background = colourCss(colours?.fill);
  part.icon.style.color = glyphColour(
    colours?.glyph,
    [colours?.background, colours?.fill],
    backdrop,
  );
}

function paintTiles(parts, preview, backdrop) {
  const glyph = colourForKey(preview, "moduleGlyph");
  for (const tile of preview.modules ?? []) {
    const b = parts.tiles.get(tile.identifier);
    if (!b) continue;
    // A module no row colours keeps its stock colour and names no key.
    const state = b.querySelector(".cc-tile-state");
    state.style.backgroundColor = colourCss(tile.colour);
    setAttr(state, "data-key", tile.coloured === false ? "" : (tile.colour?.key ?? ""));
    b.style.color = glyphColour(glyph, [preview.moduleBackground, tile.colour], backdrop);
    setAttr(b, "aria-pressed", String(tile.enabled === true));
    setAttr(b, "aria-label", tile.name || tile.identifier);
    setAttr(
      b,
      "title",
      `${tile.name}: ${tile.enabled ? "on" : "off"}\n${describeColour(tile.colour)}`,
    );
  }
}

// ---- the component ---------------------------------------------------------

// `root` is the element to draw in; hooks.onError(message), when given, hears
// of a refused or failed action too.
// The picture is one image to assistive technology: it shows the user's own
// colours, which may be illegible by choice, so it is told in words; its
// toggles and tiles stay separate controls beside it.
function pictureDescription(preview, appearance) {
  const toggles = preview.connectivity.map(
    (t) => `${t.title || t.name} ${t.enabled ? "on" : "off"}`,
  );
  const tiles = (preview.modules ?? []).map(
    (t) => `${t.name || t.identifier} ${t.enabled ? "on" : "off"}`,
  );
  const parts = [
    `Control Center in the ${appearance} appearance`,
    `connectivity: ${toggles.join(", ")}`,
  ];
  parts.push("now playing, brightness and volume");
  if (tiles.length > 0) parts.push(`modules: ${tiles.join(", ")}`);
  return parts.join("; ");
}

export function createPreview(root, hooks = {}) {
  let last = null;
  let shape = null;
  let parts = null;
  let chain = Promise.resolve();
  let streamed = 0; // pictures heard on the stream
  let received = null; // the last picture drawn, as the server sent it
  let live = null; // the server's newest picture of the settings in use

  const screen = el("div", "cc-screen");
  screen.dataset.testid = "preview-screen";
  const wallpaper = el("div", "cc-wallpaper");
  wallpaper.setAttribute("role", "img");
  wallpaper.dataset.testid = "preview-picture";
  const tint = keyed("div", "cc-tint", { background: "backgroundTint" });
  let status = statusBar(new Set());
  const content = el("div", "cc-content");
  const { bar, buttons, note } = toolbar(act);
  const sceneTabs = el("div", "segmented cc-scenes");
  sceneTabs.setAttribute("role", "tablist");
  sceneTabs.setAttribute("aria-label", "Part of Control Center shown");
  bar.append(sceneTabs);
  // The arrow keys move between the scenes, as between any tabs.
  sceneTabs.addEventListener("keydown", (e) => {
    const step = { ArrowLeft: -1, ArrowRight: 1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const tabs = [...sceneTabs.children];
    const next = tabs[(tabs.indexOf(document.activeElement) + step + tabs.length) % tabs.length];
    next?.focus();
    next?.click();
  });
  screen.append(wallpaper, tint, status, content);
  root.replaceChildren(bar, screen);
  const warnings = createWarnings(bar, screen);
  let scene = "cc";
  let scenes = [];
  let pending = null; // {keys, colour} the open picker shows before the server has it
  let edited = null; // the state the connectivity or toggles page edits, while on top
  let editing = []; // the keys of the open picker's row

  // A refused action is told in the caption, which either layout shows,
  // until the next picture.
  function showError(message) {
    note.textContent = message;
    note.classList.add("cc-note-error");
    hooks.onError?.(message);
  }

  // An answer may be older than a picture the stream brought meanwhile: the
  // theming component re-reads the files after an action has been answered
  // (an appearance's preset comes in after the switch), and the stream always
  // ends on its newest picture. So an answer is drawn only while the stream
  // has been quiet since the request went out.
  async function request(init) {
    const heard = streamed;
    let response;
    try {
      response = await fetch("/api/preview", init);
    } catch {
      showError("The settings host cannot be reached.");
      return;
    }
    const answer = await response.json().catch(() => null);
    if (!response.ok || !isPreview(answer))
      showError(answer?.error || `The preview answered ${response.status}.`);
    else if (streamed === heard) draw(answer, { force: true });
  }

  // Actions go out one at a time, each drawn from its answer (see above).
  // A toggle or appearance changes the tried preset's picture too.
  function act(action) {
    chain = chain
      .then(() =>
        request({
          method: "POST",
          headers: { "Content-Type": "application/json" },
          body: JSON.stringify(action),
        }),
      )
      .then(() => trial.refresh());
    return chain;
  }

  // Shows one scene: Control Center itself ("cc") or one shown on demand.
  function open(id) {
    scene = scenes.some((s) => s.id === id) ? id : "cc";
    parts.main.hidden = scene !== "cc";
    for (const s of scenes) s.node.hidden = s.id !== scene;
    for (const tab of sceneTabs.children) {
      const selected = tab.dataset.sceneTab === scene;
      tab.setAttribute("aria-selected", String(selected));
      tab.tabIndex = selected ? 0 : -1;
    }
  }

  function sceneTab(id, title) {
    const tab = el("button", "segment", title);
    tab.type = "button";
    tab.setAttribute("role", "tab");
    tab.dataset.sceneTab = id;
    tab.addEventListener("click", () => open(id));
    return tab;
  }

  function rebuild(preview) {
    const focused = document.activeElement?.closest?.(".cc-content [data-focus-key]")?.dataset
      .focusKey;
    const shown = shownKeys(preview);
    parts = buildGrid(preview, act, open);
    parts.main = el("div", "cc-main");
    parts.main.dataset.scene = "cc";
    parts.main.append(gridHead(shown), parts.grid);
    scenes = buildScenes(preview);
    content.replaceChildren(parts.main, ...scenes.map((s) => s.node));
    sceneTabs.replaceChildren(
      sceneTab("cc", "Control Center"),
      ...scenes.map((s) => sceneTab(s.id, s.title)),
    );
    const nextStatus = statusBar(shown);
    status.replaceWith(nextStatus);
    status = nextStatus;
    open(scene);
    if (focused)
      content
        .querySelector(`[data-focus-key="${CSS.escape(focused)}"]`)
        ?.focus({ preventScroll: true });
  }

  // `only`: the keys whose colour changed (a drag), else everything.
  function paint(preview, only = null) {
    const appearance = preview.appearance === "dark" ? "dark" : "light";
    const backdrop = BACKDROP[appearance];
    setAttr(screen, "data-appearance", appearance);
    setAttr(wallpaper, "aria-label", pictureDescription(preview, appearance));
    screen.classList.toggle("cc-live", pending !== null);
    for (const b of buttons)
      setAttr(b, "aria-checked", String(b.dataset.appearance === appearance));
    for (const b of buttons)
      setAttr(b, "tabindex", b.dataset.appearance === appearance ? "0" : "-1");
    const caption = noteText(preview);
    if (note.textContent !== caption || note.classList.contains("cc-note-error")) {
      note.textContent = caption;
      note.classList.remove("cc-note-error");
    }
    paintToggles(parts, preview, backdrop);
    paintSlider(parts.brightness, preview.brightness, backdrop);
    paintSlider(parts.volume, preview.volume, backdrop);
    paintTiles(parts, preview, backdrop);
    paintKeyed(screen, coloursByKey(preview), only);
    warnings.paint(preview);
    if (only) return;
    outlineEditing();
    finder.refresh();
  }

  // A preset shown as it would look once loaded, instead of the settings in use.
  const trial = createTrial(screen, {
    show,
    live: () => live,
    // Focus leaves the marker for the appearance switch beside the picture.
    focusAfter: () => buttons.find((b) => b.getAttribute("aria-checked") === "true")?.focus(),
    onError: showError,
    onChange: (name) => hooks.onTrialChange?.(name),
    onLoad: (name) => hooks.onTrialLoad?.(name),
  });

  const finder = createFinder(bar.querySelector(".cc-toolbar-head"), screen, content, (key) =>
    hooks.onFindKey?.(key),
  );

  // A picture of the settings in use. While a preset is tried it is kept
  // for the end of the trial, not drawn.
  function draw(preview, options = {}) {
    if (!isPreview(preview)) return;
    live = preview;
    if (!trial.holdsPicture()) show(preview, options);
  }

  // `force` repaints an unchanged picture too, so an answer clears an error.
  function show(preview, { force = false } = {}) {
    const json = JSON.stringify(preview);
    if (json === last && !force) return;
    last = json;
    received = preview;
    const nextShape = previewShape(preview);
    if (nextShape !== shape || !parts) rebuild(preview);
    shape = nextShape;
    paint(drawn());
  }

  // The server's picture with the edited state and the picker's colour over it.
  function drawn() {
    const shown = withEditedState(received, edited);
    return pending ? withPending(shown, pending.keys, pending.colour) : shown;
  }

  function setEditedState(next) {
    if (JSON.stringify(next) === JSON.stringify(edited)) return;
    edited = next;
    if (received) paint(drawn());
  }

  // Outlines the parts the open picker colours.
  function setEditing(keys) {
    editing = keys ?? [];
    outlineEditing();
  }
  function outlineEditing() {
    for (const node of screen.querySelectorAll("[data-key]")) {
      const keys = node.dataset.key.split(" ");
      node.classList.toggle(
        "cc-editing",
        editing.some((k) => keys.includes(k)),
      );
    }
  }

  // The open picker's colour on `keys`, drawn at once; null when it closes.
  // The server's next picture marks the same keys pending, then stored.
  function showPending(keys, colour) {
    pending = keys && colour ? { keys, colour } : null;
    if (received) paint(drawn(), pending ? new Set(keys) : null);
  }

  // A picture from the server's event stream.
  function receive(preview) {
    if (!isPreview(preview)) return;
    streamed++;
    draw(preview);
  }

  function load() {
    return request({ headers: { Accept: "application/json" } });
  }

  // The picker's contrast line for the keys it edits, with its colour.
  const contrastFor = (keys, colour) => contrastLine(received, keys, colour);

  // Where a key's row is: the layout file of its page, or null.
  const layoutOf = (key) =>
    received?.groups?.find((g) => g.entries?.some((e) => e.colour?.key === key))?.layout ?? null;

  // A small copy of the module or panel that draws the first of `keys`, as
  // painted now, for the picker on a phone-sized screen; null when none does.
  function partPicture(keys) {
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

  return {
    receive,
    load,
    act,
    open,
    showPending,
    contrastFor,
    tryPreset: trial.tryPreset,
    endTrial: trial.end,
    trialName: trial.name,
    setEditedState,
    setEditing,
    layoutOf,
    partPicture,
  };
}

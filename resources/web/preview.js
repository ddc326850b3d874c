// The Control Center preview: a picture of Control Center drawn from the
// theming component's palette, redrawn whenever the server sends a new one.
// Its toggles, tiles and the appearance switch act on the theming component,
// whose answer is the next picture.

import { el } from "./dom.js";
import { connectivityGlyph, mediaGlyph, moduleGlyph, sliderGlyph, STATUS_GLYPHS } from "./glyphs.js";
import {
  BACKDROP,
  colourCss,
  colourForKey,
  coloursByKey,
  describeColour,
  glyphColour,
  initialOf,
  isPreview,
  isWideTile,
  previewShape,
  shownKeys,
  withEditedState,
  withPending,
} from "./preview-model.js";
import { GLYPHS, keyed, keyedBar, keyedGlyph, paintKeyed, setPaints } from "./preview-parts.js";
import { createFinder } from "./preview-find.js";
import { contrastLine, createWarnings } from "./preview-legibility.js";
import { noteText, toolbar } from "./preview-toolbar.js";
import { buildScenes, tweakTiles } from "./preview-scenes.js";

// How far the sliders are drawn filled.
const LEVELS = { brightness: 0.62, volume: 0.44 };

// ---- building ------------------------------------------------------------

function toggleButton(toggle, act) {
  const b = el("button", "cc-toggle");
  b.type = "button";
  b.dataset.name = toggle.name;
  b.dataset.focusKey = `cc-toggle:${toggle.name}`;
  const glyph = el("span", "cc-toggle-glyph");
  glyph.innerHTML = connectivityGlyph(toggle.name);
  b.append(glyph);
  b.addEventListener("click", () => act({ toggle: toggle.name }));
  return b;
}

function connectivityModule(preview, act) {
  const module = el("div", "cc-module cc-connectivity");
  module.setAttribute("role", "group");
  module.setAttribute("aria-label", "Connectivity");
  const toggles = new Map();
  for (const toggle of preview.connectivity) {
    const b = toggleButton(toggle, act);
    toggles.set(toggle.name, b);
    module.append(b);
  }
  return { module, toggles };
}

function glyphSpan(className, svg) {
  const span = el("span", className);
  span.innerHTML = svg;
  return span;
}

// The compact media module; a tap expands it.
function mediaModule(open) {
  const module = keyed("div", "cc-module cc-media", { background: "mediaContainerBackground" });
  module.setAttribute("role", "button");
  module.setAttribute("aria-label", "Media controls: expand");
  module.tabIndex = 0;
  module.dataset.opens = "expanded";
  module.dataset.focusKey = "cc-media";
  module.addEventListener("click", () => open("expanded"));
  module.addEventListener("keydown", (e) => {
    if (e.key !== "Enter" && e.key !== " ") return;
    e.preventDefault();
    open("expanded");
  });
  const top = el("div", "cc-media-top");
  top.append(
    keyed("span", "cc-artwork", { background: "mediaArtworkPlaceholder" }),
    keyedGlyph("cc-media-airplay", "mediaRoutingButton", mediaGlyph("airplay")),
  );
  const title = keyed("div", "cc-media-title", { color: "mediaTitleText" }, "Harbour Lights");
  const subtitle = keyed("div", "cc-media-subtitle", { color: "mediaSubtitleText" }, "The Lanterns — Tidewater");
  const progress = keyedBar("cc-progress", "mediaProgressTrack", "mediaProgressFill", 0.36).bar;
  const times = keyed("div", "cc-media-times", { color: "mediaTimeText" });
  times.append(el("span", null, "1:24"), el("span", null, "-2:31"));
  const controls = el("div", "cc-media-controls");
  controls.append(
    keyedGlyph("cc-media-skip", "mediaSkipButtons", mediaGlyph("previous")),
    keyedGlyph("cc-media-play", "mediaPlayPauseButton", mediaGlyph("pause")),
    keyedGlyph("cc-media-skip", "mediaSkipButtons", mediaGlyph("next")),
  );
  module.append(top, title, subtitle, progress, times, controls);
  return { module };
}

function slider(kind, label, glyph) {
  const module = el("div", `cc-module cc-slider cc-slider-${kind}`);
  module.setAttribute("role", "img");
  module.setAttribute("aria-label", label);
  module.dataset.key = `${kind}ContainerBackground`;
  const fill = el("span", "cc-slider-fill");
  fill.dataset.key = `${kind}Fill`;
  fill.style.height = `${LEVELS[kind] * 100}%`;
  const icon = glyphSpan("cc-slider-glyph", sliderGlyph(glyph));
  icon.dataset.key = `${kind}Glyph`;
  module.append(fill, icon);
  return { module, fill, icon };
}

// CCRingerModule's slider, coloured by its own keys.
function ringerSlider() {
  const module = keyed("div", "cc-module cc-slider cc-slider-ringer", { background: "ringerContainerBackground" });
  module.setAttribute("role", "img");
  module.setAttribute("aria-label", "Ringer");
  const fill = keyed("span", "cc-slider-fill", { background: "ringerFill" });
  fill.style.height = "70%";
  module.append(fill, keyedGlyph("cc-slider-glyph", "ringerGlyph", GLYPHS.bell));
  return module;
}

function moduleTile(tile, act) {
  const b = el("button", "cc-module cc-tile");
  b.type = "button";
  b.dataset.identifier = tile.identifier;
  b.dataset.focusKey = `cc-tile:${tile.identifier}`;
  // The module background shows through the state's colour, which paints over it.
  setPaints(b, { background: "moduleContainerBackground" });
  b.append(el("span", "cc-tile-state"));
  const glyph = moduleGlyph(tile.identifier);
  const icon = glyph ? glyphSpan("cc-tile-glyph", glyph) : el("span", "cc-tile-glyph cc-tile-initial", initialOf(tile.name));
  icon.dataset.key = "moduleGlyph";
  b.append(icon);
  if (isWideTile(tile)) {
    b.classList.add("cc-tile-wide");
    b.append(keyed("span", "cc-tile-title", { color: "moduleText" }, tile.name));
  }
  b.addEventListener("click", () => act({ toggle: tile.identifier }));
  return b;
}

// The status bar follows its row only where the pages show it (not under Prysm).
function statusBar(shown) {
  const bar = shown.has("statusBarText") ? keyed("div", "cc-statusbar", { color: "statusBarText" }) : el("div", "cc-statusbar");
  bar.setAttribute("aria-hidden", "true");
  const right = el("span", "cc-status-right");
  right.innerHTML = STATUS_GLYPHS;
  right.prepend(el("span", "cc-status-percent", "82%"));
  bar.append(el("span", "cc-status-carrier", "Carrier"), right);
  return bar;
}

function buildGrid(preview, act, open) {
  const shown = shownKeys(preview);
  const grid = el("div", "cc-grid");
  const connectivity = connectivityModule(preview, act);
  const media = mediaModule(open);
  const brightness = slider("brightness", "Brightness", "sun");
  const volume = slider("volume", "Volume", "speaker");
  const tiles = new Map();
  grid.append(connectivity.module, media.module, brightness.module, volume.module);
  if (shown.has("ringerFill")) grid.append(ringerSlider());
  const tweaks = new Map(tweakTiles(preview, open).map((t) => [t.identifier, t.tile]));
  for (const tile of preview.modules ?? []) {
    const own = tweaks.get(tile.identifier);
    if (own) {
      grid.append(own);
      tweaks.delete(tile.identifier);
      continue;
    }
    const b = moduleTile(tile, act);
    tiles.set(tile.identifier, b);
    grid.append(b);
  }
  // A tweak's module the user has not placed still shows, after the others.
  grid.append(...tweaks.values());
  return { grid, connectivity, media, brightness, volume, tiles };
}

// What sits above the modules: the dismiss chevron (stock Control Center
// only) and the status message of the last toggle.
function gridHead(shown) {
  const head = el("div", "cc-head");
  if (shown.has("chevronGlyph")) head.append(keyedGlyph("cc-chevron", "chevronGlyph", GLYPHS.chevron));
  head.append(keyed("div", "cc-status-message", { color: "statusText" }, "Wi-Fi: Harbour Guest"));
  return head;
}

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
    b.style.color = glyphColour(toggle.glyph, [preview.connectivityBackground, toggle.background], backdrop);
    const glyph = b.querySelector(".cc-toggle-glyph");
    setAttr(glyph, "data-key", toggle.glyph?.key ?? "");
    setAttr(b, "aria-pressed", String(toggle.enabled === true));
    setAttr(b, "aria-label", toggle.title || toggle.name);
    setAttr(b, "data-key", toggle.background?.key ?? "");
    setAttr(b, "data-source", toggle.background?.source ?? "");
    setAttr(b, "title", `${toggle.title}: ${toggle.enabled ? "on" : "off"}\n${describeColour(toggle.background)}\n${describeColour(toggle.glyph)}`);
  }
}

function paintSlider(part, colours, backdrop) {
  part.module.style.background = colourCss(colours?.background);
  part.fill.style.background = colourCss(colours?.fill);
  part.icon.style.color = glyphColour(colours?.glyph, [colours?.background, colours?.fill], backdrop);
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
    setAttr(b, "title", `${tile.name}: ${tile.enabled ? "on" : "off"}\n${describeColour(tile.colour)}`);
  }
}

// ---- the component ---------------------------------------------------------

// `root` is the element to draw in; hooks.onError(message), when given, hears
// of a refused or failed action too.
export function createPreview(root, hooks = {}) {
  let last = null;
  let shape = null;
  let parts = null;
  let chain = Promise.resolve();
  let streamed = 0; // pictures heard on the stream
  let received = null; // the last picture drawn, as the server sent it

  const screen = el("div", "cc-screen");
  screen.dataset.testid = "preview-screen";
  const wallpaper = el("div", "cc-wallpaper");
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
    if (!response.ok || !isPreview(answer)) showError(answer?.error || `The preview answered ${response.status}.`);
    else if (streamed === heard) draw(answer, { force: true });
  }

  // Actions go out one at a time, each drawn from its answer (see above).
  function act(action) {
    chain = chain.then(() =>
      request({ method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(action) }),
    );
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
    const focused = document.activeElement?.closest?.(".cc-content [data-focus-key]")?.dataset.focusKey;
    const shown = shownKeys(preview);
    parts = buildGrid(preview, act, open);
    parts.main = el("div", "cc-main");
    parts.main.dataset.scene = "cc";
    parts.main.append(gridHead(shown), parts.grid);
    scenes = buildScenes(preview);
    content.replaceChildren(parts.main, ...scenes.map((s) => s.node));
    sceneTabs.replaceChildren(sceneTab("cc", "Control Center"), ...scenes.map((s) => sceneTab(s.id, s.title)));
    const nextStatus = statusBar(shown);
    status.replaceWith(nextStatus);
    status = nextStatus;
    open(scene);
    if (focused) content.querySelector(`[data-focus-key="${CSS.escape(focused)}"]`)?.focus({ preventScroll: true });
  }

  // `only`: the keys whose colour changed (a drag), else everything.
  function paint(preview, only = null) {
    const appearance = preview.appearance === "dark" ? "dark" : "light";
    const backdrop = BACKDROP[appearance];
    setAttr(screen, "data-appearance", appearance);
    screen.classList.toggle("cc-live", pending !== null);
    for (const b of buttons) setAttr(b, "aria-checked", String(b.dataset.appearance === appearance));
    for (const b of buttons) setAttr(b, "tabindex", b.dataset.appearance === appearance ? "0" : "-1");
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

  const finder = createFinder(bar.querySelector(".cc-toolbar-head"), screen, content, (key) => hooks.onFindKey?.(key));


  // `force` repaints an unchanged picture too, so an answer clears an error.
  function draw(preview, { force = false } = {}) {
    if (!isPreview(preview)) return;
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
      node.classList.toggle("cc-editing", editing.some((k) => keys.includes(k)));
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
    const node = [...content.querySelectorAll("[data-key]")].find((n) => n.dataset.key.split(" ").some((k) => keys.includes(k)));
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

  return { receive, load, act, open, showPending, contrastFor, setEditedState, setEditing, layoutOf, partPicture };
}

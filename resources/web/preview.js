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
  describeColour,
  glyphColour,
  initialOf,
  isPreview,
  isWideTile,
  mediaColours,
  previewShape,
} from "./preview-model.js";

const APPEARANCES = [
  ["light", "Light"],
  ["dark", "Dark"],
];
// How far the sliders are drawn filled.
const LEVELS = { brightness: 0.62, volume: 0.44 };

// ---- building ------------------------------------------------------------

function appearanceSwitch(act) {
  const group = el("div", "segmented cc-appearance");
  group.setAttribute("role", "radiogroup");
  group.setAttribute("aria-label", "Appearance");
  const buttons = APPEARANCES.map(([value, title]) => {
    const b = el("button", "segment", title);
    b.type = "button";
    b.setAttribute("role", "radio");
    b.dataset.appearance = value;
    b.dataset.focusKey = `cc-appearance:${value}`;
    b.addEventListener("click", () => {
      if (b.getAttribute("aria-checked") !== "true") act({ appearance: value });
    });
    return b;
  });
  group.addEventListener("keydown", (e) => {
    const step = { ArrowLeft: -1, ArrowUp: -1, ArrowRight: 1, ArrowDown: 1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const i = (Math.max(buttons.indexOf(document.activeElement), 0) + step + buttons.length) % buttons.length;
    buttons[i].focus();
    buttons[i].click();
  });
  group.append(...buttons);
  return { group, buttons };
}

function toolbar(act) {
  const bar = el("div", "cc-toolbar");
  const head = el("div", "cc-toolbar-head");
  const title = el("h1", "cc-title", "Control Center");
  title.id = "cc-title";
  const { group, buttons } = appearanceSwitch(act);
  head.append(title, group);
  const note = el("p", "cc-note");
  note.setAttribute("role", "status");
  note.dataset.testid = "preview-note";
  bar.append(head, note);
  return { bar, buttons, note };
}

function toggleButton(toggle, act) {
  const b = el("button", "cc-toggle");
  b.type = "button";
  b.dataset.name = toggle.name;
  b.dataset.focusKey = `cc-toggle:${toggle.name}`;
  b.innerHTML = connectivityGlyph(toggle.name);
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

function mediaModule() {
  const module = el("div", "cc-module cc-media");
  module.setAttribute("aria-hidden", "true");
  const top = el("div", "cc-media-top");
  const artwork = el("span", "cc-artwork");
  const airplay = glyphSpan("cc-media-airplay", mediaGlyph("airplay"));
  top.append(artwork, airplay);
  const title = el("div", "cc-media-title", "Harbour Lights");
  const subtitle = el("div", "cc-media-subtitle", "The Lanterns — Tidewater");
  const progress = el("div", "cc-progress");
  const progressFill = el("span", "cc-progress-fill");
  progress.append(progressFill);
  const times = el("div", "cc-media-times");
  times.append(el("span", null, "1:24"), el("span", null, "-2:31"));
  const controls = el("div", "cc-media-controls");
  const previous = glyphSpan("cc-media-skip", mediaGlyph("previous"));
  const play = glyphSpan("cc-media-play", mediaGlyph("pause"));
  const next = glyphSpan("cc-media-skip", mediaGlyph("next"));
  controls.append(previous, play, next);
  module.append(top, title, subtitle, progress, times, controls);
  return { module, artwork, airplay, title, subtitle, progress, progressFill, times, previous, play, next };
}

function slider(kind, glyph) {
  const module = el("div", `cc-module cc-slider cc-slider-${kind}`);
  module.setAttribute("aria-hidden", "true");
  const fill = el("span", "cc-slider-fill");
  fill.style.height = `${LEVELS[kind] * 100}%`;
  const icon = glyphSpan("cc-slider-glyph", sliderGlyph(glyph));
  module.append(fill, icon);
  return { module, fill, icon };
}

function moduleTile(tile, act) {
  const b = el("button", "cc-module cc-tile");
  b.type = "button";
  b.dataset.identifier = tile.identifier;
  b.dataset.focusKey = `cc-tile:${tile.identifier}`;
  const glyph = moduleGlyph(tile.identifier);
  const icon = glyph ? glyphSpan("cc-tile-glyph", glyph) : el("span", "cc-tile-glyph cc-tile-initial", initialOf(tile.name));
  b.append(icon);
  if (isWideTile(tile)) {
    b.classList.add("cc-tile-wide");
    b.append(el("span", "cc-tile-title", tile.name));
  }
  b.addEventListener("click", () => act({ toggle: tile.identifier }));
  return b;
}

function statusBar() {
  const bar = el("div", "cc-statusbar");
  bar.setAttribute("aria-hidden", "true");
  const right = el("span", "cc-status-right");
  right.innerHTML = STATUS_GLYPHS;
  right.prepend(el("span", "cc-status-percent", "82%"));
  bar.append(el("span", "cc-status-carrier", "Carrier"), right);
  return bar;
}

function buildGrid(preview, act) {
  const grid = el("div", "cc-grid");
  const connectivity = connectivityModule(preview, act);
  const media = mediaModule();
  const brightness = slider("brightness", "sun");
  const volume = slider("volume", "speaker");
  const tiles = new Map();
  grid.append(connectivity.module, media.module, brightness.module, volume.module);
  for (const tile of preview.modules ?? []) {
    const b = moduleTile(tile, act);
    tiles.set(tile.identifier, b);
    grid.append(b);
  }
  return { grid, connectivity, media, brightness, volume, tiles };
}

// ---- painting ------------------------------------------------------------

function paintToggles(parts, preview, backdrop) {
  parts.connectivity.module.style.background = colourCss(preview.connectivityBackground);
  for (const toggle of preview.connectivity) {
    const b = parts.connectivity.toggles.get(toggle.name);
    if (!b) continue;
    b.style.backgroundColor = colourCss(toggle.background);
    b.style.color = glyphColour(toggle.glyph, [preview.connectivityBackground, toggle.background], backdrop);
    b.setAttribute("aria-pressed", String(toggle.enabled === true));
    b.setAttribute("aria-label", toggle.title || toggle.name);
    b.dataset.key = toggle.background?.key ?? "";
    b.dataset.source = toggle.background?.source ?? "";
    b.title = `${toggle.title}: ${toggle.enabled ? "on" : "off"}\n${describeColour(toggle.background)}\n${describeColour(toggle.glyph)}`;
  }
}

function paintMedia(media, preview) {
  const c = mediaColours(preview);
  const css = (key) => colourCss(c[key], "");
  media.module.style.background = colourCss(preview.mediaBackground);
  media.artwork.style.background = css("mediaArtworkPlaceholder");
  media.title.style.color = css("mediaTitleText");
  media.subtitle.style.color = css("mediaSubtitleText");
  media.airplay.style.color = css("mediaRoutingButton");
  media.progress.style.background = css("mediaProgressTrack");
  media.progressFill.style.background = css("mediaProgressFill");
  media.times.style.color = css("mediaTimeText");
  media.play.style.color = css("mediaPlayPauseButton");
  media.previous.style.color = css("mediaSkipButtons");
  media.next.style.color = css("mediaSkipButtons");
}

function paintSlider(part, colours, backdrop) {
  part.module.style.background = colourCss(colours?.background);
  part.fill.style.background = colourCss(colours?.fill);
  part.icon.style.color = glyphColour(colours?.glyph, [colours?.background, colours?.fill], backdrop);
}

function paintTiles(parts, preview, backdrop) {
  const moduleBackground = colourCss(preview.moduleBackground);
  const glyph = colourForKey(preview, "moduleGlyph");
  const text = colourCss(colourForKey(preview, "moduleText"), "#fff");
  for (const tile of preview.modules ?? []) {
    const b = parts.tiles.get(tile.identifier);
    if (!b) continue;
    const own = colourCss(tile.colour);
    b.style.background = `linear-gradient(${own}, ${own}), ${moduleBackground}`;
    b.style.color = glyphColour(glyph, [preview.moduleBackground, tile.colour], backdrop);
    const title = b.querySelector(".cc-tile-title");
    if (title) title.style.color = tile.enabled ? b.style.color : text;
    b.setAttribute("aria-pressed", String(tile.enabled === true));
    b.setAttribute("aria-label", tile.name || tile.identifier);
    b.title = `${tile.name}: ${tile.enabled ? "on" : "off"}\n${describeColour(tile.colour)}`;
  }
}

// The picture is one image to assistive technology: it shows the user's own
// colours, which may be illegible by choice, so it is told in words; its
// toggles and tiles stay separate controls beside it.
function pictureDescription(preview, appearance) {
  const toggles = preview.connectivity.map((t) => `${t.title || t.name} ${t.enabled ? "on" : "off"}`);
  const tiles = (preview.modules ?? []).map((t) => `${t.name || t.identifier} ${t.enabled ? "on" : "off"}`);
  const parts = [`Control Center in the ${appearance} appearance`, `connectivity: ${toggles.join(", ")}`];
  parts.push("now playing, brightness and volume");
  if (tiles.length > 0) parts.push(`modules: ${tiles.join(", ")}`);
  return parts.join("; ");
}

function noteText(preview) {
  const lines = [];
  if (typeof preview.appearanceNote === "string" && preview.appearanceNote) lines.push(preview.appearanceNote);
  if (preview.tweakEnabled === false) lines.push("Quillane is off: Control Center keeps its stock colours.");
  else if (preview.customToggleColours === false) lines.push("Toggle colours are off: the toggles keep their stock colours.");
  return lines.join("\n");
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

  const screen = el("div", "cc-screen");
  screen.dataset.testid = "preview-screen";
  const wallpaper = el("div", "cc-wallpaper");
  wallpaper.setAttribute("role", "img");
  wallpaper.dataset.testid = "preview-picture";
  const tint = el("div", "cc-tint");
  const content = el("div", "cc-content");
  const { bar, buttons, note } = toolbar(act);
  screen.append(wallpaper, tint, statusBar(), content);
  root.replaceChildren(bar, screen);

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

  function rebuild(preview) {
    const focused = document.activeElement?.closest?.(".cc-content [data-focus-key]")?.dataset.focusKey;
    parts = buildGrid(preview, act);
    content.replaceChildren(parts.grid);
    if (focused) content.querySelector(`[data-focus-key="${CSS.escape(focused)}"]`)?.focus({ preventScroll: true });
  }

  function paint(preview) {
    const appearance = preview.appearance === "dark" ? "dark" : "light";
    const backdrop = BACKDROP[appearance];
    screen.dataset.appearance = appearance;
    wallpaper.setAttribute("aria-label", pictureDescription(preview, appearance));
    tint.style.background = colourCss(colourForKey(preview, "backgroundTint"), "rgba(0, 0, 0, 0.3)");
    screen.style.setProperty("--cc-status", colourCss(colourForKey(preview, "statusBarText"), "#fff"));
    for (const b of buttons) b.setAttribute("aria-checked", String(b.dataset.appearance === appearance));
    for (const b of buttons) b.tabIndex = b.dataset.appearance === appearance ? 0 : -1;
    note.textContent = noteText(preview);
    note.classList.remove("cc-note-error");
    paintToggles(parts, preview, backdrop);
    paintMedia(parts.media, preview);
    paintSlider(parts.brightness, preview.brightness, backdrop);
    paintSlider(parts.volume, preview.volume, backdrop);
    paintTiles(parts, preview, backdrop);
  }

  // `force` repaints an unchanged picture too, so an answer clears an error.
  function draw(preview, { force = false } = {}) {
    if (!isPreview(preview)) return;
    const json = JSON.stringify(preview);
    if (json === last && !force) return;
    last = json;
    const nextShape = previewShape(preview);
    if (nextShape !== shape || !parts) rebuild(preview);
    shape = nextShape;
    paint(preview);
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

  return { receive, load, act };
}

// The Control Center picture's own parts, built once per shape of the
// palette (toggle order, modules, tweaks, rows shown): the connectivity
// module, media, sliders, the module tiles and the head above them.

import { el } from "./dom.js";
import {
  connectivityGlyph,
  mediaGlyph,
  moduleGlyph,
  sliderGlyph,
  STATUS_GLYPHS,
} from "./glyphs.js";
import { initialOf, isWideTile, shownKeys } from "./preview-model.js";
import { GLYPHS, keyed, keyedBar, keyedGlyph, setPaints } from "./preview-parts.js";
import { tweakTiles } from "./preview-scenes.js";

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
  // Named by what it shows, as a button's content names it; the hint says what it does.
  module.title = "Expand the media controls";
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
  const subtitle = keyed(
    "div",
    "cc-media-subtitle",
    { color: "mediaSubtitleText" },
    "The Lanterns — Tidewater",
  );
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

// Drawn only: the picture's description tells of the sliders.
function slider(kind, glyph) {
  const module = el("div", `cc-module cc-slider cc-slider-${kind}`);
  module.setAttribute("aria-hidden", "true");
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
  const module = keyed("div", "cc-module cc-slider cc-slider-ringer", {
    background: "ringerContainerBackground",
  });
  module.setAttribute("aria-hidden", "true");
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
  const icon = glyph
    ? glyphSpan("cc-tile-glyph", glyph)
    : el("span", "cc-tile-glyph cc-tile-initial", initialOf(tile.name));
  icon.dataset.key = "moduleGlyph";
  b.append(icon);
  if (isWideTile(tile)) {
    b.classList.add("cc-tile-wide");
    // Coloured with the tile (preview-paint.js), from the key its row sets.
    const title = el("span", "cc-tile-title", tile.name);
    title.dataset.key = "moduleText";
    b.append(title);
  }
  b.addEventListener("click", () => act({ toggle: tile.identifier }));
  return b;
}

// The status bar follows its row only where the pages show it (not under Prysm).
export function statusBar(shown) {
  const bar = shown.has("statusBarText")
    ? keyed("div", "cc-statusbar", { color: "statusBarText" })
    : el("div", "cc-statusbar");
  bar.setAttribute("aria-hidden", "true");
  const right = el("span", "cc-status-right");
  right.innerHTML = STATUS_GLYPHS;
  right.prepend(el("span", "cc-status-percent", "82%"));
  bar.append(el("span", "cc-status-carrier", "Carrier"), right);
  return bar;
}

export function buildGrid(preview, act, open) {
  const shown = shownKeys(preview);
  const grid = el("div", "cc-grid");
  const connectivity = connectivityModule(preview, act);
  const media = mediaModule(open);
  const brightness = slider("brightness", "sun");
  const volume = slider("volume", "speaker");
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
export function gridHead(shown) {
  const head = el("div", "cc-head");
  if (shown.has("chevronGlyph"))
    head.append(keyedGlyph("cc-chevron", "chevronGlyph", GLYPHS.chevron));
  head.append(keyed("div", "cc-status-message", { color: "statusText" }, "Wi-Fi: Harbour Guest"));
  return head;
}

// Paints the Control Center picture's modules from a palette: the
// connectivity toggles, the sliders and the module tiles, the words that tell
// the picture to assistive technology, and the outline of the parts the open
// picker colours.

import { colourCss, colourForKey, describeColour, glyphColour } from "./preview-model.js";

// Attribute writes restyle the picture even when nothing changes: a drag
// repaints often, so only changes are written.
export function setAttr(node, name, value) {
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
    setAttr(glyph, "data-over", toggle.background?.key ?? "");
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
  const text = colourForKey(preview, "moduleText");
  for (const tile of preview.modules ?? []) {
    const b = parts.tiles.get(tile.identifier);
    if (!b) continue;
    // A module no row colours keeps its stock colour and names no key.
    const state = b.querySelector(".cc-tile-state");
    state.style.backgroundColor = colourCss(tile.colour);
    setAttr(state, "data-key", tile.coloured === false ? "" : (tile.colour?.key ?? ""));
    const behind = [preview.moduleBackground, tile.colour];
    b.style.color = glyphColour(glyph, behind, backdrop);
    for (const part of b.querySelectorAll(".cc-tile-glyph, .cc-tile-title"))
      setAttr(part, "data-over", tile.colour?.key ?? "");
    // The wide tile's title, stock white, is drawn dark on a white tile, as the glyph is.
    const title = b.querySelector(".cc-tile-title");
    if (title) title.style.color = glyphColour(text, behind, backdrop);
    setAttr(b, "aria-pressed", String(tile.enabled === true));
    setAttr(b, "aria-label", tile.name || tile.identifier);
    setAttr(
      b,
      "title",
      `${tile.name}: ${tile.enabled ? "on" : "off"}\n${describeColour(tile.colour)}`,
    );
  }
}

// `parts`: the grid's elements (preview-grid.js); `backdrop`: the appearance's.
export function paintModules(parts, preview, backdrop) {
  paintToggles(parts, preview, backdrop);
  paintSlider(parts.brightness, preview.brightness, backdrop);
  paintSlider(parts.volume, preview.volume, backdrop);
  paintTiles(parts, preview, backdrop);
}

// The picture is one image to assistive technology: it shows the user's own
// colours, which may be illegible by choice, so it is told in words; its
// toggles and tiles stay separate controls beside it.
export function pictureDescription(preview, appearance) {
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

// Outlines the parts under `root` drawn from any of `keys`.
export function outlineEditing(root, keys) {
  for (const node of root.querySelectorAll("[data-key]")) {
    const drawnFrom = node.dataset.key.split(" ");
    node.classList.toggle(
      "cc-editing",
      keys.some((k) => drawnFrom.includes(k)),
    );
  }
}

import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { parseColourValue } from "../colours.js";
import { createPictureState } from "../preview-state.js";
import {
  BACKDROP,
  contrast,
  legibility,
  colourCss,
  colourForKey,
  confusableStates,
  drawnPairs,
  glyphColour,
  initialOf,
  isDrawn,
  layoutOf,
  over,
  previewShape,
  rgbaOf,
  withEditedState,
} from "../preview-model.js";

const colour = (rgba, source = "stock", key = "k") => ({ rgba, source, key, value: "" });
const WHITE = [1, 1, 1, 1];
const DIM = "rgba(0, 0, 0, 0.55)";

test("palette colours become CSS; anything unreadable takes the fallback", () => {
  const cases = [
    [colour([0, 0.478431, 1, 1]), "rgba(0, 122, 255, 1)"],
    [colour([1, 0, 0]), "rgba(255, 0, 0, 1)"],
    [colour([0.5, 0.5, 0.5, 0.25]), "rgba(128, 128, 128, 0.25)"],
    [colour([1, 1]), "fallback"],
    [colour([1, "x", 0, 1]), "fallback"],
    [{ value: "#FFFFFF:1.00" }, "fallback"],
    [null, "fallback"],
  ];
  for (const [input, want] of cases)
    assert.equal(colourCss(input, "fallback"), want, JSON.stringify(input));
  assert.deepEqual(rgbaOf(colour([0.2, 0.4, 0.6])), { r: 0.2, g: 0.4, b: 0.6, a: 1 });
});

test("painting one colour over another mixes by the top colour's alpha", () => {
  const black = { r: 0, g: 0, b: 0, a: 1 };
  assert.deepEqual(over({ r: 1, g: 1, b: 1, a: 0.5 }, black), { r: 0.5, g: 0.5, b: 0.5, a: 1 });
  assert.deepEqual(over({ r: 1, g: 0, b: 0, a: 0 }, black), black);
  assert.deepEqual(over({ r: 0, g: 0, b: 1, a: 1 }, black), { r: 0, g: 0, b: 1, a: 1 });
  const half = over({ r: 1, g: 0, b: 0, a: 0.5 }, { r: 0, g: 0, b: 1, a: 0.5 });
  assert.equal(half.a, 0.75);
  assert.ok(
    Math.abs(half.r - 2 / 3) < 1e-9 && Math.abs(half.b - 1 / 3) < 1e-9,
    JSON.stringify(half),
  );
  assert.deepEqual(over({ r: 1, g: 1, b: 1, a: 0 }, { r: 1, g: 1, b: 1, a: 0 }).a, 0);
});

test("a stock glyph stays readable on its ground; a stored glyph is drawn as stored", () => {
  const darkModule = colour([0.11, 0.11, 0.12, 0.6]);
  const cases = [
    ["stock white on the stock white fill", colour(WHITE), [darkModule, colour(WHITE)], DIM],
    [
      "stored white on a white fill",
      colour(WHITE, "stored"),
      [darkModule, colour(WHITE)],
      "rgba(255, 255, 255, 1)",
    ],
    [
      "stock white on blue",
      colour(WHITE),
      [darkModule, colour([0, 0.48, 1, 1])],
      "rgba(255, 255, 255, 1)",
    ],
    [
      "stock white on translucent grey",
      colour(WHITE),
      [darkModule, colour([0.56, 0.56, 0.58, 0.4])],
      "rgba(255, 255, 255, 1)",
    ],
    ["malformed white on white", colour(WHITE, "malformed"), [colour(WHITE)], DIM],
    ["no glyph colour", null, [darkModule], DIM],
    [
      "unreadable grounds are skipped",
      colour(WHITE),
      [null, colour([1])],
      "rgba(255, 255, 255, 1)",
    ],
  ];
  for (const [what, glyph, behind, want] of cases)
    assert.equal(glyphColour(glyph, behind), want, what);
  // A light backdrop under a see-through ground makes white unreadable too.
  const clear = colour([0, 0, 0, 0]);
  assert.equal(glyphColour(colour(WHITE), [clear], BACKDROP.dark), "rgba(255, 255, 255, 1)");
  assert.equal(glyphColour(colour([1, 1, 1, 1]), [clear], { r: 1, g: 1, b: 1, a: 1 }), DIM);
});

test("a colour is found by its key in the pages' groups and the media controls", () => {
  const tint = colour([0, 0, 0, 0.3], "stock", "backgroundTint");
  const play = colour(WHITE, "stored", "mediaPlayPauseButton");
  const preview = {
    groups: [{ layout: "Misc", entries: [{ label: "Tint", colour: tint }] }, { layout: "Empty" }],
    mediaControls: [{ label: "Play / Pause", colour: play }],
  };
  assert.equal(colourForKey(preview, "backgroundTint"), tint);
  assert.equal(colourForKey(preview, "mediaPlayPauseButton"), play);
  assert.equal(colourForKey(preview, "statusBarText"), null);
  assert.equal(colourForKey({}, "backgroundTint"), null);
  assert.equal(colourForKey(null, "backgroundTint"), null);
  assert.equal(layoutOf(preview, "backgroundTint"), "Misc");
  assert.equal(layoutOf(preview, "mediaPlayPauseButton"), null);
  assert.equal(layoutOf(null, "backgroundTint"), null);
});

test("only the toggles' order and the modules shown change the picture's shape", () => {
  const base = {
    connectivity: [
      { name: "wifi", enabled: true, background: colour([0, 0, 1, 1]) },
      { name: "bluetooth", enabled: false, background: colour([0.5, 0.5, 0.5, 0.4]) },
    ],
    modules: [{ identifier: "a.Flashlight", enabled: false }],
  };
  const shape = previewShape(base);
  const recoloured = structuredClone(base);
  recoloured.connectivity[0].background = colour([1, 0, 0, 1], "stored");
  recoloured.connectivity[1].enabled = true;
  recoloured.modules[0].enabled = true;
  assert.equal(previewShape(recoloured), shape);

  const reordered = structuredClone(base);
  reordered.connectivity.reverse();
  const moreModules = structuredClone(base);
  moreModules.modules.push({ identifier: "a.Timer" });
  for (const changed of [reordered, moreModules, { ...base, modules: [] }]) {
    assert.notEqual(previewShape(changed), shape);
  }
});

test("a tile without a glyph shows its name's first letter or digit", () => {
  const cases = [
    ["ReplayKitModule", "R"],
    ["  ümlaut", "Ü"],
    ["3D Touch", "3"],
    ["", "?"],
    [undefined, "?"],
  ];
  for (const [name, want] of cases) assert.equal(initialOf(name), want, String(name));
});

test("contrast ratios match the known WCAG pairs the C++ tests read too", () => {
  const vectors = JSON.parse(
    readFileSync(new URL("../../../tests/theming/wcag-contrast-pairs.json", import.meta.url)),
  );
  assert.ok(vectors.pairs.length > 0);
  for (const pair of vectors.pairs) {
    const fg = parseColourValue(pair.foreground);
    const bg = parseColourValue(pair.background);
    const ratio = contrast(over(fg, bg), bg);
    assert.ok(
      Math.abs(ratio - pair.ratio) < 0.005,
      `${pair.foreground} on ${pair.background}: ${ratio}`,
    );
  }
});

test("legibility is worked out from the colours drawn, and warns only where the user set one", () => {
  const white = (source) => colour([1, 1, 1, 1], source, "glyph");
  const blue = (source) => colour([0, 122 / 255, 1, 1], source, "bg");
  const preview = (glyph, bg) => ({
    appearance: "light",
    backdrop: [0.62, 0.64, 0.7, 1],
    connectivity: [{ name: "wifi", background: bg, glyph }],
    legibility: [
      {
        part: "Wi-Fi glyph",
        foreground: "glyph",
        background: "bg",
        layers: ["bg"],
        ratio: 0,
        minimum: 3,
      },
    ],
  });
  const cases = [
    ["stock white on stock blue", white("stock"), blue("stock"), 4.02, false],
    [
      "blue glyph set on blue",
      colour([0, 122 / 255, 1, 1], "stored", "glyph"),
      blue("stock"),
      1,
      true,
    ],
    [
      "the same, still only pending",
      colour([0, 122 / 255, 1, 1], "pending", "glyph"),
      blue("stock"),
      1,
      true,
    ],
    // The system draws its own glyph dark where white would vanish, as the picture does.
    [
      "stock white on a set white",
      white("stock"),
      colour([1, 1, 1, 1], "stored", "bg"),
      4.75,
      false,
    ],
    [
      "stock white on stock white",
      white("stock"),
      colour([1, 1, 1, 1], "stock", "bg"),
      4.75,
      false,
    ],
    [
      "white set on a set white",
      colour([1, 1, 1, 1], "stored", "glyph"),
      colour([1, 1, 1, 1], "stored", "bg"),
      1,
      true,
    ],
  ];
  for (const [what, glyph, bg, ratio, warn] of cases) {
    const [pair] = legibility(preview(glyph, bg));
    assert.ok(Math.abs(pair.ratio - ratio) < 0.01, `${what}: ${pair.ratio}`);
    assert.equal(pair.warn, warn, what);
  }
});

test("the warnings follow the vision the picture is seen with", () => {
  // Red text on black: legible to most, too dark for someone without red cones; achromatopsia
  // keeps luminance, so the ratio it sees is the typical one.
  const preview = {
    appearance: "dark",
    backdrop: [0, 0, 0, 1],
    connectivity: [
      {
        name: "wifi",
        glyph: colour([1, 0, 0, 1], "stored", "text"),
        background: colour([0, 0, 0, 1], "stock", "bg"),
      },
    ],
    legibility: [
      { part: "Title", foreground: "text", background: "bg", layers: ["bg"], minimum: 4.5 },
    ],
    states: [
      {
        part: "Wi-Fi",
        enabled: "wifiEnabled",
        disabled: "wifiDisabled",
        minimum: 10,
        difference: { typical: 40, protanopia: 4.2, achromatopsia: 30 },
        confusable: ["protanopia"],
      },
    ],
  };
  const cases = [
    ["typical", 5.25, false, 0],
    ["protanopia", 3.28, true, 1],
    ["deuteranopia", 6.57, false, 0],
    ["achromatopsia", 5.25, false, 0],
  ];
  for (const [vision, ratio, warn, alike] of cases) {
    const [pair] = legibility(preview, vision);
    assert.ok(Math.abs(pair.ratio - ratio) < 0.05, `${vision}: ${pair.ratio}`);
    assert.equal(pair.warn, warn, vision);
    assert.equal(confusableStates(preview, vision).length, alike, vision);
  }
  assert.equal(confusableStates(preview, "protanopia")[0].difference, 4.2);
});

test("a picture is drawn once, built anew only for a new shape, and edits are laid over it", () => {
  const wifi = (rgba, source = "stock") => ({
    name: "wifi",
    enabled: true,
    background: colour(rgba, source, "wifiEnabled"),
  });
  const picture = { connectivity: [wifi([0, 0, 1, 1])], modules: [] };
  const state = createPictureState();
  const steps = [
    // picture, force, what take answers
    [picture, false, { rebuild: true }],
    [structuredClone(picture), false, null],
    [picture, true, { rebuild: false }],
    [{ ...picture, connectivity: [wifi([1, 0, 0, 1], "stored")] }, false, { rebuild: false }],
    [{ ...picture, modules: [{ identifier: "a.Timer" }] }, false, { rebuild: true }],
    [picture, false, { rebuild: true }],
  ];
  for (const [next, force, answer] of steps)
    assert.deepEqual(state.take(next, force), answer, JSON.stringify(next));
  assert.equal(state.received(), picture);

  const background = () => state.drawn().connectivity[0].background;
  const edited = { page: "connectivity", enabled: false };
  assert.equal(state.setEdited(edited), true);
  assert.equal(state.setEdited({ ...edited }), false);
  assert.equal(state.drawn().connectivity[0].enabled, false);
  // The picker's colour goes over the edited state, until the picker closes.
  const keys = state.setPending(["wifiEnabled"], { r: 1, g: 0, b: 0, a: 0.5 });
  assert.deepEqual([...keys], ["wifiEnabled"]);
  assert.equal(state.isPending(), true);
  assert.deepEqual(background().rgba, [1, 0, 0, 0.5]);
  assert.equal(background().source, "pending");
  assert.equal(state.drawn().connectivity[0].enabled, false);
  assert.equal(state.setPending(null, null), null);
  assert.equal(state.isPending(), false);
  assert.deepEqual(background().rgba, [0, 0, 1, 1]);
  // What was received stays as the server sent it.
  assert.deepEqual(picture.connectivity[0].background.rgba, [0, 0, 1, 1]);
  assert.equal(picture.connectivity[0].enabled, true);
});

test("warnings of the state the picture draws are told apart from those of the other state", () => {
  const key = (k, source = "stored") => colour([1, 0.18, 0.33, 1], source, k);
  const preview = {
    connectivity: [
      {
        name: "wifi",
        enabled: true,
        background: key("wifiEnabled"),
        glyph: key("wifiGlyphEnabled"),
      },
    ],
    modules: [{ identifier: "m", enabled: false, colour: key("mDisabled") }],
    groups: [
      {
        entries: [
          { colour: key("wifiDisabled", "stock") },
          { colour: key("wifiGlyphDisabled", "stock") },
          { colour: key("mEnabled") },
        ],
      },
    ],
  };
  const pair = (foreground, background, state) => ({ foreground, background, state });
  const cases = [
    // pair, drawn as the toggle and tile are, drawn while the page edits the disabled state
    [pair("wifiGlyphEnabled", "wifiEnabled", "enabled"), true, false],
    [pair("wifiGlyphDisabled", "wifiDisabled", "disabled"), false, true],
    [pair("moduleGlyph", "mDisabled", "disabled"), true, true],
    [pair("moduleGlyph", "mEnabled", "enabled"), false, false],
    [pair("brightnessGlyph", "brightnessFill", undefined), true, true],
  ];
  const edited = withEditedState(preview, { page: "connectivity", enabled: false });
  for (const [p, now, whileEditing] of cases) {
    assert.equal(isDrawn(p, drawnPairs(preview)), now, JSON.stringify(p));
    assert.equal(isDrawn(p, drawnPairs(edited)), whileEditing, JSON.stringify(p));
  }
});

import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import {
  contrastRatio,
  cssColour,
  formatColourValue,
  legibleOn,
  legibleVariants,
  LEGIBLE_CONTRAST,
  hexString,
  hsvToRgb,
  parseColourValue,
  rgbToHsv,
  sameColour,
} from "../colours.js";
import { entryProblem, readColourEntry } from "../colour-entry.js";
import { seenWith, VISIONS } from "../vision.js";

const bytes = (c) => [c.r, c.g, c.b].map((x) => Math.round(x * 255));

test("colour values are read leniently, as the bundle reads them", () => {
  const cases = [
    ["#FF8000", [255, 128, 0], 1],
    ["FF8000", [255, 128, 0], 1],
    ["#ff8000", [255, 128, 0], 1],
    ["0x00FF00", [0, 255, 0], 1],
    ["#0X00FF00:0.5", [0, 255, 0], 0.5],
    ["FF8000:0.5", [255, 128, 0], 0.5],
    ["#FF8000:", [255, 128, 0], 0],
    ["#FF8000:abc", [255, 128, 0], 0],
    ["#F80", [0, 15, 128], 1],
    ["#80FF8000", [255, 128, 0], 1],
    [" #FF8000", [0, 0, 0], 1],
    ["xyz", [0, 0, 0], 1],
    [":0.5", [0, 0, 0], 0.5],
    ["#FFFFFFFFFF", [255, 255, 255], 1],
  ];
  for (const [text, rgb, alpha] of cases) {
    const c = parseColourValue(text);
    assert.deepEqual(bytes(c), rgb, text);
    assert.ok(Math.abs(c.a - alpha) < 1e-6, `${text}: alpha ${c.a}`);
  }
});

test("an empty or absent colour value gives no colour", () => {
  assert.equal(parseColourValue(""), null);
  assert.equal(parseColourValue(null), null);
  assert.equal(parseColourValue(undefined), null);
});

test("formatting writes the bundle's form and keeps every byte", () => {
  assert.equal(formatColourValue({ r: 1, g: 0, b: 0, a: 0.3 }), "#FF0000:0.300000");
  assert.equal(formatColourValue({ r: 0, g: 0, b: 1, a: 1.7 }), "#0000FF:1.000000");
  assert.equal(formatColourValue({ r: 0, g: 0, b: 0, a: -1 }), "#000000:0.000000");
  for (let n = 0; n < 256; n++) {
    const hex = n.toString(16).toUpperCase().padStart(2, "0");
    const text = `#${hex}${hex}${hex}:0.250000`;
    assert.equal(formatColourValue(parseColourValue(text)), text);
  }
});

test("hue, saturation and brightness convert both ways", () => {
  for (const hex of ["#FF0000", "#00FF00", "#0000FF", "#1A2B3C", "#FF7F00", "#808080"]) {
    const c = parseColourValue(hex);
    assert.equal(hexString(hsvToRgb(rgbToHsv(c))), hex);
  }
  assert.deepEqual(rgbToHsv({ r: 0, g: 0, b: 1 }), { h: 240, s: 1, v: 1 });
});

test("a colour without hue keeps the hue the slider had", () => {
  assert.equal(rgbToHsv({ r: 0.5, g: 0.5, b: 0.5 }, 200).h, 200);
  assert.equal(rgbToHsv({ r: 0, g: 0, b: 0 }, 90).h, 90);
});

test("screen colours become CSS", () => {
  assert.equal(cssColour({ rgba: [0.81, 0.06, 0.13, 1] }), "rgba(207, 15, 33, 1)");
  assert.equal(cssColour({ rgba: [1, 1, 1, 0.5] }), "rgba(255, 255, 255, 0.5)");
  assert.equal(cssColour({ name: "labelColor" }), "var(--label)");
  assert.equal(cssColour({ name: "systemGrayColor" }), "var(--system-gray)");
  assert.equal(cssColour({ name: "clearColor" }), "transparent");
  assert.equal(cssColour({ name: "noSuchColor" }, "red"), "red");
  assert.equal(cssColour(null, "blue"), "blue");
  assert.equal(cssColour({ rgba: [1] }, "green"), "green");
});

test("colours compare by their bytes and opacity", () => {
  const a = parseColourValue("#1A2B3C:0.5");
  assert.ok(sameColour(a, parseColourValue("1a2b3c:0.500000")));
  assert.ok(!sameColour(a, parseColourValue("#1A2B3D:0.5")));
  assert.ok(!sameColour(a, parseColourValue("#1A2B3C:0.6")));
  assert.ok(!sameColour(a, null));
});

const WHITE = { r: 1, g: 1, b: 1 };
const BLACK = { r: 0, g: 0, b: 0 };
const GROUPED = parseColourValue("#F2F2F7");
const CELL_DARK = parseColourValue("#1C1C1E");
const SHEET_DARK = parseColourValue("#2C2C2E");

test("contrast ratios are the relative luminance ratios text is judged by", () => {
  const cases = [
    [WHITE, BLACK, 21],
    [BLACK, WHITE, 21],
    [WHITE, WHITE, 1],
    [parseColourValue("#777777"), WHITE, 4.48],
    [parseColourValue("#CF0F21"), parseColourValue("#151517"), 3.25],
    [parseColourValue("#85858B"), GROUPED, 3.28],
  ];
  for (const [x, y, want] of cases) {
    assert.ok(
      Math.abs(contrastRatio(x, y) - want) < 0.01,
      `${hexString(x)} on ${hexString(y)}: ${contrastRatio(x, y)}`,
    );
  }
});

test("an accent is kept where legible and moved just far enough where not", () => {
  const cases = [
    // accent, backgrounds, kept unchanged, moved towards
    ["#CF0F21", [WHITE, GROUPED], true, null],
    ["#CF0F21", [BLACK, CELL_DARK, SHEET_DARK], false, "lighter"],
    ["#FF9500", [WHITE, GROUPED], false, "darker"],
    ["#0A84FF", [BLACK, CELL_DARK], true, null],
    ["#000000", [BLACK, SHEET_DARK], false, "lighter"],
    ["#FFFFFF", [WHITE], false, "darker"],
  ];
  for (const [hex, backgrounds, kept, towards] of cases) {
    const accent = parseColourValue(hex);
    const got = legibleOn(accent, backgrounds);
    for (const bg of backgrounds) {
      assert.ok(
        contrastRatio(got, bg) >= LEGIBLE_CONTRAST,
        `${hex} → ${hexString(got)} on ${hexString(bg)}`,
      );
    }
    assert.equal(hexString(got) === hex, kept, `${hex} → ${hexString(got)}`);
    if (towards === "lighter")
      assert.ok(contrastRatio(got, BLACK) > contrastRatio(accent, BLACK), hex);
    if (towards === "darker")
      assert.ok(contrastRatio(got, WHITE) > contrastRatio(accent, WHITE), hex);
    // Not moved further than needed: one step back would fall short on some background.
    if (!kept && hexString(got) !== "#FFFFFF" && hexString(got) !== "#000000") {
      const nearest = Math.min(...backgrounds.map((bg) => contrastRatio(got, bg)));
      assert.ok(
        nearest < LEGIBLE_CONTRAST + 1.5,
        `${hex} → ${hexString(got)} went far: ${nearest}`,
      );
    }
  }
});

test("only colours given as rgba get legible variants; system colours follow the appearance", () => {
  const accent = legibleVariants({ rgba: [0.81, 0.06, 0.13, 1] });
  assert.equal(accent.light, "rgba(207, 15, 33, 1)");
  assert.notEqual(accent.dark, accent.light);
  const [r, g, b] = accent.dark.match(/\d+/g).map((x) => Number(x) / 255);
  for (const bg of [BLACK, CELL_DARK, SHEET_DARK])
    assert.ok(contrastRatio({ r, g, b }, bg) >= LEGIBLE_CONTRAST);
  for (const color of [{ name: "labelColor" }, null, undefined, {}, { rgba: [1] }]) {
    assert.equal(legibleVariants(color), null, JSON.stringify(color));
  }
});

test("the picker's text field reads CSS notations and the stored form, and refuses the rest", () => {
  const cases = [
    ["#F80", [255, 136, 0, 1]],
    ["#ff8000", [255, 128, 0, 1]],
    ["  #FF8000  ", [255, 128, 0, 1]],
    ["#FF000080", [255, 0, 0, 128 / 255]], // alpha last, as CSS has it
    ["#F008", [255, 0, 0, 136 / 255]],
    ["#336699:0.5", [51, 102, 153, 0.5]],
    ["#336699:1", [51, 102, 153, 1]],
    ["#336699: .25", [51, 102, 153, 0.25]],
    ["rgb(255, 0, 0)", [255, 0, 0, 1]],
    ["rgb(255 128 0)", [255, 128, 0, 1]],
    ["rgba(0, 0, 255, 0.5)", [0, 0, 255, 0.5]],
    ["rgb(0 0 255 / 25%)", [0, 0, 255, 0.25]],
    ["RGB(100%, 50%, 0%)", [255, 128, 0, 1]],
    ["hsl(120, 100%, 50%)", [0, 255, 0, 1]],
    ["hsla(240, 100%, 50%, 0.5)", [0, 0, 255, 0.5]],
    ["hsl(0.5turn 100% 50% / 50%)", [0, 255, 255, 0.5]],
    ["hsl(-120, 100%, 25%)", [0, 0, 128, 1]],
    ["#FF80", [255, 255, 136, 0]], // four digits are #RGBA
    // As design tools copy them, and by name.
    ["FF8000", [255, 128, 0, 1]],
    ["5856d680", [88, 86, 214, 128 / 255]],
    ["336699:0.5", [51, 102, 153, 0.5]],
    ["tomato", [255, 99, 71, 1]],
    [" RebeccaPurple ", [102, 51, 153, 1]],
    ["transparent", [0, 0, 0, 0]],
    // Refused: each would have become some other colour.
    ["abc", null],
    ["FF800", null],
    ["#FF800", null],
    ["#336699:", null],
    ["#336699:1.5", null],
    ["#336699:abc", null],
    ["0x336699", null],
    ["rgb(256, 0, 0)", null],
    ["rgb(255, 0)", null],
    ["rgb(255, 0, 0, 0.5, 1)", null],
    ["rgba(255, 0, 0, 2)", null],
    ["rgb(255, 0, 0 / 0.5)", null],
    ["hsl(120, 100, 50)", null],
    ["hsl(x, 100%, 50%)", null],
    ["redd", null],
    ["", null],
  ];
  for (const [text, want] of cases) {
    const got = readColourEntry(text);
    if (want === null) {
      assert.equal(got, null, text);
      continue;
    }
    assert.ok(got, `${text} should read`);
    assert.deepEqual(bytes(got), want.slice(0, 3), text);
    assert.ok(Math.abs(got.a - want[3]) < 1e-6, `${text}: alpha ${got.a}`);
  }
});

// The same table as the command line's reader (tests/imagetheme), so both take the same text.
test("the picker's field and quillane theme-from-colour read the same texts alike", () => {
  const { cases } = JSON.parse(
    readFileSync(
      new URL("../../../tests/imagetheme/colour-entry-cases.json", import.meta.url),
      "utf8",
    ),
  );
  for (const [text, want] of cases) {
    const got = readColourEntry(text);
    const rounded = got && [got.r, got.g, got.b, got.a].map((v) => Math.round(v * 1e4) / 1e4);
    assert.deepEqual(rounded, want, text);
  }
});

test("a field that does not read as a colour says what is wrong", () => {
  const cases = [
    ["#12", "A hex colour has 3, 4, 6 or 8 digits; this has 2."],
    ["#12345g", "“g” is not a hex digit (0–9, A–F)."],
    ["FF800", "A hex colour has 3, 4, 6 or 8 digits; this has 5."],
    ["abc", "Three or four digits need a “#”: #abc."],
    ["#336699:1.5", "The opacity after “:” is a number from 0 to 1."],
    [
      "rgb(256, 0, 0)",
      "rgb() takes three channels (0–255 or 0–100%) and an optional opacity (0–1 or %).",
    ],
    [
      "hsl(120, 100, 50)",
      "hsl() takes a hue, a saturation and a lightness in %, and an optional opacity.",
    ],
    ["blu", "“blu” is not a colour name."],
    ["light blue", "Not a colour: use #RRGGBB, a colour name, rgb(), hsl() or #RRGGBB:opacity."],
    ["tomato", null],
    ["", null],
  ];
  for (const [text, want] of cases) assert.equal(entryProblem(text), want, text);
});

test("each simulated vision sees the reference colours as the theming component does", () => {
  const { cases } = JSON.parse(
    readFileSync(new URL("../../../tests/theming/vision-cases.json", import.meta.url)),
  );
  assert.ok(cases.length > 0);
  for (const c of cases) {
    const colour = parseColourValue(c.colour);
    for (const { name } of VISIONS) {
      const want = bytes(parseColourValue(name === "typical" ? c.colour : c[name]));
      const got = bytes(seenWith(colour, name));
      got.forEach((v, i) => assert.ok(Math.abs(v - want[i]) <= 1, `${c.colour} ${name}: ${got}`));
    }
  }
});

// What Control Center shows only on demand: the expanded media module, the
// menu of PowerModule, BetterCCXI's expanded weather and Prysm's panel with
// its pages. Each scene is a view of the picture of its own; the picture
// offers those the device has (its tweaks, as the settings pages show them).

import { el } from "./dom.js";
import { mediaGlyph } from "./glyphs.js";
import { GLYPHS, keyed, keyedBar, keyedGlyph } from "./preview-parts.js";

function panel(id, backgroundKey, label) {
  const node = keyed("div", `cc-scene-panel cc-scene-${id}`, { background: backgroundKey });
  node.setAttribute("role", "group");
  node.setAttribute("aria-label", label);
  return node;
}

function expandedMedia() {
  const node = panel("expanded", "expandedContainerBackground", "Expanded media controls");
  const top = el("div", "cc-x-top");
  const artwork = keyed("span", "cc-x-artwork", { background: "mediaArtworkPlaceholder" });
  const words = el("div", "cc-x-words");
  words.append(
    keyed("div", "cc-x-title", { color: "mediaTitleText" }, "Harbour Lights"),
    keyed("div", "cc-x-subtitle", { color: "mediaSubtitleText" }, "The Lanterns — Tidewater"),
  );
  top.append(
    artwork,
    words,
    keyedGlyph("cc-x-airplay", "mediaRoutingButton", mediaGlyph("airplay")),
  );
  const progress = keyedBar("cc-x-progress", "mediaProgressTrack", "mediaProgressFill", 0.36).bar;
  const times = keyed("div", "cc-x-times", { color: "mediaTimeText" });
  times.append(el("span", null, "1:24"), el("span", null, "-2:31"));
  const controls = el("div", "cc-x-controls");
  controls.append(
    keyedGlyph("cc-x-skip", "mediaSkipButtons", mediaGlyph("previous")),
    keyedGlyph("cc-x-play", "mediaPlayPauseButton", mediaGlyph("pause")),
    keyedGlyph("cc-x-skip", "mediaSkipButtons", mediaGlyph("next")),
  );
  const volume = keyedBar("cc-x-volume", "mediaVolumeTrack", "mediaVolumeFill", 0.55).bar;
  const route = keyed("div", "cc-x-route", { color: "mediaRouteText" }, "iPhone");
  node.append(top, progress, times, controls, volume, route);
  return node;
}

const POWER_ACTIONS = [
  ["powerModuleRespring", "Respring", "respring"],
  ["powerModuleSafeMode", "Safe Mode", "safeMode"],
  ["powerModuleUICache", "UICache", "uicache"],
  ["powerModuleLock", "Lock", "lock"],
  ["powerModuleReboot", "Reboot", "reboot"],
  ["powerModulePowerOff", "Power Off", "power"],
];

function powerMenu() {
  const node = panel("power", "powerModuleMenuBackground", "PowerModule menu");
  for (const [key, title, glyph] of POWER_ACTIONS) {
    const button = keyed("div", "cc-menu-button", { background: "powerModuleButtonBackground" });
    button.append(
      keyedGlyph("cc-menu-glyph", key, GLYPHS[glyph]),
      keyed("span", "cc-menu-title", { color: "powerModuleButtonText" }, title),
    );
    node.append(button);
  }
  return node;
}

const FORECAST = [
  ["Now", "cloud", "18°"],
  ["14", "sun", "21°"],
  ["15", "sun", "22°"],
  ["16", "cloud", "19°"],
];

function forecastRows(textKey, glyphKey) {
  const rows = el("div", "cc-forecast");
  for (const [hour, glyph, temperature] of FORECAST) {
    const row = el("div", "cc-forecast-row");
    row.append(
      keyed("span", "cc-forecast-text", { color: textKey }, hour),
      keyedGlyph("cc-forecast-glyph", glyphKey, GLYPHS[glyph]),
      keyed("span", "cc-forecast-text", { color: textKey }, temperature),
    );
    rows.append(row);
  }
  return rows;
}

function weatherExpanded() {
  const node = panel("weather", "bcxiWeatherExpandedContainerBackground", "Expanded weather");
  node.append(forecastRows("bcxiWeatherForecastText", "bcxiWeatherForecastGlyph"));
  return node;
}

// ---- Prysm --------------------------------------------------------------

function prysmControls() {
  const page = el("div", "cc-prysm-page");
  const media = keyed("div", "cc-prysm-media", { background: "prysmMediaContainerBackground" });
  const scrub = keyedBar("cc-prysm-scrub", "mediaProgressTrack", "mediaProgressFill", 0.36);
  scrub.bar.append(keyed("span", "cc-prysm-knob", { background: "prysmMediaScrubberKnob" }));
  scrub.bar.lastChild.style.left = "36%";
  media.append(
    keyed("div", "cc-prysm-app", { color: "prysmMediaAppName" }, "Music"),
    keyed("div", "cc-prysm-song", { color: "mediaTitleText" }, "Harbour Lights"),
    scrub.bar,
  );
  page.append(media);
  for (const [glyph, level] of [
    ["sun", 0.62],
    ["bell", 0.44],
  ]) {
    const slider = keyedBar("cc-prysm-slider", "prysmSliderTrack", "prysmSliderFill", level).bar;
    slider.append(keyedGlyph("cc-prysm-slider-glyph", "prysmSliderGlyph", GLYPHS[glyph]));
    page.append(slider);
  }
  return page;
}

const BATTERIES = [
  ["iPhone", 0.82, "prysmBatteryFill"],
  ["AirPods", 0.12, "prysmBatteryLowFill"],
  ["Watch", 0.54, "prysmBatteryChargingFill"],
  ["iPad", 0.38, "prysmBatteryLowPowerFill"],
];

function prysmBattery() {
  const page = keyed("div", "cc-prysm-page cc-prysm-widget", {
    background: "prysmBatteryContainerBackground",
  });
  for (const [name, level, fillKey] of BATTERIES) {
    const row = el("div", "cc-battery-row");
    row.append(
      keyedGlyph("cc-battery-glyph", "prysmBatteryDeviceGlyph", GLYPHS.phone),
      keyed("span", "cc-battery-name", { color: "prysmBatteryDeviceName" }, name),
      keyedBar("cc-battery-bar", "prysmBatteryTrack", fillKey, level).bar,
      keyed(
        "span",
        "cc-battery-text",
        { color: "prysmBatteryText" },
        `${Math.round(level * 100)}%`,
      ),
    );
    page.append(row);
  }
  return page;
}

const PRYSM_POWER = [
  ["prysmPowerRespring", "Respring", "respring"],
  ["prysmPowerSafeMode", "Safe Mode", "safeMode"],
  ["prysmPowerLock", "Lock", "lock"],
  ["prysmPowerReboot", "Reboot", "reboot"],
  ["prysmPowerShutdown", "Power Off", "power"],
];

function prysmPower() {
  const page = keyed("div", "cc-prysm-page cc-prysm-widget", {
    background: "prysmPowerContainerBackground",
  });
  for (const [key, title, glyph] of PRYSM_POWER) {
    const button = keyed("div", "cc-menu-button", { background: "prysmPowerButtonBackground" });
    button.append(
      keyedGlyph("cc-menu-glyph", key, GLYPHS[glyph]),
      keyed("span", "cc-menu-title", { color: "prysmPowerText" }, title),
    );
    page.append(button);
  }
  return page;
}

function prysmWeather() {
  const page = keyed("div", "cc-prysm-page cc-prysm-widget", {
    background: "prysmWeatherContainerBackground",
  });
  const now = el("div", "cc-weather-now");
  now.append(
    keyedGlyph("cc-weather-glyph", "prysmWeatherGlyph", GLYPHS.cloud),
    keyed("span", "cc-weather-temperature", { color: "prysmWeatherTemperature" }, "18°"),
  );
  page.append(
    now,
    keyed("div", "cc-weather-line", { color: "prysmWeatherCondition" }, "Mostly Cloudy"),
    keyed("div", "cc-weather-line", { color: "prysmWeatherLocation" }, "Harbourside"),
    keyed("div", "cc-weather-line", { color: "prysmWeatherHighLow" }, "H:21° L:12°"),
  );
  return page;
}

const PRYSM_PAGES = [
  ["controls", "Controls", prysmControls],
  ["battery", "Battery", prysmBattery],
  ["power", "Power", prysmPower],
  ["weather", "Weather", prysmWeather],
];

// Prysm's panel: a header, one page at a time and the page indicator, whose
// dots switch pages (by keyboard too).
function prysmPanel() {
  const node = panel("prysm", "prysmContainerBackground", "Prysm");
  const header = keyed("div", "cc-prysm-header", { color: "prysmHeaderText" });
  const pages = PRYSM_PAGES.map(([id, , build]) => {
    const page = build();
    page.dataset.prysmPage = id;
    return page;
  });
  const dots = el("div", "cc-prysm-dots");
  dots.setAttribute("role", "tablist");
  dots.setAttribute("aria-label", "Prysm pages");
  const buttons = PRYSM_PAGES.map(([id, title]) => {
    const dot = keyed("button", "cc-prysm-dot", { background: "prysmPageIndicator" });
    dot.type = "button";
    dot.setAttribute("role", "tab");
    dot.setAttribute("aria-label", title);
    dot.dataset.prysmPageTab = id;
    dot.addEventListener("click", () => show(id));
    return dot;
  });
  function show(id) {
    const index = Math.max(
      0,
      PRYSM_PAGES.findIndex(([page]) => page === id),
    );
    header.textContent = PRYSM_PAGES[index][1];
    pages.forEach((page, i) => (page.hidden = i !== index));
    buttons.forEach((dot, i) => {
      dot.setAttribute("aria-selected", String(i === index));
      dot.tabIndex = i === index ? 0 : -1;
    });
  }
  dots.addEventListener("keydown", (e) => {
    const step = { ArrowLeft: -1, ArrowRight: 1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const next =
      buttons[(buttons.indexOf(document.activeElement) + step + buttons.length) % buttons.length];
    next.focus();
    next.click();
  });
  dots.append(...buttons);
  node.append(header, ...pages, dots);
  show("controls");
  return node;
}

// The scenes this device offers besides Control Center itself.
export function buildScenes(preview) {
  const tweaks = preview?.tweaks ?? {};
  const scenes = [["expanded", "Expanded", expandedMedia]];
  if (tweaks.powerModule) scenes.push(["power", "Power Menu", powerMenu]);
  if (tweaks.bcxiWeather) scenes.push(["weather", "Weather", weatherExpanded]);
  if (tweaks.prysm) scenes.push(["prysm", "Prysm", prysmPanel]);
  return scenes.map(([id, title, build]) => {
    const node = build();
    node.dataset.scene = id;
    return { id, title, node };
  });
}

// The tiles of the tweaks' own modules in the grid; a tap opens their scene.
export function tweakTiles(preview, open) {
  const tweaks = preview?.tweaks ?? {};
  const tiles = [];
  if (tweaks.powerModule) {
    const tile = keyed("button", "cc-module cc-tweak-tile", {
      background: "powerModuleContainerBackground",
    });
    tile.type = "button";
    tile.setAttribute("aria-label", "PowerModule: show its menu");
    tile.dataset.opens = "power";
    tile.append(keyedGlyph("cc-tile-glyph", "powerModuleGlyph", GLYPHS.power));
    tile.addEventListener("click", () => open("power"));
    tiles.push({ identifier: "com.dorvak07.powermodule", tile });
  }
  if (tweaks.bcxiWeather) {
    const tile = keyed("button", "cc-module cc-tweak-tile cc-tile-wide cc-weather-tile", {
      background: "bcxiWeatherContainerBackground",
    });
    tile.type = "button";
    tile.setAttribute("aria-label", "Weather: show the forecast");
    tile.dataset.opens = "weather";
    const words = el("span", "cc-weather-words");
    words.append(
      keyed("span", "cc-weather-temp", { color: "bcxiWeatherTemperature" }, "18°"),
      keyed("span", "cc-weather-small", { color: "bcxiWeatherCondition" }, "Cloudy"),
      keyed("span", "cc-weather-small", { color: "bcxiWeatherLocation" }, "Harbourside"),
    );
    tile.append(keyedGlyph("cc-tile-glyph", "bcxiWeatherGlyph", GLYPHS.cloud), words);
    tile.addEventListener("click", () => open("weather"));
    tiles.push({ identifier: "com.yelbrin.betterccxi.weathermodule", tile });
  }
  return tiles;
}

// "Theme from Colour": a new preset grown from one colour in a harmony; the
// settings stay as they are. The field reads what the picker's field reads,
// with a swatch of what it reads and a line that says what is wrong; Make
// Theme waits until the field reads.

import { el } from "./dom.js";
import { hexString, rgbaCss } from "./colours.js";
import { requestNewPreset } from "./presetfiles.js";
import { colourThemeEntry, HARMONIES } from "./tools-model.js";
import { button, section, statusLine } from "./tools-parts.js";

// "#12" on the way to "#123456" is not wrong yet: a problem is told once
// typing pauses, or when the field is left.
const TYPING_PAUSE_MS = 600;

function colourField() {
  const row = el("div", "tools-colour-row");
  const label = el("label", "tools-colour-label", "Color");
  label.htmlFor = "tools-colour-field";
  const swatch = el("span", "tools-colour-swatch");
  swatch.setAttribute("aria-hidden", "true");
  const field = el("input", "tools-colour-field");
  field.id = "tools-colour-field";
  field.type = "text";
  field.placeholder = "#FF2D55 or coral";
  field.autocomplete = "off";
  field.spellcheck = false;
  field.dataset.testid = "colour-field";
  field.setAttribute("aria-describedby", "tools-colour-message");
  row.append(label, swatch, field);
  const message = el("p", "tools-hint tools-colour-message");
  message.id = "tools-colour-message";
  message.setAttribute("aria-live", "polite");
  message.dataset.testid = "colour-message";
  return { row, swatch, field, message };
}

// A segmented control as a radio group: one tab stop, the arrows move the
// choice.
function harmonyControl() {
  const label = el("p", "tools-colour-label tools-harmony-label", "Harmony");
  label.id = "tools-harmony-label";
  const group = el("div", "segmented tools-harmony");
  group.setAttribute("role", "radiogroup");
  group.setAttribute("aria-labelledby", label.id);
  let chosen = HARMONIES[0][0];
  const segments = HARMONIES.map(([value, title]) => {
    const segment = button("segment", title);
    segment.setAttribute("role", "radio");
    segment.dataset.harmony = value;
    segment.addEventListener("click", () => choose(value));
    return segment;
  });
  function choose(value) {
    chosen = value;
    for (const segment of segments) {
      const on = segment.dataset.harmony === value;
      segment.setAttribute("aria-checked", String(on));
      segment.tabIndex = on ? 0 : -1;
    }
  }
  group.addEventListener("keydown", (e) => {
    const step = { ArrowLeft: -1, ArrowUp: -1, ArrowRight: 1, ArrowDown: 1 }[e.key];
    if (!step) return;
    e.preventDefault();
    const current = segments.findIndex((s) => s.dataset.harmony === chosen);
    const next = segments[(current + step + segments.length) % segments.length];
    choose(next.dataset.harmony);
    next.focus();
  });
  group.append(...segments);
  choose(chosen);
  return { nodes: [label, group], value: () => chosen };
}

// `panel`: the tools' panel; onPreview, onLoad and announce as for the status
// line (tools-parts.js).
export function createColourTheme(panel, { onPreview, onLoad, announce }) {
  const node = section(
    "tools-colour-title",
    "Theme from Colour",
    "A new preset in the colour’s hues. The settings stay as they are.",
  );
  const form = el("form", "tools-colour");
  form.noValidate = true;
  const { row, swatch, field, message } = colourField();
  const harmony = harmonyControl();
  const make = button("tools-action", "Make Theme");
  make.type = "submit";
  const { nodes: told, say } = statusLine(panel, {
    testid: "colour-status",
    onPreview,
    onLoad,
    announce,
  });
  form.append(row, message, ...harmony.nodes, make);
  node.append(form, ...told);
  let busy = false;

  const entry = () => colourThemeEntry(field.value, harmony.value());

  // The swatch, the button and what the field reads follow every keystroke;
  // a problem waits for `tellProblem`, unless one is told already.
  function show(tellProblem) {
    const { colour, problem, request } = entry();
    swatch.style.background = colour ? rgbaCss({ ...colour, a: 1 }) : "";
    swatch.classList.toggle("tools-colour-swatch-empty", !colour);
    make.disabled = busy || !request;
    const told = tellProblem || field.getAttribute("aria-invalid") === "true" ? problem : null;
    field.setAttribute("aria-invalid", String(Boolean(told)));
    message.classList.toggle("tools-colour-message-invalid", Boolean(told));
    message.textContent = colour ? `Reads as ${hexString(colour)}.` : (told ?? "");
  }

  let typing = null;
  field.addEventListener("input", () => {
    clearTimeout(typing);
    show(false);
    typing = setTimeout(() => show(true), TYPING_PAUSE_MS);
  });
  field.addEventListener("change", () => {
    clearTimeout(typing);
    show(true);
  });

  form.addEventListener("submit", async (e) => {
    e.preventDefault();
    const { request } = entry();
    if (!request || busy) {
      show(true);
      return;
    }
    busy = true;
    show(true);
    try {
      const answer = await requestNewPreset("/api/theme-from-colour", {
        method: "POST",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify(request),
      });
      if (answer.error) say(answer.error, { error: true });
      else
        say(`New preset “${answer.name}” made from ${request.colour}.`, {
          newPreset: answer.name,
        });
    } finally {
      busy = false;
      show(true);
    }
  });

  show(false);
  return { node };
}

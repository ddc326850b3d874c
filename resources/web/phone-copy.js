// "Copy Theme" on the phone: the settings in use and each preset, as the exchange string the
// Presets page's Export makes, to paste into Settings › Quillane › Presets › Import there.
//
// A page served over plain HTTP is no secure context, so the asynchronous clipboard is
// missing: the strings are fetched when the sheet opens, and a tap copies its string at once,
// within the tap, from a selected text field. When the browser refuses even that, the string
// is shown selected, to copy by hand.

import { el } from "./dom.js";

const CURRENT = "Current Settings";

async function exchangeOf(name) {
  const query = name === null ? "" : `?preset=${encodeURIComponent(name)}`;
  const response = await fetch(`/api/exchange${query}`);
  if (!response.ok) throw new Error(`The desktop answered ${response.status}.`);
  return (await response.json()).exchange;
}

async function presetNames() {
  const response = await fetch("/api/presets");
  return response.ok ? response.json() : [];
}

// Copies `text` inside the current tap; false when the browser refuses.
function copyNow(text, holder) {
  if (window.isSecureContext && navigator.clipboard) {
    navigator.clipboard.writeText(text);
    return true;
  }
  const field = el("textarea", "phone-copy-field");
  field.value = text;
  field.readOnly = true;
  holder.append(field);
  field.select();
  field.setSelectionRange(0, text.length);
  let copied = false;
  try {
    copied = document.execCommand("copy");
  } catch {
    copied = false;
  }
  field.remove();
  return copied;
}

function row(title, onTap) {
  const button = el("button", "phone-sheet-row", title);
  button.type = "button";
  button.disabled = true;
  button.addEventListener("click", onTap);
  return button;
}

export function createCopySheet(layer, { onClose }) {
  const panel = el("div", "phone-sheet");
  panel.setAttribute("role", "dialog");
  panel.setAttribute("aria-modal", "true");
  panel.setAttribute("aria-labelledby", "phone-sheet-title");
  const title = el("h2", "phone-sheet-title", "Copy Theme");
  title.id = "phone-sheet-title";
  const hint = el(
    "p",
    "phone-sheet-hint",
    "Then open Settings › Quillane › Presets on this phone and tap Import.",
  );
  const list = el("div", "phone-sheet-list");
  const manual = el("div", "phone-sheet-manual");
  manual.hidden = true;
  const done = el("button", "phone-sheet-done", "Done");
  done.type = "button";
  done.addEventListener("click", close);
  panel.append(title, hint, list, manual, done);
  layer.replaceChildren(panel);
  layer.addEventListener("click", (event) => {
    if (event.target === layer) close();
  });

  function close() {
    layer.hidden = true;
    onClose();
  }

  // The browser would not copy: the string, selected, to copy by hand.
  function showByHand(name, text) {
    const field = el("textarea", "phone-sheet-field");
    field.value = text;
    field.readOnly = true;
    field.setAttribute("aria-label", `Exchange string of ${name}`);
    manual.replaceChildren(el("p", "phone-sheet-hint", "Copy this text:"), field);
    manual.hidden = false;
    field.focus();
    field.select();
  }

  function addRow(label, name) {
    let text = null;
    const button = row(label, () => {
      if (text === null) return;
      if (copyNow(text, panel)) {
        hint.textContent = `“${label}” copied. Now open Settings › Quillane › Presets and tap Import.`;
        manual.hidden = true;
      } else {
        showByHand(label, text);
      }
    });
    list.append(button);
    exchangeOf(name)
      .then((exchange) => {
        text = exchange;
        button.disabled = false;
      })
      .catch(() => {
        button.textContent = `${label} (cannot be copied)`;
      });
  }

  async function open() {
    list.replaceChildren();
    manual.hidden = true;
    hint.textContent = "Then open Settings › Quillane › Presets on this phone and tap Import.";
    layer.hidden = false;
    done.focus();
    addRow(CURRENT, null);
    for (const name of await presetNames()) addRow(name, name);
  }

  return { open };
}

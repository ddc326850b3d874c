// Presets as files, beside the exchange string: "Export to File" downloads a
// preset's file as it is (<name>.plist); "Import from File" stores a property
// list from a file as a new preset under the file's name, or the name typed.

import { el } from "./dom.js";

export function attachPresetFiles(panel) {
  const bar = el("div", "wp-bar pf-bar");
  const label = el("label", "pf-label", "Preset");
  const select = el("select", "pf-select");
  select.id = "pf-preset";
  label.htmlFor = select.id;
  const exportButton = el("button", "wp-button", "Export to File");
  exportButton.type = "button";
  const importButton = el("button", "wp-button", "Import from File…");
  importButton.type = "button";
  const input = el("input");
  input.type = "file";
  input.accept = ".plist,application/x-plist,application/xml,text/xml";
  input.hidden = true;
  input.dataset.testid = "preset-file";
  const status = el("p", "wp-status");
  status.setAttribute("role", "status");
  status.setAttribute("aria-live", "polite");
  bar.append(label, select, exportButton, importButton, input);
  panel.append(bar, status);

  function say(message, { error = false } = {}) {
    status.textContent = message;
    status.classList.toggle("wp-status-error", error);
  }

  async function refresh() {
    const names = await fetch("/api/presets")
      .then((r) => (r.ok ? r.json() : []))
      .catch(() => []);
    const chosen = select.value;
    select.replaceChildren(
      ...names.map((name) => Object.assign(el("option", null, name), { value: name })),
    );
    if (names.includes(chosen)) select.value = chosen;
    exportButton.disabled = names.length === 0;
  }

  exportButton.addEventListener("click", () => {
    if (!select.value) return;
    const link = el("a");
    link.href = `/api/presets/file?name=${encodeURIComponent(select.value)}`;
    link.download = `${select.value}.plist`;
    link.click();
  });

  importButton.addEventListener("click", () => input.click());
  input.addEventListener("change", async () => {
    const file = input.files?.[0];
    input.value = "";
    if (!file) return;
    const suggested = file.name.replace(/\.plist$/i, "");
    const name = window.prompt("Name of the new preset", suggested);
    if (name === null) return;
    try {
      const response = await fetch(`/api/presets/file?name=${encodeURIComponent(name)}`, {
        method: "POST",
        headers: { "Content-Type": "application/octet-stream" },
        body: file,
      });
      const answer = await response.json().catch(() => null);
      if (!response.ok)
        say(answer?.error || `The server answered ${response.status}.`, { error: true });
      else say(`Preset “${answer.name}” imported.`);
    } catch {
      say("The settings host cannot be reached.", { error: true });
    }
    refresh();
  });

  select.addEventListener("focus", refresh);
  refresh();
  return { refresh };
}

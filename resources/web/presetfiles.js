// Presets as files, beside the exchange string: a preset's file downloaded as
// it is (<name>.plist), and a property list from a file stored as a new preset
// under a name the user gives in a sheet, prefilled with the file's name.

import { el, sentence } from "./dom.js";

export const PLIST_ACCEPT = ".plist,application/x-plist,application/xml,text/xml";

// Whether a file (from a picker or a drop) is meant as a preset.
export function isPresetFile(file) {
  return /\.plist$/i.test(file?.name ?? "") || file?.type === "application/x-plist";
}

export function exportPreset(name) {
  const link = el("a");
  link.href = `/api/presets/file?name=${encodeURIComponent(name)}`;
  link.download = `${name}.plist`;
  link.click();
}

// Asks the server for a new preset (an import, a theme): {name} of the preset
// made, or {error} with what went wrong.
export async function requestNewPreset(url, init) {
  try {
    const response = await fetch(url, init);
    const answer = await response.json().catch(() => null);
    if (!response.ok || typeof answer?.name !== "string")
      return { error: answer?.error || `The server answered ${response.status}.` };
    return { name: answer.name };
  } catch {
    return { error: "The settings host cannot be reached." };
  }
}

// Stores `file` as the preset `name`: the new preset's name, or throws with
// the server's message.
async function storePreset(name, file) {
  const answer = await requestNewPreset(`/api/presets/file?name=${encodeURIComponent(name)}`, {
    method: "POST",
    headers: { "Content-Type": "application/octet-stream" },
    body: file,
  });
  if (answer.error) throw new Error(answer.error);
  return answer.name;
}

let serial = 0;

// The sheet that asks for the new preset's name: an alert as the phone draws
// it, over the whole window. Resolves with the imported name, or null when
// the user cancels; a refusal is shown in the sheet, which stays for another
// name.
export function askToImport(file) {
  // One question at a time: a second file waits for no answer.
  if (document.querySelector(".import-sheet[open]")) return Promise.resolve(null);
  const ids = { title: `import-title-${++serial}`, message: `import-message-${serial}` };
  const dialog = el("dialog", "alert import-sheet");
  dialog.setAttribute("aria-labelledby", ids.title);
  dialog.setAttribute("aria-describedby", ids.message);
  dialog.dataset.testid = "import-sheet";
  const content = el("div", "alert-content");
  const title = el("h2", "alert-title", "Import Preset");
  title.id = ids.title;
  const message = el("p", "alert-message", `Enter a name for the preset in “${file.name}”.`);
  message.id = ids.message;
  const fields = el("div", "alert-fields");
  const field = el("input", "alert-field");
  field.type = "text";
  field.value = file.name.replace(/\.plist$/i, "");
  field.autocomplete = "off";
  field.spellcheck = false;
  field.setAttribute("aria-label", "Name");
  field.dataset.testid = "import-name";
  fields.append(field);
  const error = el("p", "import-error");
  error.dataset.testid = "import-error";
  error.setAttribute("role", "alert");
  content.append(title, message, fields, error);
  const actions = el("div", "alert-actions horizontal");
  const cancel = el("button", "alert-button", "Cancel");
  cancel.type = "button";
  const confirm = el("button", "alert-button import-preferred", "Import");
  confirm.type = "button";
  actions.append(cancel, confirm);
  dialog.append(content, actions);
  document.body.append(dialog);

  return new Promise((resolve) => {
    let busy = false;
    const refresh = () => {
      confirm.disabled = busy || field.value.trim() === "";
      cancel.disabled = busy;
      field.disabled = busy;
    };
    const finish = (name) => {
      dialog.close();
      dialog.remove();
      resolve(name);
    };
    async function submit() {
      if (busy || field.value.trim() === "") return;
      busy = true;
      refresh();
      try {
        finish(await storePreset(field.value, file));
      } catch (refusal) {
        busy = false;
        refresh();
        error.textContent = sentence(refusal.message);
        field.setAttribute("aria-invalid", "true");
        field.focus();
        field.select();
      }
    }
    field.addEventListener("input", () => {
      error.textContent = "";
      field.removeAttribute("aria-invalid");
      refresh();
    });
    field.addEventListener("keydown", (e) => {
      if (e.key !== "Enter") return;
      e.preventDefault();
      submit();
    });
    // Escape cancels here, so nothing behind the sheet hears it.
    dialog.addEventListener("keydown", (e) => {
      if (e.key !== "Escape") return;
      e.preventDefault();
      if (!busy) finish(null);
    });
    dialog.addEventListener("cancel", (e) => e.preventDefault());
    cancel.addEventListener("click", () => finish(null));
    confirm.addEventListener("click", submit);
    refresh();
    dialog.showModal();
    field.focus();
    field.select();
  });
}

// A .plist dropped anywhere on the page is offered for import; any other file
// dropped outside a target of its own is kept from replacing the page.
export function acceptPresetDrops(onFile) {
  const carriesFiles = (e) => [...(e.dataTransfer?.types ?? [])].includes("Files");
  document.addEventListener("dragover", (e) => {
    if (carriesFiles(e)) e.preventDefault();
  });
  document.addEventListener("drop", (e) => {
    if (!carriesFiles(e)) return;
    const file = e.dataTransfer.files?.[0];
    const handled = e.defaultPrevented;
    e.preventDefault();
    if (!handled && isPresetFile(file)) onFile(file);
  });
}

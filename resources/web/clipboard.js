// Bridge between the simulated device's pasteboard and the real clipboard.
// Both directions are best effort: a browser that refuses is never asked
// again through a dialog of ours, and the simulated pasteboard stays usable.

const READ_TIMEOUT_MS = 10000;

export function pasteboardKey(pasteboard) {
  if (!pasteboard || typeof pasteboard !== "object") return "none";
  if (pasteboard.kind === "string") return `string:${pasteboard.string ?? ""}`;
  return String(pasteboard.kind ?? "none");
}

// The new pasteboard text when a user's event put a new string there.
export function exportedText(before, after) {
  if (!after || after.kind !== "string" || typeof after.string !== "string") return null;
  return pasteboardKey(after) === before ? null : after.string;
}

export function writeClipboard(text) {
  try {
    const done = navigator.clipboard?.writeText(text);
    done?.catch(() => {});
  } catch {
    // No clipboard access in this context.
  }
}

// The clipboard's text, or null when there is none or the browser refuses.
export async function readClipboard() {
  try {
    if (!navigator.clipboard?.readText) return null;
    const timeout = new Promise((resolve) => setTimeout(() => resolve(null), READ_TIMEOUT_MS));
    const text = await Promise.race([navigator.clipboard.readText(), timeout]);
    return typeof text === "string" ? text : null;
  } catch {
    return null;
  }
}

export function isImportRow(row) {
  return row.action === "importPreset" || row.title === "Import Preset";
}

// The wallpaper behind the Control Center picture: chosen with a file picker or
// dropped onto the picture, decoded and kept by the server (which also turns it
// into a new preset on request, from the presets page's tools). The picture
// shows it blurred behind the modules, as iOS does; "Remove Wallpaper" returns
// to the gradient. The server keeps no original, so replacing or removing a
// wallpaper asks first. Which wallpaper is shown comes with the preview's
// palette (its revision), so every window shows the same one.

import { el, hiddenFileInput } from "./dom.js";
import { isPresetFile, requestNewPreset } from "./presetfiles.js";
import { askInWindow } from "./window-alert.js";

const NOT_KEPT = "Only a copy for the picture is kept, never the original image";

const ACCEPTED = "image/jpeg,image/png,image/webp,image/heic,image/heif,.heic,.heif";
const MAX_BYTES = 32 * 1024 * 1024;

export function attachWallpaper(panel) {
  const screen = panel.querySelector(".cc-screen");
  const layer = panel.querySelector(".cc-wallpaper");
  if (!screen || !layer) return null;

  const bar = el("div", "wp-bar");
  const input = hiddenFileInput(ACCEPTED, "wallpaper-file");
  const choose = el("button", "wp-button", "Choose Wallpaper…");
  choose.type = "button";
  const remove = el("button", "wp-button", "Remove Wallpaper");
  remove.type = "button";
  const status = el("p", "wp-status");
  status.setAttribute("role", "status");
  status.setAttribute("aria-live", "polite");
  bar.append(choose, remove, input);
  panel.append(bar, status);

  let revision = null; // the palette's wallpaper revision drawn; 0 for none
  let busy = false;
  const listeners = [];
  const present = () => screen.dataset.wallpaper === "image";

  function say(message, { error = false } = {}) {
    status.textContent = message;
    status.classList.toggle("wp-status-error", error);
  }

  // Draws the wallpaper of this revision of the palette (0: none).
  function show(next) {
    if (next === revision) return;
    revision = next;
    if (next > 0) {
      layer.style.background = `center / cover no-repeat url("/api/wallpaper?v=${next}")`;
    } else {
      layer.style.removeProperty("background");
    }
    screen.dataset.wallpaper = next > 0 ? "image" : "gradient";
    remove.disabled = next === 0 || busy;
    listeners.forEach((hear) => hear());
  }

  function setBusy(value) {
    busy = value;
    choose.disabled = value;
    remove.disabled = value || !present();
    listeners.forEach((hear) => hear());
  }

  async function errorOf(response) {
    const answer = await response.json().catch(() => null);
    return answer?.error || `The server answered ${response.status}.`;
  }

  async function upload(file) {
    if (!file) return;
    if (file.size > MAX_BYTES) {
      say("That image is larger than 32 MiB.", { error: true });
      return;
    }
    const replace =
      !present() ||
      (await askInWindow({
        title: "Replace Wallpaper?",
        message: `The current wallpaper cannot be brought back. ${NOT_KEPT}.`,
        action: "Replace",
        destructive: true,
        testid: "wallpaper-confirm",
      }));
    if (!replace) return;
    setBusy(true);
    say("Setting the wallpaper…");
    try {
      const response = await fetch("/api/wallpaper", {
        method: "POST",
        headers: { "Content-Type": file.type || "application/octet-stream" },
        body: file,
      });
      if (!response.ok) {
        const message = await errorOf(response);
        say(`The wallpaper was not changed: ${message}`, { error: true });
        return;
      }
      say("Wallpaper set.");
    } catch {
      say("The settings host cannot be reached.", { error: true });
    } finally {
      setBusy(false);
    }
  }

  async function removeWallpaper() {
    const sure = await askInWindow({
      title: "Remove Wallpaper?",
      message: `The picture goes back to its gradient. ${NOT_KEPT}: to have it again, choose the image again.`,
      action: "Remove",
      destructive: true,
      testid: "wallpaper-confirm",
    });
    if (!sure) return;
    setBusy(true);
    try {
      const response = await fetch("/api/wallpaper", { method: "DELETE" });
      if (!response.ok) say(await errorOf(response), { error: true });
      else say("Wallpaper removed.");
    } catch {
      say("The settings host cannot be reached.", { error: true });
    } finally {
      setBusy(false);
    }
  }

  // A new preset from the wallpaper: {name} or {error}.
  async function makeTheme() {
    setBusy(true);
    try {
      return await requestNewPreset("/api/wallpaper/theme?name=Wallpaper", { method: "POST" });
    } finally {
      setBusy(false);
    }
  }

  choose.addEventListener("click", () => input.click());
  input.addEventListener("change", () => {
    upload(input.files?.[0]);
    input.value = "";
  });
  remove.addEventListener("click", removeWallpaper);

  // A file dropped onto the picture.
  screen.addEventListener("dragover", (e) => {
    if (![...(e.dataTransfer?.types || [])].includes("Files")) return;
    e.preventDefault();
    screen.classList.add("wp-drop");
  });
  screen.addEventListener("dragleave", () => screen.classList.remove("wp-drop"));
  screen.addEventListener("drop", (e) => {
    screen.classList.remove("wp-drop");
    const file = e.dataTransfer?.files?.[0];
    // A preset file is for the page's import, not a wallpaper.
    if (!file || isPresetFile(file)) return;
    e.preventDefault();
    upload(file);
  });

  show(0);

  return {
    upload,
    remove: removeWallpaper,
    makeTheme,
    // The palette's news: the wallpaper set, replaced or removed, here or in another window.
    follow: (preview) => {
      if (Number.isInteger(preview?.wallpaperRevision)) show(preview.wallpaperRevision);
    },
    // Whether a theme can be made now; onChange hears when that may change.
    canMakeTheme: () => present() && !busy,
    hasWallpaper: present,
    onChange: (hear) => listeners.push(hear),
  };
}

// A preset tried in the picture without being loaded: the server draws it as
// it would look once loaded, the picture shows that instead of the settings
// in use, framed, and a marker right above the picture names it, so no one
// mistakes the trial for the settings, and offers to load it or to go back.
// The marker covers nothing of the picture.

import { el } from "./dom.js";
import { isPreview } from "./preview-model.js";

// onLoad(name) and onDone() answer its two buttons.
function trialMarker({ onLoad, onDone }) {
  const marker = el("div", "cc-trial");
  marker.dataset.testid = "trial-marker";
  marker.setAttribute("role", "group");
  marker.hidden = true;
  const label = el("p", "cc-trial-label");
  label.setAttribute("role", "status");
  label.dataset.testid = "trial-label";
  const load = el("button", "cc-trial-button", "Load");
  load.type = "button";
  const done = el("button", "cc-trial-button cc-trial-done", "Done");
  done.type = "button";
  marker.append(label, load, done);
  let name = null;
  load.addEventListener("click", () => name !== null && onLoad(name));
  done.addEventListener("click", () => onDone());

  return {
    node: marker,
    show(preset) {
      name = preset;
      const text = `Preview of “${preset}”`;
      label.textContent = text;
      marker.setAttribute("aria-label", text);
      load.setAttribute("aria-label", `Load “${preset}”`);
      done.setAttribute("aria-label", "Done: back to the colours in use");
      marker.hidden = false;
    },
    hide() {
      name = null;
      label.textContent = "";
      marker.hidden = true;
    },
  };
}

// `screen`: the picture's element. hooks: show(picture, {force}) draws a
// picture; live() is the newest picture of the settings in use; focusAfter()
// takes focus when the marker that had it goes; onError(message);
// onChange(name or null); onLoad(name) for the marker's Load.
export function createTrial(screen, hooks) {
  let trial = null; // {name, ending} while a preset is tried
  let serial = 0; // an answer older than the last start or end is dropped
  const marker = trialMarker({ onLoad: hooks.onLoad, onDone: () => end() });
  screen.before(marker.node);

  // Shows the preset `name` until end(); answers the error message, or null.
  async function tryPreset(name) {
    const asked = ++serial;
    let response;
    try {
      response = await fetch(`/api/preview?preset=${encodeURIComponent(name)}`, {
        headers: { Accept: "application/json" },
      });
    } catch {
      return "The settings host cannot be reached.";
    }
    const answer = await response.json().catch(() => null);
    if (!response.ok || !isPreview(answer))
      return answer?.error || `The preview answered ${response.status}.`;
    if (asked !== serial) return null;
    clearTimeout(trial?.ending);
    trial = { name };
    hooks.show(answer, { force: true });
    marker.show(name);
    screen.dataset.trial = name;
    hooks.onChange?.(name);
    return null;
  }

  // Back to the settings in use, with the newest picture of them. With
  // `awaitPicture` (a load just ran) the trial stays until the server's next
  // picture, which shows the loaded preset, or a second at most: drawing the
  // picture from before would flash the old colours.
  function end({ awaitPicture = false } = {}) {
    if (awaitPicture && trial) {
      trial.ending = setTimeout(() => end(), 1000);
      return;
    }
    serial++;
    if (!trial) return;
    clearTimeout(trial.ending);
    const hadFocus = marker.node.contains(document.activeElement);
    trial = null;
    marker.hide();
    delete screen.dataset.trial;
    const live = hooks.live();
    if (live) hooks.show(live, { force: true });
    if (hadFocus) hooks.focusAfter?.();
    hooks.onChange?.(null);
  }

  // A toggle or the appearance changed: the tried preset is drawn again.
  async function refresh() {
    if (!trial) return;
    const error = await tryPreset(trial.name);
    if (!error) return;
    end();
    hooks.onError?.(error);
  }

  // A new picture of the settings in use came: whether the trial keeps the
  // picture (it ends instead when it waited for this one).
  function holdsPicture() {
    if (!trial?.ending) return trial !== null;
    end();
    return true;
  }

  // Escape ends a trial, unless a dialog took it first.
  document.addEventListener("keydown", (e) => {
    if (e.key !== "Escape" || !trial || e.defaultPrevented) return;
    e.preventDefault();
    end();
  });

  return { tryPreset, end, refresh, holdsPicture, name: () => trial?.name ?? null };
}

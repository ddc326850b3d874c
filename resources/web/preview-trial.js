// The marker over the picture while a preset is tried without being loaded:
// it names the preset and offers to load it or to go back to the colours in
// use. It sits on the picture itself, so no one mistakes the trial for the
// settings.

import { el } from "./dom.js";

// onLoad(name) and onDone() answer its two buttons.
export function trialMarker({ onLoad, onDone }) {
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

// The picture on a phone: the Control Center the desktop shows, full screen at the phone's
// size, following every change there as it happens (the colour being dragged included)
// through the event stream; and "Copy Theme", to carry a theme to the phone's own Settings.
// The phone's address lets it look and nothing more.

import { isPreview, rgbaOf } from "./preview-model.js";
import { createPictureState } from "./preview-state.js";
import { createPicture } from "./preview-picture.js";
import { createCopySheet } from "./phone-copy.js";

const status = document.getElementById("status");
const state = createPictureState();
// A phone only looks: its toggles and switches act on nothing.
const picture = createPicture(document.getElementById("picture"), {
  act: () => Promise.resolve(),
  onFindKey: () => {},
});

// Whether the desktop's open picker shows a colour on some part: the picture then follows the
// drag at once, without the fade of a stored change.
function dragging(node) {
  if (!node || typeof node !== "object") return false;
  if (node.source === "pending") return true;
  return Object.values(node).some(dragging);
}

// The desktop's picker closed: its colour stays drawn until the preview after it, which holds
// the colour stored or the one it went back to.
let pickClosed = false;

function draw(preview) {
  if (!isPreview(preview)) return;
  const taken = state.take(preview);
  const closing = pickClosed;
  if (closing) state.setPending(null);
  pickClosed = false;
  if (!taken && !closing) return;
  if (taken?.rebuild) picture.rebuild(preview);
  picture.paint(state.drawn(), { pending: state.isPending() || dragging(preview) });
  status.textContent = "";
  document.body.dataset.ready = "true";
}

// The desktop's picker reported a colour, drawn on its keys at once as the desktop draws it: the
// server sends the preview that carries it only once the drag rests.
function follow(pick) {
  const colour = rgbaOf(pick?.colour);
  const keys = Array.isArray(pick?.keys) ? pick.keys : [];
  if (keys.length === 0 || !colour) {
    pickClosed = state.isPending();
    return;
  }
  pickClosed = false;
  const only = state.setPending(keys, colour);
  if (state.received()) picture.paint(state.drawn(), { only, pending: true });
}

function say(text) {
  status.textContent = text;
}

async function load() {
  try {
    const response = await fetch("/api/preview", { headers: { Accept: "application/json" } });
    if (!response.ok) {
      say(
        response.status === 401
          ? "This address is no longer shared. Scan the code on the desktop again."
          : `The desktop answered ${response.status}.`,
      );
      return;
    }
    draw(await response.json());
  } catch {
    say("The desktop cannot be reached.");
  }
}

function listen() {
  const stream = new EventSource("/api/stream");
  stream.addEventListener("preview", (event) => {
    try {
      draw(JSON.parse(event.data));
    } catch {
      // A partial message: the next one brings the whole picture.
    }
  });
  stream.addEventListener("pick", (event) => {
    try {
      follow(JSON.parse(event.data));
    } catch {
      // As above.
    }
  });
  // Sharing stopped, or the desktop went away: the stream ends and the picture stays.
  stream.addEventListener("error", () => {
    if (stream.readyState === EventSource.CLOSED) say("The desktop stopped sharing.");
  });
}

const copy = document.getElementById("copy");
const sheet = createCopySheet(document.getElementById("sheet"), { onClose: () => copy.focus() });
copy.addEventListener("click", () => sheet.open());
copy.hidden = false;

load();
listen();

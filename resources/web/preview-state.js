// What the preview shows, apart from the page: the server's newest picture of
// the settings in use, the picture drawn (a tried preset's, during a trial),
// and what the settings page lays over it while the user edits: the state a
// page edits and the open picker's colour.

import { previewShape, withEditedState, withPending } from "./preview-model.js";

export function createPictureState() {
  let live = null; // the server's newest picture of the settings in use
  let received = null; // the last picture drawn, as the server sent it
  let last = null; // its JSON: a picture drawn already is not drawn again
  let shape = null;
  let pending = null; // {keys, colour} the open picker shows before the server has it
  let edited = null; // the state the connectivity or toggles page edits, while on top

  return {
    live: () => live,
    setLive(picture) {
      live = picture;
    },
    received: () => received,

    // Takes `picture` to draw: null when it is the one drawn and not
    // `force`d, else {rebuild}, whether its elements change (not only colours).
    take(picture, force = false) {
      const json = JSON.stringify(picture);
      if (json === last && !force) return null;
      last = json;
      received = picture;
      const nextShape = previewShape(picture);
      const rebuild = nextShape !== shape;
      shape = nextShape;
      return { rebuild };
    },

    // The server's picture with the edited state and the picker's colour over it.
    drawn() {
      const shown = withEditedState(received, edited);
      return pending ? withPending(shown, pending.keys, pending.colour) : shown;
    },

    // Answers whether the state shown changed.
    setEdited(next) {
      if (JSON.stringify(next) === JSON.stringify(edited)) return false;
      edited = next;
      return true;
    },

    // The open picker's colour on `keys`; none for a closed picker. Answers
    // the keys to repaint (a Set), or null for all.
    setPending(keys, colour) {
      pending = keys && colour ? { keys, colour } : null;
      return pending ? new Set(keys) : null;
    },
    isPending: () => pending !== null,
  };
}

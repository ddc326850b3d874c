// The Control Center preview: a picture of Control Center drawn from the
// theming component's palette, redrawn whenever the server sends a new one.
// Its toggles, tiles and the appearance switch act on the theming component,
// whose answer is the next picture.

import { isPreview, layoutOf } from "./preview-model.js";
import { createPictureState } from "./preview-state.js";
import { createFeed } from "./preview-feed.js";
import { createPicture } from "./preview-picture.js";
import { contrastLine } from "./preview-legibility.js";
import { createTrial } from "./preview-trial.js";

// `root` is the element to draw in. hooks: onError(message) hears of a
// refused or failed action too; onTrialChange(name or null) and
// onTrialLoad(name) of a preset tried; onFindKey(key) of a part found;
// onLive(palette) of every palette of the settings in use; onVision(name) of
// the vision the picture is seen with.
export function createPreview(root, hooks = {}) {
  const state = createPictureState();
  const feed = createFeed({ draw, onError: showError, afterAction: () => trial.refresh() });
  const picture = createPicture(root, {
    // A toggle or appearance changes the tried preset's picture too (afterAction).
    act: feed.act,
    onFindKey: (key) => hooks.onFindKey?.(key),
    onVision: (vision) => hooks.onVision?.(vision),
  });
  // A preset shown as it would look once loaded, instead of the settings in use.
  const trial = createTrial(picture.screen, {
    show,
    live: state.live,
    // Focus leaves the marker for the appearance switch beside the picture.
    focusAfter: picture.focusAppearance,
    onError: showError,
    onChange: (name) => hooks.onTrialChange?.(name),
    onLoad: (name) => hooks.onTrialLoad?.(name),
  });

  // A refused action is told until the next picture.
  function showError(message) {
    picture.showError(message);
    hooks.onError?.(message);
  }

  // A picture of the settings in use. While a preset is tried it is kept
  // for the end of the trial, not drawn.
  function draw(preview, options = {}) {
    if (!isPreview(preview)) return;
    state.setLive(preview);
    hooks.onLive?.(preview);
    if (!trial.holdsPicture()) show(preview, options);
  }

  // `force` repaints an unchanged picture too, so an answer clears an error.
  function show(preview, { force = false } = {}) {
    const taken = state.take(preview, force);
    if (!taken) return;
    if (taken.rebuild) picture.rebuild(preview);
    picture.paint(state.drawn(), { pending: state.isPending() });
  }

  function repaint(only = null) {
    if (state.received()) picture.paint(state.drawn(), { only, pending: state.isPending() });
  }

  return {
    receive: feed.receive,
    load: feed.load,
    act: feed.act,
    open: picture.open,
    // The open picker's colour on `keys`, drawn at once; null when it closes.
    // The server's next picture marks the same keys pending, then stored.
    showPending: (keys, colour) => repaint(state.setPending(keys, colour)),
    // The picker's contrast line for the keys it edits, with its colour.
    contrastFor: (keys, colour) => contrastLine(state.received(), keys, colour, picture.vision()),
    tryPreset: trial.tryPreset,
    endTrial: trial.end,
    trialName: trial.name,
    setEditedState: (next) => state.setEdited(next) && repaint(),
    setEditing: picture.setEditing,
    // Where a key's row is: the layout file of its page, or null.
    layoutOf: (key) => layoutOf(state.received(), key),
    // A small copy of the part that draws the first of `keys`, or null.
    partPicture: picture.partPicture,
  };
}

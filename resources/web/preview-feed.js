// The preview's traffic with the server: the first picture, the pictures the
// event stream brings, and the actions on the theming component (a toggle,
// the appearance), each drawn from its answer.

import { isPreview } from "./preview-model.js";

// hooks: draw(picture, {force}) draws a picture of the settings in use;
// onError(message) hears of a refused or failed request; afterAction() runs
// once an action's answer is drawn.
export function createFeed({ draw, onError, afterAction }) {
  let chain = Promise.resolve();
  let streamed = 0; // pictures heard on the stream

  // An answer may be older than a picture the stream brought meanwhile: the
  // theming component re-reads the files after an action has been answered
  // (an appearance's preset comes in after the switch), and the stream always
  // ends on its newest picture. So an answer is drawn only while the stream
  // has been quiet since the request went out.
  async function request(init) {
    const heard = streamed;
    let response;
    try {
      response = await fetch("/api/preview", init);
    } catch {
      onError("The settings host cannot be reached.");
      return;
    }
    const answer = await response.json().catch(() => null);
    if (!response.ok || !isPreview(answer))
      onError(answer?.error || `The preview answered ${response.status}.`);
    else if (streamed === heard) draw(answer, { force: true });
  }

  // Actions go out one at a time, each drawn from its answer (see above).
  function act(action) {
    chain = chain
      .then(() =>
        request({
          method: "POST",
          headers: { "Content-Type": "application/json" },
          body: JSON.stringify(action),
        }),
      )
      .then(() => afterAction());
    return chain;
  }

  // A picture from the server's event stream.
  function receive(picture) {
    if (!isPreview(picture)) return;
    streamed++;
    draw(picture);
  }

  function load() {
    return request({ headers: { Accept: "application/json" } });
  }

  return { act, receive, load };
}

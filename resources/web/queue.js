// Events go to the server one at a time and in order, so "ended" never
// overtakes "changed" and closing the picker never overtakes its last colour.
// An event given a coalescing key replaces a waiting event with the same key
// at the end of the queue: a fast drag sends one request at a time and the
// server always ends on the newest value.
//
// The sender may resolve to a function that handles the rest of the answer
// (reading and drawing it). The next event leaves as soon as the server has
// answered, since the server has judged the event by then; the handlers still
// run one after another, in the order the events went.
export function createEventQueue(send) {
  const waiting = [];
  let sending = false;
  let handling = Promise.resolve();
  let unhandled = 0;

  async function handle(finish, item) {
    try {
      if (typeof finish === "function") await finish();
    } catch {
      // The handler reports its own failures; later answers are still handled.
    }
    unhandled--;
    item.done.forEach((resolve) => resolve());
  }

  async function pump() {
    sending = true;
    while (waiting.length > 0) {
      const item = waiting.shift();
      let finish = null;
      try {
        finish = await send(item.event);
      } catch {
        // The sender reports its own failures; later events still go out.
      }
      unhandled++;
      handling = handling.then(() => handle(finish, item));
    }
    sending = false;
  }

  // Resolves once the event, or the newer one that replaced it, was answered
  // and its answer handled.
  function enqueue(event, coalesce = null) {
    const last = waiting[waiting.length - 1];
    let item;
    if (coalesce !== null && last && last.coalesce === coalesce) {
      item = last;
      item.event = event;
    } else {
      item = { event, coalesce, done: [] };
      waiting.push(item);
    }
    const answered = new Promise((resolve) => item.done.push(resolve));
    if (!sending) pump();
    return answered;
  }

  function pending(coalesce) {
    return waiting.some((w) => w.coalesce === coalesce);
  }

  return { enqueue, pending, isBusy: () => sending || unhandled > 0 };
}

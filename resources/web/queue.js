// Events go to the server one at a time and in order, so "ended" never
// overtakes "changed" and closing the picker never overtakes its last colour.
// An event given a coalescing key replaces a waiting event with the same key
// at the end of the queue: a fast drag sends one request at a time and the
// server always ends on the newest value.
export function createEventQueue(send) {
  const waiting = [];
  let busy = false;

  async function pump() {
    busy = true;
    while (waiting.length > 0) {
      const item = waiting.shift();
      try {
        await send(item.event);
      } catch {
        // The sender reports its own failures; later events still go out.
      }
      item.done.forEach((resolve) => resolve());
    }
    busy = false;
  }

  // Resolves once the event, or the newer one that replaced it, was answered.
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
    if (!busy) pump();
    return answered;
  }

  function pending(coalesce) {
    return waiting.some((w) => w.coalesce === coalesce);
  }

  return { enqueue, pending, isBusy: () => busy };
}

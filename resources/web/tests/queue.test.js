import { test } from "node:test";
import assert from "node:assert/strict";
import { createEventQueue } from "../queue.js";

// A sender whose requests finish only when the test says so.
function manualSender() {
  const sent = [];
  const open = [];
  let inFlight = 0;
  let maxInFlight = 0;
  const send = (event) =>
    new Promise((resolve, reject) => {
      sent.push(event);
      inFlight++;
      maxInFlight = Math.max(maxInFlight, inFlight);
      open.push({
        resolve: () => (inFlight--, resolve()),
        reject: () => (inFlight--, reject(new Error("offline"))),
      });
    });
  const tick = () => new Promise((r) => setTimeout(r, 0));
  return { sent, open, send, tick, maxInFlight: () => maxInFlight };
}

test("events go out one at a time, in order", async () => {
  const s = manualSender();
  const q = createEventQueue(s.send);
  q.enqueue({ n: 1 });
  q.enqueue({ n: 2 });
  q.enqueue({ n: 3 });
  for (let i = 0; i < 3; i++) {
    await s.tick();
    s.open.shift().resolve();
  }
  await s.tick();
  assert.deepEqual(s.sent, [{ n: 1 }, { n: 2 }, { n: 3 }]);
  assert.equal(s.maxInFlight(), 1);
  assert.equal(q.isBusy(), false);
});

test("a waiting event is replaced by a newer one with the same key only", async () => {
  const s = manualSender();
  const q = createEventQueue(s.send);
  q.enqueue({ pick: 1 }, "pick");
  q.enqueue({ pick: 2 }, "pick");
  q.enqueue({ pick: 3 }, "pick");
  q.enqueue({ close: true });
  q.enqueue({ pick: 4 }, "pick");
  assert.ok(q.pending("pick"));
  while (s.open.length > 0 || q.isBusy()) {
    await s.tick();
    s.open.shift()?.resolve();
  }
  assert.deepEqual(s.sent, [{ pick: 1 }, { pick: 3 }, { close: true }, { pick: 4 }]);
});

test("the promise of a replaced event settles with its replacement", async () => {
  const s = manualSender();
  const q = createEventQueue(s.send);
  const first = q.enqueue({ n: 1 });
  const replaced = q.enqueue({ n: 2 }, "k");
  const replacement = q.enqueue({ n: 3 }, "k");
  let settled = 0;
  replaced.then(() => settled++);
  replacement.then(() => settled++);
  await s.tick();
  s.open.shift().resolve();
  await first;
  assert.equal(settled, 0);
  await s.tick();
  s.open.shift().resolve();
  await Promise.all([replaced, replacement]);
  assert.equal(settled, 2);
  assert.deepEqual(s.sent, [{ n: 1 }, { n: 3 }]);
});

test("a failed request does not stop the events after it", async () => {
  const s = manualSender();
  const q = createEventQueue(s.send);
  const failed = q.enqueue({ n: 1 });
  q.enqueue({ n: 2 });
  await s.tick();
  s.open.shift().reject();
  await failed;
  await s.tick();
  s.open.shift().resolve();
  await s.tick();
  assert.deepEqual(s.sent, [{ n: 1 }, { n: 2 }]);
});

test("the next event leaves once the server answered; answers are handled in order", async () => {
  const log = [];
  const handlers = [];
  const send = async (event) => {
    log.push(`sent ${event.n}`);
    return () =>
      new Promise((resolve) => handlers.push(() => (log.push(`handled ${event.n}`), resolve())));
  };
  const q = createEventQueue(send);
  const first = q.enqueue({ n: 1 });
  const second = q.enqueue({ n: 2 });
  let firstDone = false;
  first.then(() => (firstDone = true));
  for (let i = 0; i < 5; i++) await new Promise((r) => setTimeout(r, 0));
  // Both went out though the first answer is not handled yet; the second waits its turn.
  assert.deepEqual(log, ["sent 1", "sent 2"]);
  assert.equal(handlers.length, 1);
  assert.equal(firstDone, false);
  assert.equal(q.isBusy(), true);
  handlers.shift()();
  await first;
  for (let i = 0; i < 5; i++) await new Promise((r) => setTimeout(r, 0));
  assert.equal(handlers.length, 1);
  assert.equal(q.isBusy(), true);
  handlers.shift()();
  await second;
  assert.deepEqual(log, ["sent 1", "sent 2", "handled 1", "handled 2"]);
  assert.equal(q.isBusy(), false);
});

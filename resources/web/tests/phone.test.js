import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";

const read = (name) => readFileSync(new URL(`../${name}`, import.meta.url), "utf8");

// The modules a module brings in, directly and through the ones it imports.
function imported(name, seen = new Set()) {
  for (const [, next] of read(name).matchAll(/from "\.\/([\w-]+\.js)"/g)) {
    if (seen.has(next)) continue;
    seen.add(next);
    imported(next, seen);
  }
  return seen;
}

test("the phone's page asks at once for every module its script imports, and for no other", () => {
  const page = read("phone.html");
  const preloaded = new Set(
    [...page.matchAll(/<link rel="modulepreload" href="([\w-]+\.js)"/g)].map((m) => m[1]),
  );
  assert.deepEqual([...preloaded].sort(), [...imported("phone.js")].sort());
});

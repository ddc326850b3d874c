// Whether this Node.js is new enough for a package: its "engines" field, of the form
// ">=X[.Y[.Z]]" (the form the browser-test packages use). scripts/setup.sh runs it:
//
//   node scripts/node-version.mjs tests/browser/package.json
//
// Exit status 0 when it is, 1 with a message when it is not, 2 when the range cannot be read.
// Written for the old Node.js it must turn away too (12 and later: no `?.` or `??`).
import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";

// Whether `version` ("18.19.0") is at least the lower bound of `range` (">=18.18"); throws
// when the range has another form, so that a new form is noticed instead of passed.
export function satisfies(range, version) {
  const bound = /^>=\s*(\d+)(?:\.(\d+))?(?:\.(\d+))?$/.exec(range.trim());
  if (!bound) throw new Error(`cannot read the Node.js range "${range}"`);
  const have = version
    .replace(/^v/, "")
    .split(".")
    .map((part) => parseInt(part, 10) || 0);
  for (let i = 0; i < 3; i++) {
    const want = Number(bound[i + 1] || 0);
    const part = have[i] || 0;
    if (part !== want) return part > want;
  }
  return true;
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const file = process.argv[2];
  const engines = JSON.parse(readFileSync(file, "utf8")).engines || {};
  const range = engines.node;
  try {
    if (!range) throw new Error(`${file} names no Node.js version in "engines"`);
    if (!satisfies(range, process.versions.node)) {
      console.error(
        `setup: the browser tests need Node.js ${range} (${file}), but ${process.execPath} is ` +
          `v${process.versions.node}.\nsetup: install a newer Node.js (Debian 12's nodejs ` +
          `package is 18.19) and run the set-up again.`,
      );
      process.exit(1);
    }
  } catch (error) {
    console.error(`setup: ${error.message}`);
    process.exit(2);
  }
}

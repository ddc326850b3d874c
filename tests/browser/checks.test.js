// The set-up's and the style check's own rules: which Node.js the set-up turns away, and what
// ESLint's configuration lets through in the browser UI and in the tests.

import { test } from "node:test";
import assert from "node:assert/strict";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { ESLint } from "eslint";
import { satisfies } from "../../scripts/node-version.mjs";

const repoRoot = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");

test("the set-up accepts a Node.js only from the lower bound of the packages' range", () => {
  const cases = [
    // range, version, accepted
    [">=18.18", "18.18.0", true],
    [">=18.18", "v18.19.1", true],
    [">=18.18", "20.0.0", true],
    [">=18.18", "18.17.1", false],
    [">=18.18", "17.99.0", false],
    [">=18.18", "12.22.12", false],
    [">=18", "18.0.0", true],
    [">=18", "16.20.2", false],
    [">= 18.18.2", "18.18.1", false],
    [">= 18.18.2", "18.18.2", true],
    [">=18.18", "18.18.0-pre", true],
  ];
  for (const [range, version, accepted] of cases) {
    assert.equal(satisfies(range, version), accepted, `${version} against ${range}`);
  }
});

test("the set-up refuses to guess at a range it cannot read", () => {
  for (const range of ["^18.18", "18.18", "", ">=18 <21", "*"]) {
    assert.throws(() => satisfies(range, "18.19.0"), /cannot read/, `range "${range}"`);
  }
});

test("ESLint's rules tell the UI's browser code from the tests' Node code", async () => {
  const eslint = new ESLint({
    cwd: repoRoot,
    overrideConfigFile: path.join(repoRoot, "tests/browser/eslint.config.js"),
  });
  const cases = [
    // file, source, rules expected to fire (none: clean)
    ["resources/web/x.js", 'document.title = "x";\nwindow.scrollTo(0, 0);\n', []],
    ["resources/web/x.js", 'import { a } from "./a.js";\nexport const b = a;\n', []],
    ["resources/web/x.js", "process.exit(0);\n", ["no-undef"]],
    ["resources/web/x.js", "missingHelper();\n", ["no-undef"]],
    ["resources/web/x.js", "let unused = 1;\n", ["no-unused-vars"]],
    ["resources/web/x.js", 'const m = await import("./a.js");\nm.run();\n', []],
    ["resources/web/tests/x.test.js", "process.exitCode = 0;\n", []],
    ["tests/browser/x.test.js", 'process.env.X = "1";\nconsole.log(document);\n', []],
    ["tests/browser/x.test.js", "missingHelper();\n", ["no-undef"]],
  ];
  for (const [filePath, source, expected] of cases) {
    const [result] = await eslint.lintText(source, { filePath: path.join(repoRoot, filePath) });
    const fired = [...new Set(result.messages.map((m) => m.ruleId ?? m.message))].sort();
    assert.deepEqual(fired, [...expected].sort(), `${filePath}: ${JSON.stringify(source)}`);
  }
});

import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { moduleProblem, versionProblem } from "../device.js";

// The server checks the same cases (tests/host/DeviceProfileTest.cpp).
const cases = JSON.parse(
  readFileSync(new URL("../../../tests/host/device-input-cases.json", import.meta.url), "utf8"),
);

test("versions are checked as the server checks them", () => {
  for (const text of cases.versions.accepted) assert.equal(versionProblem(text), null, text);
  for (const text of cases.versions.refused) assert.notEqual(versionProblem(text), null, text);
});

test("a module needs a bundle identifier, a free one and a display name", () => {
  const none = new Set();
  for (const id of cases.identifiers.accepted)
    assert.equal(moduleProblem(id, "Notes", none), null, id);
  for (const id of cases.identifiers.refused)
    assert.notEqual(moduleProblem(id, "Notes", none), null, JSON.stringify(id));
  const rows = [
    ["com." + "a".repeat(151), "Notes", null],
    ["com." + "a".repeat(152), "Notes", /at most 155/],
    ["com.example.camera", "Notes", /already on the device/],
    ["com.example.notes", "  ", /display name/],
    ["com.example.notes", "n".repeat(64), null],
    ["com.example.notes", "n".repeat(65), /at most 64/],
    ["com.example.notes", "é".repeat(64), null],
    ["com.example.notes", "No\ttes", /control characters/],
  ];
  const taken = new Set(["com.example.camera"]);
  for (const [id, name, problem] of rows) {
    const answer = moduleProblem(id, name, taken);
    if (problem === null) assert.equal(answer, null, `${id} ${name}`);
    else assert.match(answer ?? "", problem, `${id} ${name}`);
  }
});
